#include "logic/Captions.h"

namespace captions {

QString mapPlane() {
    return QStringLiteral("ファントム中心の高さの水平面");
}

QString roomPicture() {
    return QStringLiteral("室内散乱線分布");
}

QString quantity(results::Quantity quantity) {
    return quantity == results::Quantity::Kerma ? QStringLiteral("空気カーマ率（μGy/分）")
                                                : QStringLiteral("実効線量 (H1cm) 率（μSv/分）");
}

QString thresholdUnit(results::Quantity quantity) {
    return quantity == results::Quantity::Kerma ? QStringLiteral("Gy/min")
                                                : QStringLiteral("Sv/min");
}

} // namespace captions
