#include "logic/Contours.h"

#include "logic/MapPainting.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace contours {

namespace {

using results::kGridColumns;

// A crossing lies on the edge between two neighbouring cells: the horizontal
// edge from (j, i) to (j + 1, i) or the vertical edge from (j, i) to
// (j, i + 1). Each edge has one id, whichever square asks for it.
int horizontalEdge(int j, int i) {
    return 2 * ((i - 1) * kGridColumns + (j - 1));
}
int verticalEdge(int j, int i) {
    return horizontalEdge(j, i) + 1;
}

class Tracer {
public:
    Tracer(const results::DoseGrid& grid, double level, const std::vector<bool>* hatched,
           const CellRange& cells)
        : grid_(grid), level_(level), logLevel_(level > 0 ? std::log(level) : 0), hatched_(hatched),
          cells_(cells) {}

    LevelContour trace();

private:
    struct Piece {
        std::array<int, 2> edges; // the two crossed edges
        int j;                    // the square's lower-left cell
        int i;
    };

    bool reaches(double v) const { return v >= level_; }

    // Fraction of the way from the edge's first cell to its second at which
    // the value crosses the level: logarithms interpolated linearly, as the
    // merger resamples, or the values themselves where one is 0.
    double fraction(double from, double to) const {
        double t = 0;
        if (from > 0 && to > 0 && level_ > 0)
            t = (logLevel_ - std::log(from)) / (std::log(to) - std::log(from));
        else
            t = (level_ - from) / (to - from);
        if (!(t >= 0)) // also NaN
            return 0;
        return std::min(t, 1.0);
    }

    MapXY crossing(int edge) const {
        const int k = edge / 2;
        const int j = k % kGridColumns + 1;
        const int i = k / kGridColumns + 1;
        const double x = results::xOfColumn(j);
        const double c = results::cOfRow(i);
        const double from = grid_.at(j, i);
        if (edge % 2 == 0)
            return {x + fraction(from, grid_.at(j + 1, i)), c};
        return {x, c + fraction(from, grid_.at(j, i + 1))};
    }

    // Whether the centre of a saddle square reaches the level.
    bool centreReaches(double a, double b, double c, double d) const {
        if (a > 0 && b > 0 && c > 0 && d > 0 && level_ > 0)
            return (std::log(a) + std::log(b) + std::log(c) + std::log(d)) / 4 >= logLevel_;
        return (a + b + c + d) / 4 >= level_;
    }

    void collectPieces();
    void appendSegment(ContourLine& line, const MapXY& from, const MapXY& to, int j, int i) const;
    ContourLine walk(std::size_t piece, int entry, std::vector<bool>& visited,
                     const std::vector<int>& next) const;

    const results::DoseGrid& grid_;
    double level_;
    double logLevel_;
    const std::vector<bool>* hatched_;
    CellRange cells_;
    std::vector<Piece> pieces_;
};

void Tracer::collectPieces() {
    // Square corners: A (j, i), B (j + 1, i), C (j + 1, i + 1), D (j, i + 1);
    // its edges: 0 A-B, 1 B-C, 2 D-C, 3 A-D. Cutting off one corner joins the
    // two edges that meet there.
    static constexpr std::array<std::array<int, 2>, 4> cutCorner = {
        {{3, 0}, {0, 1}, {1, 2}, {2, 3}}};
    // The edges each case joins (bit 0 A, 1 B, 2 C, 3 D set when the corner
    // reaches the level); saddles (5, 10) are decided below.
    static constexpr std::array<std::array<int, 2>, 16> single = {{{-1, -1},
                                                                   {3, 0},
                                                                   {0, 1},
                                                                   {3, 1},
                                                                   {1, 2},
                                                                   {-1, -1},
                                                                   {0, 2},
                                                                   {3, 2},
                                                                   {3, 2},
                                                                   {0, 2},
                                                                   {-1, -1},
                                                                   {1, 2},
                                                                   {3, 1},
                                                                   {0, 1},
                                                                   {3, 0},
                                                                   {-1, -1}}};
    for (int i = cells_.firstRow; i < cells_.lastRow; ++i) {
        const double* low = &grid_.cells()[static_cast<std::size_t>(i - 1) * kGridColumns];
        const double* high = low + kGridColumns;
        for (int j = cells_.firstColumn; j < cells_.lastColumn; ++j) {
            const double a = low[j - 1];
            const double b = low[j];
            const double c = high[j];
            const double d = high[j - 1];
            const int index = (reaches(a) ? 1 : 0) | (reaches(b) ? 2 : 0) | (reaches(c) ? 4 : 0) |
                              (reaches(d) ? 8 : 0);
            if (index == 0 || index == 15)
                continue;
            const std::array<int, 4> edges = {horizontalEdge(j, i), verticalEdge(j + 1, i),
                                              horizontalEdge(j, i + 1), verticalEdge(j, i)};
            auto add = [&](const std::array<int, 2>& pair) {
                pieces_.push_back({{edges[static_cast<std::size_t>(pair[0])],
                                    edges[static_cast<std::size_t>(pair[1])]},
                                   j,
                                   i});
            };
            if (index == 5 || index == 10) {
                // Cut off the two corners on the other side from the centre.
                const bool centre = centreReaches(a, b, c, d);
                const bool cutA = reaches(a) != centre;
                add(cutCorner[cutA ? 0 : 1]);
                add(cutCorner[cutA ? 2 : 3]);
            } else {
                add(single[static_cast<std::size_t>(index)]);
            }
        }
    }
}

void Tracer::appendSegment(ContourLine& line, const MapXY& from, const MapXY& to, int j,
                           int i) const {
    if (!hatched_) {
        line.points.push_back(to);
        line.uncertain.push_back(false);
        return;
    }
    // The square between four cell centres holds a quarter of each cell: cut
    // the segment where it crosses the lines halfway between the centres.
    const double midX = results::xOfColumn(j) + 0.5;
    const double midC = results::cOfRow(i) + 0.5;
    std::array<double, 4> cuts{0, 1, 1, 1};
    int count = 1;
    if ((from.x - midX) * (to.x - midX) < 0)
        cuts[static_cast<std::size_t>(count++)] = (midX - from.x) / (to.x - from.x);
    if ((from.c - midC) * (to.c - midC) < 0)
        cuts[static_cast<std::size_t>(count++)] = (midC - from.c) / (to.c - from.c);
    if (count == 3 && cuts[2] < cuts[1])
        std::swap(cuts[1], cuts[2]);
    cuts[static_cast<std::size_t>(count)] = 1;
    auto at = [&](double t) {
        return MapXY{from.x + t * (to.x - from.x), from.c + t * (to.c - from.c)};
    };
    auto markOf = [&](double t0, double t1) {
        const MapXY m = at(0.5 * (t0 + t1));
        const int cellJ = m.x < midX ? j : j + 1;
        const int cellI = m.c < midC ? i : i + 1;
        return static_cast<bool>((*hatched_)[static_cast<std::size_t>(cellI - 1) * kGridColumns +
                                             static_cast<std::size_t>(cellJ - 1)]);
    };
    bool mark = markOf(cuts[0], cuts[1]);
    for (int k = 1; k < count; ++k) {
        const bool nextMark =
            markOf(cuts[static_cast<std::size_t>(k)], cuts[static_cast<std::size_t>(k + 1)]);
        if (nextMark != mark) {
            line.points.push_back(at(cuts[static_cast<std::size_t>(k)]));
            line.uncertain.push_back(mark);
            mark = nextMark;
        }
    }
    line.points.push_back(to);
    line.uncertain.push_back(mark);
}

ContourLine Tracer::walk(std::size_t piece, int entry, std::vector<bool>& visited,
                         const std::vector<int>& next) const {
    ContourLine line;
    MapXY at = crossing(pieces_[piece].edges[static_cast<std::size_t>(entry)]);
    line.points.push_back(at);
    for (;;) {
        visited[piece] = true;
        const Piece& p = pieces_[piece];
        const int exit = 1 - entry;
        const MapXY to = crossing(p.edges[static_cast<std::size_t>(exit)]);
        appendSegment(line, at, to, p.j, p.i);
        at = to;
        const int following = next[2 * piece + static_cast<std::size_t>(exit)];
        if (following < 0)
            break;
        piece = static_cast<std::size_t>(following / 2);
        entry = following % 2;
        if (visited[piece]) {
            line.closed = true;
            break;
        }
    }
    return line;
}

LevelContour Tracer::trace() {
    LevelContour result;
    result.level = level_;
    bool anyReaching = false;
    bool anyBelow = false;
    for (int i = cells_.firstRow; i <= cells_.lastRow && !(anyReaching && anyBelow); ++i)
        for (int j = cells_.firstColumn; j <= cells_.lastColumn; ++j) {
            if (reaches(grid_.at(j, i)))
                anyReaching = true;
            else
                anyBelow = true;
        }
    if (!anyReaching) {
        result.reach = Reach::NotReached;
        return result;
    }
    if (!anyBelow) {
        result.reach = Reach::ExceededEverywhere;
        return result;
    }
    result.reach = Reach::Crossed;

    collectPieces();
    // Join the pieces that share a crossed edge: each such edge belongs to at
    // most two squares, and within a square to one piece.
    std::vector<std::pair<int, int>> ends; // (edge, 2 x piece + end)
    ends.reserve(2 * pieces_.size());
    for (std::size_t k = 0; k < pieces_.size(); ++k)
        for (int end = 0; end < 2; ++end)
            ends.emplace_back(pieces_[k].edges[static_cast<std::size_t>(end)],
                              static_cast<int>(2 * k) + end);
    std::sort(ends.begin(), ends.end());
    std::vector<int> next(ends.size(), -1);
    for (std::size_t k = 0; k + 1 < ends.size(); ++k)
        if (ends[k].first == ends[k + 1].first) {
            next[static_cast<std::size_t>(ends[k].second)] = ends[k + 1].second;
            next[static_cast<std::size_t>(ends[k + 1].second)] = ends[k].second;
        }

    std::vector<bool> visited(pieces_.size(), false);
    // Lines that end at the edges of the map first, from one of their ends ...
    for (std::size_t k = 0; k < pieces_.size(); ++k)
        for (int end = 0; end < 2; ++end)
            if (!visited[k] && next[2 * k + static_cast<std::size_t>(end)] < 0)
                result.lines.push_back(walk(k, end, visited, next));
    // ... then the closed ones.
    for (std::size_t k = 0; k < pieces_.size(); ++k)
        if (!visited[k])
            result.lines.push_back(walk(k, 0, visited, next));

    const auto longest = std::max_element(
        result.lines.begin(), result.lines.end(),
        [](const ContourLine& a, const ContourLine& b) { return a.length() < b.length(); });
    if (longest != result.lines.end())
        result.label = labelPoint(*longest);
    return result;
}

double distance(const MapXY& a, const MapXY& b) {
    return std::hypot(b.x - a.x, b.c - a.c);
}

} // namespace

double ContourLine::length() const {
    double total = 0;
    for (std::size_t k = 1; k < points.size(); ++k)
        total += distance(points[k - 1], points[k]);
    return total;
}

QString reachText(Reach reach) {
    switch (reach) {
    case Reach::Crossed:
        return {};
    case Reach::NotReached:
        return QStringLiteral("地図の範囲内では到達しない");
    case Reach::ExceededEverywhere:
        return QStringLiteral("地図の全域で超える");
    }
    return {};
}

LevelContour traceContour(const results::DoseGrid& grid, double level,
                          const std::vector<bool>* hatched, const CellRange& cells) {
    return Tracer(grid, level, hatched, cells).trace();
}

std::vector<LevelContour> traceContours(const results::DoseGrid& grid,
                                        const std::vector<double>& levels,
                                        const std::vector<bool>* hatched, const CellRange& cells) {
    std::vector<LevelContour> out;
    out.reserve(levels.size());
    for (double level : levels)
        out.push_back(traceContour(grid, level, hatched, cells));
    return out;
}

MapXY labelPoint(const ContourLine& line) {
    if (line.points.empty())
        return {};
    if (line.closed)
        return *std::max_element(line.points.begin(), line.points.end(),
                                 [](const MapXY& a, const MapXY& b) { return a.x < b.x; });
    double left = line.length() / 2;
    for (std::size_t k = 1; k < line.points.size(); ++k) {
        const MapXY& a = line.points[k - 1];
        const MapXY& b = line.points[k];
        const double step = distance(a, b);
        if (step >= left && step > 0) {
            const double t = left / step;
            return {a.x + t * (b.x - a.x), a.c + t * (b.c - a.c)};
        }
        left -= step;
    }
    return line.points.back();
}

std::vector<ContourRun> runsOf(const ContourLine& line) {
    std::vector<ContourRun> runs;
    for (std::size_t k = 0; k + 1 < line.points.size(); ++k) {
        const bool mark = k < line.uncertain.size() && line.uncertain[k];
        if (runs.empty() || runs.back().uncertain != mark)
            runs.push_back({{line.points[k]}, mark});
        runs.back().points.push_back(line.points[k + 1]);
    }
    return runs;
}

QPointF viewerPixel(const MapXY& p, int scale) {
    return QPointF((p.x - results::kMapPictureLeft + 0.5) * scale,
                   (p.c + 300 - results::kMapPictureTop + 0.5) * scale);
}

overlay::MapPoint phantomPoint(const MapXY& p, int orientation, bool otherSide) {
    const overlay::MapPoint point =
        orientation == 1 ? overlay::MapPoint{-p.c, p.x} : overlay::MapPoint{p.x, p.c};
    return otherSide ? overlay::mirrored(point, orientation) : point;
}

} // namespace contours
