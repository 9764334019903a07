#include "setup/Form2.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryFile>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>

#include "Windows.h"
#include "XrayTubeModel.h"
#include "logic/JobFile.h"
#include "logic/NumberText.h"
#include "logic/PlaneFields.h"
#include "logic/ProgramNames.h"
#include "platform/Platform.h"
#include "setup/Module1.h"
#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

namespace {

namespace exchange = textrec::exchange;

const QString kMessageTitle = QStringLiteral("Dorvalis-3");

double fieldNumber(const QLineEdit* field) {
    return numbertext::fieldNumber(field->text());
}

std::string numberText(const QLineEdit* field) {
    return numbertext::asciiBytes(field->text());
}

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QLineEdit* newField(const char* name, int width = 70) {
    auto* field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(name));
    field->setFixedWidth(width);
    field->setAlignment(Qt::AlignRight);
    return field;
}

QRadioButton* newOption(const char* name, const QString& caption) {
    auto* option = new QRadioButton(caption);
    option->setObjectName(QString::fromLatin1(name));
    return option;
}

QPushButton* newButton(const char* name, const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QFrame* newBox(QFrame::Shape shape = QFrame::Box) {
    auto* box = new QFrame;
    box->setFrameShape(shape);
    box->setFrameShadow(shape == QFrame::Box ? QFrame::Plain : QFrame::Sunken);
    return box;
}

// Why `file` (none: any file) could not be written into the working folder
// `folder`, in words a user can act on.
QString unwritableReason(const QString& folder, const QString& file = {}) {
    const QFileInfo info(folder);
    if (!info.isDir())
        return QStringLiteral("このフォルダはもうありません。");
    if (!file.isEmpty() && QFileInfo(QDir(folder).filePath(file)).isDir())
        return QStringLiteral("「%1」という名前のフォルダがあります。").arg(file);
    if (!info.isWritable())
        return QStringLiteral("このフォルダに書き込む権限がありません。");
    return QStringLiteral("ディスクの空きと、フォルダに書き込めるかを確かめて下さい。");
}

// Shown after every start. Each engine runs on every CPU thread of the
// machine, as many as std::thread reports, so runs started together share
// them rather than running side by side at full speed.
QString runsTogetherNotice() {
    const unsigned threads = std::min(std::thread::hardware_concurrency(), 1024u);
    const QString count = threads > 0 ? QStringLiteral("（%1）").arg(threads) : QString();
    return QStringLiteral("計算は１つで、このコンピュータのすべての CPU スレッド%1を使います。\n"
                          "同時に複数の計算を始めるとスレッドを分け合うため、\n"
                          "それぞれの計算に長い時間がかかります。\n"
                          "（同時に行なう計算には、異なる結果保存ファイル名を付けて下さい）")
        .arg(count);
}

// Re-enables the run button however a run ends, so that a second click cannot
// prepare a run inside the first.
class RunButtonGuard {
public:
    explicit RunButtonGuard(QPushButton* button) : button_(button) { button_->setEnabled(false); }
    ~RunButtonGuard() { button_->setEnabled(true); }
    RunButtonGuard(const RunButtonGuard&) = delete;
    RunButtonGuard& operator=(const RunButtonGuard&) = delete;

private:
    QPushButton* button_;
};

} // namespace

Form2::Form2(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Scattered dose distribution"));
    buildControls();
    loadForm();
    connectHandlers();
}

QLabel* Form2::newLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("Label%1").arg(nextLabel_++));
    return label;
}

// ---------------------------------------------------------------------------
// Controls and their arrangement: the title, steps (1) to (3) on the left and
// the step texts with the buttons in a column on the right.
// ---------------------------------------------------------------------------

void Form2::buildControls() {
    createControls();
    QLayout* titleRow = buildTitle();

    auto* stepsColumn = new QVBoxLayout;
    stepsColumn->addWidget(buildGeometryStep());
    stepsColumn->addWidget(buildConditionsStep());
    stepsColumn->addWidget(buildHistoriesStep());
    QFrame* rightColumn = buildButtonColumn();

    auto* body = new QHBoxLayout;
    body->addLayout(stepsColumn, 1);
    body->addWidget(rightColumn);

    auto* top = new QVBoxLayout(this);
    top->addLayout(titleRow);
    top->addLayout(body, 1);
}

// The fields, options and buttons, before they are arranged.
void Form2::createControls() {
    Text1 = newField("Text1");
    Text2 = newField("Text2");
    Text3 = newField("Text3");
    Text4 = newField("Text4");
    Text5 = newField("Text5");
    Text6 = newField("Text6");
    Text7 = newField("Text7");
    Text8 = newField("Text8");
    Text9 = newField("Text9", 130);
    Text10 = newField("Text10", 200);
    Text10->setAlignment(Qt::AlignLeft);
    Text12 = newField("Text12");
    Text13 = newField("Text13");
    Text14 = newField("Text14");
    Text15 = newField("Text15");
    Text16 = newField("Text16");
    Text17 = newField("Text17", 160);
    Text17->setAlignment(Qt::AlignLeft);
    Check1 = new QCheckBox(QStringLiteral("鉛直断面（患者中心を横切る面）"));
    Check1->setObjectName(QStringLiteral("Check1"));

    Option1 = newOption("Option1", QStringLiteral("連続透視"));
    Option2 = newOption("Option2", QStringLiteral("パルス透視"));
    Option3 = newOption("Option3", QStringLiteral("臥位"));
    Option4 = newOption("Option4", QStringLiteral("立位"));
    Option5 = newOption("Option5", QStringLiteral("寝台の上"));
    Option6 = newOption("Option6", QStringLiteral("寝台の下"));
    Option7 = newOption("Option7", QStringLiteral("定電圧"));
    Option8 = newOption("Option8", QStringLiteral("三相12ピーク"));
    Option9 = newOption("Option9", QStringLiteral("単相全波"));

    Command1 = newButton("Command1", QStringLiteral("(４) この条件で計算する"));
    Command2 = newButton("Command2", QStringLiteral("    計算結果    検索・表示"));
    Command4 = newButton("Command4", QStringLiteral("Exit"));
    Command5 = newButton("Command5", QStringLiteral("OK →"));
}

// The number of a step, "(1)" to "(3)": large, bold and blue.
QLabel* Form2::stepLabel(const QString& number) {
    QFont stepFont = font();
    stepFont.setPointSizeF(stepFont.pointSizeF() * 1.5);
    stepFont.setBold(true);
    QLabel* label = newLabel(number);
    label->setFont(stepFont);
    label->setStyleSheet(QStringLiteral("color: #00308f;"));
    return label;
}

QLabel* Form2::heading(const QString& text) {
    QFont headingFont = font();
    headingFont.setBold(true);
    QLabel* label = newLabel(text);
    label->setFont(headingFont);
    return label;
}

// A title line drawn twice, offset as a shadow.
QWidget* Form2::shadowTitle(const QString& text, double pointScale, bool italic) {
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * pointScale);
    titleFont.setBold(true);
    titleFont.setItalic(italic);
    auto* area = new QWidget;
    QLabel* shadow = newLabel(text, area);
    QLabel* front = newLabel(text, area);
    for (QLabel* label : {shadow, front}) {
        label->setFont(titleFont);
        label->adjustSize();
    }
    shadow->setStyleSheet(QStringLiteral("color: #8c8c8c;"));
    front->setStyleSheet(QStringLiteral("color: #0b2a8a;"));
    constexpr int offset = 3;
    shadow->move(offset, offset);
    front->move(0, 0);
    front->raise();
    area->setFixedSize(front->width() + offset, front->height() + offset);
    return area;
}

// The name and the program name beside the heading and what the program does.
QLayout* Form2::buildTitle() {
    auto* titleColumn = new QVBoxLayout;
    titleColumn->addWidget(shadowTitle(QStringLiteral("透視室内散乱線分布"), 2.2, false));
    titleColumn->addWidget(shadowTitle(QStringLiteral("Dorvalis-3"), 2.0, true));

    QFrame* aboutBox = newBox();
    auto* aboutLayout = new QVBoxLayout(aboutBox);
    aboutLayout->addWidget(newLabel(
        QStringLiteral("Ｘ線透視時の室内散乱線分布をモンテカルロシミュレーションにより計算しま"
                       "す。")));
    aboutLayout->addWidget(
        newLabel(QStringLiteral("サーベイメータなどの線量計を有していない施設のための")));
    aboutLayout->addWidget(newLabel(QStringLiteral(
        "( Ｘ線管からの漏洩Ｘ線，装置等の被射体以外からの散乱線は計測していません )")));

    auto* subtitleColumn = new QVBoxLayout;
    subtitleColumn->addWidget(heading(
        QStringLiteral("モンテカルロシミュレーションによるＸ線透視室の室内散乱線分布図作成")));
    subtitleColumn->addWidget(aboutBox);

    auto* titleRow = new QHBoxLayout;
    titleRow->addLayout(titleColumn);
    titleRow->addSpacing(16);
    titleRow->addLayout(subtitleColumn, 1);
    return titleRow;
}

// Step (1), geometry: the phantom, the FSD and the field size.
QFrame* Form2::buildGeometryStep() {
    QFrame* phantomBox = newBox();
    auto* phantomLayout = new QGridLayout(phantomBox);
    phantomLayout->addWidget(newLabel(QStringLiteral("被照射体（ICRU軟部組織）")), 0, 0, 1, 4);
    phantomLayout->addWidget(newLabel(QStringLiteral("60 × 30 × 20")), 1, 0, 1, 3, Qt::AlignCenter);
    phantomLayout->addWidget(newLabel(QStringLiteral("cm³")), 1, 3);
    phantomLayout->addWidget(newLabel(QStringLiteral("(長さ)")), 2, 0, Qt::AlignCenter);
    phantomLayout->addWidget(newLabel(QStringLiteral("(横幅)")), 2, 1, Qt::AlignCenter);
    phantomLayout->addWidget(newLabel(QStringLiteral("(厚さ)　一定")), 2, 2, 1, 2);
    phantomLayout->addWidget(newLabel(QStringLiteral("（断面：レーストラック型）")), 3, 0, 1, 4);

    QFrame* distanceBox = newBox();
    auto* distanceLayout = new QGridLayout(distanceBox);
    distanceLayout->addWidget(newLabel(QStringLiteral("焦点-入射表面間距離")), 0, 0, 1, 3);
    distanceLayout->addWidget(newLabel(QStringLiteral("FSD =")), 1, 0, Qt::AlignRight);
    distanceLayout->addWidget(Text7, 1, 1);
    distanceLayout->addWidget(newLabel(QStringLiteral("cm")), 1, 2);
    distanceLayout->setRowStretch(2, 1);

    QFrame* fieldBox = newBox();
    auto* fieldLayout = new QGridLayout(fieldBox);
    fieldLayout->addWidget(newLabel(QStringLiteral("照射野サイズ at FSD")), 0, 0, 1, 3);
    fieldLayout->addWidget(newLabel(QStringLiteral("(長軸)")), 1, 0, Qt::AlignRight);
    fieldLayout->addWidget(Text13, 1, 1);
    fieldLayout->addWidget(newLabel(QStringLiteral("cm")), 1, 2);
    fieldLayout->addWidget(newLabel(QStringLiteral("(短軸)")), 2, 0, Qt::AlignRight);
    fieldLayout->addWidget(Text14, 2, 1);
    fieldLayout->addWidget(newLabel(QStringLiteral("cm")), 2, 2);

    QFrame* step1 = newBox(QFrame::StyledPanel);
    auto* step1Layout = new QGridLayout(step1);
    auto* step1Head = new QHBoxLayout;
    step1Head->addWidget(stepLabel(QStringLiteral("(1)")));
    step1Head->addWidget(heading(QStringLiteral("幾何学的配置")));
    step1Head->addStretch(1);
    step1Layout->addLayout(step1Head, 0, 0, 1, 3);
    step1Layout->addWidget(phantomBox, 1, 0);
    step1Layout->addWidget(distanceBox, 1, 1);
    step1Layout->addWidget(fieldBox, 1, 2);
    step1Layout->addWidget(buildPlanesBox(), 2, 0, 1, 3);
    return step1;
}

// The maps beside the written one: heights above the floor, the vertical
// section, and where the tube is (a choice of the lying patient only).
QFrame* Form2::buildPlanesBox() {
    using planefields::Field;
    Frame4 = new QGroupBox;
    Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* tubeLayout = new QHBoxLayout(Frame4);
    tubeLayout->setContentsMargins(6, 2, 6, 2);
    tubeLayout->addWidget(Option5);
    tubeLayout->addWidget(Option6);

    // A field with its unit right after it.
    auto withUnit = [this](QLineEdit* field) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        row->addWidget(field);
        row->addWidget(newLabel(QStringLiteral("cm")));
        row->addStretch(1);
        return row;
    };
    QFrame* box = newBox();
    auto* layout = new QGridLayout(box);
    layout->setVerticalSpacing(4);
    layout->addWidget(newLabel(planefields::fieldName(Field::CentreHeight)), 0, 0, Qt::AlignRight);
    layout->addLayout(withUnit(Text16), 0, 1);
    auto* tubeRow = new QHBoxLayout;
    tubeRow->addWidget(newLabel(planefields::fieldName(Field::Tube) + QStringLiteral("（臥位）")));
    tubeRow->addWidget(Frame4);
    tubeRow->addStretch(1);
    layout->addLayout(tubeRow, 0, 2);
    layout->addWidget(newLabel(planefields::fieldName(Field::Heights)), 1, 0, Qt::AlignRight);
    layout->addLayout(withUnit(Text17), 1, 1);
    layout->addWidget(Check1, 1, 2);
    layout->addWidget(newLabel(QStringLiteral("（例：100, 150, 170　%1 個まで。"
                                              "患者中心の高さの水平面はいつも計算します）")
                                   .arg(textrec::planes::maxHeights)),
                      2, 1, 1, 2);
    layout->setColumnStretch(2, 1);
    return box;
}

// Step (2), irradiation conditions: rectification, tube, current and position.
QFrame* Form2::buildConditionsStep() {
    auto* rectificationGroup = new QGroupBox(QStringLiteral("整流方式"));
    rectificationGroup->setObjectName(QStringLiteral("Frame1"));
    auto* rectificationLayout = new QVBoxLayout(rectificationGroup);
    rectificationLayout->addWidget(Option7);
    rectificationLayout->addWidget(Option8);
    rectificationLayout->addWidget(Option9);
    rectificationLayout->addStretch(1);

    auto* tubeLayout = new QGridLayout;
    auto tubeRow = [&](int row, const QString& label, QLineEdit* field, const QString& unit) {
        tubeLayout->addWidget(newLabel(label), row, 0, Qt::AlignRight);
        tubeLayout->addWidget(field, row, 1);
        tubeLayout->addWidget(newLabel(unit), row, 2);
    };
    tubeRow(0, QStringLiteral("Ｘ線管電圧"), Text1, QStringLiteral("kV"));
    tubeRow(1, QStringLiteral("ターゲット角度"), Text5, QStringLiteral("degree"));
    tubeRow(2, QStringLiteral("固有ろ過（Al 当量）"), Text2, QStringLiteral("mmAL eq."));
    tubeRow(3, QStringLiteral("アルミ付加フィルタ"), Text3, QStringLiteral("mm"));
    tubeRow(4, QStringLiteral("銅付加フィルタ"), Text4, QStringLiteral("mm"));

    auto* currentGroup = new QGroupBox(QStringLiteral("Ｘ線管電流"));
    currentGroup->setObjectName(QStringLiteral("Frame2"));
    auto* currentLayout = new QGridLayout(currentGroup);
    currentLayout->addWidget(Option1, 0, 0, 1, 3);
    currentLayout->addWidget(Option2, 1, 0, 1, 3);
    auto currentRow = [&](int row, const QString& label, QLineEdit* field, const QString& unit) {
        currentLayout->addWidget(newLabel(label), row, 0, Qt::AlignRight);
        currentLayout->addWidget(field, row, 1);
        currentLayout->addWidget(newLabel(unit), row, 2);
    };
    currentRow(2, QStringLiteral("透視管電流"), Text15, QStringLiteral("mA"));
    currentRow(3, QStringLiteral("パルスレート"), Text12, QStringLiteral("pps"));
    currentRow(4, QStringLiteral("パルス幅"), Text6, QStringLiteral("msec"));

    auto* positionGroup = new QGroupBox;
    positionGroup->setObjectName(QStringLiteral("Frame3"));
    auto* positionLayout = new QHBoxLayout(positionGroup);
    positionLayout->addWidget(Option3);
    positionLayout->addWidget(Option4);

    auto* positionRow = new QHBoxLayout;
    positionRow->addWidget(newLabel(QStringLiteral("体位（照射方向）")));
    positionRow->addWidget(positionGroup);
    positionRow->addStretch(1);
    positionRow->addWidget(Command5);
    positionRow->addWidget(newLabel(QStringLiteral("管電流")));
    positionRow->addWidget(Text8);
    positionRow->addWidget(newLabel(QStringLiteral("mA")));

    QFrame* step2 = newBox(QFrame::StyledPanel);
    auto* step2Layout = new QVBoxLayout(step2);
    auto* step2Head = new QHBoxLayout;
    step2Head->addWidget(stepLabel(QStringLiteral("(2)")));
    step2Head->addWidget(heading(QStringLiteral("照射条件")));
    step2Head->addStretch(1);
    step2Layout->addLayout(step2Head);
    auto* conditionsRow = new QHBoxLayout;
    conditionsRow->addWidget(rectificationGroup);
    conditionsRow->addLayout(tubeLayout);
    conditionsRow->addWidget(currentGroup);
    step2Layout->addLayout(conditionsRow);
    step2Layout->addLayout(positionRow);
    step2Layout->addWidget(newLabel(
        QStringLiteral("Ｘ線出力は、多施設の出力データ調査から得られた平均的な値を用います。")));
    return step2;
}

// Step (3): histories and the result file name.
QFrame* Form2::buildHistoriesStep() {
    QFrame* step3 = newBox(QFrame::StyledPanel);
    auto* step3Layout = new QGridLayout(step3);
    step3Layout->addWidget(stepLabel(QStringLiteral("(3)")), 0, 0, 2, 1, Qt::AlignTop);
    step3Layout->addWidget(newLabel(QStringLiteral("入射光子数（ヒストリー）")), 0, 1,
                           Qt::AlignRight);
    // Each field with the text right after it.
    auto fieldWithNote = [&](QLineEdit* field, const QString& note) {
        auto* row = new QHBoxLayout;
        row->addWidget(field);
        row->addWidget(newLabel(note));
        row->addStretch(1);
        return row;
    };
    step3Layout->addLayout(fieldWithNote(Text9, QStringLiteral("個 （１億個以上）")), 0, 2);
    step3Layout->addWidget(newLabel(QStringLiteral("結果保存ファイル名")), 1, 1, Qt::AlignRight);
    step3Layout->addLayout(fieldWithNote(Text10, QStringLiteral("（拡張子なしで入力）")), 1, 2);
    step3Layout->setColumnStretch(2, 1);
    return step3;
}

// The right-hand column: the step texts, the run and results buttons, Exit.
QFrame* Form2::buildButtonColumn() {
    QFrame* rightColumn = newBox(QFrame::StyledPanel);
    auto* rightLayout = new QVBoxLayout(rightColumn);
    QLabel* newCalculation = heading(QStringLiteral("新規計算"));
    newCalculation->setAlignment(Qt::AlignCenter);
    rightLayout->addWidget(newCalculation);
    QLabel* stepOrder = newLabel(QStringLiteral("ステップ (1)→(2)→(3)→(4)"));
    stepOrder->setAlignment(Qt::AlignCenter);
    rightLayout->addWidget(stepOrder);
    for (QPushButton* button : {Command1, Command2})
        button->setMinimumHeight(64);
    rightLayout->addWidget(Command1);
    rightLayout->addSpacing(24);
    rightLayout->addWidget(Command2);
    rightLayout->addStretch(1);
    rightLayout->addWidget(Command4);
    return rightColumn;
}

void Form2::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &Form2::command1Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::command2Click);
    connect(Command4, &QPushButton::clicked, this, &Form2::command4Click);
    connect(Command5, &QPushButton::clicked, this, &Form2::command5Click);
    // A click on an option that is already selected changes nothing, so the
    // handlers follow the change of selection.
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            option1Click();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            option2Click();
    });
    const std::pair<QRadioButton*, int> rectification[] = {
        {Option7, Module1::kConstantPotential},
        {Option8, Module1::kThreePhase12Peak},
        {Option9, Module1::kSinglePhaseFullWave}};
    for (auto [option, mode] : rectification) {
        connect(option, &QRadioButton::toggled, this, [mode = mode](bool on) {
            if (on)
                Module1::RectificationMode = mode;
        });
    }
    connect(Option3, &QRadioButton::toggled, this, &Form2::positionChanged);
    Text12->installEventFilter(this);
    Text6->installEventFilter(this);
}

// ---------------------------------------------------------------------------
// Load: the spectrum tables first, then the defaults.
// ---------------------------------------------------------------------------

void Form2::loadForm() {
    std::string loadError = Module1::LoadSpectrumTables();
    tablesLoaded_ = loadError.empty();

    Text1->setText(QStringLiteral("80"));
    Text5->setText(QStringLiteral("12"));
    Text2->setText(QStringLiteral("2.5"));
    Text3->setText(QStringLiteral("1.5"));
    Text4->setText(QStringLiteral("0"));
    Option7->setChecked(true);
    Module1::RectificationMode = Module1::kConstantPotential;
    Text9->setText(QStringLiteral("1000000000"));
    Text10->setText(jobfile::defaultResultName(QDate::currentDate()));
    Text7->setText(QStringLiteral("90"));
    Text13->setText(QStringLiteral("20"));
    Text14->setText(QStringLiteral("20"));

    Option1->setChecked(true);
    Text12->setEnabled(false);
    Text6->setEnabled(false);
    Option3->setChecked(true);

    Text15->setText(QStringLiteral("1"));
    Text12->clear();
    Text6->clear();
    Text8->setText(QStringLiteral("1"));

    Text16->setText(
        QString::fromStdString(textrec::plainNumber(textrec::planes::defaultCentreHeight)));
    Text17->clear();
    Check1->setChecked(false);
    Option5->setChecked(true);
    positionChanged();

    if (!tablesLoaded_) {
        // Without its tables no run can be computed: say which file, then end.
        platform::warn(this, fromStd(loadError));
        platform::services().ending->endProgram();
    }
}

// ---------------------------------------------------------------------------
// Tube current
// ---------------------------------------------------------------------------

void Form2::option1Click() {
    Text12->setEnabled(false);
    Text6->setEnabled(false);
    Text8->setText(Text15->text());
    Command5->setFocus();
}

void Form2::option2Click() {
    Text12->setEnabled(true);
    Text6->setEnabled(true);
    Text8->clear();
    Text12->setFocus();
}

void Form2::positionChanged() {
    // The standing patient's beam is horizontal: the tube is never below a table.
    const bool lying = Option3->isChecked();
    if (!lying)
        Option5->setChecked(true);
    Frame4->setEnabled(lying);
}

void Form2::command5Click() {
    if (Option1->isChecked()) {
        if (Text15->text().isEmpty()) {
            platform::services().beeper->beep();
            platform::warn(this, QStringLiteral("　管電流を入力してください　"));
            return;
        }
        Text8->setText(Text15->text());
    }
    if (Option2->isChecked()) {
        double current = fieldNumber(Text15);
        double rate = fieldNumber(Text12);
        double width = fieldNumber(Text6);
        if (current * rate * width == 0) {
            platform::services().beeper->beep();
            platform::warn(this, QStringLiteral("　データを入力してください　"));
            return;
        }
        Text8->setText(jobfile::meanTubeCurrentText(current, rate, width));
    }
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == Text12 || watched == Text6)) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == Text12)
                Text6->setFocus();
            else
                Command5->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// A run
// ---------------------------------------------------------------------------

void Form2::command1Click() {
    RunButtonGuard guard(Command1);
    if (!checkRunInputs())
        return;
    if (!checkWorkFolderWritable())
        return;
    if (!computeSpectrumAndOutput())
        return;
    if (!writeJobFile())
        return;
    startEngine();
}

bool Form2::checkRunInputs() {
    Module1::photonCount = fieldNumber(Text9);
    const jobfile::RunProblem problem =
        jobfile::checkRunNumbers({Module1::photonCount, fieldNumber(Text13), fieldNumber(Text14),
                                  fieldNumber(Text8), fieldNumber(Text7)});
    if (problem == jobfile::RunProblem::TooFewHistories) {
        platform::warn(this, QStringLiteral("ヒストリー数は少なくても１億個以上が必要です。"));
        Text9->setText(QStringLiteral("100000000"));
        return false;
    }
    if (!checkHistoryCount())
        return false;
    Module1::fieldLength = fieldNumber(Text13);
    Module1::fieldWidth = fieldNumber(Text14);
    if (problem == jobfile::RunProblem::FieldTooLarge) {
        platform::warn(this, QStringLiteral(" 照射野（透視時）は 30×30 以下に設定して下さい "));
        return false;
    }
    // A run with no current, no distance or no field ends in a refusal in the
    // engine's console or, worse, in a map of zeros: refuse it here.
    const struct {
        jobfile::RunProblem problem;
        QLineEdit* field;
        const char* message;
    } positive[] = {
        {jobfile::RunProblem::NoTubeCurrent, Text8,
         "管電流が 0 か、数値ではありません。\n"
         "透視管電流（パルス透視ではパルスレートとパルス幅も）を入力して、\n"
         "「OK →」を押して下さい。"},
        {jobfile::RunProblem::NoDistance, Text7,
         "焦点-入射表面間距離（FSD）には 0 より大きい数値を入力して下さい。"},
        {jobfile::RunProblem::NoFieldLength, Text13,
         "照射野サイズ（長軸）には 0 より大きい数値を入力して下さい。"},
        {jobfile::RunProblem::NoFieldWidth, Text14,
         "照射野サイズ（短軸）には 0 より大きい数値を入力して下さい。"},
    };
    for (const auto& check : positive) {
        if (problem == check.problem) {
            platform::warn(this, QString::fromUtf8(check.message));
            check.field->setFocus();
            return false;
        }
    }

    // The maps in other planes, checked as the engine will check the job
    // file's lines, the names of their result files included.
    const textrec::planes::Position position = Option3->isChecked()
                                                   ? textrec::planes::Position::Lying
                                                   : textrec::planes::Position::Standing;
    const std::string resultName =
        jobfile::resultNameBytes(Text10->text()) + std::string(jobfile::kResultExtension);
    const planefields::PlaneReading planes = planefields::readPlanes(
        {Text16->text(), Text17->text(), Check1->isChecked(), Option6->isChecked()}, position,
        fieldNumber(Text7), resultName);
    if (!checkResultName(textrec::planes::asksForMore(planes.request)))
        return false;
    if (!planes.ok()) {
        platform::warn(this, planes.refusal);
        switch (planes.field) {
        case planefields::Field::None:
            break;
        case planefields::Field::CentreHeight:
            Text16->setFocus();
            break;
        case planefields::Field::Heights:
            Text17->setFocus();
            break;
        case planefields::Field::Tube:
            Option6->setFocus();
            break;
        case planefields::Field::ResultName:
            Text10->setFocus();
            break;
        }
        return false;
    }
    planes_ = planes.request;
    return confirmReplacingResults();
}

bool Form2::checkHistoryCount() {
    const jobfile::CountCheck count = jobfile::checkHistoryCount(Module1::photonCount);
    const QString field = QStringLiteral("「入射光子数（ヒストリー）」");
    const QString typed = Text9->text().trimmed();
    QString refusal;
    switch (count.problem) {
    case jobfile::CountProblem::None:
        return true;
    case jobfile::CountProblem::TooMany:
        refusal = QStringLiteral("%1は %2 個までです（%3）。")
                      .arg(field, QString::number(jobfile::kMaximumHistories, 'f', 0), typed);
        break;
    case jobfile::CountProblem::NotWhole:
        refusal = QStringLiteral("%1は整数で入力して下さい（%2）。").arg(field, typed);
        break;
    case jobfile::CountProblem::Rounded:
        // B2F.txt keeps four significant digits: the engine would run another count.
        refusal = QStringLiteral("%1の %2 個は、%3 に有効数字４桁の %4 と書かれ、"
                                 "エンジンは %5 個で計算します。\n"
                                 "%6 か %7 を入力して下さい。")
                      .arg(field, typed, QLatin1String(exchange::jobFile), fromStd(count.written),
                           fromStd(textrec::plainNumber(std::stod(count.written))),
                           fromStd(textrec::plainNumber(count.below)),
                           fromStd(textrec::plainNumber(count.above)));
        break;
    }
    platform::warn(this, refusal);
    Text9->setFocus();
    return false;
}

QString Form2::resultFileName() const {
    return Text10->text() + QString::fromLatin1(jobfile::kResultExtension.data(),
                                                qsizetype(jobfile::kResultExtension.size()));
}

QStringList Form2::resultFileNames() const {
    const std::string written =
        jobfile::resultNameBytes(Text10->text()) + std::string(jobfile::kResultExtension);
    QStringList names{resultFileName()};
    for (const textrec::planes::ExtraPlane& plane : textrec::planes::extraPlanes(planes_))
        names << QString::fromLocal8Bit(textrec::planes::planeResultName(written, plane.suffix));
    return names;
}

bool Form2::checkResultName(bool extraMaps) {
    const QString name = Text10->text();
    const jobfile::NameCheck check = jobfile::checkResultName(name);
    QString refusal;
    switch (check.problem) {
    case jobfile::NameProblem::None:
        break;
    case jobfile::NameProblem::Empty:
        refusal = QStringLiteral("結果保存ファイル名を入力して下さい。");
        break;
    case jobfile::NameProblem::TooLong:
        // With extra maps the longest of the result files is measured, and
        // named, by the plane check.
        if (extraMaps)
            break;
        // The engine keeps 30 bytes of the name, ".data" included.
        refusal = QStringLiteral("結果保存ファイル名が長すぎます。\n"
                                 "拡張子なしで %1 バイト（半角 %1 文字、全角 %2 文字）"
                                 "以内にして下さい。")
                      .arg(jobfile::kTypedNameLimit)
                      .arg(jobfile::kTypedNameLimit / 3);
        break;
    case jobfile::NameProblem::PathSeparator:
        refusal = QStringLiteral("結果保存ファイル名に「/」や「\\」は使えません。");
        break;
    case jobfile::NameProblem::ForbiddenCharacter:
        refusal = QStringLiteral("結果保存ファイル名に「%1」は使えません。\n"
                                 "（使えない文字： / \\ : * ? \" < > | ）")
                      .arg(check.character);
        break;
    case jobfile::NameProblem::ControlCharacter:
        refusal = QStringLiteral("結果保存ファイル名にタブなどの制御文字は使えません。");
        break;
    case jobfile::NameProblem::LeadingDot:
        refusal = QStringLiteral("結果保存ファイル名を「.」で始めることはできません。\n"
                                 "（結果ファイルの一覧に表示されません）");
        break;
    case jobfile::NameProblem::NotInCodePage:
        refusal = QStringLiteral("結果保存ファイル名の「%1」は、このコンピュータの文字コードで"
                                 "表せないため使えません。")
                      .arg(check.character);
        break;
    case jobfile::NameProblem::ReservedName:
        refusal = QStringLiteral("「%1」は Windows が機器の名前として予約しているため、"
                                 "結果保存ファイル名に使えません。")
                      .arg(check.reserved);
        break;
    }
    if (!refusal.isEmpty()) {
        platform::warn(this, refusal);
        Text10->setFocus();
        return false;
    }
    return true;
}

bool Form2::confirmReplacingResults() {
    // The engine replaces existing result files when it finishes: ask first.
    const QDir work(platform::workFolder());
    QStringList existing;
    for (const QString& file : resultFileNames())
        if (QFileInfo::exists(work.filePath(file)))
            existing << QStringLiteral("「%1」").arg(file);
    if (existing.isEmpty())
        return true;
    const platform::MessageResult answer = platform::services().messages->show(
        this,
        QStringLiteral("%1は既にあります。\n"
                       "計算が終わると上書きされます。このまま計算を始めますか？")
            .arg(existing.join(QString())),
        kMessageTitle, platform::MessageButtons::YesNo, platform::MessageIcon::Exclamation);
    return answer == platform::MessageResult::Yes;
}

// The spectrum and the job file are written into the working folder: a folder
// that takes no file is said before anything is computed.
bool Form2::checkWorkFolderWritable() {
    const QString folder = platform::workFolder();
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("run-check-XXXXXX.tmp")));
    if (probe.open())
        return true; // the probe is removed with it
    platform::warn(this, QStringLiteral("作業フォルダ「%1」にファイルを作れないため、"
                                        "計算を始められません。\n%2")
                             .arg(QDir::toNativeSeparators(folder), unwritableReason(folder)));
    return false;
}

bool Form2::computeSpectrumAndOutput() {
    auto& events = *platform::services().events;
    Module1::TubeSettings settings = Module1::readTubeSettings(
        numberText(Text1), numberText(Text5), numberText(Text2), numberText(Text3),
        numberText(Text4), numberText(Text8), Module1::RectificationMode);
    Module1::SpectrumResult spectrum = Module1::ComputeSpectrum(settings);
    if (spectrum.voltageText)
        Text1->setText(fromStd(*spectrum.voltageText));
    if (spectrum.inherentText)
        Text2->setText(fromStd(*spectrum.inherentText));
    if (!spectrum.ok()) {
        platform::warn(this, fromStd(spectrum.error));
        return false;
    }
    events.processEvents();

    Module1::OutputRateResult rate = Module1::ComputeOutputRate(
        fieldNumber(Text1), fieldNumber(Text8), Module1::RectificationMode);
    if (!rate.ok()) {
        platform::warn(this, fromStd(rate.error));
        return false;
    }
    events.processEvents();
    return true;
}

bool Form2::writeJobFile() {
    Module1::focusSkinDistance = fieldNumber(Text7);
    Module1::fieldLength = fieldNumber(Text13);
    Module1::fieldWidth = fieldNumber(Text14);
    Module1::photonCount = fieldNumber(Text9);

    jobfile::JobParameters job;
    job.kermaRateAt100cm = Module1::kermaRateAt100cm;
    job.focusSkinDistance = Module1::focusSkinDistance;
    job.fieldLength = Module1::fieldLength;
    job.fieldWidth = Module1::fieldWidth;
    job.photonCount = Module1::photonCount;
    job.resultFileName =
        jobfile::resultNameBytes(Text10->text()) + std::string(jobfile::kResultExtension);
    job.planes = planes_;

    std::string error;
    if (!jobfile::writeJobFile({}, job, error)) {
        const QString folder = platform::workFolder();
        platform::warn(this,
                       QStringLiteral("%1 を作業フォルダ「%2」に書き込めませんでした。\n%3")
                           .arg(QLatin1String(exchange::jobFile), QDir::toNativeSeparators(folder),
                                unwritableReason(folder, QLatin1String(exchange::jobFile))));
        return false;
    }
    platform::services().events->processEvents();
    return true;
}

void Form2::startEngine() {
    // The patient position reaches the engine only through the choice of program.
    const char* engine = Option3->isChecked() ? "Quenro-11.exe" : "Quenro-22.exe";
    QString program = QString::fromStdString(platform::platformProgramName(engine));
    // Two runs side by side are told apart by their console titles.
    const QString title = QStringLiteral("%1 — %2").arg(program, resultFileName());
    QString missing;
    if (!platform::services().launcher->startInConsole(program, platform::workFolder(), title,
                                                       missing)) {
        platform::warn(this, QStringLiteral("%1 を起動できませんでした。\n見つからないもの： %2")
                                 .arg(program, missing));
        return;
    }
    platform::services().messages->show(this, runsTogetherNotice(), kMessageTitle,
                                        platform::MessageButtons::Ok, platform::MessageIcon::None);
}

// ---------------------------------------------------------------------------
// Results viewer, Exit and closing
// ---------------------------------------------------------------------------

void Form2::command2Click() {
    Windows::showViewer();
    hide();
}

void Form2::command4Click() {
    // Exit leaves any "B2F.dat": only closing the window removes that one.
    auto& files = *platform::services().files;
    for (const char* name : {exchange::jobFile, exchange::mergeRequestFile,
                             exchange::mergedGridFile, exchange::spectrumFile})
        files.remove(QString::fromLatin1(name));
    platform::services().ending->endProgram();
}

void Form2::closeEvent(QCloseEvent* event) {
    auto& files = *platform::services().files;
    for (const char* name : {exchange::jobFile, exchange::oldJobFile, exchange::mergedGridFile,
                             exchange::mergeRequestFile, exchange::spectrumFile})
        files.remove(QString::fromLatin1(name));
    event->accept();
    platform::services().ending->endProgram();
}

// ---------------------------------------------------------------------------

Form2& Windows::form2() {
    return detail::createdOnFirstUse<Form2>();
}
