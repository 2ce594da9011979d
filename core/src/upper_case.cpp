#include "upper_case.hpp"

#include <algorithm>

namespace tavlo::unicode {
namespace {

// Code points first, first + stride, ... (count of them) map to themselves plus delta. Stride 2 covers the
// blocks where capital and small letters alternate; stride 0 marks a one-to-many mapping, whose delta is
// its index in upper_expansions.
struct UpperRun {
    char32_t first;
    std::uint16_t count;
    std::uint8_t stride;
    std::int32_t delta;
};

#include "upper_case_table.inc"

}  // namespace

UpperCase to_upper(char32_t code_point) {
    if (code_point < 0x80) {
        bool small = code_point >= 'a' && code_point <= 'z';
        return {{small ? code_point - ('a' - 'A') : code_point, 0, 0}, 1};
    }
    auto after = std::upper_bound(upper_runs.begin(), upper_runs.end(), code_point,
                                  [](char32_t cp, const UpperRun& run) { return cp < run.first; });
    if (after != upper_runs.begin()) {
        const UpperRun& run = *(after - 1);
        char32_t offset = code_point - run.first;
        if (run.stride == 0 && offset == 0) {
            const auto& expansion = upper_expansions[run.delta];
            return {expansion, static_cast<std::uint8_t>(expansion[2] ? 3 : 2)};
        }
        if (run.stride != 0 && offset % run.stride == 0 && offset / run.stride < run.count)
            return {{static_cast<char32_t>(static_cast<std::int32_t>(code_point) + run.delta), 0, 0}, 1};
    }
    return {{code_point, 0, 0}, 1};
}

}  // namespace tavlo::unicode
