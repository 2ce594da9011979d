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
        // Each group of versions shares its character-count widths, so each has its own segmentation.
        for (int last : {9, 26, 40}) {
            const auto segments = qr::merge(runs, last);
            const std::uint32_t bits = qr::stream_bits(segments, last, fnc1_first);
            if (bits > qr::data_capacity(last) * 8) continue;
            int version = 1;
            while (qr::data_capacity(version) * 8 < bits) ++version;
            const auto data = qr::data_codewords(payload, segments, version, qr::data_capacity(version), fnc1_first);
            return qr::draw_symbol(version, qr::add_error_correction(data, version));
        }
    }
    return std::unexpected(TavloError::encoding("data too long"));
}

Result<MatrixGeometry> encode_qr(std::string_view payload) { return qr::encode_payload(payload, false); }

}  // namespace tavlo
