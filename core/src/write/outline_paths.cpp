#include <cmath>

#include "decimal.hpp"
#include "tavlo/text.hpp"

namespace tavlo::text {

namespace {

// Hundredths of a dot: finer than any printer or screen resolves, and short.
constexpr int path_decimals = 2;

void append_point(std::string& out, Point p) {
    label::append_decimal(out, p.x, path_decimals);
    out += ' ';
    label::append_decimal(out, p.y, path_decimals);
}

int point_count(PathCommand::Op op) {
    return op == PathCommand::Op::Cubic ? 3 : (op == PathCommand::Op::Close ? 0 : 1);
}

}  // namespace

std::string svg_path_data(const Outline& outline) {
    std::string out;
    out.reserve(outline.size() * 24);
    for (const PathCommand& command : outline) {
        static constexpr char command_letters[] = {'M', 'L', 'C', 'Z'};
        out += command_letters[int(command.op)];
        for (int i = 0; i < point_count(command.op); ++i) {
            if (i) out += ' ';
            append_point(out, command.points[i]);
        }
    }
    return out;
}

std::string svg_relative_path_data(const Outline& outline) {
    // Hundredths of a dot, whole: each point is rounded once and the moves between rounded points are exact,
    // so the shape is the one the absolute form gives.
    const auto hundredths = [](double v) { return static_cast<std::int64_t>(std::llround(v * 100)); };
    const auto append_number = [](std::string& out, std::int64_t value) {
        if (value % 100 == 0) return label::append_integer(out, value / 100);
        label::append_decimal(out, double(value) / 100, path_decimals);
    };
    std::string out;
    out.reserve(outline.size() * 16);
    std::int64_t x = 0, y = 0, start_x = 0, start_y = 0;
    char last = 0;
    for (const PathCommand& command : outline) {
        static constexpr char command_letters[] = {'m', 'l', 'c', 'z'};
        const char letter = command_letters[int(command.op)];
        // A command repeats without its letter, except a move, whose repeats would be lines.
        const bool repeated = letter == last && letter != 'm' && letter != 'z';
        if (!repeated) out += letter;
        last = letter;
        if (command.op == PathCommand::Op::Close) {
            x = start_x;
            y = start_y;
            continue;
        }
        bool first = !repeated;
        const int count = point_count(command.op);
        for (int i = 0; i < count; ++i) {
            const std::int64_t px = hundredths(command.points[i].x), py = hundredths(command.points[i].y);
            for (const std::int64_t value : {px - x, py - y}) {
                if (!first && value >= 0) out += ' ';
                append_number(out, value);
                first = false;
            }
            if (i == count - 1) {
                x = px;
                y = py;
            }
        }
        if (command.op == PathCommand::Op::Move) {
            start_x = x;
            start_y = y;
        }
    }
    return out;
}

std::string pdf_path_operators(const Outline& outline) {
    std::string out;
    out.reserve(outline.size() * 32);
    for (const PathCommand& command : outline) {
        for (int i = 0; i < point_count(command.op); ++i) {
            append_point(out, command.points[i]);
            out += ' ';
        }
        static constexpr const char* pdf_operators[] = {"m\n", "l\n", "c\n", "h\n"};
        out += pdf_operators[int(command.op)];
    }
    if (!outline.empty()) out += "f\n";
    return out;
}

}  // namespace tavlo::text
