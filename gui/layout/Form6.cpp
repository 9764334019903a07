#include "layout/Form6.h"

#include "DoseSettings.h"
#include "RoomPoints.h"
#include "Windows.h"
#include "layout/Overlay.h"
#include "logic/Captions.h"
#include "logic/LimitLines.h"
#include "logic/OverlayPainting.h"
#include "platform/Platform.h"
#include "results/ConditionsPanel.h"
#include "results/DosePanel.h"
#include "results/LevelList.h"
#include "results/PictureBox.h"
#include "results/PicturePages.h"
#include "results/ThresholdColumn.h"
#include "setup/Module1.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "Controls.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace {

using controls::makeLabel;

const QString kMessageTitle = QStringLiteral("Dorvalis-3");

// The columns of the table of points.
enum PointColumn { kName, kX, kC, kDose, kUncertainty, kShare, kNote, kColumnCount };

// Where the named points begin: beside the legend and the conditions.
constexpr int kPointsLeft = 1100;

// A room point as the points file keeps it: whole cm, which is finer than
// anyone stands and about one pixel of the picture.
QPointF wholeCm(QPointF p) {
    return QPointF(std::round(p.x()), std::round(p.y()));
}

// The map as the dose settings show it: its thresholds in the scale of the
// settings (a threshold keeps its meaning, as the viewer's fields do), the
// workload, and the lines of the ticked levels traced over its dose-equivalent
// grid, dashed where they run through cells the hatching would mark.
results::ShownMap withSettings(results::ShownMap map, const DoseSettings& settings) {
    if (!map.grid)
        return map;
    const dose::DisplayScale scale = settings.scaleFor(results::findExtremes(*map.grid).maximum);
    map.thresholds = dose::convertThresholds(map.thresholds, map.scale, scale);
    map.scale = scale;
    map.minutesPerWeek = settings.minutesPerWeek();
    map.limitLines.clear();
    if (const results::DoseGrid* doseEquivalent = results::doseEquivalentOf(map)) {
        std::vector<bool> ticked(settings.levels().size());
        for (std::size_t k = 0; k < ticked.size(); ++k)
            ticked[k] = settings.isTicked(k);
        std::optional<std::vector<bool>> hatched;
        if (map.errors)
            hatched = results::hatchedCells(*map.errors, results::Quantity::DoseEquivalent);
        map.limitLines =
            limitlines::traceLimitLines(*doseEquivalent, hatched ? &*hatched : nullptr,
                                        settings.levels(), ticked, settings.minutesPerWeek());
    }
    return map;
}

// Whether two drawings of one map show it alike: the same scale, workload and
// lines.
bool shownAlike(const results::ShownMap& a, const results::ShownMap& b) {
    if (a.scale != b.scale || a.minutesPerWeek != b.minutesPerWeek ||
        a.limitLines.size() != b.limitLines.size())
        return false;
    for (std::size_t k = 0; k < a.limitLines.size(); ++k)
        if (a.limitLines[k].level != b.limitLines[k].level ||
            a.limitLines[k].colour != b.limitLines[k].colour)
            return false;
    return true;
}

} // namespace

Form6::Form6(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("  透視室内散乱線分布図"));
    buildControls();
}

void Form6::buildControls() {

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
    Label50->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
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

    // The workload, the period and the levels, as in the viewer.
    DoseSettings& settings = Windows::doseSettings();
    Dose = new DosePanel(settings, this);
    Dose->setObjectName(QStringLiteral("Dose"));
    Dose->move(kPointsLeft, 6);
    Levels = new LevelList(settings, 290, this);
    Levels->setObjectName(QStringLiteral("Levels"));
    Levels->move(kPointsLeft, 188);

    buildPointControls(kPointsLeft);
    setFixedSize(kPointsLeft + 520, 752);

    connect(Picture1, &PictureBox::mousePressedAt, this, &Form6::pressInPicture);
    connect(Picture1, &PictureBox::mouseMovedTo, this, &Form6::moveInPicture);
    connect(Picture1, &PictureBox::mouseReleasedAt, this, &Form6::releaseInPicture);
    connect(&Windows::roomPoints(), &RoomPoints::changed, this, [this] {
        // Another layout's points, or one deleted: the chosen row may be gone.
        if (chosenPoint() && *chosenPoint() >= Windows::roomPoints().points().size())
            choosePoint(std::nullopt);
        showPoints();
    });
    connect(&settings, &DoseSettings::changed, this, &Form6::followSettings);
    fillShareLevels();
    showPoints();
}

void Form6::buildPointControls(int left) {
    // Beside the dose panel and the levels: the buttons, the level of the
    // shares and how the points are saved; the table under them all.
    const int side = left + DosePanel::kWidth + 10;
    constexpr int sideWidth = 210;
    makeLabel(this, QStringLiteral("測定点"), side, 6, sideWidth, 22)
        ->setToolTip(QStringLiteral("術者、看護師、操作卓、扉の外 など"));
    PlacePoints = controls::makeButton(this, QStringLiteral("測定点を置く"), "PlacePoints", side,
                                       30, 150, 28);
    PlacePoints->setCheckable(true);
    PlacePoints->setToolTip(QStringLiteral("押してから図をクリックすると、名称を入力して測定点を"
                                           "置きます。測定点はドラッグで移動できます。"));
    connect(PlacePoints, &QPushButton::toggled, this, [this](bool on) {
        if (mouse_ != PointMouse::Dragging)
            mouse_ = on ? PointMouse::Placing : PointMouse::Idle;
        else if (drag_)
            drag_->back = on ? PointMouse::Placing : PointMouse::Idle;
        Picture1->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    });
    RenamePoint =
        controls::makeButton(this, QStringLiteral("名称を変更"), "RenamePoint", side, 62, 150, 28);
    connect(RenamePoint, &QPushButton::clicked, this, &Form6::renameChosenPoint);
    DeletePoint = controls::makeButton(this, QStringLiteral("測定点を削除"), "DeletePoint", side,
                                       94, 150, 28);
    connect(DeletePoint, &QPushButton::clicked, this, &Form6::deleteChosenPoint);

    makeLabel(this, QStringLiteral("割合の基準"), side, 128, sideWidth, 22);
    ShareLevel = new QComboBox(this);
    ShareLevel->setObjectName(QStringLiteral("ShareLevel"));
    ShareLevel->setGeometry(side, 150, sideWidth, 26);
    ShareLevel->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(ShareLevel, &QComboBox::activated, this, [](int index) {
        if (index >= 0)
            Windows::doseSettings().setShareLevel(static_cast<std::size_t>(index));
    });

    PointsNote = makeLabel(this, QString(), side, 188, sideWidth, 290, "PointsNote");
    PointsNote->setWordWrap(true);
    PointsNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    constexpr int tableWidth = 510;
    PointsTable = new QTableWidget(0, kColumnCount, this);
    PointsTable->setObjectName(QStringLiteral("PointsTable"));
    PointsTable->setGeometry(left, 486, tableWidth, 258);
    PointsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    PointsTable->setSelectionMode(QAbstractItemView::SingleSelection);
    PointsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PointsTable->verticalHeader()->setVisible(false);
    PointsTable->verticalHeader()->setDefaultSectionSize(24);
    PointsTable->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    const int widths[kColumnCount] = {86, 44, 44, 76, 58, 62, 130};
    for (int column = 0; column < kColumnCount; ++column)
        PointsTable->setColumnWidth(column, widths[column]);
    PointsTable->horizontalHeader()->setStretchLastSection(true);
    connect(PointsTable, &QTableWidget::itemSelectionChanged, this, [this] { showPoints(); });
    connect(PointsTable, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { renameChosenPoint(); });
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
    if (mouse_ == PointMouse::Dragging)
        endDrag(false);
    drawing_.reset();
    shownRoom_.reset();
    PictureCaption->setText(captions::roomPicture());
    pendingMap_.reset();
    SavePicture->setEnabled(false);
    PrintPicture->setEnabled(false);
    base_ = overlay::blankPicture();
    showPoints();
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

void Form6::showScale() {
    if (!drawing_)
        return;
    const results::ShownMap& map = drawing_->map;
    Label50->setText(dose::prefixText(map.scale.prefix));
    Label51->setText(dose::unitAfterPrefix(map.quantity, map.scale));
}

void Form6::showReach() {
    const results::DoseGrid* doseEquivalent =
        drawing_ ? results::doseEquivalentOf(drawing_->map) : nullptr;
    if (!doseEquivalent) {
        Levels->showReach({});
        return;
    }
    const DoseSettings& settings = Windows::doseSettings();
    Levels->showReach(
        limitlines::reachOfLevels(*doseEquivalent, settings.levels(), settings.minutesPerWeek()));
}

void Form6::followSettings() {
    fillShareLevels();
    if (drawing_) {
        results::ShownMap next = withSettings(drawing_->map, Windows::doseSettings());
        if (!shownAlike(next, drawing_->map)) {
            // A drawing under way takes the settings when it ends.
            if (Module1::layoutOverlayRunning()) {
                settingsChanged_ = true;
                return;
            }
            const std::function<bool()> stillShown = drawing_->stillShown;
            drawOverlay(next, stillShown);
            return;
        }
    }
    showReach();
    fillTable();
}

void Form6::drawOverlay(const results::ShownMap& viewerMap,
                        const std::function<bool()>& stillShown) {
    if (Module1::layoutOverlayRunning() || results::isVerticalSection(viewerMap.plane))
        return;
    // The doses in the period, thresholds and lines of the settings.
    const results::ShownMap map = withSettings(viewerMap, Windows::doseSettings());
    // The room and the switch as they are when the drawing starts: the
    // drawing lets window events run, and the page must show what was drawn.
    const std::optional<Module1::RoomLayout> room = Module1::roomLayout;
    const QString layoutName = Label10->text();
    const bool bothSides = Check1->isChecked();
    // A point being dragged is put back: the picture under it is replaced.
    if (mouse_ == PointMouse::Dragging)
        endDrag(false);
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
    } else if (drawn || !room || std::max(room->roomWidth, room->roomHeight) <= 0) {
        // The picture shows no map now (a room alone, or nothing).
        drawing_.reset();
        PictureCaption->setText(captions::roomPicture());
        SavePicture->setEnabled(false);
        PrintPicture->setEnabled(false);
    }
    // The points go over the picture as it is now: this drawing, or the
    // picture cleared (no room, or the viewer let the result go meanwhile).
    if (drawn) {
        shownRoom_ = room;
        base_ = Picture1->image();
    } else if (Picture1->image() == overlay::blankPicture()) {
        shownRoom_.reset();
        base_ = Picture1->image();
    }
    showPoints();
    showScale();
    showReach();
    if (pendingMap_) {
        const results::ShownMap next = std::move(*pendingMap_);
        pendingMap_.reset();
        redrawWith(next);
    } else if (settingsChanged_) {
        settingsChanged_ = false;
        followSettings();
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
    if (drawing_) {
        content.points = Windows::roomPoints().points();
        const namedpoints::TableSettings settings = tableSettings();
        content.pointRows =
            namedpoints::tableRows(drawing_->room, content.points, drawing_->map, settings);
        content.pointHeadings = namedpoints::tableHeadings(drawing_->map.quantity, settings);
        content.pointsNote = namedpoints::shareNote(settings);
    }
    return content;
}

// Named points.

std::optional<Module1::RoomLayout> Form6::pointsRoom() const {
    if (shownRoom_)
        return shownRoom_;
    return Module1::roomLayout;
}

std::vector<namedpoints::NamedPoint> Form6::shownPoints() const {
    std::vector<namedpoints::NamedPoint> points = Windows::roomPoints().points();
    if (drag_ && drag_->index < points.size()) {
        points[drag_->index].x = drag_->at.x();
        points[drag_->index].y = drag_->at.y();
    }
    return points;
}

namedpoints::TableSettings Form6::tableSettings() const {
    const DoseSettings& settings = Windows::doseSettings();
    namedpoints::TableSettings table;
    // The scale and workload the picture was drawn with.
    table.scale = drawing_ ? drawing_->map.scale : settings.scaleFor(0);
    table.minutesPerWeek = drawing_ ? drawing_->map.minutesPerWeek : settings.minutesPerWeek();
    if (settings.shareLevel() < settings.levels().size())
        table.level = settings.levels()[settings.shareLevel()];
    return table;
}

std::vector<namedpoints::PointRow> Form6::pointRows() const {
    const std::vector<namedpoints::NamedPoint> points = shownPoints();
    const std::optional<Module1::RoomLayout> room = pointsRoom();
    if (!room) {
        // No layout yet: the names alone.
        std::vector<namedpoints::PointRow> rows(points.size());
        for (std::size_t k = 0; k < points.size(); ++k)
            rows[k].name = points[k].name;
        return rows;
    }
    const results::ShownMap map = drawing_ ? drawing_->map : results::ShownMap{};
    return namedpoints::tableRows(*room, points, map, tableSettings());
}

std::optional<std::size_t> Form6::chosenPoint() const {
    const QList<QTableWidgetItem*> selected = PointsTable->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return static_cast<std::size_t>(selected.front()->row());
}

void Form6::choosePoint(std::optional<std::size_t> index) {
    if (!index || *index >= static_cast<std::size_t>(PointsTable->rowCount())) {
        PointsTable->clearSelection();
        PointsTable->setCurrentItem(nullptr);
        return;
    }
    PointsTable->selectRow(static_cast<int>(*index));
}

void Form6::showPoints() {
    QImage picture = base_.isNull() ? overlay::blankPicture() : base_;
    if (const std::optional<Module1::RoomLayout> room = shownRoom_)
        overlay::paintPoints(picture, *room, shownPoints(), chosenPoint());
    Picture1->setImage(std::move(picture));
    fillTable();
}

void Form6::fillTable() {
    const std::vector<namedpoints::PointRow> rows = pointRows();
    const namedpoints::TableSettings settings = tableSettings();
    const results::Quantity quantity =
        drawing_ ? drawing_->map.quantity : results::Quantity::DoseEquivalent;
    const namedpoints::TableHeadings headings = namedpoints::tableHeadings(quantity, settings);
    // Units under the names, and the share's level named by the choice
    // above the table.
    auto twoLines = [](QString heading) {
        return heading.replace(QStringLiteral("（"), QStringLiteral("\n（"));
    };
    const QStringList titles = {
        headings.name,        twoLines(headings.x),   twoLines(headings.c), twoLines(headings.dose),
        headings.uncertainty, QStringLiteral("割合"), headings.note};
    PointsTable->setHorizontalHeaderLabels(titles);
    PointsTable->horizontalHeaderItem(kDose)->setToolTip(headings.dose);
    PointsTable->horizontalHeaderItem(kShare)->setToolTip(headings.share);

    const std::optional<std::size_t> chosen = chosenPoint();
    const QSignalBlocker blocker(PointsTable);
    PointsTable->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const namedpoints::PointRow& row = rows[k];
        const QString texts[kColumnCount] = {row.name,        row.x,     row.c,   row.dose,
                                             row.uncertainty, row.share, row.note};
        for (int column = 0; column < kColumnCount; ++column) {
            QTableWidgetItem* item = PointsTable->item(static_cast<int>(k), column);
            if (!item) {
                item = new QTableWidgetItem;
                PointsTable->setItem(static_cast<int>(k), column, item);
            }
            item->setText(texts[column]);
            const bool number = column != kName && column != kNote && row.onMap;
            item->setTextAlignment(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
        }
    }
    if (chosen && *chosen < rows.size())
        PointsTable->selectRow(static_cast<int>(*chosen));
    DeletePoint->setEnabled(chosen.has_value());
    RenamePoint->setEnabled(chosen.has_value());

    QString note = Windows::roomPoints().savingText();
    if (const QString shares = namedpoints::shareNote(settings); !shares.isEmpty())
        note += QLatin1Char('\n') + shares;
    PointsNote->setText(note);
}

void Form6::fillShareLevels() {
    const DoseSettings& settings = Windows::doseSettings();
    QStringList items;
    for (const dose::ReferenceLevel& level : settings.levels())
        items << QStringLiteral("%1（%2）").arg(level.name, dose::levelText(level));
    const QSignalBlocker blocker(ShareLevel);
    QStringList shown;
    for (int k = 0; k < ShareLevel->count(); ++k)
        shown << ShareLevel->itemText(k);
    if (shown != items) {
        ShareLevel->clear();
        ShareLevel->addItems(items);
    }
    ShareLevel->setCurrentIndex(static_cast<int>(settings.shareLevel()));
}

void Form6::pressInPicture(double X, double Y, Qt::MouseButton button) {
    const QPointF pixel(X, Y);
    if (button != Qt::LeftButton || !shownRoom_)
        return;
    const std::vector<namedpoints::NamedPoint>& points = Windows::roomPoints().points();
    const std::optional<std::size_t> hit = overlay::pointAt(*shownRoom_, points, pixel);
    switch (mouse_) {
    case PointMouse::Idle:
    case PointMouse::Placing:
        if (hit) {
            const namedpoints::NamedPoint& p = points[*hit];
            drag_ = Drag{*hit, pixel - overlay::pixelOf(*shownRoom_, p.x, p.y), QPointF(p.x, p.y),
                         QPointF(p.x, p.y), mouse_};
            mouse_ = PointMouse::Dragging;
            choosePoint(hit);
            Picture1->setCursor(Qt::ClosedHandCursor);
            return;
        }
        if (mouse_ == PointMouse::Placing)
            placePointAt(pixel);
        else
            choosePoint(std::nullopt);
        return;
    case PointMouse::Dragging:
        return; // another button during a drag changes nothing
    }
}

void Form6::moveInPicture(double X, double Y) {
    switch (mouse_) {
    case PointMouse::Idle:
    case PointMouse::Placing: {
        const bool overPoint =
            shownRoom_ &&
            overlay::pointAt(*shownRoom_, Windows::roomPoints().points(), QPointF(X, Y));
        Picture1->setCursor(overPoint                       ? Qt::OpenHandCursor
                            : mouse_ == PointMouse::Placing ? Qt::CrossCursor
                                                            : Qt::ArrowCursor);
        return;
    }
    case PointMouse::Dragging: {
        if (!drag_ || !shownRoom_)
            return;
        // The point stays on the picture, however far the mouse goes.
        const double edge = overlay::kPicturePixels;
        const QPointF centre(std::clamp(X - drag_->grab.x(), 0.0, edge),
                             std::clamp(Y - drag_->grab.y(), 0.0, edge));
        const QPointF at = wholeCm(overlay::roomPointAt(*shownRoom_, centre));
        if (at != drag_->at) {
            drag_->at = at;
            showPoints();
        }
        return;
    }
    }
}

void Form6::releaseInPicture(double X, double Y, Qt::MouseButton button) {
    switch (mouse_) {
    case PointMouse::Idle:
    case PointMouse::Placing:
        return;
    case PointMouse::Dragging:
        if (button != Qt::LeftButton)
            return;
        moveInPicture(X, Y);
        endDrag(true);
        return;
    }
}

void Form6::endDrag(bool keep) {
    if (!drag_)
        return;
    const Drag drag = *drag_;
    drag_.reset();
    mouse_ = drag.back;
    Picture1->setCursor(mouse_ == PointMouse::Placing ? Qt::CrossCursor : Qt::ArrowCursor);
    QString error;
    if (keep && drag.at != drag.from &&
        !Windows::roomPoints().move(drag.index, drag.at.x(), drag.at.y(), error))
        warn(error);
    showPoints();
}

void Form6::placePointAt(QPointF pixel) {
    if (!shownRoom_)
        return;
    const QPointF at = wholeCm(overlay::roomPointAt(*shownRoom_, pixel));
    QString name;
    if (!platform::services().messages->input(
            this,
            QStringLiteral("%1を入力して下さい（例：術者、看護師、操作卓、扉の外）")
                .arg(namedpoints::pointNameField()),
            kMessageTitle, QString(), name))
        return;
    QString error;
    RoomPoints& points = Windows::roomPoints();
    const std::size_t before = points.points().size();
    const bool done = points.add(name, at.x(), at.y(), error);
    if (points.points().size() > before)
        choosePoint(points.points().size() - 1);
    if (!done)
        warn(error);
}

void Form6::deleteChosenPoint() {
    const std::optional<std::size_t> chosen = chosenPoint();
    if (!chosen || mouse_ == PointMouse::Dragging)
        return;
    QString error;
    const bool done = Windows::roomPoints().remove(*chosen, error);
    choosePoint(std::nullopt);
    if (!done)
        warn(error);
}

void Form6::renameChosenPoint() {
    const std::optional<std::size_t> chosen = chosenPoint();
    RoomPoints& points = Windows::roomPoints();
    if (!chosen || *chosen >= points.points().size() || mouse_ == PointMouse::Dragging)
        return;
    QString name;
    if (!platform::services().messages->input(
            this, QStringLiteral("%1を入力して下さい").arg(namedpoints::pointNameField()),
            kMessageTitle, points.points()[*chosen].name, name))
        return;
    QString error;
    if (!points.rename(*chosen, name, error))
        warn(error);
}

void Form6::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        // Escape takes back a drag, then leaves placing.
        if (mouse_ == PointMouse::Dragging)
            endDrag(false);
        else if (PlacePoints->isChecked())
            PlacePoints->setChecked(false);
        return;
    case Qt::Key_Delete:
        if (PointsTable->hasFocus()) {
            deleteChosenPoint();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void Form6::warn(const QString& text) {
    platform::warn(this, text);
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
