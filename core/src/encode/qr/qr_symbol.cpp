#include "qr_symbol.hpp"

#include "../../assert.hpp"
#include "qr_mask.hpp"
#include "qr_placement.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

namespace tavlo::qr {
namespace {

// Version information for versions 7 and up: BCH(18,6) with generator 0x1F25.
constexpr std::uint32_t version_word(int version) {
    std::uint32_t remainder = std::uint32_t(version);
    for (int i = 0; i < 12; ++i) remainder = (remainder << 1) ^ ((remainder >> 11) * 0x1F25);
    return std::uint32_t(version) << 12 | remainder;
}

// Modules row-major with a parallel map of function modules, which data placement and masking skip.
class Canvas {
public:
    explicit Canvas(int version)
        : size_(unsigned(17 + 4 * version)), modules_(size_ * size_), function_(size_ * size_) {
        for (unsigned i = 0; i < size_; ++i) {
            set_function(i, 6, i % 2 == 0);
            set_function(6, i, i % 2 == 0);
        }
        draw_finder(3, 3);
        draw_finder(3, size_ - 4);
        draw_finder(size_ - 4, 3);
        draw_alignments(version);
        // Reserved here, drawn with the mask.
        for (unsigned i = 0; i < 15; ++i) {
            format_cells_[i] = copy1[i].row * size_ + copy1[i].column;
            format_cells_[15 + i] = i < 8 ? 8 * size_ + (size_ - 1 - i) : (size_ - 15 + i) * size_ + 8;
        }
        format_cells_[30] = (size_ - 8) * size_ + 8;
        for (std::size_t at : format_cells_) function_[at] = 1;
        if (version >= 7) draw_version(version);
    }

    unsigned size() const { return size_; }
    const std::vector<std::uint8_t>& modules() const { return modules_; }
    const std::vector<std::uint8_t>& function() const { return function_; }

    // The data modules in placement order: the two-column zigzag from the bottom right, skipping the vertical
    // timing pattern, over every module no function pattern holds (ISO/IEC 18004 7.7.3).
    std::vector<ModuleIndex> data_cells() const {
        std::vector<ModuleIndex> cells;
        cells.reserve(modules_.size());
        for (int right = int(size_) - 1; right >= 1; right -= 2) {
            if (right == 6) right = 5;
            const bool upward = ((right + 1) & 2) == 0;
            for (unsigned step = 0; step < size_; ++step) {
                const unsigned row = upward ? size_ - 1 - step : step;
                for (int column = right; column > right - 2; --column) {
                    const auto at = ModuleIndex(row * size_ + unsigned(column));
                    if (!function_[at]) cells.push_back(at);
                }
            }
        }
        return cells;
    }

    // Both copies of the format information, least significant bit first, then the dark module.
    std::span<const std::size_t, 31> format_cells() const { return format_cells_; }

private:
    struct Cell {
        std::uint8_t row, column;
    };
    // Around the top-left finder: down column 8 (skipping the timing row), then left along row 8.
    static constexpr Cell copy1[15] = {{0, 8}, {1, 8}, {2, 8}, {3, 8}, {4, 8}, {5, 8}, {7, 8}, {8, 8},
                                       {8, 7}, {8, 5}, {8, 4}, {8, 3}, {8, 2}, {8, 1}, {8, 0}};

    void set_function(unsigned row, unsigned column, bool dark) {
        modules_[row * size_ + column] = dark;
        function_[row * size_ + column] = 1;
    }

    // The 7x7 finder with its light separator ring, clipped at the symbol's edge.
    void draw_finder(unsigned centre_row, unsigned centre_column) {
        for (int dr = -4; dr <= 4; ++dr)
            for (int dc = -4; dc <= 4; ++dc) {
                const int row = int(centre_row) + dr, column = int(centre_column) + dc;
                if (row < 0 || column < 0 || row >= int(size_) || column >= int(size_)) continue;
                const int ring = std::max(std::abs(dr), std::abs(dc));
                set_function(unsigned(row), unsigned(column), ring != 2 && ring != 4);
            }
    }

    // ISO/IEC 18004 Annex E: centres at 6 and spread evenly back from size - 7; none over the finders.
    void draw_alignments(int version) {
        if (version == 1) return;
        const unsigned count = unsigned(version) / 7 + 2;
        const unsigned step = version == 32 ? 26 : (unsigned(version) * 4 + count * 2 + 1) / (count * 2 - 2) * 2;
        std::array<unsigned, 7> centres{};
        centres[0] = 6;
        for (unsigned i = count - 1, at = size_ - 7; i >= 1; --i, at -= step) centres[i] = at;
        for (unsigned i = 0; i < count; ++i)
            for (unsigned j = 0; j < count; ++j) {
                if ((i == 0 && j == 0) || (i == 0 && j == count - 1) || (i == count - 1 && j == 0)) continue;
                for (int dr = -2; dr <= 2; ++dr)
                    for (int dc = -2; dc <= 2; ++dc)
                        set_function(centres[j] + dr, centres[i] + dc, std::max(std::abs(dr), std::abs(dc)) != 1);
            }
    }

    // Two 6 x 3 blocks, left of the top-right finder (bit i at column size - 11 + i % 3, row i / 3) and,
    // transposed, above the bottom-left one.
    void draw_version(int version) {
        const std::uint32_t word = version_word(version);
        for (unsigned i = 0; i < 18; ++i) {
            const bool dark = (word >> i) & 1;
            const unsigned a = size_ - 11 + i % 3, b = i / 3;
            set_function(b, a, dark);
            set_function(a, b, dark);
        }
    }

    unsigned size_;  // in [21, 177], 17 + 4 * version
    std::vector<std::uint8_t> modules_;
    std::vector<std::uint8_t> function_;
    // Copy one, then copy two (bits 0-7 leftward along row 8 from the right edge, bits 8-14 down column 8
    // at the bottom), then the dark module; all light until the mask is chosen.
    std::array<std::size_t, 31> format_cells_{};
};

// A module's row and column.
struct Place {
    std::uint8_t row, column;
};

// What every symbol of a version shares: the function patterns and the maskable modules, both by rows and by
// columns, and the place of each data bit in placement order. Made once a version, on first use: drawing
// and packing them for each symbol took a third of a GS1 QR Code's encoding.
struct VersionTemplate {
    Canvas canvas;
    std::vector<Line> function_rows, function_columns;
    std::vector<Line> open_rows, open_columns;
    std::vector<Place> data_places;

    explicit VersionTemplate(int version)
        : canvas(version),
          function_rows(pack_rows(canvas.modules().data(), canvas.size(), false)),
          function_columns(transposed(function_rows)),
          open_rows(pack_rows(canvas.function().data(), canvas.size(), true)),
          open_columns(transposed(open_rows)) {
        const unsigned n = canvas.size();
        for (const ModuleIndex at : canvas.data_cells())
            data_places.push_back({std::uint8_t(at / n), std::uint8_t(at % n)});
    }
};

constexpr int version_count = 40;

const VersionTemplate& template_of(int version) {
    static std::array<std::once_flag, version_count> made;
    static std::array<std::unique_ptr<const VersionTemplate>, version_count> templates;
    const auto index = std::size_t(version - 1);
    std::call_once(made[index], [&] { templates[index] = std::make_unique<const VersionTemplate>(version); });
    return *templates[index];
}

}  // namespace

MatrixGeometry draw_symbol(int version, std::span<const std::uint8_t> codewords, QrLevel level,
                           std::optional<unsigned> only_mask) {
    const VersionTemplate& shared = template_of(version);
    // The data bits set straight into the rows and columns the mask choice reads, most significant first; at
    // most the 0 to 7 remainder bits of ISO/IEC 18004 Table 1 stay light.
    std::vector<Line> rows = shared.function_rows, columns = shared.function_columns;
    const std::size_t bits = codewords.size() * 8;
    TAVLO_ASSERT(bits <= shared.data_places.size());
    for (std::size_t i = 0; i < bits; ++i) {
        if (!((codewords[i >> 3] >> (7 - (i & 7))) & 1)) continue;
        const Place place = shared.data_places[i];
        rows[place.row].set(pad + place.column);
        columns[place.column].set(pad + place.row);
    }
    return apply_best_mask({shared.canvas.size(), rows, columns, shared.open_rows, shared.open_columns,
                            shared.canvas.format_cells()},
                           level, only_mask);
}

}  // namespace tavlo::qr
