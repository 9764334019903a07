// The command line of scatter-map: the conditions of a run with the
// conditions window's units and defaults, the planes to map, the quantity of
// the map and the files to write, and the checks that refuse a run before
// anything is written. The checks of the numbers and of the result name are
// the conditions window's own (jobfile::checkRunNumbers,
// jobfile::checkResultName), those of the planes the engine's
// (textrec::planes::checkRequest).
#pragma once

#include "XrayTubeModel.h"
#include "logic/DosePeriod.h"
#include "logic/NamedPoints.h"
#include "logic/ReferenceLevels.h"
#include "logic/Uncertainty.h"
#include "textrec/planes.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace batch {

// A trial map (--preview) may use as few histories as this; the window asks
// for 10^8.
inline constexpr double kPreviewMinimumHistories = 1000000;

struct BatchOptions {
    double tubeVoltage = 80;         // kV
    double targetAngle = 12;         // degrees
    double inherentFiltration = 2.5; // mm Al equivalent
    double addedAluminium = 1.5;     // mm
    double addedCopper = 0;          // mm
    int rectificationMode = Module1::kConstantPotential;
    double tubeCurrent = 1; // mA: continuous, or the current during a pulse
    // Pulsed fluoroscopy: the pulse rate (pps) and width (ms).
    std::optional<std::array<double, 2>> pulses;
    double focusSkinDistance = 90; // cm
    double fieldLength = 20;       // cm
    double fieldWidth = 20;        // cm
    bool standing = false;         // Quenro-22, else lying: Quenro-11
    // The maps beyond the written one: horizontal planes at heights above
    // the floor and the vertical section across the patient, and where the
    // tube is (textrec/planes.h).
    double centreHeight = textrec::planes::defaultCentreHeight; // cm above the floor
    std::vector<double> heights;                                // cm above the floor
    bool sideView = false;                                      // the vertical section
    textrec::planes::Tube tube = textrec::planes::Tube::Above;
    double photonCount = 1000000000;
    bool preview = false;
    QString name;         // the result name without ".data"
    bool replace = false; // an existing result of that name may be replaced
    results::Quantity quantity = results::Quantity::Kerma;
    bool hatch = false;
    QString png;     // the map's page
    QString csv;     // the fine grid
    QString room;    // a ".Room" layout
    QString roomPng; // the map over it
    bool bothSides = false;
    // Doses per period: the minutes of fluoroscopy a week (0: none given)
    // and the period the pages and the points show.
    double minutesPerWeek = 0;
    dose::Period period = dose::Period::PerMinute;
    // The built-in reference levels drawn as lines, by name, as given.
    QStringList limits;
    QString points;    // a points file of the --room layout
    QString pointsCsv; // the dose at each of its points
    int threads = 0;   // the engine's threads; 0: every hardware thread
    bool help = false;

    // The levels of --limit, in the order of the built-in list, and for each
    // level of that list whether it was given.
    std::vector<dose::ReferenceLevel> limitLevels() const;
    std::vector<bool> tickedLimits() const;

    // The mean tube current of the run, in mA, as the conditions window forms
    // it: the current itself, or current x rate x width x 0.001 written in
    // its field and read back.
    double meanTubeCurrent() const;
    // The planes asked for, as the job file takes them.
    textrec::planes::PlaneRequest planeRequest() const;
    textrec::planes::Position planePosition() const;
    // The result file as the engine writes it: the name's bytes and ".data".
    std::string resultFileBytes() const;
};

// One map of a run: the written one or an extra plane, its result file and
// the outputs written for it.
struct PlaneOutput {
    std::string suffix; // what its result name adds: "" (the written map), "_h150", "_vs"
    bool verticalSection = false;
    QString resultFile; // "walk1_h150.data"
    // Its page, grid and room page, named after the options' by the suffix
    // ("walk1_h150.png"); empty when the option is not given. The vertical
    // section has no room page: a room plan lies in a horizontal plane.
    QString png;
    QString csv;
    QString roomPng;
    // The points' CSV of a horizontal plane ("points_h150.csv"); none for the
    // vertical section.
    QString pointsCsv;
};

// The maps of a run in the order they are merged and written: the extra
// planes in the engine's order, then the written map, so that "FLname.txt"
// and "F2B.dat" are left as the written map's, as a run without planes
// leaves them.
std::vector<PlaneOutput> planeOutputs(const BatchOptions& options);

// The name of an output for the map of a plane: `suffix` before the file
// name's extension ("walk1.png" -> "walk1_h150.png", "sub/grid" ->
// "sub/grid_vs"); the name itself for the written map (empty suffix).
QString outputForPlane(const QString& file, const std::string& suffix);

// Reads the arguments that follow the program name; `today` gives the default
// name. A refusal is the message, naming the argument.
std::variant<BatchOptions, QString> parseArguments(const QStringList& arguments,
                                                   const QDate& today);

// The conditions window's checks and those of the files to write, in the
// working folder `folder`: an empty text, or the refusal naming the argument.
QString checkOptions(const BatchOptions& options, const QString& folder);

// The points of a points file named by --points, read as the layout
// editor reads the file beside a layout; nothing, and in `error` the file
// and the line, when it cannot be read whole.
std::optional<std::vector<namedpoints::NamedPoint>> readPointsFile(const QString& file,
                                                                   QString& error);

// The text of --help: every option with its unit and default.
QString usageText();

} // namespace batch
