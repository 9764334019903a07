#include "logic/PicturePage.h"

#include "logic/Captions.h"
#include "logic/DoseNotes.h"
#include "logic/JobFile.h"
#include "logic/MapPainting.h"
#include "logic/OverlayPainting.h"
#include "textrec/textrec.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace page {

namespace {

constexpr double kMargin = 36;
constexpr double kTitleHeight = 34;
constexpr double kGap = 12;
constexpr double kColumnGap = 32; // between the picture and the column beside it
constexpr double kColumnWidth = 400;
constexpr double kLineHeight = 22;
constexpr double kRowPitch = 24;
constexpr double kLabelWidth = 214; // condition labels, then their values and units
constexpr double kValueWidth = 104;
constexpr double kThresholdWidth = 72; // threshold texts right of the legend, then "～"
constexpr int kTextPixels = 14;
constexpr int kTitlePixels = 19;

// Pictures are painted fine enough for this many dots per inch.
constexpr double kPrintDotsPerInch = 300;
constexpr double kScreenDotsPerInch = 96;

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QSizeF pictureSize(Picture picture) {
    if (picture == Picture::Map)
        return QSizeF(results::kMapPictureWidth, results::kMapPictureHeight);
    return QSizeF(overlay::kPicturePixels, overlay::kPicturePixels);
}

QSizeF legendSize(Picture picture) {
    if (picture == Picture::Map)
        return QSizeF(results::kLegendWidth, results::kLegendHeight);
    return QSizeF(overlay::kLegendWidth, overlay::kLegendHeight);
}

double boxHeightOf(Picture picture) {
    return 10 * (picture == Picture::Map ? results::kLegendPixelsPerUnitY
                                         : overlay::kLegendPixelsPerUnitY);
}

// A condition of the result: its label, its value as the windows show it and
// its unit.
struct ConditionLine {
    QString label;
    QString value;
    QString unit;
};

std::vector<ConditionLine> conditionLines(const results::ResultHeader& header) {
    using namespace results;
    auto value = [&header](int index) {
        return fromUtf8(headerFieldText(index, header.values[static_cast<std::size_t>(index)]));
    };
    auto line = [&](int index, QString shown) {
        const ConditionCaption caption = conditionCaption(index);
        return ConditionLine{QString::fromUtf8(caption.label), std::move(shown),
                             QString::fromUtf8(caption.unit)};
    };
    std::vector<ConditionLine> lines;
    lines.push_back(line(kKermaRateAtFsd, value(kKermaRateAtFsd)));
    lines.push_back(line(kFocusSkinDistance, value(kFocusSkinDistance)));
    lines.push_back(
        line(kFieldLength, value(kFieldLength) + QStringLiteral(" × ") + value(kFieldWidth)));
    for (int index : {kTubeVoltage, kTubeCurrent, kTargetAngle, kInherentFiltration,
                      kAddedAluminium, kAddedCopper, kPhotonCount})
        lines.push_back(line(index, value(index)));
    return lines;
}

// The lines under the picture.
std::vector<QString> footerLines(const PageContent& content) {
    std::vector<QString> lines;
    lines.push_back(QStringLiteral("結果ファイル: %1").arg(content.map.resultFileName));
    if (content.picture == Picture::RoomOverlay && !content.layoutName.isEmpty())
        lines.push_back(QStringLiteral("部屋レイアウト: %1").arg(content.layoutName));
    lines.push_back(
        QStringLiteral("作成日: %1").arg(content.date.toString(QStringLiteral("yyyy/MM/dd"))));
    if (content.picture == Picture::RoomOverlay && content.bothSides)
        lines.push_back(QStringLiteral("両側に表示: 反対側は同じ分布の鏡像"));
    if (content.map.hatched)
        lines.push_back(QStringLiteral("網掛け: 統計誤差 20 % 超"));
    const auto& photons = content.map.header
                              ? content.map.header->values[results::kPhotonCount].number
                              : std::optional<double>();
    if (photons && *photons < jobfile::kMinimumHistories)
        lines.push_back(QStringLiteral("試算: 入射光子数 1億個未満（統計誤差が大きい）"));
    // Doses in a period and limit lines: the workload they are for, and
    // what the map leaves out.
    if (const QString workload = workloadLine(content.map); !workload.isEmpty())
        lines.push_back(workload);
    if (results::showsDoseJudgement(content.map))
        lines.push_back(scatterOnlyNote());
    return lines;
}

QFont textFont(int pixels, bool bold = false) {
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The part of the plane the picture shows, in pixels of the window's picture:
// the room overlay reaches beyond the window's square where a text of the
// layout does, so that every label is drawn whole.
QRect pictureFrame(const PageContent& content) {
    const QSizeF window = pictureSize(content.picture);
    if (content.picture == Picture::Map)
        return QRect(QPoint(0, 0), window.toSize());
    return overlay::frameForTexts(content.room, content.pictureFont);
}

QImage paintedPicture(const PageContent& content, int scale) {
    if (content.picture == Picture::Map)
        return results::paintMap(content.map, content.pictureFont, scale);
    const QRect frame = pictureFrame(content);
    QImage image(frame.size() * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    overlay::OverlayInputs inputs;
    inputs.room = content.room;
    inputs.bodyPosition = content.map.bodyPosition;
    inputs.focusSkinDistance = content.map.focusSkinDistance;
    inputs.thresholds = results::bandingThresholds(content.map);
    inputs.bothSides = content.bothSides;
    // A room plan lies in a horizontal plane: a vertical section is never
    // laid over it.
    if (content.map.grid && !results::isVerticalSection(content.map.plane)) {
        inputs.grid = &*content.map.grid;
        if (content.map.hatched)
            inputs.hatched = &*content.map.hatched;
        inputs.limitLines = &content.map.limitLines;
    }
    if (std::max(content.room.roomWidth, content.room.roomHeight) > 0) {
        overlay::paintOverlay(image, inputs, {}, content.pictureFont, frame);
        overlay::paintPoints(image, content.room, content.points, std::nullopt,
                             overlay::pointFont(), frame);
    }
    return image;
}

// The columns of the table of points: their widths in page units, the text
// of each heading and of each row.
struct PointsColumn {
    double width;
    bool number; // right-aligned
};
constexpr std::array<PointsColumn, 7> kPointsColumns = {{
    {150, false}, // name
    {70, true},   // x
    {70, true},   // c
    {150, true},  // dose
    {80, true},   // uncertainty
    {310, true},  // share
    {170, false}, // note
}};

std::array<QString, 7> headingTexts(const namedpoints::TableHeadings& h) {
    return {h.name, h.x, h.c, h.dose, h.uncertainty, h.share, h.note};
}

std::array<QString, 7> rowTexts(const namedpoints::PointRow& r) {
    return {r.name, r.x, r.c, r.dose, r.uncertainty, r.share, r.note};
}

double pointsTableWidth() {
    double width = 0;
    for (const PointsColumn& column : kPointsColumns)
        width += column.width;
    return width;
}

// Lines the table takes: its heading, its rows and the note under it.
int pointsTableLines(const PageContent& content) {
    if (content.picture != Picture::RoomOverlay || content.pointRows.empty())
        return 0;
    return 1 + static_cast<int>(content.pointRows.size()) + (content.pointsNote.isEmpty() ? 0 : 1);
}

void paintPointsTable(QPainter& painter, const PageContent& content, const QRectF& area) {
    if (area.isEmpty())
        return;
    const double rowHeight = kLineHeight;
    auto paintRow = [&](double y, const std::array<QString, 7>& texts, bool outsideMap) {
        double x = area.left();
        for (std::size_t k = 0; k < kPointsColumns.size(); ++k) {
            const PointsColumn& column = kPointsColumns[k];
            const QRectF cell(x + 4, y, column.width - 8, rowHeight);
            // Numbers and their headings to the right; "地図の範囲外" where the
            // dose would stand, to the left.
            const bool right = column.number && !(outsideMap && k == 3);
            painter.drawText(cell, Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft),
                             texts[k]);
            x += column.width;
        }
    };
    painter.save();
    double y = area.top();
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    paintRow(y, headingTexts(content.pointHeadings), false);
    painter.restore();
    painter.drawLine(QPointF(area.left(), y + rowHeight), QPointF(area.right(), y + rowHeight));
    y += rowHeight;
    for (const namedpoints::PointRow& row : content.pointRows) {
        paintRow(y, rowTexts(row), !row.onMap);
        y += rowHeight;
    }
    if (!content.pointsNote.isEmpty())
        painter.drawText(QRectF(area.left() + 4, y, area.width(), rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, content.pointsNote);
}

QImage paintedLegend(Picture picture, int scale) {
    return picture == Picture::Map ? results::paintLegend(scale) : overlay::paintLegend(scale);
}

} // namespace

PageLayout pageLayout(const PageContent& content) {
    PageLayout layout;
    const double top = kMargin + kTitleHeight + kGap;
    const QRect frame = pictureFrame(content);
    layout.picture = QRectF(QPointF(kMargin, top), QSizeF(frame.size()));
    layout.windowPicture =
        QRectF(layout.picture.topLeft() - QPointF(frame.topLeft()), pictureSize(content.picture));
    const double column = layout.picture.right() + kColumnGap;
    layout.legend = QRectF(QPointF(column, top + kLineHeight + 4), legendSize(content.picture));
    layout.boxHeight = boxHeightOf(content.picture);
    // The body position, then the rate at the FSD on two rows and nine rows of
    // the other conditions.
    const double columnBottom = layout.legend.bottom() + 28 + kLineHeight + 6 + 11 * kRowPitch;
    layout.footerLines = static_cast<int>(footerLines(content).size());
    const double footerBottom =
        std::max(layout.picture.bottom(), columnBottom) + 16 + layout.footerLines * kLineHeight;
    const int tableLines = pointsTableLines(content);
    double width = column + kColumnWidth + kMargin;
    double bottom = footerBottom;
    if (const std::size_t keyRows = limitLineKey(content.map).size(); keyRows > 0) {
        layout.key = QRectF(kMargin, bottom + kGap, width - 2 * kMargin,
                            static_cast<double>(keyRows) * kLineHeight);
        bottom = layout.key.bottom();
    }
    if (tableLines > 0) {
        layout.pointsTable =
            QRectF(kMargin, bottom + kGap, pointsTableWidth(), tableLines * kLineHeight);
        bottom = layout.pointsTable.bottom();
        width = std::max(width, layout.pointsTable.right() + kMargin);
    }
    layout.size = QSizeF(width, bottom + kMargin);
    return layout;
}

void paintPage(QPainter& painter, const PageContent& content, int pictureScale) {
    const PageLayout layout = pageLayout(content);
    painter.save();
    painter.fillRect(QRectF(QPointF(0, 0), layout.size), Qt::white);
    painter.setPen(Qt::black);

    // The title: which picture, which quantity.
    painter.setFont(textFont(kTitlePixels, true));
    const QString caption = content.picture == Picture::Map
                                ? captions::mapPlane(content.map.plane)
                                : captions::roomPicture(content.map.plane);
    painter.drawText(QRectF(kMargin, kMargin, layout.size.width() - 2 * kMargin, kTitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     caption + QStringLiteral("　") +
                         captions::quantity(content.map.quantity, content.map.scale));

    // The pictures are drawn pixel for pixel, never smoothed: a band's colour
    // is what the map says.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(layout.picture, paintedPicture(content, pictureScale));
    painter.drawImage(layout.legend, paintedLegend(content.picture, pictureScale));

    // The unit above the legend and each threshold beside its box.
    painter.setFont(textFont(kTextPixels));
    const double column = layout.legend.left();
    painter.drawText(QRectF(column, layout.picture.top(), kColumnWidth, kLineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     dose::unitText(content.map.quantity, content.map.scale));
    const double thresholdLeft = layout.legend.right() + 6;
    for (int k = 0; k < results::kThresholdCount; ++k) {
        const double centre = layout.legend.top() + (k + 0.5) * layout.boxHeight;
        const QRectF field(thresholdLeft, centre - kLineHeight / 2, kThresholdWidth, kLineHeight);
        painter.drawText(
            field, Qt::AlignRight | Qt::AlignVCenter,
            fromUtf8(textrec::plainNumber(content.map.thresholds[static_cast<std::size_t>(k)])));
        painter.drawText(field.translated(kThresholdWidth + 4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("～"));
    }

    // The conditions of the result.
    double y = layout.legend.bottom() + 28;
    if (content.map.header) {
        painter.drawText(QRectF(column, y, kColumnWidth, kLineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         fromUtf8(results::bodyPositionText(content.map.header->bodyPosition())));
        y += kLineHeight + 6;
        for (const ConditionLine& line : conditionLines(*content.map.header)) {
            const double height =
                line.label.contains(QLatin1Char('\n')) ? 2 * kRowPitch : kRowPitch;
            const Qt::Alignment middle = Qt::AlignVCenter;
            painter.drawText(QRectF(column, y, kLabelWidth, height), Qt::AlignLeft | middle,
                             line.label);
            painter.drawText(QRectF(column + kLabelWidth, y, kValueWidth, height),
                             Qt::AlignRight | middle, line.value);
            painter.drawText(QRectF(column + kLabelWidth + kValueWidth + 6, y,
                                    kColumnWidth - kLabelWidth - kValueWidth - 6, height),
                             Qt::AlignLeft | middle, line.unit);
            y += height;
        }
    }

    // The result file, the date and what the picture needs said of it.
    y = std::max(layout.picture.bottom(), y) + 16;
    for (const QString& line : footerLines(content)) {
        painter.drawText(QRectF(kMargin, y, layout.size.width() - 2 * kMargin, kLineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        y += kLineHeight;
    }
    if (!layout.key.isEmpty())
        paintKey(painter, layout.key.topLeft(), layout.key.width(), kLineHeight,
                 limitLineKey(content.map));
    paintPointsTable(painter, content, layout.pointsTable);
    painter.restore();
}

void paintFitted(QPainter& painter, const QRectF& area, double dotsPerInch,
                 const PageContent& content) {
    const QSizeF size = pageLayout(content).size;
    const double scale = std::min(area.width() / size.width(), area.height() / size.height());
    // Device pixels a page unit, and picture pixels enough for 300 dpi.
    const double needed = scale * std::min(1.0, kPrintDotsPerInch / dotsPerInch);
    const int pictureScale = std::max(1, static_cast<int>(std::ceil(needed - 1e-9)));
    painter.save();
    painter.translate(area.center() - QPointF(size.width(), size.height()) * scale / 2);
    painter.scale(scale, scale);
    paintPage(painter, content, pictureScale);
    painter.restore();
}

QImage pageImage(const PageContent& content, int scale) {
    const QSizeF size = pageLayout(content).size;
    QImage image(static_cast<int>(std::ceil(size.width() * scale)),
                 static_cast<int>(std::ceil(size.height() * scale)), QImage::Format_RGB32);
    image.fill(Qt::white);
    // Shown at its size on a screen twice as fine, it is as large as the window's.
    const int dotsPerMeter = static_cast<int>(std::lround(kScreenDotsPerInch * scale / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    painter.scale(scale, scale);
    paintPage(painter, content, scale);
    return image;
}

QString withDefaultExtension(const QString& fileName) {
    if (QFileInfo(fileName).suffix().isEmpty())
        return fileName + QStringLiteral(".png");
    return fileName;
}

std::optional<FileFormat> formatOf(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return FileFormat::Png;
    if (suffix == QLatin1String("pdf"))
        return FileFormat::Pdf;
    return std::nullopt;
}

QByteArray pageFile(const PageContent& content, FileFormat format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == FileFormat::Png) {
        pageImage(content).save(&buffer, "PNG");
        return bytes;
    }
    const QSizeF size = pageLayout(content).size;
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Dorvalis-3"));
    writer.setTitle(content.map.resultFileName);
    // One page of the page's own size, 72 points to 96 page units.
    writer.setPageSize(QPageSize(size * 72.0 / kScreenDotsPerInch, QPageSize::Point, QString(),
                                 QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(static_cast<int>(kPrintDotsPerInch));
    QPainter painter(&writer);
    paintFitted(painter, QRectF(0, 0, writer.width(), writer.height()), kPrintDotsPerInch, content);
    painter.end();
    return bytes;
}

bool savePage(const std::filesystem::path& path, FileFormat format, const PageContent& content,
              QString& error) {
    const QByteArray bytes = pageFile(content, format);
    std::string why;
    if (bytes.isEmpty()) {
        error = QString::fromStdString(textrec::displayName(path.filename())) +
                QStringLiteral(": the page could not be made");
        return false;
    }
    if (!textrec::writeFileAtomic(path, std::string_view(bytes.constData(), bytes.size()), &why)) {
        error = QString::fromStdString(why);
        return false;
    }
    return true;
}

} // namespace page
