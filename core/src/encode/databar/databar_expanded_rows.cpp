#include "databar_expanded_rows.hpp"

#include <algorithm>

#include "../../assert.hpp"
#include "databar_widths.hpp"

namespace tavlo::databar {
namespace {

constexpr std::uint32_t row_height = 34;  // 7.2.8: at least 34 modules a row
constexpr std::uint32_t separator_height = 1;
constexpr int pair_modules = 49;          // character 17, finder 15, character 17
constexpr int first_finder_module = 19;   // guard 2 + character 17
constexpr int separator_margin = 4;       // separator modules left light at each end of a row
constexpr int finder_cover = 13;          // the finder modules whose light ones alternate in the separator

struct StackedRow {
    ModuleSequence modules;
    int pairs = 0;            // segment pairs in the row
    bool left_to_right = true;
    bool shifted = false;     // a last row moved one module right so that its finders keep their places
    bool ends_with_finder = false;  // its last pair has no right character
};

// A separator next to `row` (7.2.8.1): the row's complement, except over each finder, whose light modules
// alternate dark and light, starting dark, in the direction the row reads; finders A alternate over their
// first 13 modules, finders B over their last 13. `b_finder_first`: the row's first finder is a B.
ModuleSequence separator(const StackedRow& row, bool b_finder_first, bool above, std::size_t width) {
    ModuleSequence out(width, 0);
    const auto& m = row.modules;
    const int start = separator_margin + (row.shifted ? 1 : 0);
    for (int j = start; j < int(m.size()) - separator_margin; ++j) out[j] = !m[j];
    bool light_next = false;  // the next light module over a finder is left light
    auto cover = [&](int x) {
        if (m[x]) {
            out[x] = 0;
            light_next = false;
        } else {
            out[x] = !light_next;
            light_next = !light_next;
        }
    };
    bool b_finder = b_finder_first;
    for (int pair = 0; pair < row.pairs; ++pair) {
        int k = pair_modules * pair + first_finder_module + (row.shifted ? 1 : 0);
        if (row.left_to_right) {
            for (int i = b_finder ? 2 : 0; i < (b_finder ? 2 : 0) + finder_cover; ++i) cover(i + k);
        } else {
            if (above && row.ends_with_finder) k -= 17;  // the row starts with the short pair's finder
            for (int i = (b_finder ? 2 : 0) + finder_cover - 1; i >= (b_finder ? 2 : 0); --i) cover(i + k);
        }
        b_finder = !b_finder;
    }
    return out;
}

ModuleSequence alternating(std::size_t width, int pairs_per_row) {
    ModuleSequence out(width, 0);
    for (int j = separator_margin + 1; j < pair_modules * pairs_per_row && j < int(width); j += 2) out[j] = 1;
    return out;
}

}  // namespace

std::vector<DataBarRow> expanded_rows(const std::vector<SegmentPair>& pairs, std::uint32_t segments_per_row) {
    if (segments_per_row == 0) {
        std::vector<int> widths = {1, 1};
        for (const SegmentPair& pair : pairs) widths.insert(widths.end(), pair.begin(), pair.end());
        widths.insert(widths.end(), {1, 1});
        ModuleSequence row;
        append_widths(row, widths, false);
        return {{std::move(row), row_height}};
    }

    // Rows alternate direction, odd rows left to right, when a row holds an even number of pairs, so that
    // the finders keep their sequence; a short last row that would start with the wrong finder colour is
    // read left to right and shifted one module instead (7.2.8).
    const int per_row = int(segments_per_row / 2);
    const int total = int(pairs.size());
    const int row_count = (total + per_row - 1) / per_row;
    const bool last_pair_short = pairs.back().size() < 21;
    std::vector<StackedRow> rows;
    for (int r = 1, first = 0; r <= row_count; ++r, first += per_row) {
        StackedRow row;
        row.pairs = std::min(per_row, total - first);
        const bool even_row = r % 2 == 0;
        row.shifted = r == row_count && row.pairs != per_row && even_row && per_row % 2 == 0 && row.pairs % 2 == 1;
        row.left_to_right = per_row % 2 == 1 || !even_row || row.shifted;
        row.ends_with_finder = r == row_count && last_pair_short;
        std::vector<int> elements;
        for (int p = first; p < first + row.pairs; ++p) elements.insert(elements.end(), pairs[p].begin(), pairs[p].end());
        if (!row.left_to_right) std::ranges::reverse(elements);
        std::vector<int> widths = {row.shifted ? 2 : 1, 1};
        widths.insert(widths.end(), elements.begin(), elements.end());
        widths.insert(widths.end(), {1, 1});
        append_widths(row.modules, widths, !even_row || row.shifted ? false : true);
        rows.push_back(std::move(row));
    }

    std::size_t width = 0;
    for (const StackedRow& row : rows) width = std::max(width, row.modules.size());
    // Pair p has finder A when p is even and B when it is odd, counting through the whole symbol.
    std::vector<DataBarRow> out;
    int pairs_before = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r > 0) {
            const int pairs_before_previous = pairs_before - rows[r - 1].pairs;
            out.push_back({separator(rows[r - 1], pairs_before_previous % 2 == 1, false, width), separator_height});
            out.push_back({alternating(width, per_row), separator_height});
            out.push_back({separator(rows[r], pairs_before % 2 == 1, true, width), separator_height});
        }
        ModuleSequence modules = rows[r].modules;
        modules.resize(width, 0);
        out.push_back({std::move(modules), row_height});
        pairs_before += rows[r].pairs;
    }
    return out;
}

}  // namespace tavlo::databar
