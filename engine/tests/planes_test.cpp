// Whole runs that map more planes than the written one: the written map stays
// as it was, a disc that two maps share holds one value, the tube below the
// table is the mirror of the tube above, the dose above and below the centre
// plane, and the files written beside each map.
#include "geometry.h"
#include "planes.h"
#include "result.h"
#include "run.h"
#include "work_folder.h"

#include <textrec/planes.h>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace quenro;
using enginetest::jobText;
using enginetest::recordsOf;
using enginetest::WorkFolder;
namespace planes = textrec::planes;

namespace {

int runInProcess(const WorkFolder& folder, const RunOptions& options = {},
                 std::string* out = nullptr, std::string* err = nullptr) {
    std::istringstream in("\n\n");
    std::ostringstream o, e;
    const int status = runEngine(in, o, e, folder.path(), options);
    if (out)
        *out = o.str();
    if (err)
        *err = e.str();
    return status;
}

// The fixture job under `name` with `histories`, followed by the request's lines.
std::string job(const std::string& name, const planes::PlaneRequest& request,
                const std::string& histories = "2.000E+05", const std::string& fsd = "60.0") {
    return jobText("2.259E-03", fsd, "20.0", "20.0", histories, name) +
           planes::jobFileLines(request);
}

// Line `line` (1-based) of a result or uncertainty file.
std::string lineOf(const std::string& text, int line) {
    return recordsOf(text).at(std::size_t(line - 1));
}

// Row j of the kerma map (first = 14) or of the dose-equivalent map (first = 76).
std::string row(const std::string& text, int first, int j) {
    return lineOf(text, first + j - 1);
}

// Value of column i, row j of the kerma map.
double kermaAt(const std::string& text, int i, int j) {
    return std::stod(row(text, 14, j).substr(std::size_t(11 * (i - 1)), 11));
}

// The whole-run options of the default run on `threads` threads, short chunks.
RunOptions threadsOf(int threads) {
    RunOptions options;
    options.threads = threads;
    options.chunk = 2000;
    return options;
}

} // namespace

TEST(Planes, WrittenMapIsTheSameWithAndWithoutExtraPlanes) {
    const planes::PlaneRequest many{
        100, {0, 30, 50, 80, 120, 150, 170, 400}, true, planes::Tube::Above};
    planes::PlaneRequest below = many;
    below.tube = planes::Tube::Below;
    struct Case {
        const char* what;
        planes::PlaneRequest request;
        RunOptions options;
    };
    RunOptions single;
    single.singleStream = true;
    std::vector<Case> cases = {
        {"default run, 1 thread", many, threadsOf(1)},
        {"default run, 3 threads", many, threadsOf(3)},
        {"single stream", many, single},
    };
    if (geometryCode == 1)
        cases.push_back({"tube below", below, threadsOf(2)});
    for (const Case& c : cases) {
        WorkFolder plain, more;
        plain.write("B2F.txt", job("w.data", {}));
        more.write("B2F.txt", job("w.data", c.request));
        ASSERT_EQ(runInProcess(plain, c.options.singleStream ? single : threadsOf(2)), 0);
        std::string err;
        ASSERT_EQ(runInProcess(more, c.options, nullptr, &err), 0) << err;
        EXPECT_TRUE(plain.read("w.data") == more.read("w.data")) << c.what;
        EXPECT_TRUE(plain.read("w.data.unc") == more.read("w.data.unc")) << c.what;
        EXPECT_TRUE(more.exists("w_h400.data") && more.exists("w_vs.data.unc")) << c.what;
        // A six-line job writes no plane record; with the request the written
        // map has one, at the centre height.
        EXPECT_FALSE(plain.exists("w.data.plane")) << plain.listing();
        const auto record = planes::readPlaneRecordBeside(more.file("w.data"));
        ASSERT_TRUE(record.has_value()) << c.what;
        EXPECT_EQ(record->kind, planes::PlaneKind::Horizontal);
        EXPECT_EQ(record->height, 100);
    }
}

TEST(Planes, ADiscInTwoMapsHoldsTheSameValueInTheirFiles) {
    // Heights whose planes lie a multiple of 10 cm from the centre: the
    // vertical section's row at that height holds the horizontal map's row
    // c = 0, and its row at the centre height the written map's.
    WorkFolder folder;
    const planes::PlaneRequest request{120, {70, 170, 400, 120}, true, planes::Tube::Above};
    folder.write("B2F.txt", job("d.data", request, "1.000E+06"));
    ASSERT_EQ(runInProcess(folder, threadsOf(2)), 0);
    const auto section = planes::readPlaneRecordBeside(folder.file("d_vs.data"));
    ASSERT_TRUE(section.has_value());
    ASSERT_EQ(section->kind, planes::PlaneKind::VerticalSection);
    for (const char* suffix : {"", ".unc"}) {
        const std::string vs = folder.read(std::string("d_vs.data") + suffix);
        for (const auto& [name, height] : {std::pair{"d.data", 120.0},
                                           {"d_h70.data", 70.0},
                                           {"d_h170.data", 170.0},
                                           {"d_h400.data", 400.0}}) {
            int j = 1;
            while (j <= 61 && planes::sectionRowHeight(*section, j) != height)
                ++j;
            ASSERT_LE(j, 61) << height;
            const std::string map = folder.read(name + std::string(suffix));
            EXPECT_EQ(row(map, 14, 31), row(vs, 14, j)) << name << suffix << " row " << j;
            EXPECT_EQ(row(map, 76, 31), row(vs, 76, j)) << name << suffix << " row " << j;
            // Cells beside the phantom were scored, not merely both zero.
            if (height == 120.0 || height == 170.0) {
                EXPECT_GT(kermaAt(map, 4, 31), 0.0) << name;
            }
        }
    }
}

TEST(Planes, TubeBelowTheTableIsTheMirrorOfTheTubeAbove) {
    if constexpr (geometryCode != 1) {
        // The standing patient has no table: the tube below is refused.
        WorkFolder folder;
        folder.write("B2F.txt", job("s.data", {100, {}, true, planes::Tube::Below}));
        std::string err;
        EXPECT_NE(runInProcess(folder, threadsOf(1), nullptr, &err), 0);
        EXPECT_NE(err.find("B2F.txt, line 10"), std::string::npos) << err;
        EXPECT_FALSE(folder.exists("s.data"));
        return;
    }
    // The plane at height offset +o with the tube below is the plane at -o
    // with the tube above; the vertical section's rows come in reverse order.
    WorkFolder below, above;
    below.write("B2F.txt", job("m.data", {95, {145, 35, 190}, true, planes::Tube::Below}));
    above.write("B2F.txt", job("m.data", {95, {45, 155, 0}, true, planes::Tube::Above}));
    ASSERT_EQ(runInProcess(below, threadsOf(2)), 0);
    ASSERT_EQ(runInProcess(above, threadsOf(3)), 0);
    const std::pair<const char*, const char*> mirrors[] = {
        {"m.data", "m.data"},
        {"m_h145.data", "m_h45.data"},
        {"m_h35.data", "m_h155.data"},
        {"m_h190.data", "m_h0.data"},
    };
    for (const auto& [b, a] : mirrors)
        for (const char* suffix : {"", ".unc"})
            EXPECT_TRUE(below.read(b + std::string(suffix)) == above.read(a + std::string(suffix)))
                << b << " against " << a << suffix;
    for (const char* suffix : {"", ".unc"}) {
        const std::string b = below.read(std::string("m_vs.data") + suffix);
        const std::string a = above.read(std::string("m_vs.data") + suffix);
        for (int line = 1; line <= 13; ++line)
            EXPECT_EQ(lineOf(b, line), lineOf(a, line));
        for (int first : {14, 76})
            for (int j = 1; j <= 61; ++j)
                EXPECT_EQ(row(b, first, j), row(a, first, 62 - j)) << suffix << " row " << j;
        EXPECT_NE(row(a, 14, 25), row(a, 14, 37)); // not symmetric by itself
    }
    const auto record = planes::readPlaneRecordBeside(below.file("m_h145.data"));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->tube, planes::Tube::Below);
    EXPECT_EQ(record->height, 145);
}

TEST(Planes, DoseBesideThePatientAboveAndBelowTheCentrePlane) {
    // The physical data and the benchmark spectrum (80 kV, 2.5 + 1.5 mm Al),
    // 20 x 20 cm at FSD 90 cm; the cell at x = 50 cm, c = 0 of the planes
    // 60 cm above and below the centre.
    WorkFolder folder;
    for (const char* name : {"ICRUSoft.dat", "Air.eac", "Ak2Sv.dat"})
        folder.write(name, enginetest::readFile(std::filesystem::path(SOURCE_DIR) / "data" / name));
    folder.write("B_SPCTL.dat", enginetest::readFile(std::filesystem::path(SOURCE_DIR) / "bench" /
                                                     "engine" / "B_SPCTL.dat"));
    folder.write("B2F.txt",
                 job("p.data", {100, {160, 40}, false, planes::Tube::Above}, "2.000E+06", "90.0"));
    ASSERT_EQ(runInProcess(folder, threadsOf(2)), 0);
    auto cell = [&](const char* name) {
        const double value = kermaAt(folder.read(name), 6, 31);
        const double error = kermaAt(folder.read(name + std::string(".unc")), 6, 31);
        return std::pair{value, error};
    };
    const auto [centre, ec] = cell("p.data");
    const auto [up, eu] = cell("p_h160.data");
    const auto [down, ed] = cell("p_h40.data");
    ASSERT_GT(centre, 0.0);
    const double rUp = up / centre, sUp = rUp * std::hypot(eu, ec);
    const double rDown = down / centre, sDown = rDown * std::hypot(ed, ec);
    if constexpr (geometryCode == 1) {
        // Lying, tube above: photons scattered back towards the tube give more
        // dose 60 cm above the centre (about 1.7 times), the patient's shadow
        // much less 60 cm below (about a quarter).
        EXPECT_GT(rUp - 1.0, 5.0 * sUp) << rUp << " +- " << sUp;
        EXPECT_NEAR(rUp, 1.75, 0.2 + 2.0 * sUp);
        EXPECT_GT(1.0 - rDown, 5.0 * sDown) << rDown << " +- " << sDown;
        EXPECT_NEAR(rDown, 0.26, 0.06 + 2.0 * sDown);
    } else {
        // Standing: the phantom and the beam are symmetric in y, so the planes
        // 60 cm above and below the centre hold the same dose, less than the
        // centre plane, which the beam crosses.
        EXPECT_LT(std::fabs(rUp - rDown), 4.0 * std::hypot(sUp, sDown)) << rUp << " " << rDown;
        EXPECT_GT(1.0 - rUp, 5.0 * sUp) << rUp << " +- " << sUp;
    }
}

TEST(Planes, EachMapHasItsUncertaintyAndPlaneRecordAndTheTitleNamesThem) {
    WorkFolder folder;
    const planes::PlaneRequest request{100, {150, 100}, true, planes::Tube::Above};
    folder.write("B2F.txt", job("f.data", request, "2.000E+04"));
    // Files of an earlier run of the same names: the new run replaces them.
    folder.write("f_vs.data.plane", "position lying\r\n");
    folder.write("f_vs.data.unc", "older\r\n");
    std::string out;
    ASSERT_EQ(runInProcess(folder, threadsOf(2), &out), 0);
    std::string expectedTitle = "            ファントム中心：床上 100 cm";
    if (geometryCode == 1)
        expectedTitle += "、Ｘ線管：寝台の上";
    expectedTitle += "\n            f.data：床上 100 cm の水平面\n"
                     "            f_h150.data：床上 150 cm の水平面\n"
                     "            f_vs.data：鉛直断面（患者中心を横切る面）\n\n"
                     "  ---   Enter キーを押すと計算が開始されます ---\n";
    EXPECT_NE(out.find(expectedTitle), std::string::npos) << out;
    for (const char* name : {"f.data", "f_h150.data", "f_vs.data"}) {
        EXPECT_EQ(recordsOf(folder.read(name)).size(), std::size_t(resultFileLines)) << name;
        EXPECT_EQ(recordsOf(folder.read(name + std::string(".unc"))).size(),
                  std::size_t(resultFileLines))
            << name;
        // The header of every map is the written map's.
        for (int line = 1; line <= 12; ++line)
            EXPECT_EQ(lineOf(folder.read(name), line), lineOf(folder.read("f.data"), line));
        const auto record = planes::readPlaneRecordBeside(folder.file(name));
        ASSERT_TRUE(record.has_value()) << name;
        EXPECT_EQ(record->position, patientPosition);
        EXPECT_EQ(record->centreHeight, 100);
    }
    EXPECT_EQ(planes::readPlaneRecordBeside(folder.file("f_vs.data"))->kind,
              planes::PlaneKind::VerticalSection);
    EXPECT_FALSE(folder.exists("f_h100.data")); // the centre height is the written map
    EXPECT_EQ(folder.listing().find(".tmp"), std::string::npos) << folder.listing();

    // The same name run again as a six-line job: its map is no longer
    // described by the plane record of the run before.
    folder.write("B2F.txt", job("f.data", {}, "2.000E+04"));
    ASSERT_EQ(runInProcess(folder, threadsOf(1), &out), 0);
    EXPECT_FALSE(folder.exists("f.data.plane")) << folder.listing();
    EXPECT_EQ(out.find("ファントム中心"), std::string::npos);
}

TEST(Planes, PlaneLinesOutsideTheirLimitsStopTheEngineBeforeTheRun) {
    struct Case {
        std::string name, lines, named;
    };
    const std::string centre = "centre-height 100\r\n";
    const Case cases[] = {
        // 24 characters typed: "_h150" makes the name 34 characters long.
        {"abcdefghijklmnopqrstuvwx.data", centre + "heights 150\r\n", "B2F.txt, line 8"},
        {"a.data", centre + "heights 150 -20\r\n", "B2F.txt, line 8"},
        {"a.data", centre + "heights 150 170 40 30 20 10 0 180 190\r\n", "B2F.txt, line 8"},
        {"a.data", centre + "heights 401\r\n", "B2F.txt, line 8"},
        {"a.data", centre + "heights 150\r\nwalk1.data\r\n", "B2F.txt, line 9"},
        {"a.data", "heights 150\r\n", "B2F.txt, line 7"},
    };
    for (const Case& c : cases) {
        WorkFolder folder;
        folder.write("B2F.txt",
                     jobText("2.259E-03", "60.0", "20.0", "20.0", "1.000E+03", c.name) + c.lines);
        const std::string before = folder.listing();
        std::string out, err;
        EXPECT_NE(runInProcess(folder, threadsOf(1), &out, &err), 0) << c.lines;
        EXPECT_NE(err.find(c.named), std::string::npos) << err;
        EXPECT_EQ(out.find("モンテカルロ"), std::string::npos) << c.lines;
        EXPECT_EQ(folder.listing(), before) << c.lines;
    }
}
