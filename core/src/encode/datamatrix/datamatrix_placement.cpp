#include "datamatrix_placement.hpp"

#include <array>
#include <vector>

#include "../../assert.hpp"

namespace tavlo::datamatrix {

namespace {

// The four corner shapes of ISO/IEC 16022 Annex F, bits 0 (most significant) to 7. A coordinate of 0 or more
// counts from the top or left of the mapping matrix, a negative one from the bottom or right (-1 the last).
struct CornerCell {
    int row;
    int column;
};
using Corner = std::array<CornerCell, 8>;
constexpr Corner corner1 = {{{-1, 0}, {-1, 1}, {-1, 2}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}}};
constexpr Corner corner2 = {{{-3, 0}, {-2, 0}, {-1, 0}, {0, -4}, {0, -3}, {0, -2}, {0, -1}, {1, -1}}};
constexpr Corner corner3 = {{{-3, 0}, {-2, 0}, {-1, 0}, {0, -2}, {0, -1}, {1, -1}, {2, -1}, {3, -1}}};
constexpr Corner corner4 = {{{-1, 0}, {-1, -1}, {0, -3}, {0, -2}, {0, -1}, {1, -3}, {1, -2}, {1, -1}}};

// Walks the mapping matrix in the standard's diagonal order and records, for every module, which bit of
// which codeword it shows. The walk depends only on the matrix size.
class Placement {
public:
    Placement(int rows, int columns) : rows_(rows), columns_(columns), cells_(std::size_t(rows) * columns, unset) {
        int codeword = 0;
        int row = 4;
        int column = 0;
        do {
            // The four corner shapes replace a utah shape that would fall off the matrix.
            if (row == rows_ && column == 0) corner(corner1, codeword++);
            if (row == rows_ - 2 && column == 0 && columns_ % 4 != 0) corner(corner2, codeword++);
            if (row == rows_ - 2 && column == 0 && columns_ % 8 == 4) corner(corner3, codeword++);
            if (row == rows_ + 4 && column == 2 && columns_ % 8 == 0) corner(corner4, codeword++);
            // Up and to the right...
            do {
                if (row < rows_ && column >= 0 && cell(row, column) == unset) utah(row, column, codeword++);
                row -= 2;
                column += 2;
            } while (row >= 0 && column < columns_);
            row += 1;
            column += 3;
            // ...then down and to the left.
            do {
                if (row >= 0 && column < columns_ && cell(row, column) == unset) utah(row, column, codeword++);
                row += 2;
                column -= 2;
            } while (row < rows_ && column >= 0);
            row += 3;
            column += 1;
        } while (row < rows_ || column < columns_);
        codewords_ = codeword;
        // Sizes whose module count leaves four modules over fill the bottom-right corner with a fixed pattern.
        if (cell(rows_ - 1, columns_ - 1) == unset) {
            cell(rows_ - 1, columns_ - 1) = dark;
            cell(rows_ - 2, columns_ - 2) = dark;
            cell(rows_ - 1, columns_ - 2) = light;
            cell(rows_ - 2, columns_ - 1) = light;
        }
    }

    // Bit index (codeword * 8 + bit, bit 0 the most significant) or one of the fixed values below.
    std::int32_t at(int row, int column) const { return cells_[std::size_t(row) * columns_ + column]; }

    int codewords() const { return codewords_; }

    static constexpr std::int32_t unset = -1;
    static constexpr std::int32_t light = -2;
    static constexpr std::int32_t dark = -3;

private:
    std::int32_t& cell(int row, int column) { return cells_[std::size_t(row) * columns_ + column]; }

    // Places bit `bit` (0 = most significant) of `codeword`, wrapping positions that fall outside the matrix.
    void module(int row, int column, int codeword, int bit) {
        if (row < 0) {
            row += rows_;
            column += 4 - ((rows_ + 4) % 8);
        }
        if (column < 0) {
            column += columns_;
            row += 4 - ((columns_ + 4) % 8);
        }
        // The DMRE sizes 26x40 and 26x48 push a few wrapped modules below the matrix; they continue at the top,
        // in the modules the walk leaves free there.
        if (row >= rows_) row -= rows_;
        cell(row, column) = codeword * 8 + bit;
    }

    // The standard "utah" shape: eight modules ending at (row, column).
    void utah(int row, int column, int codeword) {
        module(row - 2, column - 2, codeword, 0);
        module(row - 2, column - 1, codeword, 1);
        module(row - 1, column - 2, codeword, 2);
        module(row - 1, column - 1, codeword, 3);
        module(row - 1, column, codeword, 4);
        module(row, column - 2, codeword, 5);
        module(row, column - 1, codeword, 6);
        module(row, column, codeword, 7);
    }

    // Places the eight bits of `codeword` on the cells of a corner shape.
    void corner(const Corner& shape, int codeword) {
        for (int bit = 0; bit < 8; ++bit) {
            const auto [row, column] = shape[bit];
            module(row < 0 ? rows_ + row : row, column < 0 ? columns_ + column : column, codeword, bit);
        }
    }

    int rows_;
    int columns_;
    std::vector<std::int32_t> cells_;
    int codewords_ = 0;  // codewords the walk placed
};

}  // namespace

MatrixGeometry place_modules(std::span<const std::uint8_t> codewords, const SymbolSize& size) {
    const int region_rows = size.region_rows;
    const int region_columns = size.region_columns;
    const Placement placement(size.mapping_rows(), size.mapping_columns());
    // The walk places exactly the symbol's codewords, a whole number of them filling the mapping matrix but
    // for the fixed corner pattern of four modules.
    TAVLO_ASSERT(codewords.size() == std::size_t(size.total_codewords()));
    TAVLO_ASSERT(placement.codewords() == size.total_codewords());

    MatrixGeometry geometry;
    geometry.width = size.columns;
    geometry.height = size.rows;
    geometry.modules.assign(std::size_t(size.rows) * size.columns, 0);
    auto set = [&](int y, int x) { geometry.modules[std::size_t(y) * size.columns + x] = 1; };

    // Every region is framed by a solid left column and bottom row (the finder "L") and by an alternating top row
    // and right column (the timing pattern). Region sides are even, so the alternation runs on across regions.
    for (int y0 = 0; y0 < size.rows; y0 += region_rows + 2) {
        for (int x = 0; x < size.columns; x += 2) set(y0, x);
        for (int x = 0; x < size.columns; ++x) set(y0 + region_rows + 1, x);
    }
    for (int x0 = 0; x0 < size.columns; x0 += region_columns + 2) {
        for (int y = 0; y < size.rows; ++y) set(y, x0);
        for (int y = 1; y < size.rows; y += 2) set(y, x0 + region_columns + 1);
    }

    for (int row = 0; row < size.mapping_rows(); ++row) {
        const int y = row / region_rows * (region_rows + 2) + 1 + row % region_rows;
        for (int column = 0; column < size.mapping_columns(); ++column) {
            const std::int32_t source = placement.at(row, column);
            TAVLO_ASSERT(source != Placement::unset);
            const bool dark =
                source >= 0 ? (codewords[source >> 3] >> (7 - (source & 7))) & 1 : source == Placement::dark;
            if (dark) set(y, column / region_columns * (region_columns + 2) + 1 + column % region_columns);
        }
    }
    return geometry;
}

}  // namespace tavlo::datamatrix
