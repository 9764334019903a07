#include "logic/MapPlane.h"

#include "logic/DoseGrids.h"
#include "textrec/textrec.h"

#include <cmath>

namespace results {

namespace planes = textrec::planes;

namespace {

// The fine grid's rows reach 300 cm from the centre on either side.
constexpr int kRowsToCentre = -textrec::exchange::mergedgrid::firstC; // 300

} // namespace

PlaneReading readPlaneOf(const std::filesystem::path& resultFile) {
    PlaneReading reading;
    const std::string recordName =
        textrec::displayName(planes::planeRecordPath(resultFile).filename());
    try {
        reading.plane = planes::readPlaneRecordBeside(resultFile);
    } catch (const textrec::InputError& e) {
        const QString line = e.line() > 0 ? QStringLiteral("の %1 行目").arg(e.line()) : QString();
        reading.error =
            QStringLiteral("「%1」の面の記録「%2」%3を読めません。どの面の分布図か"
                           "分からないため、表示しません。\n\n%4")
                .arg(QString::fromStdString(textrec::displayName(resultFile.filename())),
                     QString::fromStdString(recordName), line, QString::fromStdString(e.what()));
    } catch (const std::exception& e) {
        reading.error =
            QStringLiteral("「%1」の面の記録「%2」を読めません。\n\n%3")
                .arg(QString::fromStdString(textrec::displayName(resultFile.filename())),
                     QString::fromStdString(recordName), QString::fromStdString(e.what()));
    }
    return reading;
}

bool isVerticalSection(const std::optional<PlaneRecord>& plane) {
    return plane && plane->kind == planes::PlaneKind::VerticalSection;
}

QString overlayRefusal(const std::optional<PlaneRecord>& plane, const QString& resultFileName) {
    if (!isVerticalSection(plane))
        return {};
    return QStringLiteral("「%1」は鉛直断面の分布図です。部屋レイアウトは床の平面図のため、"
                          "重ねられるのは水平面の分布図だけです。\n水平面の結果ファイルを選んで"
                          "下さい。")
        .arg(resultFileName);
}

PlaneView::PlaneView(const std::optional<PlaneRecord>& plane)
    : plane_(plane), vertical_(isVerticalSection(plane)),
      upwards_(vertical_ && plane->position == planes::Position::Standing) {}

int PlaneView::pictureY(int i) const {
    return upwards_ ? kGridRows - i : i - 1;
}

double PlaneView::rowAt(double Y) const {
    return upwards_ ? kGridRows - Y : Y + 1;
}

std::optional<double> PlaneView::rowHeight(int i) const {
    if (!verticalSection())
        return std::nullopt;
    // Lying, row i lies c = i - 301 below the centre (+z points to the
    // floor); standing, c above it.
    const double c = cOfRow(i);
    return plane_->position == planes::Position::Lying ? plane_->centreHeight - c
                                                       : plane_->centreHeight + c;
}

std::optional<double> PlaneView::heightAt(double Y) const {
    if (!verticalSection())
        return std::nullopt;
    return plane_->centreHeight + kRowsToCentre - Y;
}

bool PlaneView::shows(int i) const {
    const std::optional<double> height = rowHeight(i);
    return !height || *height >= 0;
}

std::optional<int> PlaneView::floorY() const {
    if (!verticalSection())
        return std::nullopt;
    return static_cast<int>(std::lround(plane_->centreHeight)) + kRowsToCentre;
}

} // namespace results
