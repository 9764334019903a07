// The command line of scatter-map: the conditions of a run with the
// conditions window's units and defaults, the quantity of the map and the
// files to write, and the checks that refuse a run before anything is
// written. The checks of the numbers and of the result name are the
// conditions window's own (jobfile::checkRunNumbers, jobfile::checkResultName).
#pragma once

#include "XrayTubeModel.h"
#include "logic/Uncertainty.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <variant>

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
    int threads = 0; // the engine's threads; 0: every hardware thread
    bool help = false;

    // The mean tube current of the run, in mA, as the conditions window forms
    // it: the current itself, or current x rate x width x 0.001 written in
    // its field and read back.
    double meanTubeCurrent() const;
};

// Reads the arguments that follow the program name; `today` gives the default
// name. A refusal is the message, naming the argument.
std::variant<BatchOptions, QString> parseArguments(const QStringList& arguments,
                                                   const QDate& today);

// The conditions window's checks and those of the files to write, in the
// working folder `folder`: an empty text, or the refusal naming the argument.
QString checkOptions(const BatchOptions& options, const QString& folder);

// The text of --help: every option with its unit and default.
QString usageText();

} // namespace batch
