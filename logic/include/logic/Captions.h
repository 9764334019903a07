// Texts that the windows show and that their saved and printed pages repeat:
// the captions of the two pictures, the plane a map lies in and the names of
// the two quantities.
#pragma once

#include "logic/DosePeriod.h"
#include "logic/MapPlane.h"
#include "logic/Uncertainty.h"

#include <QString>

#include <optional>

namespace captions {

// The viewer's map of a result without a plane record: "ファントム中心の高さの
// 水平面" (the horizontal plane at the height of the phantom centre).
QString mapPlane();
// The viewer's map of a result: the written caption above without a plane
// record; with one, the plane and the phantom centre's height, such as
// "床上 150 cm の水平面（ファントム中心：床上 100 cm）", the vertical section
// "鉛直断面（患者中心を横切る面）（…）", and the tube when it is below the table.
QString mapPlane(const std::optional<results::PlaneRecord>& plane);
// The plane in short, as the conditions panel shows it: "床上 150 cm の水平面"
// or the vertical section's name, with "、Ｘ線管は寝台の下" when the tube is
// below the table; empty without a plane record.
QString planeName(const std::optional<results::PlaneRecord>& plane);
// The plane as the read-out names it: "床上150cm" or "鉛直断面"; empty
// without a plane record.
QString readoutPlane(const std::optional<results::PlaneRecord>& plane);
// The overlay window's picture: "室内散乱線分布".
QString roomPicture();
// The overlay's picture of a map: the caption above, followed by the plane
// the map lies in when its result has a plane record.
QString roomPicture(const std::optional<results::PlaneRecord>& plane);
// The quantity as the viewer's switch names it, with its unit:
// "空気カーマ率（μGy/分）" or "実効線量 (H1cm) 率（μSv/分）".
QString quantity(results::Quantity quantity);
// The quantity as a page's title names it in a scale: per minute as above;
// for a period the dose and its unit, "空気カーマ（mGy/3か月）" or
// "実効線量 (H1cm)（μSv/週）".
QString quantity(results::Quantity quantity, const dose::DisplayScale& scale);
// The unit of the thresholds after "μ": "Gy/min" or "Sv/min".
QString thresholdUnit(results::Quantity quantity);

} // namespace captions
