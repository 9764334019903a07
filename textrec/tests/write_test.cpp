// Writer expectations are byte-exact outputs of a Fortran runtime in
// round-compatible mode ('(RC,E11.4)' and friends).
#include <gtest/gtest.h>

#include "textrec/textrec.h"

#include "../src/decimal.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

using textrec::formatE;
using textrec::formatF;
using textrec::formatI;
using textrec::writeRecord;

TEST(WriteE, MantissaBelowOneWithZeroBeforePoint) {
    EXPECT_EQ(formatE(0.0001234, 11, 4), " 0.1234E-03");
    EXPECT_EQ(formatE(0.0, 11, 4), " 0.0000E+00");
    EXPECT_EQ(formatE(2.0, 11, 4), " 0.2000E+01");
    EXPECT_EQ(formatE(0.25, 11, 4), " 0.2500E+00");
    EXPECT_EQ(formatE(1e-30, 11, 4), " 0.1000E-29");
    EXPECT_EQ(formatE(3.4e38, 11, 4), " 0.3400E+39");
}

TEST(WriteE, TiesRoundAwayFromZeroAndCarryIntoExponent) {
    EXPECT_EQ(formatE(1234.5, 11, 4), " 0.1235E+04");
    EXPECT_EQ(formatE(-1234.5, 11, 4), "-0.1235E+04");
    EXPECT_EQ(formatE(0.99995, 11, 4), " 0.1000E+01");
    EXPECT_EQ(formatE(0.99999999, 11, 4), " 0.1000E+01");
    EXPECT_EQ(formatE(9.99996e-5, 11, 4), " 0.1000E-03");
    EXPECT_EQ(formatE(0.25, 8, 1), " 0.3E+00");
    // 0.35 is stored just below the half: it must round down, not up.
    EXPECT_EQ(formatE(0.35, 8, 1), " 0.3E+00");
}

TEST(WriteE, NegativeAndShortFields) {
    EXPECT_EQ(formatE(-0.0001234, 11, 4), "-0.1234E-03");
    EXPECT_EQ(formatE(1e6, 8, 1), " 0.1E+07");
    EXPECT_EQ(formatE(-1e6, 8, 1), "-0.1E+07");
    EXPECT_EQ(formatE(12345.0, 8, 1), " 0.1E+05");
    // No room for the zero: it is dropped; no room at all: asterisks.
    EXPECT_EQ(formatE(-0.5, 7, 1), "-.5E+00");
    EXPECT_EQ(formatE(-0.5, 6, 1), "******");
    // More digits than any field holds (the exact path then needs them all).
    EXPECT_EQ(formatE(1.5, 20, 3000), std::string(20, '*'));
    // Three-digit exponents drop the letter E.
    EXPECT_EQ(formatE(1e100, 11, 4), " 0.1000+101");
}

TEST(WriteE, FloatValuesRoundOnTheirExactBinaryValue) {
    // 4.0e-6f * 1e6f is not exactly 4: the field shows what the float holds.
    float v = 4.0e-6f;
    EXPECT_EQ(formatE(static_cast<double>(v) * 4.0, 11, 4), " 0.1600E-04");
    EXPECT_EQ(formatE(static_cast<double>(0.1f), 11, 4), " 0.1000E+00");
}

TEST(WriteF, FixedPointFieldsAndOverflow) {
    EXPECT_EQ(formatF(90.0, 5, 1), " 90.0");
    EXPECT_EQ(formatF(0.99995, 5, 1), "  1.0");
    EXPECT_EQ(formatF(0.0001234, 5, 1), "  0.0");
    EXPECT_EQ(formatF(2.675, 5, 1), "  2.7");
    EXPECT_EQ(formatF(0.25, 4, 1), " 0.3");
    EXPECT_EQ(formatF(1234.5, 5, 1), "*****");
    EXPECT_EQ(formatF(1e6, 5, 1), "*****");
    EXPECT_EQ(formatF(999.94, 5, 1), "999.9");
    EXPECT_EQ(formatF(999.96, 5, 1), "*****");
    EXPECT_EQ(formatF(1.0, 6, 4), "1.0000");
    EXPECT_EQ(formatF(0.0001234, 6, 4), "0.0001");
    EXPECT_EQ(formatF(2.5, 7, 3), "  2.500");
}

TEST(WriteF, NegativeValues) {
    EXPECT_EQ(formatF(-0.0001234, 6, 4), "-.0001");
    EXPECT_EQ(formatF(-0.0001234, 7, 3), " -0.000");
    EXPECT_EQ(formatF(-0.04, 5, 1), " -0.0");
    EXPECT_EQ(formatF(-0.05, 5, 1), " -0.1");
    EXPECT_EQ(formatF(-12.25, 6, 1), " -12.3");
    EXPECT_EQ(formatF(-123.25, 5, 1), "*****");
}

TEST(WriteI, RightAlignedWithOverflow) {
    EXPECT_EQ(formatI(7, 2), " 7");
    EXPECT_EQ(formatI(59, 2), "59");
    EXPECT_EQ(formatI(1000, 3), "***");
    EXPECT_EQ(formatI(-5, 3), " -5");
}

TEST(WriteRecord, LiteralsAndRepeatedFields) {
    EXPECT_EQ(writeRecord("(' ',' 1')", {}), "  1");
    EXPECT_EQ(writeRecord("(' ',' Gy/min')", {}), "  Gy/min");
    EXPECT_EQ(writeRecord("(' ',' Start time =',I2,':',I2,':',I2)", {9.0, 5.0, 30.0}),
              "  Start time = 9: 5:30");
    EXPECT_EQ(writeRecord("(' ',I3,' / ',I3)", {300.0, 301.0}), " 300 / 301");
    EXPECT_EQ(writeRecord("(2E11.4)", {1.0, -2.0}), " 0.1000E+01-0.2000E+01");
    EXPECT_EQ(writeRecord("('It''s',1X,F4.1)", {1.5}), "It's  1.5");
    EXPECT_THROW(writeRecord("(2E11.4)", {1.0}), std::invalid_argument);
    EXPECT_THROW(writeRecord("(E11.4)", {1.0, 2.0}), std::invalid_argument);
    EXPECT_THROW(writeRecord("(E11)", {1.0}), std::invalid_argument);
}

TEST(WriteRead, RandomFloatsRoundTripThroughE11_4) {
    // Every written field reads back as the value rounded to four digits.
    std::mt19937 gen(12345);
    std::uniform_real_distribution<float> mant(0.0f, 1.0f);
    std::uniform_int_distribution<int> ex(-30, 30);
    for (int n = 0; n < 2000; ++n) {
        float v = mant(gen) * std::pow(10.0f, static_cast<float>(ex(gen)));
        std::string field = formatE(v, 11, 4);
        ASSERT_EQ(field.size(), 11u);
        double back = 0;
        ASSERT_TRUE(textrec::readRealField(field, 4, back)) << field;
        if (v != 0) {
            EXPECT_NEAR(back / v, 1.0, 5.1e-4) << field;
        }
        EXPECT_EQ(formatE(back, 11, 4), field);
    }
}

namespace {

// Every E form the programs write, plus fields too narrow for the zero.
struct EForm {
    int width;
    int decimals;
};
constexpr EForm kEForms[] = {{11, 4}, {8, 1}, {9, 3}, {10, 3}, {12, 5}, {7, 4}, {16, 9}};

void expectSameAsExact(double v) {
    for (EForm f : kEForms)
        ASSERT_EQ(formatE(v, f.width, f.decimals),
                  textrec::detail::formatEExact(v, f.width, f.decimals))
            << std::hexfloat << v << " E" << f.width << "." << f.decimals;
}

} // namespace

TEST(WriteE, FastPathMatchesExactDigitsOnRandomFloats) {
    // Any bit pattern of a finite float, both signs, every magnitude.
    std::mt19937 gen(2024);
    std::uniform_int_distribution<std::uint32_t> bits;
    for (int n = 0; n < 300000; ++n) {
        std::uint32_t b = bits(gen);
        float v;
        std::memcpy(&v, &b, sizeof v);
        if (std::isfinite(v))
            expectSameAsExact(v);
    }
}

TEST(WriteE, FastPathMatchesExactDigitsNearTiesAndPowersOfTen) {
    // Decimal halves such as 1234.5 and their neighbouring doubles and floats,
    // powers of ten and their neighbours, and binary fractions ending in 5.
    std::mt19937 gen(77);
    std::uniform_int_distribution<int> mantissa(1000, 99999);
    std::uniform_int_distribution<int> exponent(-45, 39);
    for (int n = 0; n < 20000; ++n) {
        double tie = (mantissa(gen) + 0.5) * std::pow(10.0, exponent(gen));
        expectSameAsExact(tie);
        expectSameAsExact(std::nextafter(tie, 0.0));
        expectSameAsExact(std::nextafter(tie, 1e300));
        float f = static_cast<float>(tie);
        expectSameAsExact(f);
        expectSameAsExact(std::nextafter(f, 0.0f));
        expectSameAsExact(std::nextafter(f, 1e30f));
    }
    for (int k = -95; k <= 95; ++k) {
        double p = std::pow(10.0, k);
        expectSameAsExact(p);
        expectSameAsExact(std::nextafter(p, 0.0));
        expectSameAsExact(std::nextafter(p, 1e300));
        expectSameAsExact(-p);
    }
    for (int k = 1; k < 150; ++k)
        expectSameAsExact(std::ldexp(1.0, -k) * 3);
    EXPECT_EQ(formatE(1234.5f, 11, 4), " 0.1235E+04");
    EXPECT_EQ(formatE(0.015625, 11, 4), " 0.1563E-01");
}
