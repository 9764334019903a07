// scatter-map as a user runs it, with no display: arguments and outputs
// refused before anything is written, a failed engine run, a run stopped by a
// signal, and a whole run of 10^7 histories through the engine and the merger
// to its pages and its grid.
#include "BatchRun.h"
#include "GuiApplication.h"
#include "TempFolderTest.h"
#include "logic/DosePeriod.h"
#include "logic/LimitLines.h"
#include "logic/MapPainting.h"
#include "logic/PointsFile.h"
#include "logic/ProgramNames.h"
#include "logic/ReferenceLevels.h"
#include "logic/RoomFile.h"
#include "overlay_rooms.h"
#include "page_pixels.h"

#include "textrec/textrec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::GuiApplicationEnvironment);

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file and folder under `folder`, with a hash of its content.
std::map<std::string, std::size_t> snapshot(const fs::path& folder) {
    std::map<std::string, std::size_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[entry.path().lexically_relative(folder).string()] =
            entry.is_regular_file() ? std::hash<std::string>{}(readFile(entry.path())) : 0;
    return files;
}

// A working folder with the data files; the engines and the merger are found
// beside scatter-map.
class ScatterMap : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        for (const char* data : {"ICRUSoft.dat", "Air.eac", "Ak2Sv.dat", "Tungsten.dat",
                                 "Aluminum.atc", "Copper.dat", "sdec_default.op"})
            fs::copy_file(fs::path(SOURCE_DIR) / "data" / data, dir / data);
    }

    // Starts scatter-map in the folder with no display at all: no DISPLAY, no
    // Wayland, no Qt platform chosen.
    void start(QProcess& process, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(dir.string()));
        process.start(QStringLiteral(SCATTER_MAP_PROGRAM), arguments);
        process.closeWriteChannel();
    }
    static Outcome ended(QProcess& process) {
        EXPECT_TRUE(process.waitForFinished(-1));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }
    Outcome run(const QStringList& arguments) {
        QProcess process;
        start(process, arguments);
        return ended(process);
    }
};

QStringList words(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

TEST(EngineProgress, ShareAndTimeLeftOfTheEnginesLines) {
    struct Case {
        const char* line;
        int percent; // -1: not a progress line
        const char* left;
    };
    const Case cases[] = {
        {" 64 / 180   35 %   0:19 left", 35, "0:19"},
        {"  1 / 300    0 %   1:02:03 left", 0, "1:02:03"},
        {"180 / 180  100 %", 100, ""},
        {" 64 / 180   35 %   0:19 left\r", 35, "0:19"}, // a Windows console's line end
        {" Start time =12:00:00", -1, ""},
        {"  ---   Enter キーを押すと計算が開始されます ---", -1, ""},
        {"", -1, ""},
    };
    for (const Case& c : cases) {
        const auto progress = batch::parseProgress(c.line);
        ASSERT_EQ(progress.has_value(), c.percent >= 0) << c.line;
        if (progress) {
            EXPECT_EQ(progress->percent, c.percent) << c.line;
            EXPECT_EQ(progress->timeLeft, c.left) << c.line;
        }
    }
}

// A program missing from both folders it is looked for in names each folder
// once; started in its own folder, by any spelling of it, there is only one.
TEST_F(ScatterMap, AMissingProgramNamesEachFolderOnce) {
    const QString ours = QCoreApplication::applicationDirPath();
    const QString work = QString::fromStdString(dir.string());
    const QString link = work + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(ours, link));
    struct Case {
        QString workFolder;
        QStringList named;
    };
    const Case cases[] = {
        {ours, {ours}},
        {ours + QStringLiteral("/."), {ours}},
        {QDir(work).relativeFilePath(ours), {ours}}, // from the current folder, below
        {link, {link}},
        {work, {work, ours}},
    };
    const QString current = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work));
    for (const Case& c : cases) {
        const QString text = platform::notFoundIn(QStringLiteral("quenro-3"), c.workFolder);
        SCOPED_TRACE(text.toStdString());
        for (const QString& folder : c.named)
            EXPECT_EQ(text.count(QDir::toNativeSeparators(folder) + QLatin1Char(',')) +
                          text.count(QDir::toNativeSeparators(folder) + QLatin1Char(')')),
                      1);
        EXPECT_EQ(text.count(QLatin1Char(',')), c.named.size() - 1);
    }
    QDir::setCurrent(current);
}

// The system's reason why no file can be created in `folder`.
std::string cannotCreateIn(const fs::path& folder) {
    const int file = ::open((folder / "probe").c_str(), O_CREAT | O_WRONLY | O_EXCL, 0644);
    if (file >= 0) {
        ::close(file);
        fs::remove(folder / "probe");
        return "(a file could be created in " + folder.string() + ")";
    }
    return std::strerror(errno);
}

// Each refusal names its argument (and what else the row gives), ends with
// status 2 and leaves the folder as it was. Every other argument would let
// the run go (10^6 histories), so a refusal that went missing shows as a run.
TEST_F(ScatterMap, BadArgumentsExitTwoAndWriteNothing) {
    std::ofstream(dir / "taken.data") << "an earlier result\n";
    std::ofstream(dir / "taken.data.unc") << "its relative errors\n";
    std::ofstream(dir / "taken.data.plane") << "its plane\n";
    std::ofstream(dir / "trial_vs.data") << "an earlier vertical section\n";
    ASSERT_TRUE(fs::create_directory(dir / "folder.png"));
    ASSERT_TRUE(fs::create_directory(dir / "sub"));
    fs::create_symlink("Ak2Sv.dat", dir / "link.csv");
    QString error;
    ASSERT_TRUE(roomfile::save(dir / "plan.Room", defaultRoom(), error)) << error.toStdString();
    ASSERT_TRUE(roomfile::save(dir / "layout.txt", defaultRoom(), error)) << error.toStdString();
    ASSERT_TRUE(pointsfile::save(dir / "plan.Room", {{QStringLiteral("術者"), 300, 330}}, error));
    std::ofstream(dir / "bad.points", std::ios::binary) << "300 330 a\r\n12 x b\r\n";
    const std::string longName = std::string(250, 'x') + ".csv"; // its temporary file's is too long
    const fs::path programs = fs::path(SCATTER_MAP_PROGRAM).parent_path();
    struct Case {
        std::string arguments;
        std::vector<std::string> named;
    };
    const Case cases[] = {
        {"--kv abc", {"--kv"}},
        {"--kv", {"--kv"}},
        {"--histories 99999999", {"--histories"}}, // without --preview: the window's 10^8
        {"--histories 999999 --preview", {"--histories"}},
        {"--field 30.1x20", {"--field"}},
        {"--field 20x0", {"--field"}},
        {"--field 20", {"--field"}},
        {"--fsd 0", {"--fsd"}},
        {"--current -1", {"--current"}},
        {"--pulsed 10,15", {"--pulsed"}},
        {"--pulsed 10,15,4 --current 2", {"--current"}},
        {"--angle 0", {"--angle"}}, // refused by the spectrum model
        {"--name a/b", {"--name"}},
        {"--name CON", {"--name"}},
        {"--name taken", {"--name"}},
        {"--name taken.data", {"--name", "taken.data"}}, // the file itself, not taken.data.data
        {"--position sitting", {"--position"}},
        {"--quantity dose", {"--quantity"}},
        {"--threads 0", {"--threads"}},
        {"--png map.jpg", {"--png"}},
        {"--png nowhere/map.png", {"--png"}},
        {"--png folder.png", {"--png"}},
        {"--room-png room.png", {"--room"}},
        {"--room missing.Room --room-png room.png", {"--room"}},
        {"--both-sides", {"--both-sides"}},
        {"--kv 80 --kv 90", {"--kv"}},
        {"--color red", {"--color"}},
        // More histories than the engine takes, a fraction, more digits than the job file keeps.
        {"--histories 1e30", {"--histories", "1000000000000000"}},
        {"--histories 1500000.5 --preview", {"--histories"}},
        {"--histories 123456789", {"--histories", "123400000", "123500000"}},
        // Files the system reads, in any spelling, and one output over another.
        {"--csv taken.data", {"--csv"}},
        {"--csv other.datC", {"--csv"}},
        {"--csv taken.data.unc", {"--csv"}},
        {"--csv F2B.dat", {"--csv", "F2B.dat"}},
        {"--csv sub/../B2F.txt", {"--csv", "B2F.txt"}},
        {"--csv " + (dir / "Air.eac").string(), {"--csv", "Air.eac"}},
        {"--csv link.csv", {"--csv", "Ak2Sv.dat"}},
        {"--csv sdec_default.op", {"--csv"}},
        {"--csv scatter-map.lock", {"--csv"}},
        {"--csv Quenro-22", {"--csv"}},
        {"--csv " + (programs / "quenro-3").string(), {"--csv", "quenro-3"}},
        {"--csv plan.Room", {"--csv"}},
        {"--csv plan.Room.absent", {"--csv", "plan.Room"}},
        {"--room layout.txt --room-png room.png --csv layout.txt", {"--csv", "--room"}},
        {"--png q1.png --csv q1.png", {"--csv", "--png"}},
        {"--png q2.png --room plan.Room --room-png ./sub/../q2.png", {"--room-png", "--png"}},
        // The planes, as the engine checks its job: the option and the value.
        {"--heights abc", {"--heights", "abc"}},
        {"--heights 150,", {"--heights"}},
        {"--heights 150.5", {"--heights", "150.5"}},
        {"--heights 170,-10", {"--heights", "-10"}},
        {"--heights 150,170,150", {"--heights", "150"}},
        {"--heights 401", {"--heights", "401"}}, // 301 cm from the centre at 100
        {"--heights 10,20,30,40,50,60,70,80,90", {"--heights", "9"}},
        {"--centre-height 5 --side-view", {"--centre-height"}},
        {"--centre-height 20 --position standing --heights 40", {"--centre-height", "30"}},
        {"--centre-height 100.5 --side-view", {"--centre-height"}},
        {"--centre-height 1200 --heights 1100", {"--centre-height", "1000"}},
        {"--tube below --position standing", {"--tube", "--position"}},
        {"--tube below --fsd 95", {"--tube", "--fsd", "5"}}, // 100 - 10 - 95: 5 cm under the floor
        {"--tube sideways", {"--tube"}},
        // Every result file must fit the merger's 30 characters, and none be there already.
        {"--name abcdefghijklmnopqrstuvw --heights 150",
         {"--name", "abcdefghijklmnopqrstuvw_h150.data"}},
        {"--side-view", {"--name", "trial_vs.data"}},
        // The plane records are files the system reads; the outputs of
        // different planes do not overwrite each other.
        {"--csv taken.data.plane", {"--csv", "taken.data"}},
        {"--heights 150 --csv trial_h150.data.plane", {"--csv", "trial_h150.data"}},
        {"--heights 150 --png q3.png --csv q3_h150.png", {"--csv", "--png", "q3_h150.png"}},
        {"--side-view --name t2 --png t2.png --csv t2_vs.data", {"--csv"}},
        // The workload, the period and the levels: doses in a period need the
        // minutes a week; a level is one of the built-in list, given once.
        {"--workload 0", {"--workload"}},
        {"--workload abc", {"--workload", "abc"}},
        {"--workload 20000", {"--workload", "10080"}},
        {"--period month", {"--period", "quarter"}},
        {"--period week", {"--period", "--workload"}},
        {"--workload 60 --limit 管理区域", {"--limit", "管理区域境界", "病室"}},
        {"--limit 管理区域境界", {"--limit", "--workload"}},
        {"--workload 60 --limit 病室 --limit 病室", {"--limit", "病室"}},
        // The points: read with the layout's geometry before anything is
        // written, and their CSV an output like the others.
        {"--points plan.Room.points --points-csv p.csv", {"--points", "--room"}},
        {"--room plan.Room --room-png room.png --points plan.Room.points", {"--points-csv"}},
        {"--points-csv p.csv", {"--points-csv", "--points"}},
        {"--room plan.Room --room-png room.png --points bad.points --points-csv p.csv",
         {"--points", "bad.points", "2"}},
        {"--room plan.Room --room-png room.png --points none.points --points-csv p.csv",
         {"--points", "none.points"}},
        {"--room plan.Room --room-png room.png --points bad.points --points-csv bad.points",
         {"--points-csv", "--points"}},
        {"--room plan.Room --room-png room.png --points plan.Room.points --points-csv "
         "plan.Room.points",
         {"--points-csv", "plan.Room"}},
        {"--room plan.Room --room-png room.png --points plan.Room.points --points-csv taken.data",
         {"--points-csv"}},
        {"--png q4.png --room plan.Room --room-png room.png --points plan.Room.points "
         "--points-csv q4.png",
         {"--points-csv", "--png"}},
        // Outputs that cannot be created: the folder and the system's reason.
        {"--png /sys/map.png", {"--png", "/sys", cannotCreateIn("/sys")}},
        {"--csv " + longName, {"--csv", dir.string(), std::strerror(ENAMETOOLONG)}},
    };
    const auto before = snapshot(dir);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        // The quick run's arguments that the case does not give itself.
        QStringList arguments = words(c.arguments.c_str());
        for (const char* quick : {"--histories 1e6 --preview", "--name trial", "--png trial.png"})
            if (!arguments.contains(words(quick).front()))
                arguments += words(quick);
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_EQ(r.err.rfind("scatter-map: ", 0), 0u) << r.err; // one message, nothing else
        for (const std::string& named : c.named)
            EXPECT_NE(r.err.find(named), std::string::npos) << named << " in " << r.err;
        ASSERT_EQ(snapshot(dir), before);
    }
}

TEST_F(ScatterMap, AFailedEngineRunGivesItsMessageAndExitsOne) {
    fs::remove(dir / "ICRUSoft.dat"); // the engine's data, which the spectrum model does not read
    const Outcome r = run(words("--histories 1e6 --preview --name trial --png trial.png"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Quenro-11"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("ICRUSoft.dat"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "trial.png"));
}

// Whether any process has the folder as its working folder.
bool anyProcessIn(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::error_code ec;
        if (fs::equivalent(entry.path() / "cwd", folder, ec))
            return true;
    }
    return false;
}

// SIGINT or SIGTERM sent to scatter-map alone while the engine runs: the
// engine stops, no temporary file and no lock stays, and the earlier result
// of the name, which --replace would have replaced at the end, is kept.
TEST_F(ScatterMap, ASignalStopsTheEngineAndKeepsTheEarlierResult) {
    std::ofstream(dir / "walk.data") << "an earlier result\n";
    std::ofstream(dir / "walk.data.unc") << "its relative errors\n";
    for (const auto& [sent, status] : {std::pair(SIGINT, 130), std::pair(SIGTERM, 143)}) {
        SCOPED_TRACE(sent);
        QProcess process;
        start(process, words("--histories 1e8 --threads 1 --name walk --replace --png walk.png"));
        std::string out;
        while (out.find("Quenro-11: ") == std::string::npos && process.waitForReadyRead(60000))
            out += process.readAllStandardOutput().toStdString();
        ASSERT_NE(out.find("Quenro-11: "), std::string::npos) << out; // the engine runs
        ASSERT_EQ(::kill(pid_t(process.processId()), sent), 0);
        const Outcome r = ended(process);
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_NE(r.err.find("中断しました"), std::string::npos) << r.err;
        EXPECT_FALSE(anyProcessIn(dir));
        for (const auto& entry : fs::directory_iterator(dir)) {
            EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
            EXPECT_NE(entry.path().filename(), "scatter-map.lock");
        }
        EXPECT_FALSE(fs::exists(dir / "walk.png"));
        EXPECT_EQ(readFile(dir / "walk.data"), "an earlier result\n");
        EXPECT_EQ(readFile(dir / "walk.data.unc"), "its relative errors\n");
    }
}

// The whole way with 10^7 histories: the map's page, the grid as CSV equal to
// the merged file, and the room overlay on both sides.
TEST_F(ScatterMap, EndToEndWithoutADisplay) {
    Module1::RoomLayout room = defaultRoom(); // bed along X: the map below the phantom
    QString error;
    ASSERT_TRUE(roomfile::save(dir / "plan.Room", room, error)) << error.toStdString();
    const Outcome r =
        run(words("--kv 80 --angle 12 --inherent 2.5 --al 1.5 --cu 0 --rectification cp "
                  "--current 1 --fsd 90 --field 20x20 --position lying --histories 1e7 "
                  "--preview --name walk1.data --png walk1.png --csv walk1.csv --room plan.Room "
                  "--room-png walk1-room.png --both-sides"));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Quenro-11: 100 %"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
    for (const char* name : {"B_SPCTL.dat", "B2F.txt", "walk1.data", "walk1.data.unc", "FLname.txt",
                             "F2B.dat", "walk1.png", "walk1.csv", "walk1-room.png"})
        EXPECT_TRUE(fs::exists(dir / name)) << name;

    // The page shows the map in more than one band.
    page::PageContent map;
    const page::PageLayout mapLayout = page::pageLayout(map);
    const QImage page = QImage(QString::fromStdString((dir / "walk1.png").string()));
    ASSERT_FALSE(page.isNull());
    page_pixels::expectLegend(page, mapLayout, 2);
    std::set<QRgb> bands;
    for (int k = 1; k <= results::kBandCount; ++k)
        bands.insert(page_pixels::rgbOf(results::mapColour(k)));
    std::set<QRgb> shown;
    for (int Y = 15; Y <= 585; Y += 10)
        for (int X = 25; X <= 390; X += 10)
            if (const QRgb c = page_pixels::mapPageColour(page, mapLayout, 2, X, Y); bands.count(c))
                shown.insert(c);
    EXPECT_GE(shown.size(), 4u);

    // x = 100 cm, c = 0 is value 81 of line 301 of F2B.dat; the CSV has it at
    // row 302 (after the header), column 82 (after the c column).
    const auto merged = textrec::readLines(dir / "F2B.dat");
    const auto csv = textrec::readLines(dir / "walk1.csv");
    ASSERT_TRUE(merged && csv);
    ASSERT_EQ(csv->size(), 602u);
    const QStringList header = QString::fromStdString((*csv)[0]).split(QLatin1Char(','));
    ASSERT_EQ(header.size(), 382);
    EXPECT_EQ(readFile(dir / "walk1.csv").substr(0, 15), "\xEF\xBB\xBFμGy/min,20,");
    EXPECT_EQ(header[1], QStringLiteral("20"));
    EXPECT_EQ(header[381], QStringLiteral("400"));
    const QStringList row = QString::fromStdString((*csv)[301]).split(QLatin1Char(','));
    ASSERT_EQ(row.size(), 382);
    EXPECT_EQ(row[0], QStringLiteral("0"));
    const std::string field = (*merged)[300].substr(80 * 11, 11);
    double inMerged = 0;
    ASSERT_TRUE(textrec::readRealField(field, 4, inMerged));
    EXPECT_GT(inMerged, 0);
    EXPECT_EQ(row[81].toStdString(), field.substr(field.find_first_not_of(' ')));
    EXPECT_EQ(row[81].toDouble(), inMerged);
    EXPECT_EQ(QString::fromStdString(csv->back()).section(QLatin1Char(','), 0, 0),
              QStringLiteral("300"));

    // The room: the same band on both sides of the phantom, 100 cm out.
    page::PageContent overlay;
    overlay.picture = page::Picture::RoomOverlay;
    const page::PageLayout roomLayout = page::pageLayout(overlay);
    const QImage roomPage = QImage(QString::fromStdString((dir / "walk1-room.png").string()));
    ASSERT_FALSE(roomPage.isNull());
    const QRgb below = page_pixels::roomPageColour(roomPage, roomLayout, 2, room, room.phantomX + 3,
                                                   room.phantomY + 103);
    EXPECT_TRUE(bands.count(below) && below != 0xffffffu) << std::hex << below;
    EXPECT_EQ(page_pixels::roomPageColour(roomPage, roomLayout, 2, room, room.phantomX + 3,
                                          room.phantomY - 103),
              below);
}

// An output's name for the map of a plane: the suffix before the file name's
// own extension.
TEST(PlaneOutputs, NamedAfterTheOptionsFiles) {
    const std::pair<const char*, const char*> cases[] = {
        {"walk1.png", "walk1_h150.png"},
        {"walk1.PNG", "walk1_h150.PNG"},
        {"grid", "grid_h150"},
        {"out.d/grid", "out.d/grid_h150"},
        {"sub/map.csv", "sub/map_h150.csv"},
        {"a.b.csv", "a.b_h150.csv"},
    };
    for (const auto& [given, named] : cases)
        EXPECT_EQ(batch::outputForPlane(QString::fromUtf8(given), "_h150"),
                  QString::fromUtf8(named));
    EXPECT_EQ(batch::outputForPlane(QStringLiteral("walk1.png"), ""), QStringLiteral("walk1.png"));

    // The extra maps first, the written map last; a height at the centre is
    // the written map; no room page for the vertical section.
    batch::BatchOptions o;
    o.name = QStringLiteral("walk1");
    o.png = QStringLiteral("walk1.png");
    o.roomPng = QStringLiteral("room.png");
    o.heights = {150, 100};
    o.sideView = true;
    const std::vector<batch::PlaneOutput> maps = batch::planeOutputs(o);
    ASSERT_EQ(maps.size(), 3u);
    EXPECT_EQ(maps[0].resultFile, QStringLiteral("walk1_h150.data"));
    EXPECT_EQ(maps[0].roomPng, QStringLiteral("room_h150.png"));
    EXPECT_EQ(maps[1].resultFile, QStringLiteral("walk1_vs.data"));
    EXPECT_EQ(maps[1].png, QStringLiteral("walk1_vs.png"));
    EXPECT_EQ(maps[1].roomPng, QString());
    EXPECT_EQ(maps[2].resultFile, QStringLiteral("walk1.data"));
    EXPECT_EQ(maps[2].png, QStringLiteral("walk1.png"));
    // Without planes, the written map alone.
    o.heights.clear();
    o.sideView = false;
    o.centreHeight = 120;
    EXPECT_EQ(batch::planeOutputs(o).size(), 1u);
}

namespace {

std::vector<QStringList> csvRows(const fs::path& path) {
    std::vector<QStringList> rows;
    for (const std::string& line : textrec::readLines(path).value_or(std::vector<std::string>{}))
        rows.push_back(QString::fromStdString(line).split(QLatin1Char(',')));
    return rows;
}

} // namespace

// Two heights and the vertical section in one run of 10^6 histories: a
// result, uncertainty and plane record for each map, a page and a CSV grid
// for each, room pages for the horizontal planes only; the vertical
// section's page blank below the floor and its CSV rows by height; the
// merge request and the merged grid left as the written map's.
TEST_F(ScatterMap, HeightsAndTheVerticalSection) {
    const Module1::RoomLayout room = defaultRoom();
    QString error;
    ASSERT_TRUE(roomfile::save(dir / "plan.Room", room, error)) << error.toStdString();
    const Outcome r = run(words("--histories 1e6 --preview --name walk1 --png walk1.png "
                                "--csv walk1.csv --heights 150,100,170 --side-view "
                                "--room plan.Room --room-png room.png"));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const char* map : {"walk1", "walk1_h150", "walk1_h170", "walk1_vs"}) {
        const std::string name = map;
        for (const std::string& file : {name + ".data", name + ".data.unc", name + ".data.plane",
                                        name + ".png", name + ".csv"}) {
            EXPECT_TRUE(fs::exists(dir / file)) << file;
            EXPECT_NE(r.out.find(file), std::string::npos) << file << " not listed";
        }
    }
    for (const char* file : {"room.png", "room_h150.png", "room_h170.png"})
        EXPECT_TRUE(fs::exists(dir / file)) << file;
    EXPECT_FALSE(fs::exists(dir / "room_vs.png"));
    EXPECT_FALSE(fs::exists(dir / "walk1_h100.data")); // the centre's height is the written map
    EXPECT_NE(readFile(dir / "B2F.txt").find("heights 150 100 170"), std::string::npos);
    EXPECT_EQ(readFile(dir / "FLname.txt"), "walk1.data\r\n");

    // The written map's CSV is the merged grid left in F2B.dat.
    const auto merged = textrec::readLines(dir / "F2B.dat");
    ASSERT_TRUE(merged);
    const auto written = csvRows(dir / "walk1.csv");
    ASSERT_EQ(written.size(), 602u);
    const std::string field = (*merged)[300].substr(80 * 11, 11);
    EXPECT_EQ(written[301][81].toStdString(), field.substr(field.find_first_not_of(' ')));

    // The vertical section's rows by height: 400 cm (300 above the centre)
    // down to 200 cm below the floor, those below the floor without values.
    const auto section = csvRows(dir / "walk1_vs.csv");
    ASSERT_EQ(section.size(), 602u);
    for (std::size_t row = 1; row < section.size(); ++row) {
        const int height = 400 - int(row - 1);
        ASSERT_EQ(section[row].size(), 382);
        EXPECT_EQ(section[row][0], QString::number(height));
        EXPECT_EQ(section[row][100].isEmpty(), height < 0) << height;
    }
    // One disc in two maps: the vertical section's row 150 cm above the floor
    // and the 150 cm plane's row c = 0, at x = 100 cm (an engine point of both).
    const auto at150 = csvRows(dir / "walk1_h150.csv");
    ASSERT_EQ(at150.size(), 602u);
    EXPECT_EQ(at150[301][0], QStringLiteral("0"));
    EXPECT_EQ(section[1 + 250][0], QStringLiteral("150"));
    EXPECT_EQ(section[1 + 250][81], at150[301][81]);
    EXPECT_GT(section[1 + 250][81].toDouble(), 0);

    // The vertical section's page: painted down to the floor, blank below it.
    page::PageContent content;
    const page::PageLayout layout = page::pageLayout(content);
    const QImage page = QImage(QString::fromStdString((dir / "walk1_vs.png").string()));
    ASSERT_FALSE(page.isNull());
    std::set<QRgb> bands;
    for (int k = 1; k <= results::kBandCount - 1; ++k)
        bands.insert(page_pixels::rgbOf(results::mapColour(k)));
    int painted = 0;
    for (int X = 25; X <= 395; X += 10) {
        for (int Y = 405; Y <= 600; Y += 15)
            EXPECT_EQ(page_pixels::mapPageColour(page, layout, 2, X, Y), 0xffffffu)
                << X << ", " << Y;
        painted += bands.count(page_pixels::mapPageColour(page, layout, 2, X, 305)) > 0;
    }
    EXPECT_GT(painted, 10);
}

// One run with a workload, a period, two limits and a points file: the
// points' CSV gives each point the dose in the period that the read-out gives
// at the same cell, and the share of each limit; the grid CSV stays per
// minute; the page draws the lines and their key.
TEST_F(ScatterMap, DosesInAPeriodLimitLinesAndNamedPoints) {
    const Module1::RoomLayout room = defaultRoom(); // bed along X: the map below the phantom
    QString error;
    ASSERT_TRUE(roomfile::save(dir / "plan.Room", room, error)) << error.toStdString();
    // Map coordinates (x, c) of each point: x = |Y - 250|, c = 300 - X.
    const std::vector<namedpoints::NamedPoint> points = {
        {QStringLiteral("術者"), 300, 330},         // x 80, c 0
        {QStringLiteral("看護師, 頭側"), 200, 400}, // x 150, c 100; a comma in the name
        {QStringLiteral("反対側"), 300, 170},       // x 80 on the other side
        {QStringLiteral("扉の外"), 300, 620},       // x 370, beyond the wall at 600
        {QStringLiteral("廊下"), 300, 900},         // x 650: beyond the map
    };
    ASSERT_TRUE(pointsfile::save(dir / "plan.Room", points, error)) << error.toStdString();
    const Outcome r = run(QStringList{QStringLiteral("--histories"),
                                      QStringLiteral("1e6"),
                                      QStringLiteral("--preview"),
                                      QStringLiteral("--name"),
                                      QStringLiteral("walk"),
                                      QStringLiteral("--quantity"),
                                      QStringLiteral("dose-equivalent"),
                                      QStringLiteral("--png"),
                                      QStringLiteral("walk.png"),
                                      QStringLiteral("--csv"),
                                      QStringLiteral("walk.csv"),
                                      QStringLiteral("--workload"),
                                      QStringLiteral("６０"),
                                      QStringLiteral("--period"),
                                      QStringLiteral("quarter"),
                                      QStringLiteral("--limit"),
                                      QStringLiteral("放射線診療従事者（1年）"),
                                      QStringLiteral("--limit"),
                                      QStringLiteral("管理区域境界"),
                                      QStringLiteral("--room"),
                                      QStringLiteral("plan.Room"),
                                      QStringLiteral("--room-png"),
                                      QStringLiteral("room.png"),
                                      QStringLiteral("--points"),
                                      QStringLiteral("plan.Room.points"),
                                      QStringLiteral("--points-csv"),
                                      QStringLiteral("points.csv")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("points.csv"), std::string::npos) << r.out;

    const auto loaded = results::loadMergedFile(dir / "F2B.dat");
    ASSERT_TRUE(loaded);
    const results::DoseGrid& grid = loaded->doseEquivalent;
    // 60 minutes a week for 13 weeks; the unit by the largest value of the map.
    const double minutes = 60.0 * 13;
    const bool milli = loaded->doseEquivalentExtremes.maximum * minutes >= 1000;
    const double factor = milli ? minutes / 1000 : minutes;
    // The levels per minute: 1.3 mSv / 780 min and 50 mSv / 3120 min.
    const double quarterLevel = 1300 / minutes;
    const double yearLevel = 50000 / (60.0 * 52);

    const auto rows = csvRows(dir / "points.csv");
    ASSERT_EQ(rows.size(), points.size() + 1);
    EXPECT_EQ(readFile(dir / "points.csv").substr(0, 3), "\xEF\xBB\xBF");
    ASSERT_EQ(rows[0].size(), 8); // name, x, c, dose, error, two shares, remark
    // The levels in the order of the list, whatever the order given.
    EXPECT_TRUE(rows[0][5].contains(QStringLiteral("管理区域境界")));
    EXPECT_TRUE(rows[0][6].contains(QStringLiteral("放射線診療従事者（1年）")));
    EXPECT_TRUE(rows[0][3].contains(dose::unitText(
        results::Quantity::DoseEquivalent,
        dose::displayScale(dose::Period::Quarter, 60, loaded->doseEquivalentExtremes.maximum))));
    auto percent = [](const QString& text) { return text.chopped(2).toDouble(); };
    // Shares are written to a tenth of a percent below 1 %, else to a percent.
    auto rounding = [](double share) { return share < 0.95 ? 0.05 : 0.5 + 1e-9; };
    struct Expected {
        int x, c;
        bool outsideWalls;
    };
    const Expected inMap[] = {{80, 0, false}, {150, 100, false}, {80, 0, false}, {370, 0, true}};
    for (std::size_t k = 0; k < std::size(inMap); ++k) {
        SCOPED_TRACE(k);
        // The name with a comma is quoted: its row has two more fields when split.
        QStringList row = rows[k + 1];
        if (row.size() == 9)
            row = QStringList{row[0] + QLatin1Char(',') + row[1]} + row.mid(2);
        ASSERT_EQ(row.size(), 8);
        EXPECT_EQ(row[1].toInt(), inMap[k].x);
        EXPECT_EQ(row[2].toInt(), inMap[k].c);
        // The read-out's cell at the same place: j = x - 19, i = c + 301.
        const double perMinute = grid.at(inMap[k].x - 19, inMap[k].c + 301);
        ASSERT_GT(perMinute, 0);
        EXPECT_NEAR(row[3].toDouble(), perMinute * factor, 5e-4 * perMinute * factor);
        EXPECT_TRUE(row[4].contains(QLatin1Char('%'))) << row[4].toStdString();
        const double quarterShare = 100 * perMinute / quarterLevel;
        const double yearShare = 100 * perMinute / yearLevel;
        EXPECT_NEAR(percent(row[5]), quarterShare, rounding(quarterShare));
        EXPECT_NEAR(percent(row[6]), yearShare, rounding(yearShare));
        EXPECT_EQ(row[7], inMap[k].outsideWalls ? namedpoints::notShieldedText() : QString());
    }
    EXPECT_EQ(rows[1][3], rows[3][3]); // the same dose on the other side
    EXPECT_EQ(rows[2][0], QStringLiteral("\"看護師"));
    const QStringList far = rows[5];
    EXPECT_EQ(far[3], namedpoints::outsideMapText());
    EXPECT_EQ(far[5], namedpoints::outsideMapText());
    EXPECT_EQ(far[6], namedpoints::outsideMapText());
    EXPECT_EQ(far[7], QString()); // beyond the walls too, but no value to mark

    // The grid CSV stays per minute, as F2B.dat.
    const auto merged = textrec::readLines(dir / "F2B.dat");
    const auto written = csvRows(dir / "walk.csv");
    ASSERT_TRUE(merged);
    ASSERT_EQ(written.size(), 602u);
    const std::string field = (*merged)[601 + 300].substr(80 * 11, 11);
    EXPECT_EQ(written[301][81].toStdString(), field.substr(field.find_first_not_of(' ')));

    // The page: both lines in their colours where the map crosses them, and
    // a sample of each in the key under the picture.
    page::PageContent content;
    const page::PageLayout layout = page::pageLayout(content);
    const QImage page = QImage(QString::fromStdString((dir / "walk.png").string()));
    ASSERT_FALSE(page.isNull());
    const std::vector<dose::ReferenceLevel>& levels = dose::builtInLevels();
    // The line of the year's level (brown, the fifth of the list), 50 mSv in
    // 3120 minutes, where the map crosses 16.0 μSv/min.
    const std::size_t index = 4;
    const QRgb colour = limitlines::lineColour(index).rgb() & 0xffffffu;
    const auto line = contours::traceContour(grid, *limitlines::perMinuteOf(levels[index], 60));
    ASSERT_EQ(line.reach, contours::Reach::Crossed);
    int inKey = 0;
    for (int y = int(2 * layout.picture.bottom()); y < page.height(); ++y)
        for (int x = 0; x < 2 * 80; ++x)
            inKey += (page.pixel(x, y) & 0xffffffu) == colour;
    EXPECT_GT(inKey, 20);
    int inPicture = 0;
    for (int y = int(2 * layout.picture.top()); y < int(2 * layout.picture.bottom()); ++y)
        for (int x = int(2 * layout.picture.left()); x < int(2 * layout.picture.right()); ++x)
            inPicture += (page.pixel(x, y) & 0xffffffu) == colour;
    EXPECT_GT(inPicture, 40);
}
