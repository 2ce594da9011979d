// The CRC-32 that ends every PNG chunk (ISO 3309, as zlib's crc32 computes it).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavlo::png {

// The CRC-32 of `size` bytes from `data`.
std::uint32_t chunk_crc(const std::uint8_t* data, std::size_t size);

}  // namespace tavlo::png
