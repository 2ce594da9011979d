#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

#include "tavlo/text.hpp"

namespace tavlo::text {

namespace {

// How far a flattened curve may stray from the true one, in dots. A fifth of a dot moves a pixel centre
// across the outline only where the curve passes within that distance of it, and keeps a 30-dot digit to
// about a hundred edges.
constexpr double flatness = 0.2;
constexpr int max_curve_steps = 64;

struct Crossing {
    double x;
    int winding;  // +1 for an edge going down, -1 going up
};

struct Edge {
    Point top, bottom;  // top.y < bottom.y
    int winding;
};

// The straight edges of the flattened outline; horizontal ones cross no row centre and are dropped.
class EdgeList {
public:
    void add_edge(Point a, Point b) {
        if (a.y == b.y) return;
        edges_.push_back(a.y < b.y ? Edge{a, b, 1} : Edge{b, a, -1});
    }
    const std::vector<Edge>& edges() const { return edges_; }

private:
    std::vector<Edge> edges_;
};

// Rows whose centre y + 0.5 lies in [top.y, bottom.y), clipped to the image: the half-open rule counts a
// vertex shared by two edges once.
std::pair<std::size_t, std::size_t> rows_crossed(const Edge& edge, std::uint32_t height) {
    const double first = std::clamp(std::ceil(edge.top.y - 0.5), 0.0, double(height));
    const double last = std::clamp(std::ceil(edge.bottom.y - 0.5), 0.0, double(height));
    return {std::size_t(first), std::size_t(last)};
}

Point lerp(Point a, Point b, double t) { return Point{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// A cubic as straight steps, their number from the second differences of the control polygon, which bound
// how far the curve bends away from a chord.
void add_cubic(EdgeList& table, Point p0, Point p1, Point p2, Point p3) {
    const double ddx = std::max(std::abs(p0.x - 2 * p1.x + p2.x), std::abs(p1.x - 2 * p2.x + p3.x));
    const double ddy = std::max(std::abs(p0.y - 2 * p1.y + p2.y), std::abs(p1.y - 2 * p2.y + p3.y));
    const double bend = std::hypot(ddx, ddy);
    const int steps = std::clamp(int(std::ceil(std::sqrt(0.75 * bend / flatness))), 1, max_curve_steps);
    Point previous = p0;
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps;
        const Point a = lerp(p0, p1, t), b = lerp(p1, p2, t), c = lerp(p2, p3, t);
        const Point point = i == steps ? p3 : lerp(lerp(a, b, t), lerp(b, c, t), t);
        table.add_edge(previous, point);
        previous = point;
    }
}

void add_outline(EdgeList& table, const Outline& outline) {
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

// Pixel columns whose centres lie in [from, to), clipped to the row, added to the row that starts at
// `row_start` in `spans`.
void add_span(std::vector<RowSpan>& spans, std::size_t row_start, double from, double to, std::uint32_t width) {
    const double begin = std::clamp(std::ceil(from - 0.5), 0.0, double(width));
    const double end = std::clamp(std::ceil(to - 0.5), 0.0, double(width));
    if (begin >= end) return;
    if (spans.size() > row_start && spans.back().end >= begin) {
        spans.back().end = std::max(spans.back().end, std::uint32_t(end));
    } else {
        spans.push_back(RowSpan{std::uint32_t(begin), std::uint32_t(end)});
    }
}

// Appends one row's spans to `spans`.
void add_row_spans(std::vector<RowSpan>& spans, std::span<Crossing> crossings, std::uint32_t width) {
    // A row holds a few dozen crossings at most, mostly in order already.
    for (std::size_t i = 1; i < crossings.size(); ++i) {
        const Crossing c = crossings[i];
        std::size_t j = i;
        for (; j > 0 && crossings[j - 1].x > c.x; --j) crossings[j] = crossings[j - 1];
        crossings[j] = c;
    }
    const std::size_t row_start = spans.size();
    int winding = 0;
    double inside_from = 0;
    for (const Crossing& crossing : crossings) {
        const int before = winding;
        winding += crossing.winding;
        if (before == 0 && winding != 0) inside_from = crossing.x;
        if (before != 0 && winding == 0) add_span(spans, row_start, inside_from, crossing.x, width);
    }
}

}  // namespace

Coverage rasterise(const Outline& outline, std::uint32_t width, std::uint32_t height) {
    EdgeList list;
    add_outline(list, outline);
    // Crossings bucketed by row in one array: count per row, then fill each row's slice.
    std::size_t first = height, last = 0;
    for (const Edge& edge : list.edges()) {
        const auto [top, bottom] = rows_crossed(edge, height);
        if (top < bottom) first = std::min(first, top), last = std::max(last, bottom);
    }
    Coverage coverage;
    if (first >= last) return coverage;
    std::vector<std::size_t> starts(last - first + 1, 0);
    for (const Edge& edge : list.edges()) {
        const auto [top, bottom] = rows_crossed(edge, height);
        for (std::size_t row = top; row < bottom; ++row) ++starts[row - first + 1];
    }
    for (std::size_t i = 1; i < starts.size(); ++i) starts[i] += starts[i - 1];
    std::vector<Crossing> crossings(starts.back());
    std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
    for (const Edge& edge : list.edges()) {
        const auto [top, bottom] = rows_crossed(edge, height);
        const double slope = (edge.bottom.x - edge.top.x) / (edge.bottom.y - edge.top.y);
        for (std::size_t row = top; row < bottom; ++row) {
            crossings[next[row - first]++] =
                Crossing{edge.top.x + (double(row) + 0.5 - edge.top.y) * slope, edge.winding};
        }
    }
    coverage.first_row = std::uint32_t(first);
    coverage.spans.reserve(crossings.size() / 2);  // a span starts and ends at a crossing
    coverage.row_ends.reserve(last - first);
    for (std::size_t row = first; row < last; ++row) {
        const std::span<Crossing> slice(crossings.data() + starts[row - first],
                                        starts[row - first + 1] - starts[row - first]);
        add_row_spans(coverage.spans, slice, width);
        coverage.row_ends.push_back(coverage.spans.size());
    }
    return coverage;
}

}  // namespace tavlo::text
