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
