#include "layout/Form6.h"

#include "Windows.h"
#include "layout/Overlay.h"
#include "logic/Captions.h"
#include "logic/OverlayPainting.h"
#include "results/ConditionsPanel.h"
#include "results/PictureBox.h"
#include "results/PicturePages.h"
#include "results/ThresholdColumn.h"
#include "setup/Module1.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Controls.h"

#include <array>
#include <iterator>

namespace {

using controls::makeLabel;

} // namespace

Form6::Form6(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("  透視室内散乱線分布図"));
    buildControls();
}

void Form6::buildControls() {
    setFixedSize(1100, 752);

    // The overlay picture; it keeps its image while the window is hidden.
    PictureCaption = makeLabel(this, captions::roomPicture(), 10, 6, 715, 22, "PictureCaption");
    Picture1 = new PictureBox(overlay::blankPicture(), 0, 0, this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFont(overlay::pictureFont());
    Picture1->move(10, 30);
    const pictures::PageActions pageActions = pictures::addPageActions(Picture1);
    SavePicture = pageActions.save;
    PrintPicture = pageActions.print;
    connect(SavePicture, &QAction::triggered, this, [this] {
        if (drawing_)
            pictures::savePage(
                this, drawnPage(),
                pictures::suggestedName(drawing_->map.resultFileName, QStringLiteral("-room")));
    });
    connect(PrintPicture, &QAction::triggered, this, [this] {
        if (drawing_)
            pictures::printPage(this, drawnPage());
    });

    constexpr int side = 735; // left edge of the controls beside the picture
    Label10 = makeLabel(this, QString(), side, 6, 355, 22, "Label10");

    // Legend with the thresholds beside its boxes, band 1 at the top.
    Label50 = makeLabel(this, QStringLiteral("μ"), side, 32, 14, 22, "Label50");
    Label51 = makeLabel(this, QStringLiteral("Gy/min"), side + 14, 32, 100, 22, "Label51");
    Picture7 = new PictureBox(overlay::paintLegend(), 0, 0, this);
    Picture7->setObjectName(QStringLiteral("Picture7"));
    Picture7->move(side, 58);
    thresholds_ = new ThresholdColumn(10 * overlay::kLegendPixelsPerUnitY, this);
    thresholds_->move(side + 63, 58);
    thresholds_->setReadOnly(true);
    QLineEdit** const named[] = {&Text5,  &Text6,  &Text7,  &Text13, &Text14, &Text15,
                                 &Text16, &Text17, &Text19, &Text20, &Text21};
    for (std::size_t k = 0; k < std::size(named); ++k)
        *named[k] = thresholds_->fields()[k];

    // Conditions of the result file.
    conditions_ = new ConditionsPanel({.labelWidth = 175,
                                       .fieldLeft = 177,
                                       .fieldWidth = 80,
                                       .unitWidth = 70,
                                       .sizeFieldWidth = 36,
                                       .timesWidth = 12,
                                       .rateLabelHeight = 40,
                                       .rateRowPitch = 46,
                                       .positionWidth = 120,
                                       .planeLeft = 124},
                                      ConditionsPanel::Rows::WithoutRunDetails, this);
    conditions_->move(side, 424);
    Label44 = conditions_->Label44;
    Text18 = conditions_->Text18;
    Text2 = conditions_->Text2;
    Text3 = conditions_->Text3;
    Text4 = conditions_->Text4;
    Text9 = conditions_->Text9;
    Text1 = conditions_->Text1;
    Text12 = conditions_->Text12;
    Text10 = conditions_->Text10;
    Text11 = conditions_->Text11;

    Check1 = new QCheckBox(QStringLiteral("両側に表示"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(side, 714, 250, 26);
    connect(Check1, &QCheckBox::toggled, this, [this] {
        if (drawing_) {
            const Drawing drawn = *drawing_;
            drawOverlay(drawn.map, drawn.stillShown);
        }
    });

    Command1 = controls::makeButton(this, QStringLiteral("閉じる"), "Command1", 1000, 712, 90, 30);
    connect(Command1, &QPushButton::clicked, this, &QWidget::hide);
}

void Form6::reset() {
    conditions_->clear();
    thresholds_->clear();
    forgetDrawing();
    Check1->setChecked(false);
}

void Form6::forgetMap() {
    thresholds_->clear();
    forgetDrawing();
}

void Form6::forgetDrawing() {
    drawing_.reset();
    PictureCaption->setText(captions::roomPicture());
    pendingMap_.reset();
    SavePicture->setEnabled(false);
    PrintPicture->setEnabled(false);
    Picture1->setImage(overlay::blankPicture());
}

void Form6::showConditions(const results::ResultHeader& header,
                           const std::optional<results::PlaneRecord>& plane) {
    conditions_->showHeader(header);
    conditions_->showPlane(plane);
}

void Form6::clearConditions() {
    conditions_->clear();
}

void Form6::showThresholds(const results::Thresholds& thresholds) {
    thresholds_->setThresholds(thresholds);
}

void Form6::showThresholdUnit(const QString& unit, const QString& prefix) {
    Label50->setText(prefix);
    Label51->setText(unit);
}

void Form6::drawOverlay(const results::ShownMap& map, const std::function<bool()>& stillShown) {
    if (Module1::layoutOverlayRunning() || results::isVerticalSection(map.plane))
        return;
    // The room and the switch as they are when the drawing starts: the
    // drawing lets window events run, and the page must show what was drawn.
    const std::optional<Module1::RoomLayout> room = Module1::roomLayout;
    const QString layoutName = Label10->text();
    const bool bothSides = Check1->isChecked();
    Check1->setEnabled(false);
    const bool drawn = Module1::DrawLayoutOverlay(*Picture1, map, stillShown, bothSides);
    Check1->setEnabled(true);
    if (drawn && map.grid && room) {
        // The copies beside the legend show the thresholds the picture used.
        thresholds_->setThresholds(map.thresholds);
        drawing_ = Drawing{map, stillShown, *room, layoutName, bothSides};
        PictureCaption->setText(captions::roomPicture(map.plane));
        SavePicture->setEnabled(true);
        PrintPicture->setEnabled(true);
    } else if (drawn || !room) {
        // The picture shows no map now (a room alone, or nothing).
        drawing_.reset();
        PictureCaption->setText(captions::roomPicture());
        SavePicture->setEnabled(false);
        PrintPicture->setEnabled(false);
    }
    if (pendingMap_) {
        const results::ShownMap next = std::move(*pendingMap_);
        pendingMap_.reset();
        redrawWith(next);
    }
}

void Form6::redrawWith(const results::ShownMap& map) {
    if (!drawing_ || !drawing_->stillShown || !drawing_->stillShown())
        return;
    if (Module1::layoutOverlayRunning()) {
        pendingMap_ = map;
        return;
    }
    const std::function<bool()> stillShown = drawing_->stillShown;
    drawOverlay(map, stillShown);
}

page::PageContent Form6::drawnPage() const {
    page::PageContent content;
    content.picture = page::Picture::RoomOverlay;
    if (drawing_) {
        content.map = drawing_->map;
        content.room = drawing_->room;
        content.layoutName = drawing_->layoutName;
        content.bothSides = drawing_->bothSides;
    }
    content.pictureFont = Picture1->font();
    content.date = QDate::currentDate();
    return content;
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
