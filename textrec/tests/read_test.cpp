#include <gtest/gtest.h>

#include "textrec/textrec.h"

#include <cmath>

using textrec::readIntegerField;
using textrec::readRealField;

TEST(ReadReal, BlankFieldsReadZero) {
    double v = 99;
    EXPECT_TRUE(readRealField("         ", 3, v));
    EXPECT_EQ(v, 0.0);
    v = 99;
    EXPECT_TRUE(readRealField("", 3, v));
    EXPECT_EQ(v, 0.0);
}

TEST(ReadReal, ImpliedDecimalsOnlyWithoutAPoint) {
    double v = 0;
    EXPECT_TRUE(readRealField("   41234", 5, v));
    EXPECT_DOUBLE_EQ(v, 0.41234);
    EXPECT_TRUE(readRealField(" 0.41234", 5, v));
    EXPECT_DOUBLE_EQ(v, 0.41234);
    EXPECT_TRUE(readRealField("  80.", 1, v));
    EXPECT_DOUBLE_EQ(v, 80.0);
    EXPECT_TRUE(readRealField("   12", 0, v));
    EXPECT_DOUBLE_EQ(v, 12.0);
    // Blanks inside a field are ignored, so "4 1" is 41 with implied decimals.
    EXPECT_TRUE(readRealField("4 1", 1, v));
    EXPECT_DOUBLE_EQ(v, 4.1);
}

TEST(ReadReal, ExponentForms) {
    double v = 0;
    EXPECT_TRUE(readRealField("0.100E+00", 3, v));
    EXPECT_DOUBLE_EQ(v, 0.1);
    EXPECT_TRUE(readRealField(" 0.1234E-03", 4, v));
    EXPECT_DOUBLE_EQ(v, 0.0001234);
    EXPECT_TRUE(readRealField("  1.234E-02", 4, v));
    EXPECT_DOUBLE_EQ(v, 0.01234);
    EXPECT_TRUE(readRealField("1.5D2", 0, v));
    EXPECT_DOUBLE_EQ(v, 150.0);
    EXPECT_TRUE(readRealField("0.1234+101", 4, v));
    EXPECT_DOUBLE_EQ(v, 0.1234e101);
    // Implied decimals apply to the digits before an exponent, too.
    EXPECT_TRUE(readRealField("1234E2", 3, v));
    EXPECT_DOUBLE_EQ(v, 123.4);
    EXPECT_TRUE(readRealField("-0.5", 1, v));
    EXPECT_DOUBLE_EQ(v, -0.5);
}

TEST(ReadReal, GarbageIsRefused) {
    double v = 0;
    EXPECT_FALSE(readRealField("  abc", 1, v));
    EXPECT_FALSE(readRealField("1.2.3", 1, v));
    EXPECT_FALSE(readRealField("1.0E", 1, v));
    EXPECT_FALSE(readRealField("-", 1, v));
    EXPECT_FALSE(readRealField("1,5", 1, v));
}

TEST(ReadReal, FloatsRoundStraightFromTheText) {
    float f = 0;
    EXPECT_TRUE(readRealField(" 0.1000E+00", 4, f));
    EXPECT_EQ(f, 0.1f);
    EXPECT_TRUE(readRealField(" 0.3400E+39", 4, f) == false || f > 3e38f);
}

TEST(ReadReal, UnderflowReadsZeroAndOverflowIsRefused) {
    // A corrected file scaled down may hold values below the float range.
    float f = 1;
    EXPECT_TRUE(readRealField("  7.005E-46", 4, f));
    EXPECT_EQ(f, 0.0f);
    f = 1;
    EXPECT_TRUE(readRealField(" -0.1000E-50", 4, f));
    EXPECT_EQ(f, 0.0f);
    EXPECT_TRUE(std::signbit(f));
    EXPECT_TRUE(readRealField(" 0.1401E-44", 4, f));
    EXPECT_GT(f, 0.0f);
    EXPECT_FALSE(readRealField(" 0.1000E+40", 4, f));
    EXPECT_FALSE(readRealField("  1.000E+39", 4, f));
    EXPECT_FALSE(readRealField("   123E+37", 0, f));
    double d = 1;
    EXPECT_TRUE(readRealField(" 0.1000-400", 4, d));
    EXPECT_EQ(d, 0.0);
    EXPECT_FALSE(readRealField(" 0.1000+400", 4, d));
}

// Every reader of numbers takes only finite numbers within its type: an
// infinity or a not-a-number written out is no number, and a value beyond
// the float range is refused by the float readers, whatever its exponent.
TEST(ReadNumbers, OnlyFiniteNumbersWithinTheType) {
    struct Case {
        std::string text;
        bool asDouble, asFloat;
    };
    const Case cases[] = {
        {"Infinity", false, false},
        {"-Infinity", false, false},
        {"Inf", false, false},
        {"NaN", false, false},
        {"-nan", false, false},
        {"1.0E+39", true, false},
        {"1000000000000000000000000000000000000000000000000E-1", true, false},
        {"1.0D+309", false, false},
        {"3.0E+38", true, true},
    };
    for (const Case& c : cases) {
        double d = 0;
        float f = 0;
        EXPECT_EQ(readRealField(c.text, 0, d), c.asDouble) << c.text;
        EXPECT_EQ(readRealField(c.text, 0, f), c.asFloat) << c.text;
        EXPECT_EQ(textrec::readFreeNumber(c.text).has_value(), c.asDouble) << c.text;
        EXPECT_EQ(textrec::readFreeNumberFloat(c.text).has_value(), c.asFloat) << c.text;
        EXPECT_EQ(textrec::readWholeNumber(c.text).has_value(), c.asDouble) << c.text;
    }
}

TEST(ReadInteger, Fields) {
    std::int32_t n = 0;
    EXPECT_TRUE(readIntegerField(" 25", n));
    EXPECT_EQ(n, 25);
    EXPECT_TRUE(readIntegerField("   ", n));
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(readIntegerField(" -7", n));
    EXPECT_EQ(n, -7);
    EXPECT_FALSE(readIntegerField("2.5", n));
    EXPECT_FALSE(readIntegerField("x", n));
}

TEST(ReadRecord, SpectrumLineAndPadding) {
    auto r = textrec::readRecord("0080.0, 0.41234", "(F6.1,A1,F8.5)");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.numbers.size(), 2u);
    EXPECT_DOUBLE_EQ(r.numbers[0], 80.0);
    EXPECT_DOUBLE_EQ(r.numbers[1], 0.41234);
    EXPECT_EQ(r.texts.at(0), ",");

    r = textrec::readRecord("0000.5, 0.00000", "(F6.1,A1,F8.5)");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.numbers[1], 0.0);

    // Implied decimals in the weight columns.
    r = textrec::readRecord("0080.0,   41234", "(F6.1,A1,F8.5)");
    ASSERT_TRUE(r.ok);
    EXPECT_DOUBLE_EQ(r.numbers[1], 0.41234);

    // A short line is padded with blanks: missing fields read 0.
    r = textrec::readRecord("0.100E+00 0.200E+00", "(E9.3,3E10.3)");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.numbers.size(), 4u);
    EXPECT_DOUBLE_EQ(r.numbers[1], 0.2);
    EXPECT_EQ(r.numbers[2], 0.0);
    EXPECT_EQ(r.numbers[3], 0.0);

    // Characters beyond the last field are ignored.
    r = textrec::readRecord(" 25 and more", "(I3)");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.numbers.at(0), 25.0);
}

TEST(ReadRecord, TextFieldsKeepTheirWidth) {
    auto r = textrec::readRecord("12-06-2026.data", "(A30)");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.texts.at(0).size(), 30u);
    EXPECT_EQ(r.texts[0].substr(0, 15), "12-06-2026.data");
    r = textrec::readRecord("abcdefghijklmnopqrstuvwxyz0123456789", "(A30)");
    EXPECT_EQ(r.texts[0], "abcdefghijklmnopqrstuvwxyz0123");
}

TEST(ReadRecord, ErrorsNameTheColumn) {
    auto r = textrec::readRecord("0.100E+00 0.2xx", "(E9.3,3E10.3)");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.column, 10);
    EXPECT_NE(r.error.find("10-19"), std::string::npos);

    auto items = textrec::parseFormat("(41E11.4)");
    EXPECT_EQ(items.size(), 41u);
    std::vector<float> out(41);
    int column = 0;
    std::string line(41 * 11, ' ');
    line.replace(22, 11, "   garbage ");
    EXPECT_FALSE(textrec::readRecordFloats(line, items, out, &column));
    EXPECT_EQ(column, 23);
}

TEST(ReadFree, FirstNumberOnTheLine) {
    EXPECT_DOUBLE_EQ(*textrec::readFreeNumber("1.234E-02"), 0.01234);
    EXPECT_DOUBLE_EQ(*textrec::readFreeNumber("  60.0"), 60.0);
    EXPECT_DOUBLE_EQ(*textrec::readFreeNumber("1.000E+08"), 1e8);
    EXPECT_DOUBLE_EQ(*textrec::readFreeNumber("0080.0, 0.41234"), 80.0);
    EXPECT_DOUBLE_EQ(*textrec::readFreeNumber("3 4 5"), 3.0);
    EXPECT_DOUBLE_EQ(*textrec::readFreeNumber("1.5D-3"), 0.0015);
    EXPECT_FALSE(textrec::readFreeNumber("").has_value());
    EXPECT_FALSE(textrec::readFreeNumber("  kV 80").has_value());
    EXPECT_EQ(*textrec::readFreeNumberFloat("0.1"), 0.1f);
}

TEST(LeadingNumber, WindowFieldsReadLikeTheUserExpects) {
    EXPECT_EQ(textrec::leadingNumber(""), 0.0);
    EXPECT_EQ(textrec::leadingNumber("abc"), 0.0);
    EXPECT_EQ(textrec::leadingNumber("  80"), 80.0);
    EXPECT_EQ(textrec::leadingNumber("12 μGy"), 12.0);
    EXPECT_EQ(textrec::leadingNumber("2.50E+01"), 25.0);
    EXPECT_EQ(textrec::leadingNumber("1.5E"), 1.5);
    EXPECT_EQ(textrec::leadingNumber("-.5x"), -0.5);
    EXPECT_EQ(textrec::leadingNumber("30.1cm"), 30.1);
    EXPECT_EQ(textrec::leadingNumber("."), 0.0);
}

TEST(WholeNumber, OneNumberBetweenBlanksAndNothingElse) {
    EXPECT_DOUBLE_EQ(*textrec::readWholeNumber(" 600 "), 600.0);
    EXPECT_DOUBLE_EQ(*textrec::readWholeNumber("\t-6.886228 "), -6.886228);
    EXPECT_DOUBLE_EQ(*textrec::readWholeNumber(" .5 "), 0.5);
    EXPECT_DOUBLE_EQ(*textrec::readWholeNumber("1.5D2"), 150.0);
    EXPECT_FALSE(textrec::readWholeNumber("").has_value());
    EXPECT_FALSE(textrec::readWholeNumber(" . ").has_value());
    EXPECT_FALSE(textrec::readWholeNumber(" 600 cm").has_value());
    EXPECT_FALSE(textrec::readWholeNumber("1.5E").has_value());
    EXPECT_FALSE(textrec::readWholeNumber("1 2").has_value());
}

TEST(ParseFormat, RefusesBrokenFormats) {
    EXPECT_THROW(textrec::parseFormat("E9.3"), std::invalid_argument);
    EXPECT_THROW(textrec::parseFormat("(E9)"), std::invalid_argument);
    EXPECT_THROW(textrec::parseFormat("('abc)"), std::invalid_argument);
    EXPECT_THROW(textrec::parseFormat("(Z5)"), std::invalid_argument);
    // Numbers and records beyond what any reader takes.
    EXPECT_THROW(textrec::parseFormat("(10001E9.3)"), std::invalid_argument);
    EXPECT_THROW(textrec::parseFormat("(E99999999999.3)"), std::invalid_argument);
    EXPECT_THROW(textrec::parseFormat("(7000E10.3)"), std::invalid_argument);
    auto items = textrec::parseFormat("(F6.1,A1,F8.5)");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[2].width, 8);
    EXPECT_EQ(items[2].decimals, 5);
}
