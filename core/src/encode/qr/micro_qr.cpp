// Micro QR Code: M1 to M4, levels L, M and Q where the version has them, the fewest-bit segmentation.
#include <array>
#include <string>
#include <vector>

#include "micro_qr_symbol.hpp"
#include "qr_blocks.hpp"
#include "qr_segments.hpp"
#include "tavlo/encode_qr_family.hpp"

namespace tavlo {
namespace {

// One row of ISO/IEC 18004 Table 9 for Micro QR, in symbol-number order (Table 13): the data capacity in
// bits (M1 and M3 end on a four-bit codeword) and the check codewords of the single block.
struct MicroSymbol {
    int version;
    QrLevel level;
    unsigned data_bits;
    unsigned check_codewords;
};
constexpr std::array<MicroSymbol, 8> symbols = {{
    {1, QrLevel::L, 20, 2},   // M1: error detection only
    {2, QrLevel::L, 40, 5},
    {2, QrLevel::M, 32, 6},
    {3, QrLevel::L, 84, 6},
    {3, QrLevel::M, 68, 8},
    {4, QrLevel::L, 128, 8},
    {4, QrLevel::M, 112, 10},
    {4, QrLevel::Q, 80, 14},
}};

// ISO/IEC 18004 Tables 2 and 3 for M1 to M4: mode indicators of 0 to 3 bits, character counts by mode (M1
// numeric only, M2 no byte mode), terminators of 3, 5, 7 and 9 zero bits.
constexpr qr::Dialect dialect_of(int version) {
    switch (version) {
    case 1: return {0, {0, 0, 0}, {3, 0, 0}, 3};
    case 2: return {1, {0, 1, 0}, {4, 3, 0}, 5};
    case 3: return {2, {0, 1, 2}, {5, 4, 4}, 7};
    default: return {3, {0, 1, 2}, {6, 5, 5}, 9};
    }
}

constexpr std::array<char, 4> level_names = {'L', 'M', 'Q', 'H'};

std::optional<unsigned> symbol_number(int version, QrLevel level) {
    for (unsigned s = 0; s < symbols.size(); ++s)
        if (symbols[s].version == version && symbols[s].level == level) return s;
    return std::nullopt;
}

std::string name_of(int version, QrLevel level) {
    return "M" + std::to_string(version) + (version == 1 ? std::string() : std::string("-") + level_names[unsigned(level)]);
}

// Data codewords (the last one of M1 and M3 in its high four bits) and their check codewords as one bit
// stream, the half codeword taking four bits.
MatrixGeometry finish(const MicroSymbol& symbol, unsigned number, std::vector<std::uint8_t> data,
                      std::optional<unsigned> mask) {
    std::vector<std::uint8_t> check(symbol.check_codewords);
    const reed_solomon::Encoder& code = qr::block_code(symbol.check_codewords);
    code.remainder(data.data(), data.size(), 1, check.data(), 1);
    const std::size_t bit_count = symbol.data_bits + 8 * check.size();
    if (symbol.data_bits % 8 == 0) {  // whole codewords: the stream is the bytes themselves
        data.insert(data.end(), check.begin(), check.end());
        return micro_qr::draw_symbol(symbol.version, data, bit_count, number, mask);
    }
    // M1 and M3: the check codewords follow the half codeword, four bits off their byte boundaries.
    std::vector<std::uint8_t> bits(data.begin(), data.end());
    bits.back() &= 0xF0;
    for (const std::uint8_t c : check) {
        bits.back() |= std::uint8_t(c >> 4);
        bits.push_back(std::uint8_t(c << 4));
    }
    return micro_qr::draw_symbol(symbol.version, bits, bit_count, number, mask);
}

}  // namespace

Result<MatrixGeometry> encode_micro_qr(std::string_view payload, const MicroQrOptions& options) {
    if (options.version && (*options.version < 1 || *options.version > 4))
        return std::unexpected(TavloError::encoding("version must be M1 to M4 (1 to 4)"));
    if (options.mask && (*options.mask < 0 || *options.mask > 3))
        return std::unexpected(TavloError::encoding("mask must be in 0 to 3 for Micro QR"));
    if (options.level == QrLevel::H)
        return std::unexpected(TavloError::encoding("error_correction H is not available in Micro QR"));
    if (options.version && !symbol_number(*options.version, options.level))
        return std::unexpected(TavloError::encoding(std::string("error_correction ") +
                                                    level_names[unsigned(options.level)] + " is not available in M" +
                                                    std::to_string(*options.version)));
    // 35 digits fill M4-L; no longer payload fits.
    constexpr std::size_t max_payload = 35;
    const int first = options.version.value_or(1), last = options.version.value_or(4);
    bool representable = false;
    // Without a fixed version, one too small for any segmentation is passed over unplanned ("01234567" is
    // planned for M2 alone); with one, the plan tells which refusal applies.
    const std::uint32_t least_data = options.version ? 0 : qr::fewest_data_bits(payload);
    for (int version = first; payload.size() <= max_payload && version <= last; ++version) {
        const auto number = symbol_number(version, options.level);
        if (!number) continue;
        const MicroSymbol& symbol = symbols[*number];
        const qr::Dialect dialect = dialect_of(version);
        if (!options.version && least_data + qr::least_header_bits(dialect) > symbol.data_bits) continue;
        const auto segments = qr::shortest(payload, dialect);
        if (!segments) continue;
        representable = true;
        if (qr::stream_bits(*segments, dialect) > symbol.data_bits) continue;
        auto data = qr::data_codewords(payload, *segments, dialect, symbol.data_bits);
        const auto mask = options.mask ? std::optional<unsigned>(unsigned(*options.mask)) : std::nullopt;
        return finish(symbol, *number, std::move(data), mask);
    }
    if (options.version && *options.version <= 2 && !representable && payload.size() <= max_payload)
        return std::unexpected(TavloError::encoding(
            *options.version == 1 ? "M1 holds digits only" : "M2 holds digits and upper-case alphanumerics only"));
    if (options.version)
        return std::unexpected(TavloError::encoding("data too long for " + name_of(*options.version, options.level)));
    return std::unexpected(TavloError::encoding(std::string("data too long for Micro QR at level ") +
                                                level_names[unsigned(options.level)]));
}

}  // namespace tavlo
