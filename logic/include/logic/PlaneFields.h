// The conditions window's fields for maps in other planes than the written
// one: the height of the phantom's centre above the floor, the heights to map,
// the vertical section and where the X-ray tube is. They are read and checked
// here, without widgets, with the checks the engine makes on the job file
// (textrec/planes.h), and a refusal is the message the window shows.
#pragma once

#include <textrec/planes.h>

#include <QString>
#include <string_view>
#include <vector>

namespace planefields {

// What the fields hold, as typed.
struct TypedPlanes {
    QString centreHeight; // cm above the floor
    QString heights;      // the list of heights above the floor, cm
    bool verticalSection = false;
    bool tubeBelow = false; // the lying patient only: the standing patient has the tube above
};

// The field a refusal is about, so that the window can give it the focus.
enum class Field { None, CentreHeight, Heights, Tube, ResultName };

// The name of a field as the messages give it.
QString fieldName(Field field);

// How a message names what the user gave: the window's fields (quoted), or
// scatter-map's options with their values.
struct FieldNames {
    QString centreHeight;
    QString heights;
    QString tube;
    QString resultName;
    QString focusSkinDistance;
    QString lying; // the lying position, which alone has the tube below
};
FieldNames windowFieldNames();

// The message for a failed shared check (textrec/planes.h) of `request`, and
// the field it is about. `centreCheck`: the check was checkCentreHeight's.
struct Refusal {
    Field field = Field::None;
    QString message;
};
Refusal refusalOf(const textrec::planes::Check& check, bool centreCheck,
                  const textrec::planes::PlaneRequest& request, textrec::planes::Position position,
                  double focusSkinDistance, const FieldNames& names);

// The list of heights as typed: entries separated by commas (",", "，", "、")
// or blanks (also tabs and the ideographic blank), each one number; full-width
// digits, point and signs read as in every numeric field. Empty entries (",,",
// a trailing comma) are skipped.
struct HeightList {
    std::vector<double> heights;
    QString notANumber; // the first entry that is not a number, as typed; empty when all read
};
HeightList readHeightList(const QString& text);

struct PlaneReading {
    textrec::planes::PlaneRequest request;
    Field field = Field::None; // the field refused
    QString refusal;           // the message naming it; empty when the run may go on
    bool ok() const { return field == Field::None; }
};

// Reads the fields for a run of `position` with its focus-skin distance and
// its result file name (the bytes of the job file's line 6, ".data"
// included) and checks them in the order of the job file's lines, the names of
// the result files last: a centre height that is not a number or puts the
// phantom below the floor, a height that is not a number, below the floor, more
// than 300 cm from the centre, asked twice, or more than 8 of them, the tube
// below the table with the focus under the floor, and a result file name
// longer than the merger and the correction read. For the standing patient
// the tube is above whatever `typed` says.
PlaneReading readPlanes(const TypedPlanes& typed, textrec::planes::Position position,
                        double focusSkinDistance, std::string_view resultFileName);

} // namespace planefields
