// A matrix symbol's rows painted from its modules must be the rows of the bands matrix_bands makes, each painted
// from its spans, with the same times: the PNG of a label without text is written from them, and a row that
// differs, or two bands given as one, changes its bytes. Compared over seeded symbols of every width around the
// 64-module words, modules of any non-zero value for dark, many placements (the symbol against either edge of
// the image, image widths that end a word exactly) and both pixel formats.
#include <cstdint>
#include <cstdio>
#include <random>
#include <span>
#include <vector>

#include "check.hpp"
#include "write/band_list.hpp"
#include "write/band_sweep.hpp"
#include "write/bit_row.hpp"
#include "write/matrix_bands.hpp"

using namespace tavlo;

namespace {

struct Row {
    std::vector<std::uint8_t> scanline;
    std::uint64_t times;
    friend bool operator==(const Row&, const Row&) = default;
};

struct Rows final : png::RowSink {
    std::vector<Row> rows;
    void row(std::span<const std::uint8_t> scanline, std::uint64_t times) override {
        rows.push_back({{scanline.begin(), scanline.end()}, times});
    }
};

// The rows as the bands give them: each band painted from its spans, a band of no rows left out.
std::vector<Row> rows_of_bands(const MatrixGeometry& matrix, const png::MatrixPlacement& placement,
                               std::uint32_t width, bool dark_bit) {
    label::BandList bands;
    png::SweepScratch scratch;
    png::matrix_bands(matrix, placement, bands, scratch);
    std::vector<Row> rows;
    for (const png::Band& band : bands.bands()) {
        if (band.rows == 0) continue;
        std::vector<std::uint8_t> scanline(1 + png::bit_row_bytes(width), 0);
        png::paint_row(band.dark, width, dark_bit, scanline.data() + 1);
        rows.push_back({scanline, band.rows});
    }
    return rows;
}

}  // namespace

int main() {
    std::mt19937 rng(20261208);
    png::MatrixRowScratch scratch;  // kept across symbols, as a thread keeps it
    for (int round = 0; round < 4000; ++round) {
        MatrixGeometry matrix;
        matrix.width = std::uniform_int_distribution<std::uint32_t>(1, 200)(rng);
        matrix.height = std::uniform_int_distribution<std::uint32_t>(1, 24)(rng);
        // Rows repeat (as PDF417's do), are all light, or are random with dark as any non-zero byte.
        const double dark_share = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        std::bernoulli_distribution dark(dark_share), repeat(0.4), light(0.1);
        std::uniform_int_distribution<int> value(1, 255);
        for (std::uint32_t r = 0; r < matrix.height; ++r) {
            const std::size_t at = matrix.modules.size();
            if (r > 0 && repeat(rng)) {
                for (std::uint32_t c = 0; c < matrix.width; ++c)
                    matrix.modules.push_back(matrix.modules[at - matrix.width + c] ? value(rng) : 0);
                continue;
            }
            const bool blank = light(rng);
            for (std::uint32_t c = 0; c < matrix.width; ++c)
                matrix.modules.push_back(!blank && dark(rng) ? static_cast<std::uint8_t>(value(rng)) : 0);
        }
        const std::uint32_t x = std::uniform_int_distribution<std::uint32_t>(1, 9)(rng);
        const std::uint32_t left = round % 4 == 0 ? 0 : std::uniform_int_distribution<std::uint32_t>(0, 70)(rng);
        std::uint32_t right = std::uniform_int_distribution<std::uint32_t>(0, 70)(rng);
        if (round % 4 == 1) right = 0;
        std::uint32_t width = left + matrix.width * x + right;
        if (round % 4 == 2) width = (width + 63) / 64 * 64;  // the row ends a word exactly
        const std::uint32_t top = round % 3 == 0 ? 0 : std::uniform_int_distribution<std::uint32_t>(0, 30)(rng);
        const std::uint32_t below = round % 3 == 1 ? 0 : std::uniform_int_distribution<std::uint32_t>(0, 30)(rng);
        const png::MatrixPlacement placement{x, left, top, top + matrix.height * x + below};
        const bool dark_bit = round % 2 == 0;

        Rows painted;
        png::paint_matrix_rows(matrix, placement, width, dark_bit, painted, scratch);
        const bool same = painted.rows == rows_of_bands(matrix, placement, width, dark_bit);
        if (!same) {
            std::printf("%u x %u modules of %u dots at (%u, %u) in %u x %u, dark bit %d\n", matrix.width, matrix.height,
                        x, left, top, width, placement.height, dark_bit);
        }
        CHECK(same);
    }
    return tavlo::test::failures();
}
