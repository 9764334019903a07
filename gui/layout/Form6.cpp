#include "layout/Form6.h"

#include "Windows.h"
#include "layout/Overlay.h"
#include "logic/OverlayPainting.h"
#include "results/PictureBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Controls.h"

#include <array>

namespace {

using controls::makeLabel;
using controls::makeText;

} // namespace

Form6::Form6(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("  透視室内散乱線分布図"));
    buildControls();
}

void Form6::buildControls() {
    setFixedSize(1100, 752);

    // The overlay picture; it keeps its image while the window is hidden.
    makeLabel(this, QStringLiteral("室内散乱線分布"), 10, 6, 200, 22);
    Picture1 = new PictureBox(overlay::blankPicture(), 0, 0, this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFont(overlay::pictureFont());
    Picture1->move(10, 30);

    constexpr int side = 735; // left edge of the controls beside the picture
    Label10 = makeLabel(this, QString(), side, 6, 355, 22, "Label10");

    // Legend with the thresholds beside its boxes, band 1 at the top.
    makeLabel(this, QStringLiteral("μ"), side, 32, 14, 22);
    Label51 = makeLabel(this, QStringLiteral("Gy/min"), side + 14, 32, 80, 22, "Label51");
    Picture7 = new PictureBox(overlay::paintLegend(), 0, 0, this);
    Picture7->setObjectName(QStringLiteral("Picture7"));
    Picture7->move(side, 58);
    const std::array<std::pair<QLineEdit**, const char*>, 11> thresholds = {{
        {&Text5, "Text5"},
        {&Text6, "Text6"},
        {&Text7, "Text7"},
        {&Text13, "Text13"},
        {&Text14, "Text14"},
        {&Text15, "Text15"},
        {&Text16, "Text16"},
        {&Text17, "Text17"},
        {&Text19, "Text19"},
        {&Text20, "Text20"},
        {&Text21, "Text21"},
    }};
    const double boxHeight = 10 * overlay::kLegendPixelsPerUnitY;
    for (std::size_t k = 0; k < thresholds.size(); ++k) {
        const int y = 58 + static_cast<int>(boxHeight * double(k) + (boxHeight - 22) / 2);
        *thresholds[k].first = makeText(this, thresholds[k].second, side + 63, y, 84);
        makeLabel(this, QStringLiteral("～"), side + 151, y, 20, 22);
    }

    // Conditions of the result file.
    constexpr int field = side + 177; // left edge of the condition fields
    constexpr int unit = field + 84;  // left edge of their units
    Label44 = makeLabel(this, QString(), side, 424, 250, 22, "Label44");
    makeLabel(this, QStringLiteral("FSDにおける自由空間の"), side, 450, 175, 20);
    makeLabel(this, QStringLiteral("空気カーマ率（平均値）"), side, 470, 175, 20);
    Text18 = makeText(this, "Text18", field, 459, 80);
    makeLabel(this, QStringLiteral("Gy/min"), unit, 459, 70, 22);

    struct Row {
        QLineEdit** text;
        const char* name;
        const char* label;
        const char* unit;
    };
    const std::array<Row, 6> rows = {{
        {&Text2, "Text2", "Ｘ線焦点 - 入射面 距離", "cm"},
        {&Text9, "Text9", "Ｘ線管電圧", "kV"},
        {&Text1, "Text1", "管電流", "mA"},
        {&Text12, "Text12", "固有ろ過", "mmAl"},
        {&Text10, "Text10", "アルミ付加フィルタ", "mm"},
        {&Text11, "Text11", "銅付加フィルタ", "mm"},
    }};
    int y = 496;
    for (const Row& row : rows) {
        makeLabel(this, QString::fromUtf8(row.label), side, y, 175, 22);
        *row.text = makeText(this, row.name, field, y, 80);
        makeLabel(this, QString::fromUtf8(row.unit), unit, y, 70, 22);
        y += 25;
        if (row.text == &Text2) {
            // Field size: length × width, in cm with a raised 2.
            makeLabel(this, QStringLiteral("照射野サイズ at FSD"), side, y, 175, 22);
            Text3 = makeText(this, "Text3", field, y, 36);
            makeLabel(this, QStringLiteral("×"), field + 38, y, 12, 22);
            Text4 = makeText(this, "Text4", field + 50, y, 36);
            makeLabel(this, QStringLiteral("cm"), unit + 4, y, 22, 22);
            QLabel* squared = makeLabel(this, QStringLiteral("2"), unit + 26, y - 4, 10, 14);
            QFont small = squared->font();
            small.setPointSizeF(small.pointSizeF() * 0.7);
            squared->setFont(small);
            y += 25;
        }
    }

    Command1 = controls::makeButton(this, QStringLiteral("Close"), "Command1", 1000, 712, 90, 30);
    connect(Command1, &QPushButton::clicked, this, &QWidget::hide);
}

std::array<QLineEdit*, 11> Form6::thresholdFields() const {
    return {Text5, Text6, Text7, Text13, Text14, Text15, Text16, Text17, Text19, Text20, Text21};
}

void Form6::reset() {
    for (QLineEdit* field :
         {Text1,  Text2,  Text3,  Text4,  Text5,  Text6,  Text7,  Text9,  Text10, Text11,
          Text12, Text13, Text14, Text15, Text16, Text17, Text18, Text19, Text20, Text21})
        field->clear();
    Label44->clear();
    Picture1->setImage(overlay::blankPicture());
}

void Form6::forgetMap() {
    for (QLineEdit* field : thresholdFields())
        field->clear();
    Picture1->setImage(overlay::blankPicture());
}

void Form6::drawOverlay(const results::ShownMap& map, const std::function<bool()>& stillShown) {
    Module1::DrawLayoutOverlay(*Picture1, map, stillShown);
}

void Form6::showLayoutName(const QString& name) {
    Label10->setText(name);
}

Form6& Windows::form6() {
    return detail::createdOnFirstUse<Form6>();
}

bool Windows::form6Exists() {
    return detail::slot<Form6>() != nullptr;
}
