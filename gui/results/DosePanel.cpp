#include "results/DosePanel.h"

#include "Controls.h"
#include "DoseSettings.h"
#include "logic/DoseNotes.h"
#include "logic/DosePeriod.h"
#include "logic/NumberText.h"
#include "platform/Platform.h"
#include "textrec/textrec.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <cmath>

namespace {

constexpr int kFieldLeft = 114;
constexpr int kFieldWidth = 70;
constexpr int kUnitLeft = kFieldLeft + kFieldWidth + 4;

QString numberText(double value) {
    return QString::fromStdString(textrec::plainNumber(value, 6));
}

// The number a field holds, when its whole text is one above 0.
std::optional<double> typedNumber(const QLineEdit* field) {
    QString ignored;
    return dose::positiveNumber(field->text(), QString(), ignored);
}

} // namespace

DosePanel::DosePanel(DoseSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    using controls::makeLabel;
    using controls::makeText;
    setFixedSize(kWidth, kHeight);

    makeLabel(this, QStringLiteral("表示する線量の期間"), 0, 1, 130, 22);
    Period = new QComboBox(this);
    Period->setObjectName(QStringLiteral("Period"));
    Period->setGeometry(134, 0, 100, 24);
    for (dose::Period period : dose::kPeriods)
        Period->addItem(dose::periodName(period));

    ByMinutes = new QRadioButton(QStringLiteral("透視時間"), this);
    ByMinutes->setObjectName(QStringLiteral("ByMinutes"));
    ByMinutes->setGeometry(0, 32, 110, 22);
    MinutesPerWeek = makeText(this, "MinutesPerWeek", kFieldLeft, 32, kFieldWidth);
    makeLabel(this, QStringLiteral("分/週"), kUnitLeft, 32, 44, 22);

    ByProcedures = new QRadioButton(QStringLiteral("検査件数"), this);
    ByProcedures->setObjectName(QStringLiteral("ByProcedures"));
    ByProcedures->setGeometry(0, 58, 110, 22);
    ProceduresPerWeek = makeText(this, "ProceduresPerWeek", kFieldLeft, 58, kFieldWidth);
    makeLabel(this, QStringLiteral("件/週"), kUnitLeft, 58, 44, 22);
    makeLabel(this, QStringLiteral("1件あたり"), 20, 84, 90, 22);
    MinutesPerProcedure = makeText(this, "MinutesPerProcedure", kFieldLeft, 84, kFieldWidth);
    makeLabel(this, QStringLiteral("分/件"), kUnitLeft, 84, 44, 22);

    Apply = controls::makeButton(this, QStringLiteral("設定"), "Apply", 234, 32, 56, 26);
    State = makeLabel(this, QString(), 0, 112, kWidth, kHeight - 112, "State");
    State->setWordWrap(true);
    State->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ByMinutes->setChecked(true);
    showMode();
    connect(ByMinutes, &QRadioButton::toggled, this, &DosePanel::showMode);
    connect(Period, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < int(dose::kPeriods.size()))
            settings_.setPeriod(dose::kPeriods[std::size_t(index)]);
    });
    connect(Apply, &QPushButton::clicked, this, &DosePanel::applyWorkload);
    for (QLineEdit* field : {MinutesPerWeek, ProceduresPerWeek, MinutesPerProcedure})
        connect(field, &QLineEdit::returnPressed, this, &DosePanel::applyWorkload);
    connect(&settings_, &DoseSettings::changed, this, &DosePanel::showSettings);
    showSettings();
}

void DosePanel::showMode() {
    const bool byMinutes = ByMinutes->isChecked();
    // The computed field shows what follows from the typed ones.
    MinutesPerWeek->setReadOnly(!byMinutes);
    MinutesPerProcedure->setReadOnly(byMinutes);
    for (QLineEdit* field : {MinutesPerWeek, MinutesPerProcedure}) {
        QPalette palette;
        if (field->isReadOnly()) {
            palette = field->palette();
            palette.setBrush(QPalette::Base, palette.window());
        }
        field->setPalette(palette);
    }
}

bool DosePanel::applyWorkload() {
    QString error;
    std::optional<double> minutes;
    if (ByMinutes->isChecked()) {
        minutes = dose::minutesPerWeek(MinutesPerWeek->text(), error);
        // Procedures, when given, give the minutes a procedure.
        std::optional<double> procedures;
        if (minutes && !ProceduresPerWeek->text().trimmed().isEmpty())
            procedures = dose::positiveNumber(ProceduresPerWeek->text(),
                                              dose::proceduresPerWeekField(), error);
        if (!error.isEmpty()) {
            platform::warn(this, error);
            return false;
        }
        MinutesPerProcedure->setText(
            procedures ? numberText(dose::minutesPerProcedure(*minutes, *procedures)) : QString());
    } else {
        minutes =
            dose::minutesPerWeek(ProceduresPerWeek->text(), MinutesPerProcedure->text(), error);
        if (!minutes) {
            platform::warn(this, error);
            return false;
        }
        MinutesPerWeek->setText(numberText(*minutes));
    }
    settings_.setMinutesPerWeek(*minutes);
    showSettings();
    return true;
}

void DosePanel::showSettings() {
    {
        const QSignalBlocker blocker(Period);
        for (std::size_t k = 0; k < dose::kPeriods.size(); ++k)
            if (dose::kPeriods[k] == settings_.period())
                Period->setCurrentIndex(int(k));
    }
    if (settings_.hasWorkload()) {
        const double minutes = settings_.minutesPerWeek();
        // A workload set in the other window shows here too; the fields that
        // already say it are left as typed.
        const std::optional<double> typed = typedNumber(MinutesPerWeek);
        if (!typed || std::fabs(*typed - minutes) > 1e-9 * minutes) {
            MinutesPerWeek->setText(numberText(minutes));
            const std::optional<double> procedures = typedNumber(ProceduresPerWeek);
            MinutesPerProcedure->setText(
                procedures ? numberText(dose::minutesPerProcedure(minutes, *procedures))
                           : QString());
        }
    }

    const QString period = dose::periodName(settings_.period());
    if (settings_.showsPeriod())
        State->setText(QStringLiteral("%1の線量を表示中。%2")
                           .arg(page::periodPhrase(settings_.period()),
                                dose::workloadText(settings_.minutesPerWeek())));
    else if (settings_.period() != dose::Period::PerMinute)
        State->setText(QStringLiteral("「%1」の線量には透視時間（分/週）が必要です。"
                                      "入力して［設定］を押して下さい。")
                           .arg(period));
    else if (settings_.hasWorkload())
        State->setText(QStringLiteral("毎分の線量率（結果ファイルのまま）。%1（基準線に使用）")
                           .arg(dose::workloadText(settings_.minutesPerWeek())));
    else
        State->setText(QStringLiteral("毎分の線量率（結果ファイルのまま）を表示中。"));
}
