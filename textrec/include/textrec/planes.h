// Maps in other planes than the horizontal one through the phantom's centre:
// horizontal planes at chosen heights above the floor and the vertical section
// across the patient, and where the X-ray tube is. Shared by the window
// program (which asks for them in the job file), the engine (which reads the
// request and writes one result file per plane with a plane record beside it)
// and every program that shows or copies such a result.
//
// The job file B2F.txt may go on after its six lines with four lines of the
// request, one "key value" each, in any order; an old six-line file (or one
// followed by blank lines only) asks for nothing beyond the written map:
//
//     centre-height 100        the phantom centre's height above the floor, cm
//     heights 150 170          heights above the floor to map, cm (none: "heights")
//     vertical-section yes     the vertical section across the patient (or "no")
//     tube above               where the X-ray tube is, "above" or "below" the table
//
// centre-height must be given when any of the others is; the others default
// to no heights, no vertical section and the tube above. Heights are whole
// centimetres, at most 8 of them, none below the floor, none more than 300 cm
// from the centre, none twice. A height equal to the centre height is the
// written map itself and gets no file of its own. Only the lying patient has
// a tube below the table.
//
// Each extra map is a result file of its own in the written 136-line layout,
// named after the result with a suffix before ".data" ("walk1_h150.data",
// "walk1_vs.data"), with its uncertainty file and its plane record
// ("walk1_h150.data.plane") beside it. The written map gets a plane record
// when the job carries the request lines, and none for a six-line job (its
// map is the horizontal plane through the centre at a height nobody gave).
//
// Rows of a map: row j (1..61) stands for c_j = 10 (j - 1) - 300 cm. In a
// horizontal map the rows run along the patient (lying) or along the beam
// (standing), as in the written map. In the vertical section of the lying
// patient row j lies c_j below the centre (row 1 is 300 cm above it), of the
// standing patient c_j above it (row 1 is 300 cm below); sectionRowHeight()
// gives the height of a row. The same holds with the tube below the table.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace textrec {
class LineReader;
}

namespace textrec::planes {

// The patient's position, as the result file's first value says it.
enum class Position { Lying = 1, Standing = 2 };
// Where the X-ray tube is: above the table, the beam running down (as the
// engine follows it), or below it. The standing patient has the tube above
// (the setting means nothing for a horizontal beam).
enum class Tube { Above, Below };

inline constexpr int maxHeights = 8;
// The rows of a map reach 300 cm from the centre on either side.
inline constexpr double maxPlaneDistance = 300;    // cm
inline constexpr double defaultCentreHeight = 100; // cm
inline constexpr double maxCentreHeight = 1000;    // cm
// The phantom stands on or above the floor: its centre is at least half its
// thickness (lying, 20 cm thick) or half its length (standing, 60 cm long) up.
double minCentreHeight(Position position);

struct PlaneRequest {
    double centreHeight = defaultCentreHeight; // cm above the floor
    std::vector<double> heights;               // cm above the floor, as asked
    bool verticalSection = false;
    Tube tube = Tube::Above;
};

// Whether a request asks for anything beyond the written run: a height, the
// vertical section or the tube below the table.
bool asksForMore(const PlaneRequest& request);

// ---------------------------------------------------------------------------
// Checks, shared by the window program, scatter-map and the readers below
// ---------------------------------------------------------------------------

enum class Problem {
    None,
    NotANumber,        // a value that is not a finite number
    NotWhole,          // a height that is not a whole number of centimetres
    CentreTooLow,      // the phantom would reach below the floor
    CentreTooHigh,     // above maxCentreHeight
    BelowFloor,        // a height below 0
    TooFarFromCentre,  // a plane more than 300 cm from the centre
    TooManyHeights,    // more than maxHeights
    RepeatedHeight,    // a height asked twice
    TubeBelowStanding, // the tube below the table for a standing patient
    FocusBelowFloor,   // with the tube below, the focus would be under the floor
    NameTooLong,       // a result file name longer than the merger reads
};

struct Check {
    Problem problem = Problem::None;
    double value = 0; // the height, centre height or count refused
    std::string name; // NameTooLong: the result file name that is too long
    bool ok() const { return problem == Problem::None; }
};

// Why a check fails, in English, for the console programs' messages.
std::string problemText(const Check& check, Position position);

Check checkCentreHeight(double centreHeight, Position position);
// The heights in order: each a whole number of centimetres, not below the
// floor, within 300 cm of the centre; at most maxHeights; none twice.
Check checkHeights(std::span<const double> heights, double centreHeight);
// With the tube below the table (lying only) the focus lies focusSkinDistance
// below the phantom's underside, which must not be below the floor.
Check checkTube(Tube tube, Position position, double centreHeight, double focusSkinDistance);
// The merger and the correction read at most 30 characters of the merge
// request: every result file a job writes must have a name that fits.
Check checkResultNames(std::string_view resultName, const PlaneRequest& request);
// All of the above in the order of the job file's lines.
Check checkRequest(const PlaneRequest& request, Position position, double focusSkinDistance,
                   std::string_view resultName);

// ---------------------------------------------------------------------------
// The job file's lines
// ---------------------------------------------------------------------------

// The lines that follow line 6 of B2F.txt: "" when the request asks for
// nothing more (the job file stays as the window has always written it),
// otherwise the four CR LF records above.
std::string jobFileLines(const PlaneRequest& request);

// Reads what follows line 6 of B2F.txt from `reader`, which has just read
// line 6: nothing when only blank lines follow. Throws InputError naming the
// file and the line for an unknown or repeated key, a value that is not what
// the key takes, or a request that fails checkRequest.
struct JobContext {
    std::string_view resultName;
    Position position = Position::Lying;
    double focusSkinDistance = 0;
};
std::optional<PlaneRequest> readJobFileLines(LineReader& reader, const JobContext& job);

// ---------------------------------------------------------------------------
// The maps a request makes and their names
// ---------------------------------------------------------------------------

enum class PlaneKind { Horizontal, VerticalSection };

// One map beyond the written one.
struct ExtraPlane {
    PlaneKind kind = PlaneKind::Horizontal;
    double height = 0;  // Horizontal: cm above the floor
    std::string suffix; // what its result name adds before ".data": "_h150", "_vs"
};

// The extra maps in the order the engine writes them: the heights as asked
// (a height equal to the centre height is the written map), then the
// vertical section.
std::vector<ExtraPlane> extraPlanes(const PlaneRequest& request);

// The result file name of a map: `suffix` inserted before the result name's
// ".data", or appended to a name without it.
std::string planeResultName(std::string_view resultName, std::string_view suffix);

// The longest of the result file names a job writes (the result name itself
// when the request adds no map).
std::string longestResultName(std::string_view resultName, const PlaneRequest& request);

// ---------------------------------------------------------------------------
// The plane record beside a result file
// ---------------------------------------------------------------------------

// What plane a result file maps: four "key value" lines with CR LF, e.g.
//     position lying
//     tube above
//     centre-height 100
//     plane horizontal 150      (or "plane vertical-section")
struct PlaneRecord {
    Position position = Position::Lying;
    Tube tube = Tube::Above;
    double centreHeight = defaultCentreHeight; // cm above the floor
    PlaneKind kind = PlaneKind::Horizontal;
    double height = defaultCentreHeight; // Horizontal: cm above the floor
};

// The record of the written map and of an extra map of a request.
PlaneRecord writtenPlaneRecord(const PlaneRequest& request, Position position);
PlaneRecord extraPlaneRecord(const PlaneRequest& request, Position position,
                             const ExtraPlane& plane);

// The record beside a result file: its name followed by ".plane" (also for a
// corrected ".datC" file, which keeps its source's record).
std::filesystem::path planeRecordPath(const std::filesystem::path& resultFile);

std::string planeRecordText(const PlaneRecord& record);

// Reads a plane record; throws InputError naming the file and the line when
// it cannot be read or does not hold a sound record.
PlaneRecord readPlaneRecord(const std::filesystem::path& path);

// The record beside `resultFile`: nothing when there is none (a result of a
// six-line job, or of a run before plane records); throws InputError as
// readPlaneRecord does when one is there but unsound.
std::optional<PlaneRecord> readPlaneRecordBeside(const std::filesystem::path& resultFile);

// Gives `to` (a result file, such as a corrected copy) the plane record of
// `from`: a copy of it, or none when `from` has none (a record left from
// an earlier file of that name is removed). Returns false and fills `error`.
bool copyPlaneRecord(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error = nullptr);

// Height above the floor, cm, of row j (1..61) of the vertical section.
double sectionRowHeight(const PlaneRecord& record, int row);

} // namespace textrec::planes
