#include <gtest/gtest.h>

#include "RunProgram.h"
#include "TempFolderTest.h"
#include "merge.h"
#include "textrec/textrec.h"

#include <cstdlib>
#include <functional>
#include <sstream>

namespace fs = std::filesystem;
using merger::EngineMap;

namespace {

// A fresh working folder per test.
class MergeFolder : public testsupport::TempFolderTest {
protected:
    // Result file in the engine form, or in the corrected form ("  0.000E+00").
    void writeResult(const std::string& name, const EngineMap& kerma, const EngineMap& dose,
                     bool corrected = false) {
        std::string text;
        auto line = [&](const std::string& s) { text += s + "\r\n"; };
        auto map = [&](const EngineMap& m) {
            for (int j = 1; j <= 61; ++j) {
                std::string s;
                for (int i = 1; i <= 41; ++i)
                    s += corrected ? textrec::formatMask(m.at(i, j), "  0.000E+00")
                                   : textrec::formatE(m.at(i, j), 11, 4);
                line(s);
            }
        };
        for (const char* h : {"  1", " 0.1234E+01", "100.0", " 20.0", " 20.0", " 80.0", "0.5000",
                              "  3.0", "  3.000", "  0.000", "  0.000", " 0.1E+09", "  Gy/min"})
            line(h);
        map(kerma);
        line("  Sv/min");
        map(dose);
        write(name, text);
    }
    int merge(std::string* errors = nullptr) {
        std::ostringstream out, err;
        int status = merger::runMerge(dir, out, err);
        if (errors)
            *errors = err.str();
        return status;
    }
    // F2B.dat after merging the named result file.
    std::string merged(const std::string& name) {
        write("FLname.txt", name + "\r\n");
        std::string errors;
        EXPECT_EQ(merge(&errors), 0) << errors;
        return read("F2B.dat");
    }
    // Field j (1..381) of line i (1..1202) of F2B.dat.
    std::string field(const std::string& text, int i, int j) {
        std::size_t lineLength = 381 * 11 + 2;
        return text.substr((i - 1) * lineLength + (j - 1) * 11, 11);
    }
};

EngineMap filled(const std::function<float(int, int)>& value) {
    EngineMap m;
    for (int j = 1; j <= 61; ++j)
        for (int i = 3; i <= 41; ++i)
            m.at(i, j) = value(i, j);
    return m;
}

EngineMap constant(float v) {
    return filled([v](int, int) { return v; });
}

} // namespace

TEST_F(MergeFolder, EngineValuesLandOnTheirFinePointsInBothBlocks) {
    // A distinct four-digit mantissa per engine point, 1.0E-6 Gy/min = 1 μGy/min.
    auto kerma = filled([](int i, int j) { return (1000 + 41 * j + i) * 1e-9f; });
    auto dose = filled([](int i, int j) { return (5000 + 41 * j + i) * 1e-9f; });
    writeResult("r.data", kerma, dose);
    std::string text = merged("r.data");
    ASSERT_EQ(text.size(), 1202u * 4193u);
    for (std::size_t line = 1; line <= 1202; ++line)
        ASSERT_EQ(text.substr(line * 4193 - 2, 2), "\r\n") << line;
    EXPECT_EQ(field(text, 1, 1), " 0.1044E+01");     // engine (3, 1)
    EXPECT_EQ(field(text, 301, 81), " 0.2282E+01");  // engine (11, 31)
    EXPECT_EQ(field(text, 601, 381), " 0.3542E+01"); // engine (41, 61)
    EXPECT_EQ(field(text, 602, 1), " 0.5044E+01");
    EXPECT_EQ(field(text, 1202, 381), " 0.7542E+01");
    for (int j = 1; j <= 61; ++j)
        for (int i = 3; i <= 41; ++i) {
            int line = 10 * (j - 1) + 1, value = 10 * i - 29;
            ASSERT_EQ(field(text, line, value), textrec::formatE(kerma.at(i, j) * 1e6, 11, 4));
            ASSERT_EQ(field(text, 601 + line, value), textrec::formatE(dose.at(i, j) * 1e6, 11, 4));
        }
}

TEST_F(MergeFolder, HalfwayBetweenTwoValuesIsTheirGeometricMean) {
    // 1 and 4 μGy/min on either side of x = 95 cm and of c = -5 cm.
    auto alongX = filled([](int i, int) { return i <= 10 ? 1.0e-6f : 4.0e-6f; });
    auto alongC = filled([](int, int j) { return j <= 30 ? 1.0e-6f : 4.0e-6f; });
    writeResult("r.data", alongX, alongC);
    std::string text = merged("r.data");
    for (int line : {1, 296, 601}) {
        EXPECT_EQ(field(text, line, 71), " 0.1000E+01");
        EXPECT_EQ(field(text, line, 76), " 0.2000E+01") << line;
        EXPECT_EQ(field(text, line, 81), " 0.4000E+01");
    }
    for (int value : {1, 76, 381}) {
        EXPECT_EQ(field(text, 601 + 291, value), " 0.1000E+01");
        EXPECT_EQ(field(text, 601 + 296, value), " 0.2000E+01") << value;
        EXPECT_EQ(field(text, 601 + 301, value), " 0.4000E+01");
    }
}

TEST_F(MergeFolder, ConstantMapGivesTheSameValueEverywhere) {
    writeResult("r.data", constant(0.3456e-4f), constant(0.7e-7f));
    std::string text = merged("r.data");
    for (int line = 1; line <= 1202; ++line)
        for (int value = 1; value <= 381; ++value)
            ASSERT_EQ(field(text, line, value), line <= 601 ? " 0.3456E+02" : " 0.7000E-01")
                << line << " " << value;
}

// The reading of FLname.txt itself is tested with the text-record library.
TEST_F(MergeFolder, NameIsCutToThirtyCharactersAndTrimmed) {
    writeResult("abcdefghijklmnopqrstuvwxyz.dat", constant(2e-6f), constant(3e-6f));
    EXPECT_EQ(field(merged("abcdefghijklmnopqrstuvwxyz.data"), 1, 1), " 0.2000E+01");
}

TEST_F(MergeFolder, CorrectedFileMergesLikeAnEngineFile) {
    auto kerma = filled([](int i, int j) { return (1000 + 37 * i + 101 * j) * 1e-8f; });
    auto dose = filled([](int i, int j) { return (9000 - 97 * i - 53 * j) * 1e-11f; });
    writeResult("r.data", kerma, dose);
    writeResult("r.datC", kerma, dose, true);
    ASSERT_NE(read("r.data"), read("r.datC"));
    auto engine = merger::readResultFile(dir / "r.data");
    auto corrected = merger::readResultFile(dir / "r.datC");
    EXPECT_EQ(engine.kerma.values, corrected.kerma.values);
    EXPECT_EQ(engine.doseEquivalent.values, corrected.doseEquivalent.values);
    std::string fromEngine = merged("r.data");
    EXPECT_EQ(merged("r.datC"), fromEngine);
}

TEST_F(MergeFolder, ZeroCellsGiveZeroOnlyWhereTheyHaveWeight) {
    // Zeros inside the map, at the corner where x = 20 cm starts and on the
    // last interval before x = 400 cm, where the end point gives the zero weight 0.
    const std::pair<int, int> zeros[] = {{20, 30}, {3, 1}, {40, 61}};
    auto smooth = [](int i, int j) { return 1e-5f / (i * i + (j - 31) * (j - 31) + 1.0f); };
    auto reference = filled(smooth);
    auto holed = reference;
    for (auto [i, j] : zeros)
        holed.at(i, j) = 0;
    writeResult("ref.data", reference, reference);
    writeResult("holes.data", holed, constant(0));
    std::string expected = merged("ref.data");
    std::string text = merged("holes.data");
    int zeroCount = 0;
    for (int r = 1; r <= 601; ++r)
        for (int k = 21; k <= 401; ++k) {
            bool drawsOnZero = false;
            for (auto [i, j] : zeros)
                drawsOnZero |= std::abs(k - (10 * i - 9)) < 10 && std::abs(r - (10 * j - 9)) < 10;
            std::string got = field(text, r, k - 20);
            if (drawsOnZero) {
                ++zeroCount;
                ASSERT_EQ(got, " 0.0000E+00") << r << " " << k;
            } else {
                ASSERT_EQ(got, field(expected, r, k - 20)) << r << " " << k;
            }
            ASSERT_EQ(field(text, 601 + r, k - 20), " 0.0000E+00");
        }
    EXPECT_EQ(zeroCount, 19 * 19 + 10 * 10 + 19 * 10);
}

TEST_F(MergeFolder, BadInputStopsWithFileAndLineAndKeepsOldOutput) {
    writeResult("good.data", constant(1e-6f), constant(1e-6f));
    const std::string good = read("good.data");
    // The good file with line n replaced, or cut off before line n.
    auto withLine = [&](int n, const std::string& text, bool cut = false) {
        std::size_t start = 0;
        for (int k = 1; k < n; ++k)
            start = good.find("\r\n", start) + 2;
        return cut ? good.substr(0, start)
                   : good.substr(0, start) + text + good.substr(good.find("\r\n", start));
    };
    auto blanks = [](int fields) { return std::string(fields * 11, ' '); };
    const std::string none = "<none>";
    struct Case {
        std::string nameFile, result, message;
        std::string shown = ""; // how the message shows the offending text
    };
    const std::string nul(1, '\0');
    const Case cases[] = {
        {none, none, "FLname.txt: cannot open"},
        {"", none, "FLname.txt, line 1: unexpected end"},
        {"    \r\n", none, "FLname.txt, line 1: no result"},
        {"none.data\r\n", none, "none.data: cannot open"},
        {"r.data\r\n", withLine(100, "", true), "r.data, line 100: unexpected end"},
        {"r.data\r\n", withLine(80, "  0.1000E-05"), "r.data, line 80: expected 41"},
        {"r.data\r\n", withLine(14, blanks(2) + "-0.1000E-05" + blanks(38)), "line 14: field 3"},
        {"r.data\r\n", withLine(136, blanks(4) + "  0.1000E-x" + blanks(36)), "line 136: field 5"},
        {"r.data\r\n", withLine(20, blanks(3) + "   Infinity" + blanks(37)), "line 20: field 4"},
        {"r.data\r\n", withLine(90, blanks(40) + "        NaN"), "line 90: field 41"},
        {"r.data\r\n", withLine(30, std::string(100000, ' ')), "r.data, line 30"},
        // A name with a NUL or another control character is no name anybody chose.
        {"r.data" + nul + "\r\n", good, "FLname.txt, line 1", "\"r.data\\x00\""},
        {"r" + nul + ".data\r\n", good, "FLname.txt, line 1", "\"r\\x00.data\""},
        {"r.da\x7Fta\r\n", good, "FLname.txt, line 1", "\"r.da\\x7Fta\""},
        // Nor is a name in another folder.
        {"../r.data\r\n", good, "FLname.txt, line 1", "\"../r.data\""},
        // Nor the folder itself or its parent.
        {"..\r\n", good, "FLname.txt, line 1", "\"..\""},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        write("F2B.dat", "older grid\r\n");
        if (c.nameFile != none)
            write("FLname.txt", c.nameFile);
        if (c.result != none)
            write("r.data", c.result);
        std::string errors;
        EXPECT_NE(merge(&errors), 0) << c.message;
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.message << " / " << errors;
        EXPECT_NE(errors.find(c.shown), std::string::npos) << c.shown << " / " << errors;
        EXPECT_EQ(read("F2B.dat"), "older grid\r\n") << c.message;
        // Nothing else left behind, such as a half-written temporary grid.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()),
                  1 + (c.nameFile != none) + (c.result != none));
    }
}

TEST_F(MergeFolder, ProgramPrintsItsLinesAndReportsFailureByStatus) {
    const fs::path program = MERGER_PROGRAM;
    ASSERT_TRUE(fs::exists(program));
    writeResult("r.data", constant(1e-6f), constant(2e-6f));
    write("FLname.txt", "r.data\r\n");
    testsupport::ProgramRun run = testsupport::runProgram(program, dir, "");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, " ***\nStop - Program terminated.\n");
    EXPECT_EQ(field(read("F2B.dat"), 1202, 381), " 0.2000E+01");

    fs::remove(dir / "F2B.dat");
    write("FLname.txt", "gone.data\r\n");
    run = testsupport::runProgram(program, dir, "");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("gone.data"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "F2B.dat"));
}

#ifdef _WIN32
#include <windows.h>

TEST_F(MergeFolder, AJapaneseResultNameInTheCodePageIsMerged) {
    // FLname.txt holds the name in the machine's 8-bit code page, as the
    // window program writes it.
    const std::wstring name = L"透視室A.data";
    BOOL usedDefault = FALSE;
    char bytes[64] = {};
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(),
                                           static_cast<int>(name.size()), bytes, sizeof bytes,
                                           nullptr, &usedDefault);
    if (usedDefault || length <= 0)
        GTEST_SKIP() << "this machine's code page (" << GetACP() << ") cannot hold the name";
    writeResult("plain.data", constant(1e-6f), constant(2e-6f));
    fs::rename(dir / "plain.data", dir / name);
    write("FLname.txt", std::string(bytes, static_cast<std::size_t>(length)) + "\r\n");
    const testsupport::ProgramRun run = testsupport::runProgram(MERGER_PROGRAM, dir, "");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(field(read("F2B.dat"), 1202, 381), " 0.2000E+01");
}
#endif
