#include "logic/Captions.h"

#include "textrec/textrec.h"

namespace captions {

QString mapPlane() {
    return QStringLiteral("ファントム中心の高さの水平面");
}

namespace {

// Whole centimetres as the plane record holds them: "150".
QString centimetres(double value) {
    return QString::fromStdString(textrec::plainNumber(value));
}

QString abovePlane(double height) {
    return QStringLiteral("床上 %1 cm").arg(centimetres(height));
}

} // namespace

QString mapPlane(const std::optional<results::PlaneRecord>& plane) {
    if (!plane)
        return mapPlane();
    return planeName(plane) +
           QStringLiteral("（ファントム中心：%1）").arg(abovePlane(plane->centreHeight));
}

QString planeName(const std::optional<results::PlaneRecord>& plane) {
    if (!plane)
        return {};
    QString name = plane->kind == textrec::planes::PlaneKind::VerticalSection
                       ? QStringLiteral("鉛直断面（患者中心を横切る面）")
                       : abovePlane(plane->height) + QStringLiteral(" の水平面");
    if (plane->tube == textrec::planes::Tube::Below)
        name += QStringLiteral("、Ｘ線管は寝台の下");
    return name;
}

QString readoutPlane(const std::optional<results::PlaneRecord>& plane) {
    if (!plane)
        return {};
    return plane->kind == textrec::planes::PlaneKind::VerticalSection
               ? QStringLiteral("鉛直断面")
               : QStringLiteral("床上%1cm").arg(centimetres(plane->height));
}

QString roomPicture() {
    return QStringLiteral("室内散乱線分布");
}

QString roomPicture(const std::optional<results::PlaneRecord>& plane) {
    if (!plane)
        return roomPicture();
    return roomPicture() + QStringLiteral("　") + planeName(plane);
}

QString quantity(results::Quantity quantity) {
    return quantity == results::Quantity::Kerma ? QStringLiteral("空気カーマ率（μGy/分）")
                                                : QStringLiteral("実効線量 (H1cm) 率（μSv/分）");
}

QString quantity(results::Quantity quantity, const dose::DisplayScale& scale) {
    if (scale.period == dose::Period::PerMinute)
        return captions::quantity(quantity);
    const QString name = quantity == results::Quantity::Kerma ? QStringLiteral("空気カーマ")
                                                              : QStringLiteral("実効線量 (H1cm)");
    return QStringLiteral("%1（%2）").arg(name, dose::unitText(quantity, scale));
}

QString thresholdUnit(results::Quantity quantity) {
    return quantity == results::Quantity::Kerma ? QStringLiteral("Gy/min")
                                                : QStringLiteral("Sv/min");
}

} // namespace captions
