// Eight bytes as one number, the first byte in the lowest eight bits, whatever the machine's byte order: the
// form in which deflate's bit stream, 1-bit rows and byte comparisons are handled a word at a time.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace tavlo {

inline std::uint64_t load_le64(const std::uint8_t* at) {
    std::uint64_t value;
    std::memcpy(&value, at, sizeof value);
    if constexpr (std::endian::native == std::endian::big) value = std::byteswap(value);
    return value;
}

inline void store_le64(std::uint8_t* at, std::uint64_t value) {
    if constexpr (std::endian::native == std::endian::big) value = std::byteswap(value);
    std::memcpy(at, &value, sizeof value);
}

}  // namespace tavlo
