// What a window or a page writes beside a map shown as doses in a period or
// with limit lines: the period and the workload, the key of the lines, and
// the note of what the map leaves out. The viewer's pages and the room
// overlay's pages write the same.
#pragma once

#include "logic/ShownMap.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>
#include <vector>

class QPainter;

namespace page {

// "1週間あたり", "3か月（13 週）あたり", "1年（52 週）あたり"; "毎分" per minute.
QString periodPhrase(dose::Period period);

// The period and the workload of a map, as its page writes them:
// "表示: 3か月（13 週）あたりの線量（mSv/3か月）　透視時間 60 分/週"; a map
// per minute with limit lines names the workload the lines are for
// ("表示: 毎分の線量率（μGy/min）　基準線の透視時間 60 分/週"); empty for a
// map per minute without lines.
QString workloadLine(const results::ShownMap& map);

// Every page with a period or limit lines says what the map holds: the
// scatter from the patient only.
QString scatterOnlyNote();

// Where the lines come from: "基準線: 実効線量 (H1cm) の分布から（表示中の
// 空気カーマによらない）" over an air-kerma map, "基準線: 実効線量 (H1cm) の
// 分布から" over the dose-equivalent map.
QString limitLinesSource(results::Quantity shown);

// One row of the key of the limit lines: a sample of the line (none for the
// heading) and its text.
struct KeyRow {
    bool sample = false;
    QColor colour;
    bool dashed = false;
    QString text;
};
// The heading (limitLinesSource), then one row per line: its name, its level
// with its own period, the dose-equivalent rate it stands for on the map
// and, for a line that is not drawn, why ("地図の範囲内では到達しない"); then,
// when a line runs dashed, a dashed sample saying why. Empty without lines.
std::vector<KeyRow> limitLineKey(const results::ShownMap& map);

// Paints the key rows from `topLeft` down, `rowHeight` each, in page units
// (the painter's transform takes them to the device): each sample a short
// line before its text, the text in the painter's font.
void paintKey(QPainter& painter, const QPointF& topLeft, double width, double rowHeight,
              const std::vector<KeyRow>& rows);

} // namespace page
