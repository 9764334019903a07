#include "results/ConditionsPanel.h"

#include "Controls.h"
#include "logic/Captions.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

constexpr int kRowHeight = 22;
constexpr int kRowPitch = 25;
constexpr int kFirstRow = 26;        // below the body position
constexpr int kSquareUnitWidth = 46; // "cm²"

} // namespace

ConditionsPanel::ConditionsPanel(const Metrics& m, Rows rows, QWidget* parent) : QWidget(parent) {
    using controls::makeLabel;
    using controls::makeText;
    using namespace results;
    const int unitLeft = m.fieldLeft + m.fieldWidth + 4;
    Label44 = makeLabel(this, QString(), 0, 0, m.positionWidth, kRowHeight, "Label44");

    int y = kFirstRow;
    const ConditionCaption rate = conditionCaption(kKermaRateAtFsd);
    makeLabel(this, QString::fromUtf8(rate.label), 0, y, m.labelWidth, m.rateLabelHeight);
    const int rateY = y + (m.rateLabelHeight - kRowHeight) / 2;
    Text18 = makeText(this, "Text18", m.fieldLeft, rateY, m.fieldWidth);
    makeLabel(this, QString::fromUtf8(rate.unit), unitLeft, rateY, m.unitWidth, kRowHeight);
    shown_.push_back({kKermaRateAtFsd, Text18});
    y += m.rateRowPitch;

    auto row = [&](QLineEdit*& field, const char* name, int headerIndex) {
        const ConditionCaption caption = conditionCaption(headerIndex);
        makeLabel(this, QString::fromUtf8(caption.label), 0, y, m.labelWidth, kRowHeight);
        field = makeText(this, name, m.fieldLeft, y, m.fieldWidth);
        makeLabel(this, QString::fromUtf8(caption.unit), unitLeft, y, m.unitWidth, kRowHeight);
        shown_.push_back({headerIndex, field});
        y += kRowPitch;
    };
    row(Text2, "Text2", kFocusSkinDistance);

    const ConditionCaption field = conditionCaption(kFieldLength);
    makeLabel(this, QString::fromUtf8(field.label), 0, y, m.labelWidth, kRowHeight);
    const int timesLeft = m.fieldLeft + m.sizeFieldWidth + 2;
    const int widthLeft = timesLeft + m.timesWidth;
    Text3 = makeText(this, "Text3", m.fieldLeft, y, m.sizeFieldWidth);
    makeLabel(this, QStringLiteral("×"), timesLeft, y, m.timesWidth, kRowHeight);
    Text4 = makeText(this, "Text4", widthLeft, y, m.sizeFieldWidth);
    makeLabel(this, QString::fromUtf8(field.unit), widthLeft + m.sizeFieldWidth + 4, y,
              kSquareUnitWidth, kRowHeight);
    shown_.push_back({kFieldLength, Text3});
    shown_.push_back({kFieldWidth, Text4});
    y += kRowPitch;

    row(Text9, "Text9", kTubeVoltage);
    row(Text1, "Text1", kTubeCurrent);
    if (rows == Rows::All)
        row(Text8, "Text8", kTargetAngle);
    row(Text12, "Text12", kInherentFiltration);
    row(Text10, "Text10", kAddedAluminium);
    row(Text11, "Text11", kAddedCopper);
    if (rows == Rows::All)
        row(Text25, "Text25", kPhotonCount);

    const int width = std::max({m.positionWidth, unitLeft + m.unitWidth,
                                widthLeft + m.sizeFieldWidth + 4 + kSquareUnitWidth});
    PlaneLabel =
        makeLabel(this, QString(), m.planeLeft, 0, width - m.planeLeft, kRowHeight, "PlaneLabel");
    setFixedSize(width, y - kRowPitch + kRowHeight);
}

void ConditionsPanel::showPlane(const std::optional<results::PlaneRecord>& plane) {
    // A name too long for the row is set smaller, down to three quarters of
    // the panel's font, then shortened; the whole of it, with the phantom
    // centre's height, is in the tip.
    const QString name = captions::planeName(plane);
    QFont font = this->font();
    const double smallest = font.pointSizeF() * 0.75;
    while (font.pointSizeF() - 0.5 >= smallest &&
           QFontMetrics(font).horizontalAdvance(name) > PlaneLabel->width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    PlaneLabel->setFont(font);
    PlaneLabel->setText(QFontMetrics(font).elidedText(name, Qt::ElideRight, PlaneLabel->width()));
    PlaneLabel->setToolTip(plane ? captions::mapPlane(plane) : QString());
}

void ConditionsPanel::showHeader(const results::ResultHeader& header) {
    Label44->setText(QString::fromStdString(results::bodyPositionText(header.bodyPosition())));
    for (const Shown& s : shown_)
        s.field->setText(QString::fromStdString(results::headerFieldText(
            s.headerIndex, header.values[static_cast<std::size_t>(s.headerIndex)])));
}

void ConditionsPanel::clear() {
    Label44->clear();
    showPlane(std::nullopt);
    for (const Shown& s : shown_)
        s.field->clear();
}
