// The plane a dose map lies in, as the plane record beside its result file
// says (textrec/planes.h), and how the viewer's map picture lays it out.
//
// A result without a plane record maps the horizontal plane through the
// phantom's centre, as every result did before the records. A horizontal
// plane at another height is drawn as that one: x across, c along the rows.
// The vertical section across the patient is drawn with the height above the
// floor upwards: picture row Y shows the height centre + 300 - Y cm, whatever
// the patient's position, and the rows below the floor are neither painted
// nor read.
#pragma once

#include "textrec/planes.h"

#include <QString>

#include <filesystem>
#include <optional>

namespace results {

using PlaneRecord = textrec::planes::PlaneRecord;

// The plane record beside a result file: `plane` is nothing for a result
// without one. A record that is there but cannot be read gives `error`, a
// message that names the record's file and line; the map must not be shown
// then, for nobody can tell which plane it is.
struct PlaneReading {
    std::optional<PlaneRecord> plane;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
PlaneReading readPlaneOf(const std::filesystem::path& resultFile);

bool isVerticalSection(const std::optional<PlaneRecord>& plane);

// Why the map of `resultFileName` cannot be laid over a room layout: the
// layout is a floor plan, in which only a horizontal plane lies. Empty when
// it can (every map but a vertical section).
QString overlayRefusal(const std::optional<PlaneRecord>& plane, const QString& resultFileName);

// How the rows of the fine grid (i = 1..601) lie in the map picture
// (Y = 0..600 from the top).
class PlaneView {
public:
    PlaneView() = default;
    explicit PlaneView(const std::optional<PlaneRecord>& plane);

    bool verticalSection() const { return plane_ && vertical_; }
    const std::optional<PlaneRecord>& plane() const { return plane_; }

    // The picture row of grid row i: Y = i - 1, as written, except in the
    // standing patient's vertical section, whose rows run upwards (row 1 is
    // 300 cm below the centre): Y = 601 - i.
    int pictureY(int i) const;
    // The grid row coordinate under picture point Y, before rounding: the
    // inverse of pictureY.
    double rowAt(double Y) const;
    // Height above the floor, cm: of grid row i, and of picture point Y
    // (vertical section only; nothing for a horizontal map).
    std::optional<double> rowHeight(int i) const;
    std::optional<double> heightAt(double Y) const;
    // Whether grid row i is painted and read: every row of a horizontal map,
    // the rows of a vertical section at or above the floor.
    bool shows(int i) const;
    // Picture Y of the floor in a vertical section (it may lie below the
    // picture, Y > 600); nothing for a horizontal map.
    std::optional<int> floorY() const;

private:
    std::optional<PlaneRecord> plane_;
    bool vertical_ = false;
    bool upwards_ = false; // rows run upwards: the standing patient's section
};

} // namespace results
