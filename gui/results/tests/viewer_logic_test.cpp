// Band thresholds, bands and colours, the read-out cell, the result header and
// the loading of merged grids: plain code without a window.
#include "results/BandThresholds.h"
#include "results/DoseGrids.h"
#include "results/MapPainting.h"
#include "results/Readout.h"
#include "results/ResultHeader.h"
#include "viewer_files.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cmath>

namespace fs = std::filesystem;
using namespace results;

namespace {

const std::array<double, 11> kFactors = {0.75,  0.5,  0.25,   0.1,   0.075, 0.05,
                                         0.025, 0.01, 0.0075, 0.005, 0.0025};

void expectThresholds(const Thresholds& t, const std::array<double, 11>& expected) {
    for (std::size_t k = 0; k < t.size(); ++k)
        EXPECT_DOUBLE_EQ(t[k], expected[k]) << "T" << k + 1;
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            fs::temp_directory_path() /
            ("viewer_logic_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

} // namespace

TEST(DefaultThresholds, DecadeClassesAndScaleTops) {
    EXPECT_EQ(decadeClass(5432), 1);
    EXPECT_DOUBLE_EQ(scaleTop(5432, 1), 5000);
    expectThresholds(defaultThresholds(5432),
                     {3750, 2500, 1250, 500, 375, 250, 125, 50, 37.5, 25, 12.5});

    EXPECT_EQ(decadeClass(0.0543), 6);
    EXPECT_DOUBLE_EQ(scaleTop(0.0543, 6), 0.05);
    std::array<double, 11> expected{};
    for (std::size_t k = 0; k < 11; ++k)
        expected[k] = 0.05 * kFactors[k];
    expectThresholds(defaultThresholds(0.0543), expected);

    // ln 1 = 0 is not above 0: class 5, whose top keeps 1.
    EXPECT_EQ(decadeClass(1), 5);
    EXPECT_DOUBLE_EQ(scaleTop(1, 5), 1);
    EXPECT_DOUBLE_EQ(defaultThresholds(1)[0], 0.75);

    // Middle classes.
    EXPECT_EQ(decadeClass(432), 2);
    EXPECT_DOUBLE_EQ(scaleTop(432, 2), 400);
    EXPECT_EQ(decadeClass(43.2), 3);
    EXPECT_DOUBLE_EQ(scaleTop(43.2, 3), 40);
    EXPECT_EQ(decadeClass(4.32), 4);
    EXPECT_DOUBLE_EQ(scaleTop(4.32, 4), 4);
    EXPECT_EQ(decadeClass(0.432), 5);
    EXPECT_DOUBLE_EQ(scaleTop(0.432, 5), 0.4);
}

TEST(DefaultThresholds, ConstantsToThreeDecimalsLeaveZeroScales) {
    // ln 99.99 = 4.60507 is above 4.605: class 2, and 100 * floor(0.9999) = 0.
    EXPECT_EQ(decadeClass(99.99), 2);
    expectThresholds(defaultThresholds(99.99), {});
    // ln 0.09999 = -2.30269 is above -2.303: class 5, and floor(0.9999) / 10 = 0.
    EXPECT_EQ(decadeClass(0.09999), 5);
    expectThresholds(defaultThresholds(0.09999), {});
    // Just under e^4.605 (99.983...) the class is 3 and the top 90.
    EXPECT_EQ(decadeClass(99.98), 3);
    EXPECT_DOUBLE_EQ(scaleTop(99.98, 3), 90);
    // ln 1000 = 6.9078 is not above 6.908: class 2, top 1000.
    EXPECT_EQ(decadeClass(1000), 2);
    EXPECT_DOUBLE_EQ(scaleTop(1000, 2), 1000);
    // Below 0.01 class 6 rounds down to 0.
    expectThresholds(defaultThresholds(0.0099), {});
}

TEST(Bands, ValueOnAThresholdBelongsToTheBandAbove) {
    const Thresholds t = defaultThresholds(5432);
    EXPECT_EQ(bandOf(t[3], t), 4); // v = T4 is yellow
    EXPECT_EQ(bandOf(std::nextafter(t[3], 0.0), t), 5);
    EXPECT_EQ(bandOf(3750, t), 1);
    EXPECT_EQ(bandOf(1e9, t), 1);
    EXPECT_EQ(bandOf(12.5, t), 11);
    EXPECT_EQ(bandOf(12.49, t), 12);
    EXPECT_EQ(bandOf(0, t), 12);
}

TEST(Bands, AllZeroAndUnorderedThresholds) {
    const Thresholds zero{};
    EXPECT_EQ(bandOf(0, zero), 1);
    EXPECT_EQ(bandOf(5, zero), 1);
    EXPECT_EQ(bandOf(-1, zero), 12);
    // Thresholds that do not fall: the first one reached wins.
    Thresholds unordered = defaultThresholds(5432);
    unordered[0] = 10; // T1 below T2
    EXPECT_EQ(bandOf(100, unordered), 1);
    EXPECT_EQ(bandOf(5, unordered), 12);
}

TEST(Bands, MapAndLegendColours) {
    EXPECT_EQ(mapColour(1).r, 255);
    EXPECT_EQ(mapColour(1).g, 0);
    EXPECT_EQ(mapColour(1).b, 255);
    EXPECT_EQ(mapColour(5).r, 164);
    EXPECT_EQ(legendColour(5).r, 146);
    EXPECT_EQ(mapColour(5).g, legendColour(5).g);
    EXPECT_EQ(mapColour(9).r, 112);
    EXPECT_EQ(mapColour(9).b, 160);
    EXPECT_EQ(mapColour(12).r, 255);
    EXPECT_EQ(mapColour(12).g, 255);
    EXPECT_EQ(mapColour(12).b, 255);
    for (int band = 1; band <= 11; ++band) {
        if (band != 5) {
            EXPECT_EQ(mapColour(band).r, legendColour(band).r) << band;
            EXPECT_EQ(mapColour(band).b, legendColour(band).b) << band;
        }
    }
}

TEST(Readout, CellsAtTheMapEdges) {
    auto corner = readoutCell(20, 10);
    ASSERT_TRUE(corner);
    EXPECT_EQ(corner->j, 1);
    EXPECT_EQ(corner->i, 11);
    EXPECT_EQ(readoutPositionText(20), " 20");
    EXPECT_EQ(readoutPositionText(10 - 300), "-290");
    EXPECT_EQ(readoutPositionText(0), " 0");

    auto far = readoutCell(395, 590);
    ASSERT_TRUE(far);
    EXPECT_EQ(far->j, 376);
    EXPECT_EQ(far->i, 591);

    EXPECT_FALSE(readoutCell(19.9, 300));
    EXPECT_FALSE(readoutCell(395.1, 300));
    EXPECT_FALSE(readoutCell(100, 9.9));
    EXPECT_FALSE(readoutCell(100, 590.5));
}

TEST(Readout, HalvesRoundToEven) {
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(readoutCell(20.5, 10.5)->j, 2);  // 1.5 -> 2
    EXPECT_EQ(readoutCell(21.5, 10.5)->j, 2);  // 2.5 -> 2
    EXPECT_EQ(readoutCell(20.5, 10.5)->i, 12); // 11.5 -> 12
    EXPECT_EQ(readoutCell(20.5, 11.5)->i, 12); // 12.5 -> 12
    EXPECT_EQ(readoutPositionText(20.25), " 20.25");
}

using Header = TempFolder;

TEST_F(Header, FieldsInTheirFormats) {
    viewer_files::writeResultHeader(dir_ / "run.data", viewer_files::lyingHeader());
    auto header = readResultHeader(dir_ / "run.data");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->linesRead, 12);
    EXPECT_EQ(header->bodyPosition(), 1);
    EXPECT_DOUBLE_EQ(header->focusSkinDistance(), 90);
    const auto text = [&](int k) { return headerFieldText(k, header->values[k]); };
    EXPECT_EQ(text(kKermaRateAtFsd), "2.345E-03");
    EXPECT_EQ(text(kFocusSkinDistance), "90");
    EXPECT_EQ(text(kFieldWidth), "15");
    EXPECT_EQ(text(kTubeCurrent), "1");
    EXPECT_EQ(text(kInherentFiltration), "2.5");
    EXPECT_EQ(text(kAddedCopper), "0.1");
    EXPECT_EQ(text(kPhotonCount), "1.0E+09");
    EXPECT_EQ(bodyPositionText(1), "臥位（垂直照射）");
    EXPECT_EQ(bodyPositionText(2), "立位（水平照射）");
}

TEST_F(Header, AsterisksShownAsTheyAreAndShortFiles) {
    auto lines = viewer_files::lyingHeader();
    lines[0] = "  2";
    lines[kTubeCurrent] = "******";
    viewer_files::writeResultHeader(dir_ / "wide.data", lines);
    auto header = readResultHeader(dir_ / "wide.data");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->bodyPosition(), 2);
    EXPECT_EQ(headerFieldText(kTubeCurrent, header->values[kTubeCurrent]), "******");
    EXPECT_EQ(headerFieldText(kTubeVoltage, header->values[kTubeVoltage]), "80");

    std::ofstream(dir_ / "short.data", std::ios::binary) << "  1\r\n 0.1000E+01\r\n";
    header = readResultHeader(dir_ / "short.data");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->linesRead, 2);
    EXPECT_EQ(headerFieldText(kFocusSkinDistance, header->values[kFocusSkinDistance]), "");
    EXPECT_DOUBLE_EQ(header->focusSkinDistance(), 0);

    EXPECT_FALSE(readResultHeader(dir_ / "missing.data"));
}

using MergedFile = TempFolder;

TEST_F(MergedFile, LoadsBothGridsInFileOrder) {
    // Four significant digits survive the E11.4 fields exactly.
    const auto kerma = [](int j, int i) { return 1000.0 + 10 * j + i % 10; };
    viewer_files::writeMergedFile(dir_ / "F2B.dat", kerma,
                                  [&](int j, int i) { return 2 * kerma(j, i); });
    std::string error;
    auto loaded = loadMergedFile(dir_ / "F2B.dat", &error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_DOUBLE_EQ(loaded->kerma.at(1, 1), 1011);
    EXPECT_DOUBLE_EQ(loaded->kerma.at(381, 601), 4811);
    EXPECT_DOUBLE_EQ(loaded->kerma.at(81, 301), 1811);
    EXPECT_DOUBLE_EQ(loaded->kerma.at(2, 9), 1029);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalent.at(81, 301), 3622);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalent.at(381, 601), 9622);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.maximum, 4819);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.minimum, 1010);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalentExtremes.maximum, 9638);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalentExtremes.minimum, 2020);
    EXPECT_DOUBLE_EQ(loaded->kermaThresholds[0], 4000 * 0.75);
    EXPECT_DOUBLE_EQ(loaded->kermaThresholds[10], 4000 * 0.0025);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalentThresholds[0], 9000 * 0.75);
}

TEST_F(MergedFile, MinimumStartsAt10000) {
    viewer_files::writeMergedFile(
        dir_ / "F2B.dat", [](int, int) { return 12000.0; }, [](int, int) { return 0.5; });
    auto loaded = loadMergedFile(dir_ / "F2B.dat");
    ASSERT_TRUE(loaded);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.maximum, 12000);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.minimum, 10000);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalentExtremes.minimum, 0.5);
}

TEST_F(MergedFile, SmallValuesSetTheMinimum) {
    viewer_files::writeMergedFile(
        dir_ / "F2B.dat", [](int j, int) { return 0.001 * j; }, [](int, int i) { return i; });
    auto loaded = loadMergedFile(dir_ / "F2B.dat");
    ASSERT_TRUE(loaded);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.minimum, 0.001);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.maximum, 0.381);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalentExtremes.minimum, 1);
    EXPECT_EQ(decadeClass(loaded->kermaExtremes.maximum), 5);
    EXPECT_DOUBLE_EQ(loaded->kermaThresholds[0], 0.3 * 0.75);
}

TEST_F(MergedFile, FailuresLeaveNothing) {
    std::string error;
    EXPECT_FALSE(loadMergedFile(dir_ / "F2B.dat", &error));
    EXPECT_NE(error.find("F2B.dat"), std::string::npos);

    const auto one = [](int, int) { return 1.0; };
    // One line short of the second grid.
    viewer_files::writeMergedFile(dir_ / "short.dat", one, one, 2 * kGridRows - 1);
    EXPECT_FALSE(loadMergedFile(dir_ / "short.dat", &error));
    EXPECT_NE(error.find("dose-equivalent"), std::string::npos);

    // A text that is not a number.
    viewer_files::writeMergedFile(dir_ / "bad.dat", one, one);
    {
        std::fstream f(dir_ / "bad.dat", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(5);
        f << "x";
    }
    EXPECT_FALSE(loadMergedFile(dir_ / "bad.dat", &error));

    // A maximum of 0 has no decade class.
    viewer_files::writeMergedFile(dir_ / "zero.dat", one, [](int, int) { return 0.0; });
    EXPECT_FALSE(loadMergedFile(dir_ / "zero.dat", &error));
    EXPECT_NE(error.find("maximum"), std::string::npos);
}

TEST(MapPainting, BandsFrameAndLegend) {
    int argc = 1;
    char name[] = "viewer_logic_test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv); // fonts for the axis labels

    DoseGrid grid;
    for (int i = 1; i <= kGridRows; ++i)
        for (int j = 1; j <= kGridColumns; ++j)
            grid.at(j, i) = j <= 100 ? 5000 : (j <= 200 ? 400 : 0.001);
    const Thresholds t = defaultThresholds(5432);

    QImage image = blankMapImage();
    paintBands(image, grid, t);
    const auto colourAt = [&image](int X, int Y) { return QColor(image.pixel(mapPixel(X, Y))); };
    EXPECT_EQ(colourAt(50, 50), QColor(255, 0, 255));     // 5000: band 1 (cell j = 31)
    EXPECT_EQ(colourAt(150, 50), QColor(164, 208, 80));   // 400: band 5 (T5 = 375)
    EXPECT_EQ(colourAt(395, 590), QColor(255, 255, 255)); // band 12
    EXPECT_EQ(colourAt(20, 10), QColor(255, 0, 255));     // first point drawn
    EXPECT_EQ(colourAt(50, 9), QColor(Qt::white));        // rows 1..10 are not drawn
    EXPECT_EQ(colourAt(50, 591), QColor(Qt::white));
    EXPECT_EQ(colourAt(19, 50), QColor(Qt::white));

    QImage lying = image;
    paintMapFrame(lying, 1, 90, QFont());
    QColor line(Qt::black);
    EXPECT_EQ(QColor(lying.pixel(mapPixel(100, 50))), line);             // grid line X = 100
    EXPECT_EQ(QColor(lying.pixel(mapPixel(50, 200))), line);             // grid line Y = 200
    EXPECT_EQ(QColor(lying.pixel(mapPixel(0, 300))), QColor(255, 0, 0)); // the beam
    EXPECT_NE(QColor(lying.pixel(mapPixel(0, 200))), QColor(255, 0, 0)); // no focal spot

    QImage standing = image;
    paintMapFrame(standing, 2, 90, QFont());
    EXPECT_EQ(QColor(standing.pixel(mapPixel(0, 200))), QColor(255, 0, 0)); // focal spot
    EXPECT_EQ(QColor(standing.pixel(mapPixel(0, 250))), QColor(255, 0, 0)); // the beam line
    EXPECT_NE(QColor(standing.pixel(mapPixel(0, 300))), QColor(255, 0, 0)); // no lying beam

    const QImage legend = paintLegend();
    EXPECT_EQ(legend.size(), QSize(kLegendWidth, kLegendHeight));
    const auto boxCentre = [](int k) {
        return QPoint(static_cast<int>(15 * kLegendPixelsPerUnitX),
                      static_cast<int>((10 * k - 5) * kLegendPixelsPerUnitY));
    };
    EXPECT_EQ(QColor(legend.pixel(boxCentre(1))), QColor(255, 0, 255));
    EXPECT_EQ(QColor(legend.pixel(boxCentre(5))), QColor(146, 208, 80));
    EXPECT_EQ(QColor(legend.pixel(boxCentre(11))), QColor(200, 200, 200));
}
