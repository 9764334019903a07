#include "results/Form3.h"

#include <utility>

#include "Windows.h"
#include "logic/Correction.h"
#include "logic/NumberText.h"
#include "platform/Platform.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <textrec/textrec.h>

namespace {

// The map values are shown to three significant digits; the correction uses
// them as shown.
constexpr std::string_view kMapValueMask = "0.00E+00";

QLabel* valueLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(110);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* measuredField(const char* name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setMinimumWidth(110);
    return field;
}

QRadioButton* option(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QString mapValueText(std::optional<double> value) {
    if (!value)
        return {};
    return QString::fromStdString(textrec::formatMask(*value, kMapValueMask));
}

} // namespace

Form3::Form3(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("   実測値による産卵線量率の補正"));
    buildControls();

    connect(Option1, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            option1Click();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            option2Click();
    });
    connect(Command1, &QPushButton::clicked, this, &Form3::command1Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::command2Click);
}

// ---------------------------------------------------------------------------
// Controls: the choice of the reference value in one frame, the kind of map
// value in a frame inside it, the current values beside the measured fields.
// ---------------------------------------------------------------------------

void Form3::buildControls() {
    auto* heading = new QLabel(
        QStringLiteral("実測値と合致するように補正　　実測した線量率を選択・入力"), this);

    auto* choiceFrame = new QGroupBox(QStringLiteral("補正に用いるデータの選択"), this);
    Option1 =
        option("Option1", QStringLiteral("FSD の空中における空気カーマ率（Gy/min）"), choiceFrame);
    Option2 =
        option("Option2", QStringLiteral("ファントム中心から側方 100 cm の点における散乱線量率"),
               choiceFrame);
    Label3 = valueLabel("Label3", choiceFrame);
    Text1 = measuredField("Text1", choiceFrame);

    auto* kindFrame = new QGroupBox(QStringLiteral("線量率の種類・単位"), choiceFrame);
    Option3 = option("Option3", QStringLiteral("空気カーマ率（μGy/min）"), kindFrame);
    Option4 = option("Option4", QStringLiteral("実効線量率（μSv/min）"), kindFrame);
    Label8 = valueLabel("Label8", kindFrame);
    Text2 = measuredField("Text2", kindFrame);
    Label10 = valueLabel("Label10", kindFrame);
    Text3 = measuredField("Text3", kindFrame);

    auto* kindLayout = new QGridLayout(kindFrame);
    kindLayout->addWidget(
        new QLabel(QStringLiteral("現在値                     ⇒  実測値"), kindFrame), 0, 1, 1, 2);
    kindLayout->addWidget(Option3, 1, 0);
    kindLayout->addWidget(Label8, 1, 1);
    kindLayout->addWidget(Text2, 1, 2);
    kindLayout->addWidget(
        new QLabel(QStringLiteral("現在地                     ⇒  実測値"), kindFrame), 2, 1, 1, 2);
    kindLayout->addWidget(Option4, 3, 0);
    kindLayout->addWidget(Label10, 3, 1);
    kindLayout->addWidget(Text3, 3, 2);

    auto* choiceLayout = new QGridLayout(choiceFrame);
    choiceLayout->addWidget(
        new QLabel(QStringLiteral("現在値　　  　　　　⇒　実測値"), choiceFrame), 0, 1, 1, 2);
    choiceLayout->addWidget(Option1, 1, 0);
    choiceLayout->addWidget(Label3, 1, 1);
    choiceLayout->addWidget(Text1, 1, 2);
    choiceLayout->addWidget(
        new QLabel(QStringLiteral("・受像機などからの後方散乱線が混入しないように測定して下さい"),
                   choiceFrame),
        2, 0, 1, 3);
    choiceLayout->addWidget(
        new QLabel(QStringLiteral("・状況によっては、もっと短い距離で測定し、距離の逆自乗則を"),
                   choiceFrame),
        3, 0, 1, 3);
    auto* hintContinued =
        new QLabel(QStringLiteral("用いて FSD における空気カーマ率を求めて下さい"), choiceFrame);
    hintContinued->setIndent(12); // continues the hint above
    choiceLayout->addWidget(hintContinued, 4, 0, 1, 3);
    choiceLayout->addWidget(Option2, 5, 0, 1, 3);
    PointHeight = new QLabel(choiceFrame);
    PointHeight->setObjectName(QStringLiteral("PointHeight"));
    PointHeight->setIndent(24); // under the option's caption
    choiceLayout->addWidget(PointHeight, 6, 0, 1, 3);
    choiceLayout->addWidget(kindFrame, 7, 0, 1, 3);

    Command2 = new QPushButton(QStringLiteral("OK"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command1 = new QPushButton(QStringLiteral("Cancel"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(choiceFrame);
    layout->addLayout(buttons);
}

// ---------------------------------------------------------------------------
// Opening and the option rules
// ---------------------------------------------------------------------------

void Form3::openWith(const QString& airKermaText, std::optional<double> airKermaAt100cm,
                     std::optional<double> doseEquivalentAt100cm,
                     std::function<QString()> sourceProblem,
                     const std::optional<results::PlaneRecord>& plane) {
    sourceProblem_ = std::move(sourceProblem);
    // The point c = 0 of a map at another height lies at that height; that of
    // a vertical section at the phantom centre's.
    if (plane) {
        const double height = plane->kind == textrec::planes::PlaneKind::Horizontal
                                  ? plane->height
                                  : plane->centreHeight;
        PointHeight->setText(QStringLiteral("（この分布図の面の点：床上 %1 cm の高さ）")
                                 .arg(QString::fromStdString(textrec::plainNumber(height))));
    } else {
        PointHeight->clear();
    }
    PointHeight->setVisible(plane.has_value());
    Option1->setChecked(true);
    Label3->setText(airKermaText);
    Label8->setText(mapValueText(airKermaAt100cm));
    Label10->setText(mapValueText(doseEquivalentAt100cm));
    Text1->clear();
    Text2->clear();
    Text3->clear();
    clearMapChoice();
    show();
    raise();
    activateWindow();
}

// Deselects both map options (radio buttons of one frame only deselect each
// other, so exclusivity is lifted for the moment) and disables them.
void Form3::clearMapChoice() {
    for (QRadioButton* button : {Option3, Option4}) {
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
        button->setEnabled(false);
    }
}

void Form3::option1Click() {
    clearMapChoice();
}

void Form3::option2Click() {
    Option3->setEnabled(true);
    Option4->setEnabled(true);
    Option3->setChecked(true);
}

void Form3::command1Click() {
    hide();
}

// ---------------------------------------------------------------------------
// Correction
// ---------------------------------------------------------------------------

void Form3::command2Click() {
    QLineEdit* measured = nullptr;
    QLabel* current = nullptr;
    if (Option1->isChecked()) {
        measured = Text1;
        current = Label3;
    } else if (Option3->isChecked()) {
        measured = Text2;
        current = Label8;
    } else if (Option4->isChecked()) {
        measured = Text3;
        current = Label10;
    } else {
        return; // no reference chosen: nothing to scale against
    }
    if (measured->text().isEmpty()) {
        platform::warn(this, QStringLiteral("実測値を入力して下さい"));
        return;
    }
    // The ratio is formed from this window's values; scaling another file by
    // it would write wrong numbers under a name the user trusts.
    if (sourceProblem_) {
        if (const QString problem = sourceProblem_(); !problem.isEmpty()) {
            platform::warn(this, problem);
            return;
        }
    }

    platform::EventPump& events = *platform::services().events;
    events.processEvents();
    const std::filesystem::path folder(platform::workFolder().toStdU16String());
    correction::Outcome outcome = correction::correctMergedFile(
        folder, numbertext::asciiBytes(measured->text()), numbertext::asciiBytes(current->text()));
    events.processEvents();
    if (!outcome.ok()) {
        platform::warn(this, QString::fromStdString(correction::refusalMessage(outcome)));
        return;
    }

    emit corrected(QString::fromStdString(outcome.correctedName));
    hide();
}

Form3& Windows::form3() {
    return detail::createdOnFirstUse<Form3>();
}

bool Windows::form3Exists() {
    return detail::slot<Form3>() != nullptr;
}
