#include "results/Form1.h"

#include "Controls.h"
#include "DoseSettings.h"
#include "Windows.h"
#include "layout/Form6.h"
#include "logic/Captions.h"
#include "logic/Correction.h"
#include "logic/DoseNotes.h"
#include "logic/FilePaths.h"
#include "logic/MapPainting.h"
#include "logic/MapPlane.h"
#include "logic/NumberText.h"
#include "logic/ProgramNames.h"
#include "logic/Readout.h"
#include "logic/ResultHeader.h"
#include "logic/Uncertainty.h"
#include "platform/Platform.h"
#include "results/ConditionsPanel.h"
#include "results/DosePanel.h"
#include "results/Form3.h"
#include "results/Form4.h"
#include "results/LevelList.h"
#include "results/PictureBox.h"
#include "results/PicturePages.h"
#include "results/ThresholdColumn.h"
#include "textrec/exchange_files.h"
#include "textrec/planes.h"
#include "textrec/textrec.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <cmath>

namespace {

namespace exchange = textrec::exchange;

const QString kMergedFile = QString::fromLatin1(exchange::mergedGridFile);
const QString kMergeRequestFile = QString::fromLatin1(exchange::mergeRequestFile);
const QString kLoadFailed = QStringLiteral(" もう一度 データ読込 を押してください");
// The delete question names the file: " このファイル「x.data」を削除していいですか？ ".
const QString kAskDelete = QStringLiteral(" このファイル「%1」を削除していいですか？ ");
const QString kReadoutHeading = QStringLiteral("カーソル位置 X              Y      ");
// In a vertical section the second position is the height above the floor.
const QString kSectionReadoutHeading = QStringLiteral("カーソル位置 X            高さ");

QString fromStd(const std::string& s) {
    return QString::fromStdString(s);
}

QString extremeText(double value) {
    return fromStd(textrec::formatMask(value, "0.000E+00"));
}

using controls::makeButton;
using controls::makeLabel;

QWidget* makeCrossHairLine(QWidget* picture, const char* name) {
    auto* line = new QWidget(picture);
    line->setObjectName(QString::fromLatin1(name));
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, Qt::black);
    line->setPalette(palette);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    line->hide();
    return line;
}

} // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Scattered dose distribution"));
    buildControls();
    refreshFileList();
}

void Form1::buildControls() {
    setFixedSize(1456, 728);

    // Map picture, legend and threshold fields.
    PlaneCaption = makeLabel(this, captions::mapPlane(), 10, 6, 529, 22, "PlaneCaption");
    Picture1 = new PictureBox(results::blankMapImage(), results::kMapPictureLeft,
                              results::kMapPictureTop, this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->move(10, 30);
    connect(Picture1, &PictureBox::mouseMovedTo, this, &Form1::showReadout);
    connect(Picture1, &PictureBox::mouseLeft, this, &Form1::clearReadout);
    Line1 = makeCrossHairLine(Picture1, "Line1");
    Line2 = makeCrossHairLine(Picture1, "Line2");
    const pictures::PageActions pageActions = pictures::addPageActions(Picture1);
    SavePicture = pageActions.save;
    PrintPicture = pageActions.print;
    connect(SavePicture, &QAction::triggered, this, &Form1::savePicture);
    connect(PrintPicture, &QAction::triggered, this, &Form1::printPicture);

    Workload = makeLabel(this, QString(), 556, 6, 214, 22, "Workload");
    Label50 = makeLabel(this, QStringLiteral("μ"), 556, 30, 14, 22, "Label50");
    Label51 = makeLabel(this, QStringLiteral("Gy/min"), 570, 30, 100, 22, "Label51");
    makeLabel(this, QStringLiteral("書換可"), 700, 30, 60, 22);
    Picture7 = new PictureBox(results::paintLegend(), 0, 0, this);
    Picture7->setObjectName(QStringLiteral("Picture7"));
    Picture7->move(556, 56);

    auto makeText = [this](int number, int x, int y, int w) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("Text%1").arg(number));
        field->setGeometry(x, y, w, 22);
        texts[static_cast<std::size_t>(number)] = field;
        return field;
    };
    thresholdColumn_ = new ThresholdColumn(10 * results::kLegendPixelsPerUnitY, this);
    thresholdColumn_->move(620, 56);
    const std::array<int, results::kThresholdCount> thresholdNumbers = {5,  6,  7,  13, 14, 15,
                                                                        16, 17, 19, 20, 21};
    for (std::size_t k = 0; k < thresholdNumbers.size(); ++k)
        texts[static_cast<std::size_t>(thresholdNumbers[k])] = thresholdColumn_->fields()[k];
    auto* note = makeLabel(this, QStringLiteral(" 書き換え後、[散乱線量分布表示] を押して下さい "),
                           556, 326, 200, 40);
    note->setWordWrap(true);

    Frame1 = new QGroupBox(QStringLiteral("表示する線量率の種類・単位"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(552, 372, 206, 78);
    Option1 = new QRadioButton(captions::quantity(results::Quantity::Kerma), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(8, 22, 194, 22);
    Option2 = new QRadioButton(captions::quantity(results::Quantity::DoseEquivalent), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(8, 48, 194, 22);
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            selectKerma();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            selectDoseEquivalent();
    });

    ReadoutHeading = makeLabel(this, kReadoutHeading, 556, 462, 200, 22, "ReadoutHeading");
    ReadoutPlane = makeLabel(this, QString(), 556, 486, 72, 22, "ReadoutPlane");
    makeText(23, 630, 486, 56);
    makeText(24, 698, 486, 56);
    makeText(22, 556, 516, 120);
    Label54 = makeLabel(this, QStringLiteral("μGy/分"), 682, 516, 90, 22, "Label54");
    makeLabel(this, QStringLiteral("（平均値）"), 556, 542, 120, 22);
    makeText(26, 682, 542, 76);
    Check1 = new QCheckBox(QStringLiteral("統計誤差20%超を網掛け"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(556, 574, 202, 22);
    Check1->setEnabled(false);
    connect(Check1, &QCheckBox::toggled, this, [this] {
        if (mapDrawn != 0)
            whenMergeCurrent(Step::Repaint);
    });
    LinesNote = makeLabel(this, QString(), 556, 604, 210, 66, "LinesNote");
    LinesNote->setWordWrap(true);
    LinesNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Result files and their conditions.
    makeLabel(this, QStringLiteral("結果ファイルを選択"), 776, 6, 200, 22);
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(776, 30, 374, 130);
    File1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(File1, &QListWidget::itemSelectionChanged, this, &Form1::chooseFile);
    Command11 = makeButton(this, QStringLiteral("OK"), "Command11", 1070, 166, 80, 28);

    conditions_ = new ConditionsPanel({.labelWidth = 200,
                                       .fieldLeft = 204,
                                       .fieldWidth = 100,
                                       .unitWidth = 66,
                                       .sizeFieldWidth = 52,
                                       .timesWidth = 14,
                                       .rateLabelHeight = 36,
                                       .rateRowPitch = 40,
                                       .positionWidth = 120,
                                       .planeLeft = 124},
                                      ConditionsPanel::Rows::All, this);
    conditions_->move(776, 200);
    Label44 = conditions_->Label44;
    const std::pair<int, QLineEdit*> conditionFields[] = {
        {18, conditions_->Text18}, {2, conditions_->Text2},   {3, conditions_->Text3},
        {4, conditions_->Text4},   {9, conditions_->Text9},   {1, conditions_->Text1},
        {8, conditions_->Text8},   {12, conditions_->Text12}, {10, conditions_->Text10},
        {11, conditions_->Text11}, {25, conditions_->Text25}};
    for (const auto& [number, field] : conditionFields)
        texts[static_cast<std::size_t>(number)] = field;

    // Loading and the extremes.
    Command2 = makeButton(this, QStringLiteral("データ読込"), "Command2", 776, 498, 170, 30);
    makeLabel(this, QStringLiteral("空気カーマ率"), 840, 534, 140, 22);
    makeLabel(this, QStringLiteral("実効線量 (H1cm) 率"), 990, 534, 160, 22);
    KermaExtremesUnit = makeLabel(this, QStringLiteral("μ") + QStringLiteral("Gy/min"), 840, 554,
                                  140, 22, "KermaExtremesUnit");
    DoseEquivalentExtremesUnit = makeLabel(this, QStringLiteral("μ") + QStringLiteral("Sv/min"),
                                           990, 554, 160, 22, "DoseEquivalentExtremesUnit");
    makeLabel(this, QStringLiteral("最大値"), 776, 576, 60, 22);
    makeLabel(this, QStringLiteral("最小値"), 776, 598, 60, 22);
    Label11 = makeLabel(this, QStringLiteral("-"), 840, 576, 140, 22, "Label11");
    Label12 = makeLabel(this, QStringLiteral("-"), 840, 598, 140, 22, "Label12");
    Label13 = makeLabel(this, QStringLiteral("-"), 990, 576, 160, 22, "Label13");
    Label16 = makeLabel(this, QStringLiteral("-"), 990, 598, 160, 22, "Label16");

    Command1 = makeButton(this, QStringLiteral("散乱線量分布表示"), "Command1", 776, 628, 182, 30);
    Command4 = makeButton(this, QStringLiteral("実測値による補正"), "Command4", 968, 628, 182, 30);
    Command6 =
        makeButton(this, QStringLiteral("部屋レイアウトに重ねる"), "Command6", 776, 662, 182, 30);
    Command5 = makeButton(this, QStringLiteral("ファイル削除"), "Command5", 968, 662, 96, 30);
    Command3 = makeButton(this, QStringLiteral("終了"), "Command3", 1070, 662, 80, 30);
    Status = makeLabel(this, QString(), 10, 702, 1436, 22, "Status");

    // The period, the workload and the limit lines, shared with the room
    // overlay window: every change paints the map again.
    DoseSettings& settings = Windows::doseSettings();
    Doses = new DosePanel(settings, this);
    Doses->move(1166, 6);
    Levels = new LevelList(settings, 696 - 190, this);
    Levels->move(1166, 190);
    connect(&settings, &DoseSettings::changed, this, &Form1::followDoseSettings);
    Status->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    Text1 = texts[1], Text2 = texts[2], Text3 = texts[3], Text4 = texts[4];
    Text5 = texts[5], Text6 = texts[6], Text7 = texts[7], Text8 = texts[8];
    Text9 = texts[9], Text10 = texts[10], Text11 = texts[11], Text12 = texts[12];
    Text13 = texts[13], Text14 = texts[14], Text15 = texts[15], Text16 = texts[16];
    Text17 = texts[17], Text18 = texts[18], Text19 = texts[19], Text20 = texts[20];
    Text21 = texts[21], Text22 = texts[22], Text23 = texts[23], Text24 = texts[24];
    Text25 = texts[25], Text26 = texts[26];

    connect(Command11, &QPushButton::clicked, this, &Form1::startMerge);
    connect(Command2, &QPushButton::clicked, this, &Form1::loadMergedGrids);
    connect(Command1, &QPushButton::clicked, this, &Form1::drawMap);
    connect(Command5, &QPushButton::clicked, this, &Form1::deleteSelectedFile);
    connect(Command3, &QPushButton::clicked, this, &Form1::leave);
    // The correction and the room layout editor open without blocking the viewer.
    connect(Command4, &QPushButton::clicked, this, &Form1::openCorrection);
    connect(Command6, &QPushButton::clicked, this, &Form1::openLayoutEditor);
}

std::array<QLineEdit*, results::kThresholdCount> Form1::thresholdFields() const {
    return thresholdColumn_->fields();
}

QString Form1::selectedFileName() const {
    const QList<QListWidgetItem*> selected = File1->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text();
}

void Form1::reset() {
    ++mergeRun_; // a merge still running no longer enables loading
    forgetLoadedResult();
    Check1->setChecked(false);
    mergedFile_.clear();
    mergeStamp_.reset();
    Status->clear();
    for (std::size_t n = 1; n < texts.size(); ++n)
        texts[n]->clear();
    Label44->clear();
    for (QPushButton* button : {Command2, Command11})
        button->setEnabled(false);
    Command3->setEnabled(true);
    {
        // Selected as a click selects it, so that both unit labels follow.
        const QSignalBlocker blocker(Option1);
        Option1->setChecked(true);
    }
    selectKerma();
    {
        const QSignalBlocker blocker(File1);
        File1->clear();
    }
    refreshFileList();
}

void Form1::refreshFileList() {
    const QString chosen = selectedFileName();
    const QStringList names =
        QDir(platform::workFolder())
            .entryList({QLatin1Char('*') + QLatin1String(exchange::resultExtension),
                        QLatin1Char('*') + QLatin1String(exchange::correctedExtension)},
                       QDir::Files, QDir::Name | QDir::IgnoreCase);
    {
        const QSignalBlocker blocker(File1);
        File1->clear();
        File1->addItems(names);
        const QList<QListWidgetItem*> same = File1->findItems(chosen, Qt::MatchExactly);
        if (!chosen.isEmpty() && !same.isEmpty())
            File1->setCurrentItem(same.front());
    }
    if (selectedFileName().isEmpty())
        Command11->setEnabled(false);
}

void Form1::chooseFile() {
    if (selectedFileName().isEmpty()) {
        // Nothing highlighted: nothing to merge.
        Command11->setEnabled(false);
        return;
    }
    // Another file: the map on screen and "F2B.dat" belong to the previous one.
    forgetLoadedResult();
    ++mergeRun_;
    mergeStamp_.reset();
    Status->clear();
    Command2->setEnabled(false);
    showSelectedHeader();
}

void Form1::forgetLoadedResult() {
    ++resultGeneration_;
    gridsLoaded = false;
    mapDrawn = 0;
    clearMap();
    for (QLineEdit* readout : {Text22, Text23, Text24, Text26})
        readout->clear();
    relativeErrors.reset();
    loadedPlane.reset();
    Check1->setEnabled(false);
    for (QLabel* label : {Label11, Label12, Label13, Label16})
        label->setText(QStringLiteral("-"));
    thresholdColumn_->clear();
    Levels->showReach({});
    LinesNote->clear();
    for (QPushButton* button : {Command1, Command4, Command6})
        button->setEnabled(false);
    if (Windows::form6Exists())
        Windows::form6().forgetMap();
    // The correction window shows the current values of the forgotten result.
    if (Windows::form3Exists())
        Windows::form3().hide();
}

void Form1::clearMap() {
    Picture1->setImage(results::blankMapImage());
    drawnMap_.reset();
    showReadoutPlane(std::nullopt);
    SavePicture->setEnabled(false);
    PrintPicture->setEnabled(false);
    hideCrossHair();
}

void Form1::hideCrossHair() {
    Line1->hide();
    Line2->hide();
}

void Form1::clearHeader() {
    chosenHeader_.reset();
    chosenPlane_.reset();
    conditions_->clear();
    PlaneCaption->setText(captions::mapPlane());
    if (Windows::form6Exists())
        Windows::form6().clearConditions();
}

void Form1::showSelectedHeader() {
    Command11->setEnabled(false);
    const QString name = selectedFileName();
    if (name.isEmpty())
        return;
    const auto header =
        results::readResultHeader(files::toPath(QDir(platform::workFolder()).filePath(name)));
    if (!header) {
        // Not a result file: no conditions of another file stay beside its name.
        clearHeader();
        return;
    }
    // Which plane the map lies in: a record that cannot be read leaves the
    // file unshown rather than shown under a wrong plane.
    const results::PlaneReading plane =
        results::readPlaneOf(files::toPath(QDir(platform::workFolder()).filePath(name)));
    if (!plane.ok()) {
        clearHeader();
        platform::warn(this, plane.error);
        return;
    }

    chosenHeader_ = *header;
    chosenPlane_ = plane.plane;
    bodyPosition = header->bodyPosition();
    focusSkinDistance = header->focusSkinDistance();
    conditions_->showHeader(*header);
    conditions_->showPlane(chosenPlane_);
    PlaneCaption->setText(captions::mapPlane(chosenPlane_));
    Windows::form6().showConditions(*header, chosenPlane_);
    Command11->setEnabled(true);
}

void Form1::startMerge() {
    const QString name = selectedFileName();
    if (name.isEmpty())
        return;
    Status->clear();
    launchMerge(name, [this] { Command2->setFocus(); });
}

void Form1::launchMerge(const QString& name, std::function<void()> onMerged) {
    platform::Services& services = platform::services();
    const QDir folder(platform::workFolder());
    services.files->remove(folder.filePath(kMergedFile));
    forgetLoadedResult();
    mergedFile_ = name;
    mergeStamp_.reset();
    // The result as the merger will read it: written again meanwhile, it
    // differs from this afterwards.
    const results::MergeStamp stamp =
        results::stampBeforeMerge(files::toPath(folder.filePath(name)));

    std::string request = QFile::encodeName(name).toStdString();
    request += textrec::kRecordEnd;
    textrec::writeFileAtomic(files::toPath(folder.filePath(kMergeRequestFile)), request);

    // Loading waits for the merger: the load button comes on when it has ended
    // well. A merger that failed says why (the file and the line) and there is
    // nothing to load.
    Command2->setEnabled(false);
    const int run = ++mergeRun_;
    services.events->processEvents();
    const QString merger = QString::fromStdString(platform::platformProgramName("quenro-3.exe"));
    QString error;
    const bool started = services.launcher->startHidden(
        merger, platform::workFolder(),
        [self = QPointer<Form1>(this), run, name, merger, stamp,
         onMerged = std::move(onMerged)](bool succeeded, const QString& errorText) {
            if (!self || run != self->mergeRun_)
                return;
            if (!succeeded) {
                platform::warn(
                    self, QStringLiteral("「%1」を読み込めませんでした。\n\n%2")
                              .arg(name, errorText.isEmpty()
                                             ? QStringLiteral("%1 が異常終了しました。").arg(merger)
                                             : errorText));
                return;
            }
            // "F2B.dat" as the merger left it: the grids loaded are this file's.
            results::MergeStamp merged = stamp;
            results::stampMergedFile(
                merged, files::toPath(QDir(platform::workFolder()).filePath(kMergedFile)));
            self->mergeStamp_ = merged;
            self->Command2->setEnabled(true);
            if (onMerged)
                onMerged();
        },
        error);
    services.events->processEvents();
    if (!started)
        platform::warn(this, QStringLiteral("%1 を起動できませんでした。\n見つからないもの： %2")
                                 .arg(merger, error));
}

void Form1::whenMergeCurrent(Step step) {
    if (mergeStamp_ && !mergedFile_.isEmpty()) {
        const QDir folder(platform::workFolder());
        const results::MergeChange change =
            results::changeSince(*mergeStamp_, files::toPath(folder.filePath(mergedFile_)),
                                 files::toPath(folder.filePath(kMergedFile)));
        if (change != results::MergeChange::None) {
            mergeAgain(change, step);
            return;
        }
    }
    runStep(step);
}

void Form1::runStep(Step step) {
    switch (step) {
    case Step::Load:
        loadGrids();
        return;
    case Step::Draw:
        if (paintChecked())
            Command6->setFocus();
        return;
    case Step::Repaint:
        paintChecked();
        return;
    case Step::Follow:
        paintChecked(true);
        return;
    case Step::Save:
        if (drawnMap_)
            pictures::savePage(this, drawnPage(),
                               pictures::suggestedName(drawnMap_->resultFileName));
        return;
    case Step::Print:
        if (drawnMap_)
            pictures::printPage(this, drawnPage());
        return;
    }
}

// Another program merged another result into "F2B.dat", or the chosen result
// was written again (run once more): what the viewer would load, draw or save
// is not the merge of the chosen file as it is. The merge takes milliseconds,
// so it is made again and the step follows, with the thresholds the user typed
// kept while the merge gives the same defaults.
void Form1::mergeAgain(results::MergeChange change, Step step) {
    const QString name = mergedFile_;
    const QString why =
        change == results::MergeChange::ResultRewritten
            ? QStringLiteral("「%1」がマージの後に書き換えられていた（計算し直されたなど）ため、")
                  .arg(name)
            : QStringLiteral(
                  "%1 が別のプログラムに書き換えられていた（別の結果のマージなど）ため、")
                  .arg(kMergedFile);
    Status->setText(why + QStringLiteral("「%1」をマージし直しています。").arg(name));
    const auto typed = thresholdColumn_->texts();
    const results::Quantity quantity = shownQuantity();
    const dose::DisplayScale typedScale = fieldScale_;
    std::optional<results::Thresholds> defaults;
    if (gridsLoaded)
        defaults =
            quantity == results::Quantity::Kerma ? kermaThresholds : doseEquivalentThresholds;
    launchMerge(name, [this, why, name, step, typed, quantity, defaults, typedScale] {
        if (!loadGrids())
            return;
        Status->setText(why + QStringLiteral("「%1」をマージし直しました。").arg(name));
        if (step == Step::Load)
            return;
        const results::Thresholds& now =
            quantity == results::Quantity::Kerma ? kermaThresholds : doseEquivalentThresholds;
        // Typed in the unit the fields are in again.
        if (defaults && *defaults == now && fieldScale_ == typedScale)
            thresholdColumn_->setTexts(typed);
        if (step == Step::Save || step == Step::Print) {
            if (paintChecked())
                runStep(step);
            return;
        }
        runStep(step);
    });
}

void Form1::loadMergedGrids() {
    whenMergeCurrent(Step::Load);
}

bool Form1::loadGrids() {
    platform::Services& services = platform::services();
    auto loaded =
        results::loadMergedFile(files::toPath(QDir(platform::workFolder()).filePath(kMergedFile)));
    if (!loaded) {
        // Nothing of an earlier result stays on screen under this file's name.
        forgetLoadedResult();
        services.messages->show(this, kLoadFailed, QString(), platform::MessageButtons::Ok,
                                platform::MessageIcon::None);
        return false;
    }

    // The plane of the merged result as it is now (run again, it may map
    // another plane): unreadable, nothing of the result is shown.
    const results::PlaneReading plane =
        results::readPlaneOf(files::toPath(QDir(platform::workFolder()).filePath(mergedFile_)));
    if (!plane.ok()) {
        forgetLoadedResult();
        platform::warn(this, plane.error);
        return false;
    }

    // The whole file has been read: only now does it replace what the viewer holds.
    loadedPlane = plane.plane;
    kermaGrid = std::move(loaded->kerma);
    doseEquivalentGrid = std::move(loaded->doseEquivalent);
    gridsLoaded = true;
    relativeErrors = results::readRelativeErrors(
        files::toPath(QDir(platform::workFolder()).filePath(mergedFile_)));
    Check1->setEnabled(relativeErrors.has_value());
    kermaExtremes_ = loaded->kermaExtremes;
    doseEquivalentExtremes_ = loaded->doseEquivalentExtremes;

    kermaThresholds = loaded->kermaThresholds;
    services.events->processEvents();
    doseEquivalentThresholds = loaded->doseEquivalentThresholds;
    services.events->processEvents();

    // The thresholds of the quantity chosen, so that they match the unit shown
    // (those of air kerma while neither is chosen).
    const results::Quantity fieldQuantity =
        Option2->isChecked() ? results::Quantity::DoseEquivalent : results::Quantity::Kerma;
    fieldScale_ = scaleOf(fieldQuantity);
    showThresholds(defaultThresholdsOf(fieldQuantity, fieldScale_));
    showUnits();
    showLevelReach();
    Command1->setEnabled(true);
    Command1->setFocus();
    return true;
}

void Form1::showThresholds(const results::Thresholds& thresholds) {
    thresholdColumn_->setThresholds(thresholds);
    Windows::form6().showThresholds(thresholds);
}

// The units follow the switch at once; the thresholds only when a load of the
// chosen file is there to give them. A drawn map is painted again at once, so
// that its colours, legend, read-out and saved page tell the same quantity.
void Form1::selectKerma() {
    if (gridsLoaded) {
        fieldScale_ = scaleOf(results::Quantity::Kerma);
        showThresholds(defaultThresholdsOf(results::Quantity::Kerma, fieldScale_));
    }
    showUnits();
    if (mapDrawn != 0)
        whenMergeCurrent(Step::Repaint);
}

void Form1::selectDoseEquivalent() {
    if (gridsLoaded) {
        fieldScale_ = scaleOf(results::Quantity::DoseEquivalent);
        showThresholds(defaultThresholdsOf(results::Quantity::DoseEquivalent, fieldScale_));
    }
    showUnits();
    if (mapDrawn != 0)
        whenMergeCurrent(Step::Repaint);
}

dose::DisplayScale Form1::scaleOf(results::Quantity quantity) const {
    const double maximum = !gridsLoaded                           ? 0
                           : quantity == results::Quantity::Kerma ? kermaExtremes_.maximum
                                                                  : doseEquivalentExtremes_.maximum;
    return Windows::doseSettings().scaleFor(maximum);
}

dose::DisplayScale Form1::shownScale() const {
    return scaleOf(shownQuantity());
}

results::Thresholds Form1::defaultThresholdsOf(results::Quantity quantity,
                                               const dose::DisplayScale& scale) const {
    const bool kerma = quantity == results::Quantity::Kerma;
    if (scale.period == dose::Period::PerMinute || !gridsLoaded)
        return kerma ? kermaThresholds : doseEquivalentThresholds;
    return dose::defaultThresholds(kerma ? kermaExtremes_.maximum : doseEquivalentExtremes_.maximum,
                                   scale);
}

void Form1::showUnits() {
    const DoseSettings& settings = Windows::doseSettings();
    const results::Quantity quantity = shownQuantity();
    const dose::DisplayScale scale = shownScale();
    Label50->setText(dose::prefixText(scale.prefix));
    Label51->setText(dose::unitAfterPrefix(quantity, scale));
    Label54->setText(dose::unitText(quantity, scale));
    Windows::form6().showThresholdUnit(dose::unitAfterPrefix(quantity, scale),
                                       dose::prefixText(scale.prefix));

    // Each map's extremes in its own unit.
    const dose::DisplayScale kerma = scaleOf(results::Quantity::Kerma);
    const dose::DisplayScale doseEquivalent = scaleOf(results::Quantity::DoseEquivalent);
    KermaExtremesUnit->setText(dose::unitText(results::Quantity::Kerma, kerma));
    DoseEquivalentExtremesUnit->setText(
        dose::unitText(results::Quantity::DoseEquivalent, doseEquivalent));
    if (gridsLoaded) {
        Label11->setText(extremeText(dose::toShown(kermaExtremes_.maximum, kerma)));
        Label12->setText(extremeText(dose::toShown(kermaExtremes_.minimum, kerma)));
        Label13->setText(
            extremeText(dose::toShown(doseEquivalentExtremes_.maximum, doseEquivalent)));
        Label16->setText(
            extremeText(dose::toShown(doseEquivalentExtremes_.minimum, doseEquivalent)));
    }

    const bool anyTicked = !settings.tickedLevels().empty();
    if (settings.showsPeriod())
        Workload->setText(
            QStringLiteral("%1あたり　透視 %2 分/週")
                .arg(dose::periodName(settings.period()),
                     QString::fromStdString(textrec::plainNumber(settings.minutesPerWeek(), 6))));
    else if (settings.hasWorkload() && anyTicked)
        Workload->setText(
            QStringLiteral("基準線: 透視 %1 分/週")
                .arg(QString::fromStdString(textrec::plainNumber(settings.minutesPerWeek(), 6))));
    else
        Workload->clear();
    Workload->setToolTip(Workload->text().isEmpty()
                             ? QString()
                             : page::periodPhrase(settings.period()) + QStringLiteral("の線量　") +
                                   dose::workloadText(settings.minutesPerWeek()));
    LinesNote->setText(anyTicked && gridsLoaded ? page::limitLinesSource(quantity) : QString());
}

void Form1::convertThresholdFields(const dose::DisplayScale& from, const dose::DisplayScale& to) {
    const auto fields = thresholdFields();
    const results::Quantity quantity = shownQuantity();
    std::array<std::optional<double>, results::kThresholdCount> typed;
    // Fields that still hold the defaults of the old unit get those of the new.
    const results::Thresholds defaults = defaultThresholdsOf(quantity, from);
    bool allDefaults = true;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        typed[k] = textrec::readWholeNumber(numbertext::asciiBytes(fields[k]->text()));
        if (typed[k] && !std::isfinite(*typed[k]))
            typed[k].reset();
        if (!typed[k] || std::fabs(*typed[k] - defaults[k]) > 1e-9 * std::fabs(defaults[k]))
            allDefaults = false;
    }
    if (allDefaults) {
        thresholdColumn_->setThresholds(defaultThresholdsOf(quantity, to));
    } else {
        // A typed value keeps its meaning; a text that is no number stays as typed.
        for (std::size_t k = 0; k < fields.size(); ++k)
            if (typed[k])
                fields[k]->setText(QString::fromStdString(
                    textrec::plainNumber(dose::convertShown(*typed[k], from, to))));
    }
    if (const results::ThresholdReading reading = thresholdColumn_->read();
        reading.fault == results::ThresholdFault::None && Windows::form6Exists())
        Windows::form6().showThresholds(reading.values);
}

void Form1::followDoseSettings() {
    if (gridsLoaded) {
        const dose::DisplayScale next = shownScale();
        if (!(next == fieldScale_))
            convertThresholdFields(fieldScale_, next);
        fieldScale_ = next;
    }
    showUnits();
    showLevelReach();
    // Painting is cheap: the map, its lines and the read-out follow at once.
    if (mapDrawn != 0)
        whenMergeCurrent(Step::Follow);
}

void Form1::showLevelReach() {
    if (!gridsLoaded) {
        Levels->showReach({});
        return;
    }
    const DoseSettings& settings = Windows::doseSettings();
    Levels->showReach(
        limitlines::reachOfLevels(doseEquivalentGrid, settings.levels(), settings.minutesPerWeek(),
                                  limitlines::shownCells(results::PlaneView(loadedPlane))));
}

std::vector<limitlines::LimitLine> Form1::limitLines() const {
    const DoseSettings& settings = Windows::doseSettings();
    std::vector<bool> ticked(settings.levels().size());
    bool any = false;
    for (std::size_t k = 0; k < ticked.size(); ++k)
        any = (ticked[k] = settings.isTicked(k)) || any;
    if (!any || !gridsLoaded)
        return {};
    // Dashed where the hatching would mark the dose-equivalent map's cells,
    // whether the hatching is shown or not.
    std::optional<std::vector<bool>> hatched;
    if (relativeErrors)
        hatched = results::hatchedCells(*relativeErrors, results::Quantity::DoseEquivalent);
    return limitlines::traceLimitLines(doseEquivalentGrid, hatched ? &*hatched : nullptr,
                                       settings.levels(), ticked, settings.minutesPerWeek(),
                                       limitlines::shownCells(results::PlaneView(loadedPlane)));
}

void Form1::drawMap() {
    if (gridsLoaded)
        whenMergeCurrent(Step::Draw);
}

void Form1::savePicture() {
    if (drawnMap_)
        whenMergeCurrent(Step::Save);
}

void Form1::printPicture() {
    if (drawnMap_)
        whenMergeCurrent(Step::Print);
}

namespace {

// Why the thresholds cannot band a map, naming the field by its place beside
// the legend.
QString thresholdRefusal(const results::ThresholdReading& reading,
                         const std::array<QLineEdit*, results::kThresholdCount>& fields) {
    const QString field = QStringLiteral("しきい値（上から %1 番目）「%2」")
                              .arg(reading.field)
                              .arg(fields[static_cast<std::size_t>(reading.field - 1)]->text());
    if (reading.fault == results::ThresholdFault::NotPositive)
        return field + QStringLiteral("は正の数ではありません。\n"
                                      "0 より大きい数を入れて下さい。");
    return field + QStringLiteral("が、その上のしきい値「%1」より大きくなっています。\n"
                                  "しきい値は上から順に、同じか小さい値にして下さい。")
                       .arg(fields[static_cast<std::size_t>(reading.field - 2)]->text());
}

} // namespace

bool Form1::paintChecked(bool quiet) {
    if (!gridsLoaded)
        return false;
    const results::ThresholdReading reading = thresholdColumn_->read();
    results::Thresholds thresholds = reading.values;
    dose::DisplayScale scale = fieldScale_;
    if (reading.fault != results::ThresholdFault::None) {
        if (quiet && drawnMap_) {
            // The settings changed under fields that cannot band a map: the
            // drawing's thresholds, in the new unit.
            scale = shownScale();
            thresholds = dose::convertThresholds(drawnMap_->thresholds, drawnMap_->scale, scale);
        } else {
            if (quiet)
                return false;
            // Nothing is drawn: the picture keeps the last drawing, which its
            // page still shows.
            QLineEdit* field = thresholdFields()[static_cast<std::size_t>(reading.field - 1)];
            platform::warn(this, thresholdRefusal(reading, thresholdFields()));
            field->setFocus();
            field->selectAll();
            return false;
        }
    }
    drawnMap_ = mapWith(thresholds, scale);
    Picture1->setImage(results::paintMap(*drawnMap_, Picture1->font()));
    PlaneCaption->setText(captions::mapPlane(drawnMap_->plane));
    showReadoutPlane(drawnMap_->plane);
    SavePicture->setEnabled(true);
    PrintPicture->setEnabled(true);

    mapDrawn = 1;
    Command6->setEnabled(true);
    if (!mergedFile_.endsWith(QLatin1Char(exchange::correctedMark)))
        Command4->setEnabled(true);
    // The overlay's picture follows when it shows this result.
    followInOverlay();
    return true;
}

void Form1::followInOverlay() {
    if (drawnMap_ && Windows::form6Exists())
        Windows::form6().redrawWith(*drawnMap_);
}

void Form1::clearReadout() {
    Text22->clear();
    Text23->clear();
    Text24->clear();
    Text26->clear();
    hideCrossHair();
}

void Form1::showReadoutPlane(const std::optional<results::PlaneRecord>& plane) {
    ReadoutHeading->setText(results::isVerticalSection(plane) ? kSectionReadoutHeading
                                                              : kReadoutHeading);
    ReadoutPlane->setText(captions::readoutPlane(plane));
}

void Form1::showReadout(double X, double Y) {
    if (mapDrawn == 0)
        return;
    const results::PlaneView view(drawnMap_ ? drawnMap_->plane : std::nullopt);
    const auto cell = results::readoutCell(X, Y, view);
    if (!cell) {
        clearReadout();
        return;
    }
    const QPoint pixel = results::mapPixel(X, Y);
    Line1->setGeometry(0, pixel.y(), Picture1->width(), 1);
    Line2->setGeometry(pixel.x(), 0, 1, Picture1->height());
    Line1->show();
    Line2->show();
    Text23->setText(fromStd(results::readoutPositionText(X)));
    // A vertical section reads the height above the floor, and nothing below it.
    Text24->setText(fromStd(results::readoutPositionText(view.heightAt(Y).value_or(Y - 300))));
    if (!gridsLoaded || (!Option1->isChecked() && !Option2->isChecked()) || !view.shows(cell->i))
        Text22->clear();
    else {
        const double perMinute = Option1->isChecked() ? kermaGrid.at(cell->j, cell->i)
                                                      : doseEquivalentGrid.at(cell->j, cell->i);
        // Per minute as the file holds it; in a period, the dose in the unit shown.
        const dose::DisplayScale scale = shownScale();
        Text22->setText(scale.period == dose::Period::PerMinute
                            ? fromStd(textrec::plainNumber(perMinute))
                            : dose::shownValueText(dose::toShown(perMinute, scale)));
    }
    if (relativeErrors && gridsLoaded && !Text22->text().isEmpty())
        Text26->setText(fromStd(
            results::relativeErrorText(relativeErrors->at(shownQuantity(), cell->j, cell->i))));
    else
        Text26->clear();
}

void Form1::openCorrection() {
    Form3& form = Windows::form3();
    connect(&form, &Form3::corrected, this, &Form1::showCorrectedFile, Qt::UniqueConnection);
    std::optional<double> kerma;
    std::optional<double> doseEquivalent;
    if (gridsLoaded) {
        kerma = kermaGrid.at(correction::kReferenceColumn, correction::kReferenceRow);
        doseEquivalent =
            doseEquivalentGrid.at(correction::kReferenceColumn, correction::kReferenceRow);
    }
    form.openWith(
        Text18->text(), kerma, doseEquivalent, [this] { return correctionSourceProblem(); },
        gridsLoaded ? loadedPlane : std::nullopt);
}

QString Form1::correctionSourceProblem() const {
    const QString chosen = selectedFileName();
    const QDir folder(platform::workFolder());
    const std::string named = correction::mergedFileName(files::toPath(folder.absolutePath()));
    const std::optional<std::filesystem::path> namedPath = textrec::pathFromNativeName(named);
    if (chosen.isEmpty() || !namedPath || *namedPath != files::toPath(chosen))
        return QStringLiteral("「FLname.txt」が「%1」ではなく「%2」を指しています（別のプログラムが"
                              "マージしました）。「%1」をもう一度マージして読み込んでから補正して"
                              "下さい。")
            .arg(chosen, namedPath ? files::fromPath(*namedPath) : QString());
    if (mergeStamp_ && mergedFile_ == chosen &&
        results::changeSince(*mergeStamp_, files::toPath(folder.filePath(mergedFile_)),
                             files::toPath(folder.filePath(kMergedFile))) ==
            results::MergeChange::ResultRewritten)
        return QStringLiteral("「%1」はマージの後に書き換えられました。もう一度マージして読み込んで"
                              "から補正して下さい。")
            .arg(chosen);
    return {};
}

void Form1::showCorrectedFile(const QString& fileName) {
    refreshFileList();
    Command4->setEnabled(false);
    Windows::form4().showSaved(fileName);
}

results::ShownMap Form1::currentMap() const {
    // Thresholds that cannot band a map are not used: then those of the drawn
    // map, or before a drawing the load's defaults.
    const results::ThresholdReading typed = thresholdColumn_->read();
    if (typed.fault == results::ThresholdFault::None)
        return mapWith(typed.values, fieldScale_);
    const dose::DisplayScale scale = shownScale();
    if (drawnMap_ && drawnMap_->quantity == shownQuantity())
        return mapWith(dose::convertThresholds(drawnMap_->thresholds, drawnMap_->scale, scale),
                       scale);
    if (!gridsLoaded)
        return mapWith(defaultThresholdsOf(shownQuantity(), dose::perMinute()), dose::perMinute());
    return mapWith(defaultThresholdsOf(shownQuantity(), scale), scale);
}

results::ShownMap Form1::mapWith(const results::Thresholds& thresholds,
                                 const dose::DisplayScale& scale) const {
    results::ShownMap map;
    // Without the air-kerma switch the dose-equivalent grid is drawn.
    map.quantity = shownQuantity();
    if (gridsLoaded)
        map.grid = map.quantity == results::Quantity::Kerma ? kermaGrid : doseEquivalentGrid;
    map.thresholds = thresholds;
    map.scale = scale;
    const DoseSettings& settings = Windows::doseSettings();
    map.minutesPerWeek = settings.hasWorkload() ? settings.minutesPerWeek() : 0;
    map.limitLines = limitLines();
    map.bodyPosition = bodyPosition;
    map.focusSkinDistance = focusSkinDistance;
    map.hatched = hatchedCells();
    if (gridsLoaded) {
        map.resultFileName = mergedFile_;
        map.header = chosenHeader_;
        map.plane = loadedPlane;
        if (map.quantity == results::Quantity::Kerma)
            map.doseEquivalent = doseEquivalentGrid;
        map.errors = relativeErrors;
    }
    return map;
}

page::PageContent Form1::drawnPage() const {
    page::PageContent content;
    content.picture = page::Picture::Map;
    if (drawnMap_)
        content.map = *drawnMap_;
    content.pictureFont = Picture1->font();
    content.date = QDate::currentDate();
    return content;
}

std::function<bool()> Form1::stillShowing() const {
    return [self = QPointer<const Form1>(this), generation = resultGeneration_] {
        return self && self->resultGeneration_ == generation;
    };
}

results::Quantity Form1::shownQuantity() const {
    return Option1->isChecked() ? results::Quantity::Kerma : results::Quantity::DoseEquivalent;
}

std::optional<std::vector<bool>> Form1::hatchedCells() const {
    if (!Check1->isChecked() || !relativeErrors || !gridsLoaded)
        return std::nullopt;
    return results::hatchedCells(*relativeErrors, shownQuantity());
}

void Form1::deleteSelectedFile() {
    const QString name = selectedFileName();
    if (name.isEmpty())
        return;
    platform::Services& services = platform::services();
    const QString path = QDir(platform::workFolder()).filePath(name);
    // A result's uncertainty file goes with it (a corrected copy shares its
    // source's, which stays while the source does), and so does its plane
    // record (a corrected copy has its own).
    const QString uncertainty = files::fromPath(results::uncertaintyFileOf(files::toPath(path)));
    const bool withUncertainty = uncertainty == path + QLatin1String(exchange::uncertaintySuffix) &&
                                 QFileInfo::exists(uncertainty);
    const QString planeRecord =
        files::fromPath(textrec::planes::planeRecordPath(files::toPath(path)));
    const bool withPlaneRecord = QFileInfo::exists(planeRecord);
    QString question = kAskDelete.arg(name);
    if (withUncertainty)
        question += QStringLiteral("\n（統計誤差のファイル「%1」も削除します）")
                        .arg(QFileInfo(uncertainty).fileName());
    if (withPlaneRecord)
        question += QStringLiteral("\n（面の記録のファイル「%1」も削除します）")
                        .arg(QFileInfo(planeRecord).fileName());
    if (services.messages->show(this, question, QString(), platform::MessageButtons::OkCancel,
                                platform::MessageIcon::None) != platform::MessageResult::Ok)
        return;
    services.files->remove(path);
    if (withUncertainty)
        services.files->remove(uncertainty);
    if (withPlaneRecord)
        services.files->remove(planeRecord);
    if (name == mergedFile_) {
        // The result on screen has no file any more.
        ++mergeRun_;
        forgetLoadedResult();
        Command2->setEnabled(false);
        mergedFile_.clear();
        mergeStamp_.reset();
    }
    refreshFileList();
    Command11->setEnabled(false);
}

void Form1::openLayoutEditor() {
    const QString refusal =
        results::overlayRefusal(drawnMap_ ? drawnMap_->plane : loadedPlane,
                                drawnMap_ ? drawnMap_->resultFileName : mergedFile_);
    if (!refusal.isEmpty()) {
        platform::warn(this, refusal);
        return;
    }
    Windows::openLayoutEditor();
}

void Form1::leave() {
    hide();
    Windows::showHome();
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    Windows::showHome();
}

Form1& Windows::form1() {
    return detail::createdOnFirstUse<Form1>();
}
