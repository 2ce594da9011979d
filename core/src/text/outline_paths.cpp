#include <charconv>
#include <cmath>

#include "tavlo/text.hpp"

namespace tavlo::text {

namespace {

// A coordinate rounded to hundredths, written without trailing zeros ("12.5", "3", "-0.25").
void append_number(std::string& out, double value) {
    double rounded = std::round(value * 100) / 100;
    if (rounded == 0) rounded = 0;  // no "-0"
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, rounded, std::chars_format::fixed, 2).ptr;
    std::string_view text(digits, std::size_t(end - digits));
    while (text.back() == '0') text.remove_suffix(1);
    if (text.back() == '.') text.remove_suffix(1);
    out += text;
}

void append_point(std::string& out, Point p) {
    append_number(out, p.x);
    out += ' ';
    append_number(out, p.y);
}

int point_count(PathCommand::Op op) {
    return op == PathCommand::Op::Cubic ? 3 : (op == PathCommand::Op::Close ? 0 : 1);
}

}  // namespace

std::string svg_path_data(const Outline& outline) {
    std::string out;
    out.reserve(outline.size() * 24);
    for (const PathCommand& command : outline) {
        static constexpr char kLetters[] = {'M', 'L', 'C', 'Z'};
        out += kLetters[int(command.op)];
        for (int i = 0; i < point_count(command.op); ++i) {
            if (i) out += ' ';
            append_point(out, command.points[i]);
        }
    }
    return out;
}

std::string pdf_path_operators(const Outline& outline, double height, double scale) {
    std::string out;
    out.reserve(outline.size() * 32);
    for (const PathCommand& command : outline) {
        for (int i = 0; i < point_count(command.op); ++i) {
            const Point p = command.points[i];
            append_point(out, Point{p.x * scale, (height - p.y) * scale});
            out += ' ';
        }
        static constexpr const char* kOperators[] = {"m\n", "l\n", "c\n", "h\n"};
        out += kOperators[int(command.op)];
    }
    if (!outline.empty()) out += "f\n";
    return out;
}

}  // namespace tavlo::text
