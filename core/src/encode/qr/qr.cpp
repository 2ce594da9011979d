#include "qr.hpp"

#include "qr_blocks.hpp"
#include "qr_segments.hpp"
#include "qr_symbol.hpp"
#include "tavlo/encode.hpp"

namespace tavlo {

Result<MatrixGeometry> qr::encode_payload(std::string_view payload, bool fnc1_first) {
    // Numeric mode is the densest at 3 1/3 bits a byte: 5596 digits fill version 40 at level M, so no longer
    // payload can fit whatever its segmentation.
    constexpr std::size_t max_payload = 5596;
    if (payload.size() <= max_payload) {
        const auto runs = qr::runs(payload, fnc1_first);
        // ISO/IEC 18004 Table 2: the FNC1-in-first-position mode indicator opens a GS1 symbol.
        const qr::Prefix prefix[] = {{0b0101, 4}};
        const std::uint32_t prefix_bits = fnc1_first ? prefix[0].count : 0;
        // Each group of versions shares its character-count widths, so each has its own segmentation.
        for (int last : {9, 26, 40}) {
            const qr::Dialect dialect = qr::qr_dialect(last);
            const auto segments = qr::merge(runs, dialect);
            const std::uint32_t bits = prefix_bits + qr::stream_bits(segments, dialect);
            if (bits > qr::data_capacity(last) * 8) continue;
            int version = 1;
            while (qr::data_capacity(version) * 8 < bits) ++version;
            const auto data = qr::data_codewords(payload, segments, dialect, qr::data_capacity(version) * 8,
                                                 std::span(prefix, prefix_bits ? 1 : 0));
            return qr::draw_symbol(version, qr::add_error_correction(data, version));
        }
    }
    return std::unexpected(TavloError::encoding("data too long"));
}

Result<MatrixGeometry> encode_qr(std::string_view payload) { return qr::encode_payload(payload, false); }

}  // namespace tavlo
