#include <algorithm>
#include <cmath>

#include "tavlo/text.hpp"

namespace tavlo::text {

namespace {

// How far a flattened curve may stray from the true one, in dots. A tenth of a dot moves no pixel centre
// in practice and keeps a digit of a 30-dot line to a few hundred edges.
constexpr double kFlatness = 0.1;
constexpr int kMaxCurveSteps = 64;

struct Crossing {
    double x;
    int winding;  // +1 for an edge going down, -1 going up
};

// Crossings of every edge with the horizontal through each row's pixel centres, bucketed by row.
class CrossingTable {
public:
    explicit CrossingTable(std::uint32_t height) : rows_(height) {}

    void add_edge(Point a, Point b) {
        if (a.y == b.y) return;
        const int winding = b.y > a.y ? 1 : -1;
        if (a.y > b.y) std::swap(a, b);
        // Rows whose centre y + 0.5 lies in [a.y, b.y): the half-open rule counts a shared vertex once.
        const double first = std::max(0.0, std::ceil(a.y - 0.5));
        const double last = std::min<double>(double(rows_.size()), std::ceil(b.y - 0.5));
        const double slope = (b.x - a.x) / (b.y - a.y);
        for (double row = first; row < last; ++row) {
            rows_[std::size_t(row)].push_back(Crossing{a.x + (row + 0.5 - a.y) * slope, winding});
        }
    }

    std::vector<std::vector<Crossing>>& rows() { return rows_; }

private:
    std::vector<std::vector<Crossing>> rows_;
};

Point lerp(Point a, Point b, double t) { return Point{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// A cubic as straight steps, their number from the second differences of the control polygon, which bound
// how far the curve bends away from a chord.
void add_cubic(CrossingTable& table, Point p0, Point p1, Point p2, Point p3) {
    const double ddx = std::max(std::abs(p0.x - 2 * p1.x + p2.x), std::abs(p1.x - 2 * p2.x + p3.x));
    const double ddy = std::max(std::abs(p0.y - 2 * p1.y + p2.y), std::abs(p1.y - 2 * p2.y + p3.y));
    const double bend = std::hypot(ddx, ddy);
    const int steps = std::clamp(int(std::ceil(std::sqrt(0.75 * bend / kFlatness))), 1, kMaxCurveSteps);
    Point previous = p0;
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps;
        const Point a = lerp(p0, p1, t), b = lerp(p1, p2, t), c = lerp(p2, p3, t);
        const Point point = i == steps ? p3 : lerp(lerp(a, b, t), lerp(b, c, t), t);
        table.add_edge(previous, point);
        previous = point;
    }
}

void add_outline(CrossingTable& table, const Outline& outline) {
    Point start{}, current{};
    bool open = false;
    for (const PathCommand& command : outline) {
        switch (command.op) {
            case PathCommand::Op::Move:
                if (open) table.add_edge(current, start);
                start = current = command.points[0];
                open = true;
                break;
            case PathCommand::Op::Line:
                table.add_edge(current, command.points[0]);
                current = command.points[0];
                break;
            case PathCommand::Op::Cubic:
                add_cubic(table, current, command.points[0], command.points[1], command.points[2]);
                current = command.points[2];
                break;
            case PathCommand::Op::Close:
                if (open) table.add_edge(current, start);
                current = start;
                open = false;
                break;
        }
    }
    if (open) table.add_edge(current, start);  // a fill closes every contour
}

// Pixel columns whose centres lie in [from, to), clipped to the row.
void add_span(std::vector<RowSpan>& spans, double from, double to, std::uint32_t width) {
    const double begin = std::clamp(std::ceil(from - 0.5), 0.0, double(width));
    const double end = std::clamp(std::ceil(to - 0.5), 0.0, double(width));
    if (begin >= end) return;
    if (!spans.empty() && spans.back().end >= begin) {
        spans.back().end = std::max(spans.back().end, std::uint32_t(end));
    } else {
        spans.push_back(RowSpan{std::uint32_t(begin), std::uint32_t(end)});
    }
}

std::vector<RowSpan> row_spans(std::vector<Crossing>& crossings, std::uint32_t width) {
    std::ranges::sort(crossings, {}, &Crossing::x);
    std::vector<RowSpan> spans;
    int winding = 0;
    double inside_from = 0;
    for (const Crossing& crossing : crossings) {
        const int before = winding;
        winding += crossing.winding;
        if (before == 0 && winding != 0) inside_from = crossing.x;
        if (before != 0 && winding == 0) add_span(spans, inside_from, crossing.x, width);
    }
    return spans;
}

}  // namespace

Coverage rasterise(const Outline& outline, std::uint32_t width, std::uint32_t height) {
    CrossingTable table(height);
    add_outline(table, outline);
    auto& rows = table.rows();
    Coverage coverage;
    std::size_t first = 0, last = rows.size();
    while (first < last && rows[first].empty()) ++first;
    while (last > first && rows[last - 1].empty()) --last;
    coverage.first_row = std::uint32_t(first);
    coverage.rows.reserve(last - first);
    for (std::size_t row = first; row < last; ++row) coverage.rows.push_back(row_spans(rows[row], width));
    return coverage;
}

}  // namespace tavlo::text
