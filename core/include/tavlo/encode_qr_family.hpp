// The QR family with its options: QR Code (ISO/IEC 18004), Micro QR Code (ISO/IEC 18004, M1 to M4) and
// rMQR (ISO/IEC 23941). Payloads are bytes, written in numeric, alphanumeric and byte modes, planned for the
// fewest bits. `encode_qr(payload)` in encode.hpp stays the fixed level-M QR Code of the binding.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo {

// Error correction levels, recovering about 7, 15, 25 and 30 % of the codewords.
enum class QrLevel : std::uint8_t { L, M, Q, H };

// Structured Append (ISO/IEC 18004 8.3): symbol `index` of `count`, every symbol carrying the same parity,
// the XOR of all the bytes of the whole message.
struct QrStructuredAppend {
    unsigned index;   // in [0, 15], below count
    unsigned count;   // in [2, 16]
    std::uint8_t parity;
};

struct QrOptions {
    QrLevel level = QrLevel::M;
    std::optional<int> version;  // in [1, 40]; none: the smallest that holds the data at `level`
    std::optional<int> mask;     // in [0, 7]; none: the lowest penalty
    // Raise the level to the highest one whose capacity still holds the data in the same version.
    bool boost_error = true;
    std::optional<std::uint32_t> eci;  // ECI assignment number, in [0, 999999], written first
    std::optional<QrStructuredAppend> structured_append;
};

// QR Code model 2 with options; the segmentation is the one encode_qr(payload) uses.
Result<MatrixGeometry> encode_qr(std::string_view payload, const QrOptions& options);

struct MicroQrOptions {
    std::optional<int> version;    // 1 to 4 for M1 to M4; none: the smallest that holds the data at `level`
    QrLevel level = QrLevel::L;    // M1 has error detection only (L); M2 and M3 take L and M; M4 L, M and Q
    std::optional<int> mask;       // in [0, 3]; none: the highest score of ISO/IEC 18004 7.8.3.2
};

Result<MatrixGeometry> encode_micro_qr(std::string_view payload, const MicroQrOptions& options);

struct RmqrOptions {
    QrLevel level = QrLevel::M;  // M or H
    // Either none (the smallest area that holds the data), a height (7, 9, 11, 13, 15 or 17 modules, the
    // narrowest width of that height), or a size (height and width of one of the 32 sizes R7x43 to R17x139).
    std::optional<int> height;
    std::optional<int> width;
};

Result<MatrixGeometry> encode_rmqr(std::string_view payload, const RmqrOptions& options);

}  // namespace tavlo
