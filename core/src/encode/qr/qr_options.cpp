// QR Code with options: level, version, mask, boosting of the level, ECI and Structured Append. The
// segmentation is encode_qr's (greedy merging of runs), so that default options without boosting give the
// same symbol as the fixed encoder.
#include <array>
#include <string>
#include <vector>

#include "qr_blocks.hpp"
#include "qr_segments.hpp"
#include "qr_symbol.hpp"
#include "tavlo/encode_qr_family.hpp"

namespace tavlo {
namespace {

constexpr std::array<char, 4> level_names = {'L', 'M', 'Q', 'H'};
constexpr std::uint32_t max_eci = 999999;

// ISO/IEC 18004 8.3 and 7.4.2.2: Structured Append header (mode 0011, index, count - 1, parity), then the ECI
// designator (mode 0111, one, two or three bytes by the assignment number's size).
Result<std::vector<qr::Prefix>> prefixes_of(const QrOptions& options) {
    std::vector<qr::Prefix> out;
    if (const auto& sa = options.structured_append) {
        if (sa->count < 2 || sa->count > 16 || sa->index >= sa->count)
            return std::unexpected(TavloError::encoding(
                "structured_append needs 2 to 16 symbols and an index below their count"));
        out.push_back({0b0011, 4});
        out.push_back({sa->index << 4 | (sa->count - 1), 8});
        out.push_back({sa->parity, 8});
    }
    if (const auto eci = options.eci) {
        if (*eci > max_eci) return std::unexpected(TavloError::encoding("eci must be in 0 to 999999"));
        out.push_back({0b0111, 4});
        if (*eci < 128)
            out.push_back({*eci, 8});
        else if (*eci < 16384)
            out.push_back({0b10u << 14 | *eci, 16});
        else
            out.push_back({0b110u << 21 | *eci, 24});
    }
    return out;
}

}  // namespace

Result<MatrixGeometry> encode_qr(std::string_view payload, const QrOptions& options) {
    if (options.version && (*options.version < 1 || *options.version > 40))
        return std::unexpected(TavloError::encoding("version must be in 1 to 40"));
    if (options.mask && (*options.mask < 0 || *options.mask > 7))
        return std::unexpected(TavloError::encoding("mask must be in 0 to 7"));
    const auto prefixes = prefixes_of(options);
    if (!prefixes) return std::unexpected(prefixes.error());
    std::uint32_t prefix_bits = 0;
    for (const auto& p : *prefixes) prefix_bits += p.count;

    // 7089 digits fill version 40 at level L; no longer payload fits.
    constexpr std::size_t max_payload = 7089;
    const auto runs = payload.size() <= max_payload ? qr::runs(payload) : std::vector<qr::Segment>{};
    const int first = options.version.value_or(1), last = options.version.value_or(40);
    for (int version = first; payload.size() <= max_payload && version <= last; ++version) {
        const qr::Dialect dialect = qr::qr_dialect(version);
        const auto segments = qr::merge(runs, dialect);
        const std::uint32_t bits = prefix_bits + qr::stream_bits(segments, dialect);
        QrLevel level = options.level;
        if (bits > qr::qr_layout(version, level).data() * 8) continue;
        if (options.boost_error)
            while (level != QrLevel::H && bits <= qr::qr_layout(version, QrLevel(unsigned(level) + 1)).data() * 8)
                level = QrLevel(unsigned(level) + 1);
        const qr::BlockLayout layout = qr::qr_layout(version, level);
        const auto data = qr::data_codewords(payload, segments, dialect, layout.data() * 8, *prefixes);
        const auto mask = options.mask ? std::optional<unsigned>(unsigned(*options.mask)) : std::nullopt;
        return qr::draw_symbol(version, qr::add_error_correction(data, layout), level, mask);
    }
    if (options.version)
        return std::unexpected(TavloError::encoding("data too long for version " + std::to_string(*options.version) +
                                                    " at level " + level_names[unsigned(options.level)]));
    return std::unexpected(TavloError::encoding(std::string("data too long for level ") +
                                                level_names[unsigned(options.level)]));
}

}  // namespace tavlo
