// The band thresholds T1..T11 as a column of text fields beside a colour
// legend, each with "～" after it: one field centred on each legend box. The
// viewer and the overlay window show their thresholds in one each.
#pragma once

#include "logic/BandThresholds.h"

#include <QString>
#include <QWidget>
#include <array>

class QLineEdit;

class ThresholdColumn : public QWidget {
    Q_OBJECT
public:
    // `boxHeight` is the height of one legend box in pixels; the column's top
    // is placed level with the legend's.
    ThresholdColumn(double boxHeight, QWidget* parent);

    // The fields T1..T11 in band order, named Text5, Text6, Text7, Text13 ...
    // Text17, Text19, Text20, Text21 as the windows name them.
    const std::array<QLineEdit*, results::kThresholdCount>& fields() const { return fields_; }

    // Writes each threshold as its plain number.
    void setThresholds(const results::Thresholds& thresholds);
    void clear();
    // The thresholds as the fields read, checked for drawing: each a number
    // above 0 and none above the one before it. Full-width digits, "．" and
    // the signs read as in every numeric field.
    results::ThresholdReading read() const;
    // The texts as typed, and back (kept over a merge that gives the same
    // default thresholds).
    std::array<QString, results::kThresholdCount> texts() const;
    void setTexts(const std::array<QString, results::kThresholdCount>& texts);
    // Fields that only show thresholds chosen elsewhere.
    void setReadOnly(bool readOnly);

private:
    std::array<QLineEdit*, results::kThresholdCount> fields_{};
};
