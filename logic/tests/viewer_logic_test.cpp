// Band thresholds, bands and colours, the read-out cell, the loading of merged
// grids and the painting of the map: plain code, no window.
#include "GuiApplication.h"
#include "TempFolderTest.h"
#include "logic/BandThresholds.h"
#include "logic/DoseGrids.h"
#include "logic/FilePaths.h"
#include "logic/MapPainting.h"
#include "logic/Readout.h"
#include "viewer_files.h"

#include <QColor>
#include <QFont>

#include <gtest/gtest.h>

#include <cmath>

namespace fs = std::filesystem;
using namespace results;

namespace {

void expectThresholds(double maximum, double top) {
    const std::array<double, 11> factors = {0.75,  0.5,  0.25,   0.1,   0.075, 0.05,
                                            0.025, 0.01, 0.0075, 0.005, 0.0025};
    const Thresholds t = defaultThresholds(maximum);
    for (std::size_t k = 0; k < t.size(); ++k)
        EXPECT_DOUBLE_EQ(t[k], top * factors[k]) << "maximum " << maximum << ", T" << k + 1;
}

class MergedFile : public testsupport::TempFolderTest {};

} // namespace

TEST(DefaultThresholds, DecadeClassesAndScaleTops) {
    EXPECT_EQ(decadeClass(5432), 1);
    expectThresholds(5432, 5000); // 3750, 2500, 1250, 500, 375, ... 12.5
    EXPECT_DOUBLE_EQ(defaultThresholds(5432)[8], 37.5);
    EXPECT_DOUBLE_EQ(defaultThresholds(5432)[10], 12.5);
    EXPECT_EQ(decadeClass(432), 2);
    expectThresholds(432, 400);
    EXPECT_EQ(decadeClass(43.2), 3);
    expectThresholds(43.2, 40);
    EXPECT_EQ(decadeClass(4.32), 4);
    expectThresholds(4.32, 4);
    EXPECT_EQ(decadeClass(0.432), 5);
    expectThresholds(0.432, 0.4);
    EXPECT_EQ(decadeClass(0.0543), 6);
    expectThresholds(0.0543, 0.05);
    // ln 1 = 0 is not above 0: class 5, whose top keeps 1.
    EXPECT_EQ(decadeClass(1), 5);
    expectThresholds(1, 1);
}

// The class rounding as written gives 0 for a maximum just under 100 or 0.1
// (the three-decimal constants put it into the decade above) and below 0.01:
// there the top is the maximum rounded down in its own decade. Everywhere else
// the written top stays.
TEST(DefaultThresholds, EveryPositiveMaximumGivesElevenPositiveThresholds) {
    struct Case {
        double maximum;
        double top;
    };
    const Case cases[] = {
        {99.99, 90},      // class 2 (ln 99.99 = 4.60507 > 4.605): written top 0
        {99.98, 90},      // just under e^4.605: class 3, written top 90
        {100, 100},       // class 2, written top 100
        {0.09999, 0.09},  // class 5, written top 0
        {0.0099, 0.009},  // class 6 below 0.01: written top 0
        {0.01, 0.01},     // class 6, written top 0.01
        {0.00543, 0.005}, // below 0.01: rounded down in its decade
        {0.001, 0.001},   // an exact power of ten keeps its decade
        {3.2e-12, 3e-12}, // far below
        {1000, 1000},     // ln 1000 = 6.9078 is not above 6.908: class 2, top 1000
        {54321, 54000},   // class 1 keeps its thousands
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maximum);
        EXPECT_NEAR(defaultScaleTop(c.maximum), c.top, c.top * 1e-12);
        const Thresholds t = defaultThresholds(c.maximum);
        EXPECT_GT(t[10], 0);
        EXPECT_LE(t[0], c.maximum);
        EXPECT_NEAR(t[0], 0.75 * c.top, c.top * 1e-12);
    }
    EXPECT_EQ(decadeClass(99.99), 2);
    EXPECT_EQ(decadeClass(0.09999), 5);
}

// The thresholds typed by the user: each field a number above 0 (full-width
// forms turned into ASCII before), none above the one before it.
TEST(DefaultThresholds, TypedThresholdsRefusedNamingTheField) {
    const std::array<std::string, kThresholdCount> good = {
        "750", " 500 ", "250", "100", "75", "50", "25", "10", "7.5", "5", "2.5E0"};
    struct Case {
        int field;        // 1..11
        const char* text; // typed into that field of `good`
        ThresholdFault fault;
    };
    const Case cases[] = {
        {3, "0,3", ThresholdFault::NotPositive},
        {1, "walkA.pdf", ThresholdFault::NotPositive},
        {5, "", ThresholdFault::NotPositive},
        {2, "0", ThresholdFault::NotPositive},
        {7, "-25", ThresholdFault::NotPositive},
        {4, "100 uGy", ThresholdFault::NotPositive},
        {4, "1e999", ThresholdFault::NotPositive},
        {11, "1E-400", ThresholdFault::NotPositive}, // reads as 0
        {2, "751", ThresholdFault::AboveUpper},
        {11, "5.0001", ThresholdFault::AboveUpper},
        {2, "750", ThresholdFault::None}, // equal neighbours are allowed
        {11, "5", ThresholdFault::None},
        {8, "  12.5  ", ThresholdFault::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("T") + std::to_string(c.field) + " \"" + c.text + "\"");
        auto texts = good;
        texts[static_cast<std::size_t>(c.field - 1)] = c.text;
        const ThresholdReading reading = readThresholds(texts);
        EXPECT_EQ(reading.fault, c.fault);
        if (c.fault == ThresholdFault::None) {
            EXPECT_EQ(reading.field, 0);
            EXPECT_DOUBLE_EQ(reading.values[10], c.field == 11 ? 5 : 2.5);
        } else {
            EXPECT_EQ(reading.field, c.field);
        }
    }
}

TEST(Bands, ThresholdsAndColours) {
    const Thresholds t = defaultThresholds(5432);
    EXPECT_EQ(bandOf(t[3], t), 4); // v = T4 is yellow
    EXPECT_EQ(bandOf(std::nextafter(t[3], 0.0), t), 5);
    EXPECT_EQ(bandOf(1e9, t), 1);
    EXPECT_EQ(bandOf(12.5, t), 11);
    EXPECT_EQ(bandOf(12.49, t), 12);
    // All thresholds 0: every value of 0 or more is band 1.
    const Thresholds zero{};
    EXPECT_EQ(bandOf(0, zero), 1);
    EXPECT_EQ(bandOf(5, zero), 1);
    // Thresholds that do not fall: the first one reached wins.
    Thresholds unordered = t;
    unordered[0] = 10;
    EXPECT_EQ(bandOf(100, unordered), 1);

    EXPECT_EQ(mapColour(5).r, 164);
    EXPECT_EQ(legendColour(5).r, 146);
    EXPECT_EQ(mapColour(9).b, 160);
    EXPECT_EQ(mapColour(12).g, 255);
    for (int band = 1; band <= 11; ++band) {
        if (band != 5) {
            EXPECT_EQ(mapColour(band).r, legendColour(band).r) << band;
        }
    }
}

TEST(Readout, CellsEdgesAndHalves) {
    EXPECT_EQ(readoutCell(20, 10)->j, 1);
    EXPECT_EQ(readoutCell(20, 10)->i, 11);
    EXPECT_EQ(readoutPositionText(20), " 20");
    EXPECT_EQ(readoutPositionText(10 - 300), "-290");
    EXPECT_EQ(readoutPositionText(20.25), " 20.25");
    EXPECT_EQ(readoutCell(395, 590)->j, 376);
    EXPECT_EQ(readoutCell(395, 590)->i, 591);
    // The whole grid reads out: x up to 400 cm, c from -300 to 300 cm.
    EXPECT_EQ(readoutCell(400, 600)->j, 381);
    EXPECT_EQ(readoutCell(400, 600)->i, 601);
    EXPECT_EQ(readoutCell(20, 0)->i, 1);
    EXPECT_FALSE(readoutCell(19.9, 300));
    EXPECT_FALSE(readoutCell(400.1, 300));
    EXPECT_FALSE(readoutCell(100, 600.5));
    EXPECT_FALSE(readoutCell(100, -0.1));
    // Halves go to the even neighbour.
    EXPECT_EQ(readoutCell(20.5, 10.5)->j, 2);  // 1.5
    EXPECT_EQ(readoutCell(21.5, 11.5)->j, 2);  // 2.5
    EXPECT_EQ(readoutCell(21.5, 11.5)->i, 12); // 12.5
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
}

TEST_F(MergedFile, GridsInFileOrderAndExtremes) {
    // Four significant digits survive the E11.4 fields exactly.
    const auto kerma = [](int j, int i) { return 1000.0 + 10 * j + i % 10; };
    viewer_files::writeMergedFile(dir / "F2B.dat", kerma,
                                  [&](int j, int i) { return 2 * kerma(j, i); });
    auto loaded = loadMergedFile(dir / "F2B.dat");
    ASSERT_TRUE(loaded);
    EXPECT_DOUBLE_EQ(loaded->kerma.at(381, 601), 4811);
    EXPECT_DOUBLE_EQ(loaded->kerma.at(2, 9), 1029);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalent.at(81, 301), 3622);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.maximum, 4819);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.minimum, 1010);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalentExtremes.maximum, 9638);
    EXPECT_DOUBLE_EQ(loaded->kermaThresholds[0], 4000 * 0.75);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalentThresholds[0], 9000 * 0.75);

    // The minimum starts at 10000.
    viewer_files::writeMergedFile(
        dir / "F2B.dat", [](int, int) { return 12000.0; }, [](int, int) { return 0.5; });
    loaded = loadMergedFile(dir / "F2B.dat");
    ASSERT_TRUE(loaded);
    EXPECT_DOUBLE_EQ(loaded->kermaExtremes.minimum, 10000);
    EXPECT_DOUBLE_EQ(loaded->doseEquivalentExtremes.minimum, 0.5);
}

TEST_F(MergedFile, MissingShortUnreadableOrZeroFails) {
    std::string error;
    EXPECT_FALSE(loadMergedFile(dir / "F2B.dat", &error));
    EXPECT_NE(error.find("F2B.dat"), std::string::npos);

    const auto one = [](int, int) { return 1.0; };
    viewer_files::writeMergedFile(dir / "short.dat", one, one, 2 * kGridRows - 1);
    EXPECT_FALSE(loadMergedFile(dir / "short.dat", &error));
    EXPECT_NE(error.find("dose-equivalent"), std::string::npos);

    viewer_files::writeMergedFile(dir / "bad.dat", one, one);
    std::fstream(dir / "bad.dat", std::ios::in | std::ios::out | std::ios::binary).seekp(5) << "x";
    EXPECT_FALSE(loadMergedFile(dir / "bad.dat"));

    viewer_files::writeMergedFile(dir / "zero.dat", one, [](int, int) { return 0.0; });
    EXPECT_FALSE(loadMergedFile(dir / "zero.dat", &error));
    EXPECT_NE(error.find("maximum"), std::string::npos);
}

TEST(MapPainting, BandsFrameAndLegend) {
    testsupport::guiApplication(); // fonts for the axis labels

    DoseGrid grid;
    for (int i = 1; i <= kGridRows; ++i)
        for (int j = 1; j <= kGridColumns; ++j)
            grid.at(j, i) = j <= 100 ? 5000 : (j <= 200 ? 400 : 0.001);
    QImage image = blankMapImage();
    paintBands(image, grid, defaultThresholds(5432));
    const auto at = [](const QImage& im, int X, int Y) { return QColor(im.pixel(mapPixel(X, Y))); };
    EXPECT_EQ(at(image, 20, 10), QColor(255, 0, 255));     // cell (1, 11): band 1
    EXPECT_EQ(at(image, 150, 50), QColor(164, 208, 80));   // 400: band 5
    EXPECT_EQ(at(image, 395, 590), QColor(255, 255, 255)); // band 12
    EXPECT_EQ(at(image, 19, 50), QColor(Qt::white));
    // Every cell is painted, up to the grid's edges: x = 400 cm and c = +-300 cm.
    EXPECT_EQ(at(image, 20, 0), QColor(255, 0, 255));
    EXPECT_EQ(at(image, 50, 600), QColor(255, 0, 255));
    EXPECT_EQ(at(image, 150, 0), QColor(164, 208, 80));
    EXPECT_EQ(at(image, 150, 600), QColor(164, 208, 80));
    DoseGrid high;
    for (double& v : high.cells())
        v = 5000;
    QImage full = blankMapImage();
    paintBands(full, high, defaultThresholds(5432));
    EXPECT_EQ(at(full, 400, 300), QColor(255, 0, 255));
    EXPECT_EQ(at(full, 400, 600), QColor(255, 0, 255));
    EXPECT_EQ(at(full, 401, 300), QColor(Qt::white));
    EXPECT_EQ(at(full, 100, 601), QColor(Qt::white));

    QImage lying = image;
    paintMapFrame(lying, 1, 90, QFont());
    EXPECT_EQ(at(lying, 100, 50), QColor(Qt::black)); // grid line X = 100
    EXPECT_EQ(at(lying, 50, 200), QColor(Qt::black)); // grid line Y = 200
    EXPECT_EQ(at(lying, 0, 300), QColor(255, 0, 0));  // the beam
    EXPECT_NE(at(lying, 0, 200), QColor(255, 0, 0));
    QImage standing = image;
    paintMapFrame(standing, 2, 90, QFont());
    EXPECT_EQ(at(standing, 0, 200), QColor(255, 0, 0)); // focal spot 90 cm from the surface
    EXPECT_EQ(at(standing, 0, 250), QColor(255, 0, 0)); // the beam
    EXPECT_NE(at(standing, 0, 300), QColor(255, 0, 0));

    const QImage legend = paintLegend();
    const auto box = [&legend](int k) {
        return QColor(legend.pixel(static_cast<int>(15 * kLegendPixelsPerUnitX),
                                   static_cast<int>((10 * k - 5) * kLegendPixelsPerUnitY)));
    };
    EXPECT_EQ(box(1), QColor(255, 0, 255));
    EXPECT_EQ(box(5), QColor(146, 208, 80));
    EXPECT_EQ(box(11), QColor(200, 200, 200));
}

// The axis labels keep clear of the grid: no pixel of a label touches a grid
// line, in the window's font and in a larger one.
TEST(MapPainting, AxisLabelsClearOfTheGridLines) {
    testsupport::guiApplication();
    for (int pixels : {12, 16, 20}) {
        SCOPED_TRACE(pixels);
        QFont font;
        font.setPixelSize(pixels);
        QImage frame = blankMapImage();
        paintMapFrame(frame, 1, 90, font);
        const auto onGrid = [](int X, int Y) {
            return (Y % 100 == 0 && Y >= 0 && Y <= 600 && X >= -50 && X <= 400) ||
                   (X % 100 == 0 && X >= 0 && X <= 400 && Y >= 0 && Y <= 600);
        };
        int ink = 0;
        for (int Y = kMapPictureTop; Y < kMapPictureTop + kMapPictureHeight; ++Y) {
            for (int X = kMapPictureLeft; X < kMapPictureLeft + kMapPictureWidth; ++X) {
                const bool sketch = X >= -20 && X <= 20 && Y >= 265 && Y <= 335;
                if (onGrid(X, Y) || sketch || QColor(frame.pixel(mapPixel(X, Y))) == Qt::white)
                    continue;
                ++ink;
                for (int dY = -1; dY <= 1; ++dY)
                    for (int dX = -1; dX <= 1; ++dX)
                        ASSERT_FALSE(onGrid(X + dX, Y + dY)) << "label at " << X << ", " << Y;
            }
        }
        EXPECT_GT(ink, 100); // the twelve labels are there
    }
}

// A page's picture painted finer is the window's picture magnified: every
// pixel of a band takes the colour of the window's pixel it covers, and the
// frame lies where the window shows it.
TEST(MapPainting, FinerPicturesMagnifyTheWindowsPicture) {
    testsupport::guiApplication();
    ShownMap map;
    map.grid.emplace();
    for (int i = 1; i <= kGridRows; ++i)
        for (int j = 1; j <= kGridColumns; ++j)
            map.grid->at(j, i) = 6000.0 / (j + std::abs(i - 301));
    map.thresholds = defaultThresholds(5432);
    map.bodyPosition = 2;
    map.focusSkinDistance = 90;
    const QImage window = paintMap(map, QFont());
    for (int scale : {2, 3}) {
        const QImage page = paintMap(map, QFont(), scale);
        ASSERT_EQ(page.size(), window.size() * scale);
        int compared = 0;
        for (int Y = 10; Y <= 590; Y += 7) {
            for (int X = 20; X <= 395; X += 5) {
                // Leave out the grid lines, a unit wide, and the phantom's outline.
                if (X % 100 < 2 || Y % 100 < 2 || (X <= 25 && Y >= 285 && Y <= 315))
                    continue;
                const QPoint p = mapPixel(X, Y);
                for (QPoint d : {QPoint(0, 0), QPoint(scale - 1, scale - 1)})
                    ASSERT_EQ(page.pixel(p * scale + d), window.pixel(p))
                        << "scale " << scale << " at " << X << ", " << Y;
                ++compared;
            }
        }
        EXPECT_GT(compared, 3000);
        // Grid line X = 200 and the focal spot at Y = 200, as wide as the scale.
        const QPoint line = mapPixel(200, 250) * scale;
        EXPECT_EQ(QColor(page.pixel(line + QPoint(scale - 1, 0))), QColor(Qt::black));
        EXPECT_NE(QColor(page.pixel(line + QPoint(scale, 0))), QColor(Qt::black));
        EXPECT_EQ(QColor(page.pixel(mapPixel(0, 200) * scale)), QColor(255, 0, 0));
    }
}

// A picture saved where it cannot be: the folder (or the file) that refused
// and the system's reason, and nothing left behind.
TEST_F(MergedFile, WriteFailuresNameTheFolderAndTheReason) {
    write("plain.txt", "a file, not a folder");
    fs::create_directory(dir / "taken.png");
    struct Case {
        fs::path path;
        fs::path where;
        bool folder;
        const char* reason;
    };
    const Case cases[] = {
        {dir / "no such folder" / "x.png", dir / "no such folder", true, "フォルダがありません"},
        {dir / "plain.txt" / "x.png", dir / "plain.txt", true, "フォルダではありません"},
        {dir / "taken.png", dir / "taken.png", false, "同じ名前のフォルダがあります"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        const auto failure = files::writeReplacing(c.path, QByteArray("picture"));
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->where, c.where);
        EXPECT_EQ(failure->folder, c.folder);
        const QString text = files::failureText(*failure);
        EXPECT_TRUE(text.contains(files::fromPath(c.where)) &&
                    text.contains(QString::fromUtf8(c.reason)))
            << text.toStdString();
    }
    // Nothing but what the test made.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    EXPECT_TRUE(fs::is_empty(dir / "taken.png"));
}
