#include <gtest/gtest.h>

#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

#include "TempFolderTest.h"

#include <fstream>

namespace fs = std::filesystem;

using Files = testsupport::TempFolderTest;

TEST_F(Files, LineReaderDropsCrLfAndNamesLines) {
    write("B2F.txt", "1.234E-02\r\n90.0\r\nabc\r\n");
    textrec::LineReader r(dir / "B2F.txt");
    EXPECT_FLOAT_EQ(r.readFreeFloat(), 0.01234f);
    EXPECT_EQ(r.next(), "90.0");
    try {
        r.readFreeFloat();
        FAIL() << "a text line read as a number";
    } catch (const textrec::InputError& e) {
        EXPECT_EQ(e.line(), 3);
        EXPECT_NE(std::string(e.what()).find("B2F.txt, line 3"), std::string::npos);
    }
    EXPECT_FALSE(r.tryNext().has_value());
    EXPECT_THROW(r.next(), textrec::InputError);
}

TEST_F(Files, LineReaderReportsMissingFiles) {
    try {
        textrec::LineReader r(dir / "Air.eac");
        FAIL();
    } catch (const textrec::InputError& e) {
        EXPECT_NE(std::string(e.what()).find("Air.eac"), std::string::npos);
    }
}

TEST_F(Files, LineReaderFloatFieldsNameTheColumn) {
    write("t.dat", "0.100E+00 0.2xx\n");
    textrec::LineReader r(dir / "t.dat");
    auto fmt = textrec::parseFormat("(E9.3,3E10.3)");
    float v[4];
    try {
        r.readFloats(fmt, v);
        FAIL();
    } catch (const textrec::InputError& e) {
        EXPECT_NE(std::string(e.what()).find("line 1"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("10-19"), std::string::npos);
    }
}

// A hostile file (a huge line, a huge file) is refused with the file and the
// line instead of being read without bound; what a message quotes from the
// file shows control characters escaped.
TEST_F(Files, ReadersRefuseBeyondTheirLimitsAndShowControlCharactersEscaped) {
    const textrec::ReadLimits limits{100, 10};
    struct Case {
        std::string content;
        std::string named; // empty: read whole
    };
    const Case cases[] = {
        {"0123456789\r\n\r\nlast", ""},
        {"short\r\nlonger than ten\r\n", "t.dat, line 2"},
        {std::string(101, ' '), "t.dat: "},
        {std::string(100, '\n'), ""},
        {std::string("1.0\r\nx\0y\x1B\r\n", 11),
         "t.dat, line 2: expected a number, found \"x\\x00y\\x1B\""},
    };
    for (const Case& c : cases) {
        write("t.dat", c.content);
        std::string error;
        const auto lines = textrec::readLines(dir / "t.dat", &error, limits);
        std::string message;
        try {
            textrec::LineReader reader(dir / "t.dat", limits);
            while (reader.tryNext())
                ;
            reader = textrec::LineReader(dir / "t.dat", limits);
            reader.readFreeFloat();
            reader.readFreeFloat();
        } catch (const textrec::InputError& e) {
            message = e.what();
        }
        if (c.named.empty()) {
            EXPECT_TRUE(lines.has_value()) << error;
            continue;
        }
        EXPECT_NE(message.find(c.named), std::string::npos) << message;
        if (c.named.find("expected a number") == std::string::npos) {
            EXPECT_FALSE(lines.has_value());
            EXPECT_NE(error.find(c.named), std::string::npos) << error;
        }
    }
}

TEST_F(Files, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
    write("F2B.dat", "old");
    ASSERT_TRUE(textrec::writeFileAtomic(dir / "F2B.dat", "new\r\n"));
    EXPECT_EQ(read("F2B.dat"), "new\r\n");
    int count = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir))
        ++count;
    EXPECT_EQ(count, 1);
    auto lines = textrec::readLines(dir / "F2B.dat");
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 1u);
    EXPECT_EQ((*lines)[0], "new");
}

TEST_F(Files, AtomicWriteIntoMissingFolderFailsAndKeepsNothing) {
    std::string error;
    EXPECT_FALSE(textrec::writeFileAtomic(dir / "no-such" / "x.dat", "x", &error));
    EXPECT_NE(error.find("x.dat"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "no-such"));
}

// The merger and the correction read the result to work on from FLname.txt.
TEST_F(Files, MergeRequestNameIsCutToThirtyCharactersAndTrimmed) {
    using textrec::exchange::readMergeRequest;
    write("FLname.txt", "abcdefghijklmnopqrstuvwxyz.dat\r\n");
    EXPECT_EQ(readMergeRequest(dir / "FLname.txt"), "abcdefghijklmnopqrstuvwxyz.dat");
    write("FLname.txt", "abcdefghijklmnopqrstuvwxyz.data\r\nignored\r\n");
    EXPECT_EQ(readMergeRequest(dir / "FLname.txt"), "abcdefghijklmnopqrstuvwxyz.dat");
    write("FLname.txt", "12-06-2026.data   \n");
    EXPECT_EQ(readMergeRequest(dir / "FLname.txt"), "12-06-2026.data");
}
