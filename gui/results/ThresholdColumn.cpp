#include "results/ThresholdColumn.h"

#include "Controls.h"
#include "logic/NumberText.h"

#include <QLineEdit>
#include <QPalette>
#include <textrec/textrec.h>

namespace {

constexpr int kFieldWidth = 84;
constexpr int kFieldHeight = 22;
constexpr int kTildeLeft = kFieldWidth + 4;
constexpr int kTildeWidth = 20;

} // namespace

ThresholdColumn::ThresholdColumn(double boxHeight, QWidget* parent) : QWidget(parent) {
    constexpr std::array<const char*, results::kThresholdCount> names = {
        "Text5",  "Text6",  "Text7",  "Text13", "Text14", "Text15",
        "Text16", "Text17", "Text19", "Text20", "Text21"};
    int y = 0;
    for (std::size_t k = 0; k < names.size(); ++k) {
        y = static_cast<int>(boxHeight * double(k) + (boxHeight - kFieldHeight) / 2);
        fields_[k] = controls::makeText(this, names[k], 0, y, kFieldWidth);
        controls::makeLabel(this, QStringLiteral("～"), kTildeLeft, y, kTildeWidth, kFieldHeight);
    }
    setFixedSize(kTildeLeft + kTildeWidth, y + kFieldHeight);
}

void ThresholdColumn::setThresholds(const results::Thresholds& thresholds) {
    for (std::size_t k = 0; k < fields_.size(); ++k)
        fields_[k]->setText(QString::fromStdString(textrec::plainNumber(thresholds[k])));
}

void ThresholdColumn::clear() {
    for (QLineEdit* field : fields_)
        field->clear();
}

results::ThresholdReading ThresholdColumn::read() const {
    std::array<std::string, results::kThresholdCount> ascii;
    for (std::size_t k = 0; k < fields_.size(); ++k)
        ascii[k] = numbertext::asciiBytes(fields_[k]->text());
    return results::readThresholds(ascii);
}

std::array<QString, results::kThresholdCount> ThresholdColumn::texts() const {
    std::array<QString, results::kThresholdCount> texts;
    for (std::size_t k = 0; k < fields_.size(); ++k)
        texts[k] = fields_[k]->text();
    return texts;
}

void ThresholdColumn::setTexts(const std::array<QString, results::kThresholdCount>& texts) {
    for (std::size_t k = 0; k < fields_.size(); ++k)
        fields_[k]->setText(texts[k]);
}

void ThresholdColumn::setReadOnly(bool readOnly) {
    for (QLineEdit* field : fields_) {
        field->setReadOnly(readOnly);
        // Shown on the window's own colour, as a label is, so that they do
        // not look like fields to type into.
        QPalette palette;
        if (readOnly) {
            palette = field->palette();
            palette.setBrush(QPalette::Base, palette.window());
        }
        field->setPalette(palette);
    }
}
