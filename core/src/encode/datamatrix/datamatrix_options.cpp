// Data Matrix with the package's choices: the candidate sizes from the shape, DMRE and a fixed size, and the
// codewords that come before the data (structured append, then an ECI designator).
#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <vector>

#include "datamatrix_encodation.hpp"
#include "datamatrix_lead.hpp"
#include "datamatrix_placement.hpp"
#include "datamatrix_reed_solomon.hpp"
#include "datamatrix_schemes.hpp"
#include "tavlo/datamatrix.hpp"

namespace tavlo {
namespace {

using datamatrix::SymbolSize;

// The rectangles of ISO/IEC 16022 Table 7; every other rectangle of the table of sizes is one of the DMRE
// rectangles of ISO/IEC 21471, which many scanners and most GS1 applications do not read.
constexpr std::array<std::array<std::uint16_t, 2>, 6> iso_rectangles{{{8, 18}, {8, 32}, {12, 26}, {12, 36}, {16, 36}, {16, 48}}};

bool is_dmre(const SymbolSize& size) {
    return !size.square() && std::ranges::find(iso_rectangles, std::array{size.rows, size.columns}) ==
                                 iso_rectangles.end();
}

bool shape_allows(DataMatrixShape shape, bool dmre, const SymbolSize& size) {
    if (size.square()) return shape != DataMatrixShape::Rectangular;
    return shape != DataMatrixShape::Square && (dmre || !is_dmre(size));
}

std::string size_name(std::uint32_t rows, std::uint32_t columns) {
    return std::to_string(rows) + "x" + std::to_string(columns);
}

std::string_view shape_name(DataMatrixShape shape) {
    switch (shape) {
        case DataMatrixShape::Square: return "square";
        case DataMatrixShape::Rectangular: return "rectangle";
        case DataMatrixShape::Any: break;
    }
    return "any";
}

// The candidate sizes in order of capacity, or why the options allow none.
Result<std::vector<SymbolSize>> candidate_sizes(const DataMatrixOptions& options) {
    if (options.dmre && options.shape == DataMatrixShape::Square) {
        return std::unexpected(TavloError::encoding(
            "dmre=True adds the DMRE rectangles: give shape='rectangle' (or 'any') with it, not shape='square'"));
    }
    std::vector<SymbolSize> sizes;
    if (const auto& fixed = options.size) {
        const auto found = std::ranges::find_if(datamatrix::symbol_sizes, [&](const SymbolSize& size) {
            return size.rows == fixed->rows && size.columns == fixed->columns;
        });
        const std::string name = size_name(fixed->rows, fixed->columns);
        if (found == datamatrix::symbol_sizes.end()) {
            return std::unexpected(TavloError::encoding("option 'size': " + name + " is not a Data Matrix size"));
        }
        if (is_dmre(*found) && !options.dmre) {
            return std::unexpected(TavloError::encoding("option 'size': " + name +
                                                        " is a DMRE rectangle (ISO/IEC 21471): give dmre=True with it"));
        }
        if (!found->square() && options.shape == DataMatrixShape::Square) {
            return std::unexpected(
                TavloError::encoding("option 'size': " + name + " is a rectangle, not of shape 'square'"));
        }
        if (found->square() && options.shape == DataMatrixShape::Rectangular) {
            return std::unexpected(
                TavloError::encoding("option 'size': " + name + " is a square, not of shape 'rectangle'"));
        }
        sizes.push_back(*found);
        return sizes;
    }
    for (const SymbolSize& size : datamatrix::symbol_sizes) {
        if (shape_allows(options.shape, options.dmre, size)) sizes.push_back(size);
    }
    return sizes;
}

// Structured append (ISO/IEC 16022 5.6.2): the symbol's position in the high nibble from 0, 17 minus the count in
// the low one, then the file identification as two codewords from 1 to 254.
constexpr std::uint32_t max_symbols = 16;
constexpr std::uint32_t file_id_codeword_values = 254;
constexpr std::uint32_t max_file_id = file_id_codeword_values * file_id_codeword_values - 1;

// ECI designators (ISO/IEC 16022 5.4.1): 0-126 in one codeword, 127-16382 in two, 16383-999999 in three, each
// after 1 so that none is a pad.
constexpr std::uint32_t max_eci = 999999;

void append_eci(std::vector<std::uint8_t>& lead, std::uint32_t eci) {
    lead.push_back(datamatrix::eci);
    if (eci < 127) {
        lead.push_back(std::uint8_t(eci + 1));
    } else if (eci < 16383) {
        lead.push_back(std::uint8_t((eci - 127) / 254 + 128));
        lead.push_back(std::uint8_t((eci - 127) % 254 + 1));
    } else {
        lead.push_back(std::uint8_t((eci - 16383) / 64516 + 192));
        lead.push_back(std::uint8_t((eci - 16383) / 254 % 254 + 1));
        lead.push_back(std::uint8_t((eci - 16383) % 254 + 1));
    }
}

}  // namespace

namespace datamatrix {

Result<std::vector<std::uint8_t>> lead_codewords(const DataMatrixOptions& options) {
    std::vector<std::uint8_t> lead;
    if (const auto& append = options.structured_append) {
        if (options.gs1) return std::unexpected(TavloError::encoding("GS1 Data Matrix takes no structured append"));
        if (append->count < 2 || append->count > max_symbols || append->index < 1 || append->index > append->count ||
            append->file_id > max_file_id) {
            return std::unexpected(TavloError::encoding(
                "option 'structured_append': expected (index, count, file_id) with count from 2 to 16, index from "
                "1 to count and file_id from 0 to " + std::to_string(max_file_id) + ", not (" +
                std::to_string(append->index) + ", " + std::to_string(append->count) + ", " +
                std::to_string(append->file_id) + ")"));
        }
        lead.push_back(structured_append);
        lead.push_back(std::uint8_t((append->index - 1) << 4 | (17 - append->count)));
        lead.push_back(std::uint8_t(append->file_id / file_id_codeword_values + 1));
        lead.push_back(std::uint8_t(append->file_id % file_id_codeword_values + 1));
    }
    if (options.gs1) lead.push_back(fnc1);
    if (const auto eci = options.eci) {
        if (options.gs1) return std::unexpected(TavloError::encoding("GS1 Data Matrix takes no ECI"));
        if (*eci > max_eci) {
            return std::unexpected(TavloError::encoding("option 'eci' must be from 0 to 999999, not " +
                                                        std::to_string(*eci)));
        }
        append_eci(lead, *eci);
    }
    return lead;
}

}  // namespace datamatrix

Result<MatrixGeometry> encode_datamatrix(std::span<const std::uint8_t> data, const DataMatrixOptions& options) {
    const auto sizes = candidate_sizes(options);
    if (!sizes) return std::unexpected(sizes.error());
    const auto lead = datamatrix::lead_codewords(options);
    if (!lead) return std::unexpected(lead.error());
    auto encodation = datamatrix::encode_data_codewords_after(*lead, data, *sizes);
    if (!encodation) {
        const SymbolSize& largest = sizes->back();
        const std::string name = size_name(largest.rows, largest.columns);
        return std::unexpected(TavloError::encoding(
            options.size ? "the data does not fit a " + name + " Data Matrix (" +
                               std::to_string(largest.data_codewords) + " data codewords)"
                         : "the data does not fit the largest Data Matrix of shape '" +
                               std::string(shape_name(options.shape)) + "' (" + name + ", " +
                               std::to_string(largest.data_codewords) + " data codewords)"));
    }
    datamatrix::append_error_correction(encodation->codewords, encodation->size);
    return datamatrix::place_modules(encodation->codewords, encodation->size);
}

Result<DataMatrixSize> parse_datamatrix_size(std::string_view text) {
    DataMatrixSize size{};
    const auto by = text.find('x');
    const auto read = [](std::string_view part, std::uint32_t& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return !part.empty() && error == std::errc() && end == part.data() + part.size();
    };
    if (by == std::string_view::npos || !read(text.substr(0, by), size.rows) ||
        !read(text.substr(by + 1), size.columns)) {
        return std::unexpected(TavloError::encoding("option 'size' must be rows x columns such as '32x32' or "
                                                    "'8x18', not '" + std::string(text) + "'"));
    }
    return size;
}

}  // namespace tavlo
