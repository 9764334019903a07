#include "results/LevelList.h"

#include "Controls.h"
#include "DoseSettings.h"
#include "platform/Platform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

constexpr int kRowHeight = 22;
// The fields of a user level and the buttons under the list.
constexpr int kFieldsHeight = 3 * 28;

// The key of a level's line: a short sample in its colour.
QIcon lineIcon(const QColor& colour) {
    QPixmap pixmap(28, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    limitlines::paintSample(painter, QPointF(3, 6), QPointF(25, 6), colour, false, 1);
    return QIcon(pixmap);
}

} // namespace

LevelList::LevelList(DoseSettings& settings, int height, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    using controls::makeLabel;
    using controls::makeText;
    setFixedSize(kWidth, height);

    makeLabel(this, QStringLiteral("基準線（実効線量 H1cm）"), 0, 0, kWidth, kRowHeight)
        ->setToolTip(QStringLiteral("チェックした基準の線を、実効線量 (H1cm) の分布から描きます"));
    Levels = new QListWidget(this);
    Levels->setObjectName(QStringLiteral("Levels"));
    const int listBottom = height - kFieldsHeight - 4;
    Levels->setGeometry(0, kRowHeight + 2, kWidth, listBottom - kRowHeight - 2);
    Levels->setIconSize(QSize(28, 12));
    Levels->setWordWrap(true);
    Levels->setSelectionMode(QAbstractItemView::SingleSelection);

    int y = listBottom + 4;
    makeLabel(this, QStringLiteral("名称"), 0, y, 40, kRowHeight);
    LevelName = makeText(this, "LevelName", 44, y, 180);
    AddLevel = controls::makeButton(this, QStringLiteral("追加"), "AddLevel", 230, y - 2, 60, 26);
    y += 28;
    makeLabel(this, QStringLiteral("基準値"), 0, y, 44, kRowHeight);
    LevelValue = makeText(this, "LevelValue", 44, y, 70);
    LevelUnit = new QComboBox(this);
    LevelUnit->setObjectName(QStringLiteral("LevelUnit"));
    LevelUnit->setGeometry(118, y - 1, 62, 24);
    LevelUnit->addItem(dose::prefixText(dose::Prefix::Micro) + QStringLiteral("Sv"));
    LevelUnit->addItem(dose::prefixText(dose::Prefix::Milli) + QStringLiteral("Sv"));
    LevelUnit->setCurrentIndex(1);
    makeLabel(this, QStringLiteral("/"), 184, y, 10, kRowHeight);
    LevelPeriod = new QComboBox(this);
    LevelPeriod->setObjectName(QStringLiteral("LevelPeriod"));
    LevelPeriod->setGeometry(196, y - 1, 94, 24);
    for (dose::Period period : dose::kPeriods)
        LevelPeriod->addItem(dose::periodName(period));
    LevelPeriod->setCurrentIndex(2); // 3 months, the period of most levels
    y += 28;
    RemoveLevel = controls::makeButton(this, QStringLiteral("選んだ基準を削除"), "RemoveLevel", 0,
                                       y - 2, 150, 26);

    connect(AddLevel, &QPushButton::clicked, this, &LevelList::addLevel);
    for (QLineEdit* field : {LevelName, LevelValue})
        connect(field, &QLineEdit::returnPressed, this, &LevelList::addLevel);
    connect(RemoveLevel, &QPushButton::clicked, this, &LevelList::removeChosenLevel);
    connect(Levels, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int row = Levels->row(item);
        if (row >= 0)
            settings_.setTicked(std::size_t(row), item->checkState() == Qt::Checked);
    });
    connect(Levels, &QListWidget::itemSelectionChanged, this, &LevelList::showChosen);
    connect(&settings_, &DoseSettings::changed, this, &LevelList::showLevels);
    showLevels();
}

const limitlines::LevelReach* LevelList::reachOf(const dose::ReferenceLevel& level) const {
    for (const limitlines::LevelReach& reach : reaches_)
        if (reach.level == level)
            return &reach;
    return nullptr;
}

QString LevelList::reachTextOf(std::size_t index) const {
    const std::vector<dose::ReferenceLevel>& levels = settings_.levels();
    if (index >= levels.size())
        return {};
    // A level of a period has no place on a map per minute without a workload.
    if (!limitlines::perMinuteOf(levels[index], settings_.minutesPerWeek()))
        return limitlines::needsWorkloadText();
    const limitlines::LevelReach* reach = reachOf(levels[index]);
    if (!reach || !reach->reach)
        return {};
    return contours::reachText(*reach->reach);
}

void LevelList::showReach(const std::vector<limitlines::LevelReach>& reaches) {
    reaches_ = reaches;
    showLevels();
}

void LevelList::showLevels() {
    const std::vector<dose::ReferenceLevel>& levels = settings_.levels();
    const int chosen = Levels->currentRow();
    {
        const QSignalBlocker blocker(Levels);
        Levels->clear();
        for (std::size_t k = 0; k < levels.size(); ++k) {
            const dose::ReferenceLevel& level = levels[k];
            // The name, its level, and what it does on the map, a line each.
            QString text = level.name + QStringLiteral("\n　") + dose::levelText(level);
            if (const QString reach = reachTextOf(k); !reach.isEmpty())
                text += QStringLiteral("\n　") + reach;
            auto* item = new QListWidgetItem(lineIcon(limitlines::lineColour(k)), text, Levels);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(settings_.isTicked(k) ? Qt::Checked : Qt::Unchecked);
            item->setToolTip(level.builtIn ? level.note
                                           : QStringLiteral("追加した基準（削除できます）"));
        }
        if (chosen >= 0 && chosen < Levels->count())
            Levels->setCurrentRow(chosen);
    }
    showChosen();
}

void LevelList::showChosen() {
    const int row = Levels->currentRow();
    const std::vector<dose::ReferenceLevel>& levels = settings_.levels();
    RemoveLevel->setEnabled(row >= 0 && std::size_t(row) < levels.size() &&
                            !levels[std::size_t(row)].builtIn);
}

bool LevelList::addLevel() {
    QString error;
    const dose::Prefix prefix =
        LevelUnit->currentIndex() == 0 ? dose::Prefix::Micro : dose::Prefix::Milli;
    const int periodIndex = std::max(0, LevelPeriod->currentIndex());
    std::optional<dose::ReferenceLevel> level =
        dose::makeUserLevel(LevelName->text(), LevelValue->text(), prefix,
                            dose::kPeriods[std::size_t(periodIndex)], error);
    if (level)
        for (const dose::ReferenceLevel& listed : settings_.levels())
            if (listed.name == level->name) {
                // Two lines of one name could not be told apart on the map.
                error = QStringLiteral("「%1」の「%2」は既に一覧にあります。別の名称にして下さい。")
                            .arg(dose::levelNameField(), level->name);
                level.reset();
                break;
            }
    if (!level) {
        platform::warn(this, error);
        return false;
    }
    const std::size_t index = settings_.addUserLevel(*level);
    LevelName->clear();
    LevelValue->clear();
    Levels->setCurrentRow(int(index));
    return true;
}

void LevelList::removeChosenLevel() {
    const int row = Levels->currentRow();
    if (row < 0)
        return;
    settings_.removeUserLevel(std::size_t(row));
}
