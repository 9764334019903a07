#include "layout/Form5.h"

#include "Controls.h"
#include "RoomPoints.h"
#include "Windows.h"
#include "layout/Form6.h"
#include "layout/LayoutWidgets.h"
#include "logic/FilePaths.h"
#include "logic/MapPlane.h"
#include "logic/PointsFile.h"
#include "logic/RoomFile.h"
#include "platform/Platform.h"
#include "setup/Module1.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>

#include <filesystem>
#include <tuple>
#include <utility>

using layout::Element;

namespace {

using controls::makeButton;
using controls::makeText;
using layout::editorFont;

const QString kMessageTitle = QStringLiteral("Dorvalis-3");

// Where the plan sits in the window.
constexpr int kPlanX = 60;
constexpr int kPlanY = 70;

} // namespace

Form5::Form5(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("    透視室レイアウト"));
    buildControls();

    // Window load: every element the layout will hold is shown, not placed
    // yet; save and show disabled until "設定終了", no file name yet. Nothing
    // else is reset while the program runs.
    syncMarkers();
    Command4->setEnabled(false);
    Command6->setEnabled(false);
    Text1->clear();
}

void Form5::buildControls() {
    setFixedSize(1275, 610);
    setFont(editorFont(9));

    auto label = [this](const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    // The editor's text fields are a little taller than the usual ones.
    auto field = [this](QLineEdit*& f, const char* name, int x, int y, int w) {
        f = makeText(this, name, x, y, w);
        f->resize(w, 24);
    };

    QLabel* heading = label(QStringLiteral("Ｘ線透視室のレイアウト設定"), 20, 10);
    heading->setFont(editorFont(14));
    heading->adjustSize();

    // The plan and its metre marks.
    Picture1 = new layout::LayoutPicture(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->move(kPlanX, kPlanY);
    for (int m = 0; m <= 8; ++m) {
        int at = static_cast<int>(layout::toPixel(100.0 * m));
        QLabel* top = label(m == 8 ? QStringLiteral("8 m") : QString::number(m), 0, kPlanY - 20);
        top->move(kPlanX + at - (m == 8 ? 4 : top->width() / 2), kPlanY - 20);
        QLabel* side = label(QString::number(m), 0, 0);
        side->move(kPlanX - 8 - side->width(), kPlanY + at - side->height() / 2);
    }
    label(QStringLiteral("m"), kPlanX - 18, kPlanY + static_cast<int>(layout::toPixel(850)) - 16);
    label(QStringLiteral("X"), kPlanX + layout::kPictureSize + 6, kPlanY - 20);
    label(QStringLiteral("Y"), kPlanX - 18, kPlanY + layout::kPictureSize + 4);

    using layout::MarkerShape;
    const QColor darkGrey(64, 64, 64);
    const QColor lightGrey(192, 192, 192);
    auto shape = [this](MarkerShape*& s, const char* name, MarkerShape::Figure figure, QColor line,
                        Qt::BrushStyle fill, QColor fillColor) {
        s = new MarkerShape(figure, line, 2, fill, fillColor, Picture1);
        s->setObjectName(QString::fromLatin1(name));
    };
    // The room first, so that the other markers lie over it.
    shape(Shape2, "Shape2", MarkerShape::Figure::Rectangle, Qt::black, Qt::NoBrush, {});
    shape(Shape3, "Shape3", MarkerShape::Figure::Rectangle, darkGrey, Qt::FDiagPattern, lightGrey);
    shape(Shape4, "Shape4", MarkerShape::Figure::Rectangle, darkGrey, Qt::BDiagPattern, lightGrey);
    shape(Shape5, "Shape5", MarkerShape::Figure::Rectangle, darkGrey, Qt::NoBrush, {});
    shape(Shape6, "Shape6", MarkerShape::Figure::Rectangle, darkGrey, Qt::BDiagPattern, lightGrey);
    shape(Shape1, "Shape1", MarkerShape::Figure::Circle, QColor(255, 0, 0), Qt::SolidPattern,
          QColor(255, 0, 0));
    auto planLabel = [this](QLabel*& l, const char* name) {
        l = new QLabel(Picture1);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(editorFont(15.75));
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    };
    planLabel(Label8, "Label8");
    planLabel(Label16, "Label16");

    connect(Picture1, &layout::LayoutPicture::mouseDown, this, &Form5::mouseDownInPlan);
    connect(Picture1, &layout::LayoutPicture::mouseMoved, this, &Form5::mouseMoveInPlan);

    // Element buttons.
    const int colA = 590;
    const int colA2 = colA + 125;
    label(QStringLiteral("（選択後、修正可）"), colA, 48);
    struct ElementButton {
        QPushButton*& button;
        const char* name;
        const char* caption;
        Element element;
        int x;
        int y;
    };
    const ElementButton elementButtons[] = {
        {Command14, "Command14", "室の大きさ", Element::Room, colA, 70},
        {Command13, "Command13", "被射体中心", Element::PhantomCentre, colA2, 70},
        {Command15, "Command15", "ベッド位置", Element::Bed, colA, 102},
        {Command10, "Command10", "扉の位置", Element::StaffDoor, colA2, 102},
        {Command11, "Command11", "覗き窓", Element::ViewingWindow, colA, 134},
        {Command1, "Command1", "患者出入口", Element::PatientEntrance, colA2, 134},
        {Command12, "Command12", "操作室位置", Element::ControlRoomText, colA, 166},
    };
    for (const ElementButton& e : elementButtons) {
        e.button = makeButton(this, QString::fromUtf8(e.caption), e.name, e.x, e.y, 120, 28);
        const Element element = e.element;
        connect(e.button, &QPushButton::clicked, this, [this, element] { chooseElement(element); });
    }
    Command17 = makeButton(this, QStringLiteral("任意文字列"), "Command17", colA2, 166, 120, 28);
    connect(Command17, &QPushButton::clicked, this, &Form5::enterFreeText);
    label(QStringLiteral("（操作室は 下側 または 右側 ）"), colA, 200);
    Command16 = makeButton(this, QStringLiteral("削 除"), "Command16", colA, 222, 120, 28);
    connect(Command16, &QPushButton::clicked, this, &Form5::deleteCurrentElement);

    Picture2 = new layout::InstructionPanel(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->move(colA, 262);

    // Cursor read-out.
    label(QStringLiteral("カーソル位置"), colA, 372);
    label(QStringLiteral("X"), colA, 397);
    field(Text2, "Text2", colA + 14, 394, 50);
    label(QStringLiteral("Y"), colA + 74, 397);
    field(Text3, "Text3", colA + 88, 394, 50);
    label(QStringLiteral("m"), colA + 144, 397);
    Text2->setReadOnly(true);
    Text3->setReadOnly(true);

    Command2 = makeButton(this, QStringLiteral("設定終了"), "Command2", colA, 436, 160, 30);
    Command6 = makeButton(this, QStringLiteral("散乱線分布表示"), "Command6", colA, 474, 160, 30);
    Command3 = makeButton(this, QStringLiteral("キャンセル"), "Command3", colA, 540, 160, 30);
    connect(Command2, &QPushButton::clicked, this, &Form5::finishSettings);
    connect(Command6, &QPushButton::clicked, this, &Form5::showOverlay);
    connect(Command3, &QPushButton::clicked, this, &Form5::cancel);

    // Layout files.
    const int colB = 845;
    label(QStringLiteral("レイアウトを保存する"), colB, 48);
    label(QStringLiteral("ファイル名（拡張子なし）"), colB, 74);
    field(Text1, "Text1", colB, 94, 110);
    label(roomfile::kExtension, colB + 114, 98);
    Command4 = makeButton(this, QStringLiteral("保存する"), "Command4", colB, 126, 155, 28);
    Command5 = makeButton(this, QStringLiteral("ファイル削除"), "Command5", colB, 160, 155, 28);
    connect(Command4, &QPushButton::clicked, this, &Form5::saveLayout);
    connect(Command5, &QPushButton::clicked, this, &Form5::deleteLayout);
    label(QStringLiteral("レイアウトデータを"), colB, 212);
    label(QStringLiteral("ファイルから読み込む"), colB, 232);
    label(QStringLiteral("ファイルを選択して下さい"), colB, 256);
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(colB, 278, 155, 292);
    File1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(File1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { loadLayout(item->text()); });

    // What the layout file will hold.
    const int colC = 1018;
    label(QStringLiteral("ファイルに保存される要素"), colC, 48);
    label(QStringLiteral("（チェックを外すと分布図に描かない）"), colC, 70);
    ElementList1 = new layout::ElementList(this);
    ElementList1->setObjectName(QStringLiteral("ElementList1"));
    ElementList1->move(colC, 96);
    connect(ElementList1, &layout::ElementList::drawnClicked, this, &Form5::setElementDrawn);
    QLabel* notes = label(QStringLiteral("未配置の要素は、図の破線の位置に\n"
                                         "保存され、分布図にも描かれます。\n"
                                         "描かない要素は点線で示し、位置は\n"
                                         "ファイルに残ります。\n"
                                         "「削 除」は選択中の要素を\n"
                                         "描かないようにします。"),
                          colC, 96 + ElementList1->height() + 12);
    notes->adjustSize();
}

void Form5::open() {
    refreshFileList();
    syncMarkers();
    show();
    raise();
    activateWindow();
}

void Form5::setFolder(const QString& folder) {
    folder_ = folder;
}

QString Form5::folder() const {
    return folder_.isEmpty() ? platform::workFolder() : folder_;
}

QString Form5::filePath(const QString& fileName) const {
    return QDir(folder()).filePath(fileName);
}

QStringList Form5::instructions() const {
    return Picture2->lines();
}

void Form5::warn(const QString& text) {
    platform::warn(this, text);
}

void Form5::syncMarkers() {
    const std::pair<layout::MarkerShape*, Element> shapes[] = {
        {Shape1, Element::PhantomCentre}, {Shape2, Element::Room},
        {Shape3, Element::Bed},           {Shape4, Element::StaffDoor},
        {Shape5, Element::ViewingWindow}, {Shape6, Element::PatientEntrance}};
    for (auto [shape, element] : shapes) {
        shape->setState(layout::stateOf(plan_, element));
        Picture1->placeChild(shape, *plan_.markerOf(element));
    }
    const std::tuple<QLabel*, Element, QString> labels[] = {
        {Label8, Element::ControlRoomText, plan_.controlRoomCaption},
        {Label16, Element::FreeText, plan_.freeTextCaption}};
    for (const auto& [label, element, caption] : labels) {
        label->setText(caption);
        layout::setLabelState(label, layout::stateOf(plan_, element));
        label->adjustSize();
        Picture1->placeChild(label, *plan_.markerOf(element));
    }
    ElementList1->showPlan(plan_);
}

void Form5::captureLayout() {
    Module1::roomLayout = layout::capture(plan_);
}

void Form5::chooseElement(Element element) {
    layout::selectElement(plan_, element);
    syncMarkers();
    Picture2->clear();
    for (const QString& line : layout::instructionLines(element))
        Picture2->print(line);
}

void Form5::enterFreeText() {
    Picture2->clear();
    Picture2->print(QStringLiteral("任意文字列"));
    QString text;
    if (!platform::services().messages->input(this, QStringLiteral("文字列を入力してください"),
                                              kMessageTitle, QString(), text))
        text.clear();
    if (layout::acceptFreeText(plan_, text)) {
        syncMarkers();
        Picture2->print(QString());
        Picture2->print(QStringLiteral("文字列の位置をクリックで設定"));
        return;
    }
    warn(QStringLiteral("文字列が入力されていません"));
    Picture2->clear();
}

void Form5::deleteCurrentElement() {
    const Element current = plan_.currentElement;
    if (current != Element::None && !layout::deleteCurrent(plan_))
        warn(QStringLiteral("「%1」は分布図を描くのに必要なため、削除できません。")
                 .arg(layout::elementName(current)));
    syncMarkers();
    Picture2->clear();
}

void Form5::setElementDrawn(Element element, bool drawn) {
    layout::setAbsent(plan_, element, !drawn);
    syncMarkers();
}

void Form5::mouseDownInPlan(layout::MouseButton button, double x, double y) {
    layout::place(plan_, button, x, y);
    syncMarkers();
}

void Form5::mouseMoveInPlan(double x, double y) {
    layout::Readout readout = layout::cursorReadout(x, y);
    Text2->setText(readout.x);
    Text3->setText(readout.y);
}

void Form5::finishSettings() {
    captureLayout();
    platform::services().events->processEvents();
    Windows::form6().showLayoutName(Text1->text());
    Picture2->clear();
    Command4->setEnabled(true);
    Command6->setEnabled(true);
    Command6->setFocus();
}

void Form5::showOverlay() {
    const results::ShownMap map = Windows::viewerMap();
    // A room plan lies in a horizontal plane: no vertical section over it.
    if (const QString refusal = results::overlayRefusal(map.plane, map.resultFileName);
        !refusal.isEmpty()) {
        warn(refusal);
        return;
    }
    // What is drawn is what the editor shows, also when it was changed after
    // "設定終了".
    captureLayout();
    // The drawing lets window events run; the button stays off meanwhile so that
    // a second press cannot start another drawing.
    Command6->setEnabled(false);
    Windows::form6().drawOverlay(map, Windows::viewerStillShowing());
    Command6->setEnabled(true);
    platform::services().events->processEvents();
    Windows::form6().show();
    hide();
}

void Form5::cancel() {
    hide();
}

void Form5::saveLayout() {
    const QString name = Text1->text();
    if (name.isEmpty()) {
        warn(QStringLiteral("ファイル名を入力して下さい"));
        return;
    }
    if (!Module1::roomLayout)
        return;
    const QString fileName = name + roomfile::kExtension;
    // The file belongs in the working folder: a name that points elsewhere is refused.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QChar(0))) {
        warn(QStringLiteral("「%1」はファイル名に使えません。").arg(fileName));
        return;
    }
    // What is saved is what the editor shows, also when it was changed after
    // "設定終了".
    captureLayout();
    const std::filesystem::path path = files::toPath(filePath(fileName));
    QString error;
    if (!roomfile::save(path, *Module1::roomLayout, error)) {
        warn(QStringLiteral("「%1」を保存できません。\n%2").arg(fileName, error));
        return;
    }
    // The named points go with the layout, also when it is saved under a new
    // name.
    bool kept = false;
    if (!Windows::roomPoints().saveBeside(path, error, &kept)) {
        refreshFileList();
        warn(QStringLiteral("「%1」は保存しましたが、%2").arg(fileName, error));
        return;
    }
    refreshFileList();
    QString saved = QStringLiteral("レイアウトデータを保存しました");
    if (kept)
        saved += QStringLiteral("\n（読めなかった測定点のファイル「%1」は書き換えていません）")
                     .arg(files::fromPath(roomfile::pointsPath(path).filename()));
    platform::services().messages->show(this, saved, kMessageTitle, platform::MessageButtons::Ok,
                                        platform::MessageIcon::None);
}

void Form5::loadLayout(const QString& fileName) {
    const std::filesystem::path path = files::toPath(filePath(fileName));
    QString error;
    std::optional<Module1::RoomLayout> layout = roomfile::load(path, error);
    if (!layout) {
        // The editor keeps what it had: nothing of a bad file is taken.
        warn(error);
        return;
    }
    Module1::roomLayout = *layout;
    layout::applyLayout(plan_, *layout);
    syncMarkers();
    QString name = fileName;
    if (name.endsWith(roomfile::kExtension, Qt::CaseInsensitive))
        name.chop(roomfile::kExtension.size());
    Text1->setText(name);
    Windows::form6().showLayoutName(name);
    // The named points beside it; a points file that cannot be read is told,
    // and the layout is used without its points.
    std::optional<std::vector<namedpoints::NamedPoint>> points = pointsfile::load(path, error);
    Windows::roomPoints().useLayoutFile(path, points);
    if (!points)
        warn(QStringLiteral("レイアウト「%1」は読み込みましたが、測定点は読み込めません。\n%2")
                 .arg(fileName, error));
}

void Form5::deleteLayout() {
    // Only a highlighted file: a row that is merely current (the list was
    // tabbed into) is not a choice.
    const QList<QListWidgetItem*> selected = File1->selectedItems();
    if (selected.isEmpty())
        return;
    const QString fileName = selected.front()->text();
    // What the program keeps beside the layout goes with it.
    const std::filesystem::path path = files::toPath(filePath(fileName));
    QStringList companions;
    QStringList described;
    for (const std::filesystem::path& companion : roomfile::companionFiles(path))
        if (std::filesystem::exists(companion)) {
            const QString name = files::fromPath(companion.filename());
            companions << name;
            described << (companion == roomfile::pointsPath(path)
                              ? QStringLiteral("測定点「%1」").arg(name)
                              : QStringLiteral("描かない要素の印「%1」").arg(name));
        }
    auto confirmed = [this](const QString& question) {
        return platform::services().messages->show(
                   this, question, kMessageTitle, platform::MessageButtons::OkCancel,
                   platform::MessageIcon::None) == platform::MessageResult::Ok;
    };
    QString question = QStringLiteral(" 「%1」を削除していいですか？ ").arg(fileName);
    if (!companions.isEmpty())
        question += QStringLiteral("\n（一緒に保存した%1も削除します）")
                        .arg(described.join(QStringLiteral("と")));
    if (!confirmed(question))
        return;
    if (!confirmed(QStringLiteral(" 「%1」を本当に削除しますか？ ").arg(fileName)))
        return;
    if (!platform::services().files->remove(filePath(fileName))) {
        warn(QStringLiteral("「%1」を削除できません。").arg(fileName));
    } else {
        for (const QString& companion : companions)
            if (!platform::services().files->remove(filePath(companion)))
                warn(QStringLiteral("「%1」を削除できません。").arg(companion));
        // Points placed from now on are not written beside a deleted layout.
        Windows::roomPoints().layoutFileDeleted(path);
    }
    refreshFileList();
}

void Form5::refreshFileList() {
    File1->clear();
    File1->addItems(QDir(folder()).entryList({QStringLiteral("*") + roomfile::kExtension},
                                             QDir::Files, QDir::Name | QDir::IgnoreCase));
}

Form5& Windows::form5() {
    return detail::createdOnFirstUse<Form5>();
}
