// Texts that the windows show and that their saved and printed pages repeat:
// the captions of the two pictures and the names of the two quantities.
#pragma once

#include "logic/Uncertainty.h"

#include <QString>

namespace captions {

// The viewer's map: "ファントム中心の高さの水平面" (the horizontal plane at the
// height of the phantom centre).
QString mapPlane();
// The overlay window's picture: "室内散乱線分布".
QString roomPicture();
// The quantity as the viewer's switch names it, with its unit:
// "空気カーマ率（μGy/分）" or "実効線量 (H1cm) 率（μSv/分）".
QString quantity(results::Quantity quantity);
// The unit of the thresholds after "μ": "Gy/min" or "Sv/min".
QString thresholdUnit(results::Quantity quantity);

} // namespace captions
