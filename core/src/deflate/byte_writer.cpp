#include "byte_writer.hpp"

#include <algorithm>
#include <cstring>

namespace tavlo::deflate {

void ByteWriter::run(std::uint8_t byte, std::uint64_t count) {
    std::memset(at_, byte, count);
    at_ += count;
}

void ByteWriter::pattern(std::uint32_t unit, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        for (int shift = 0; shift < 32; shift += 8) *at_++ = static_cast<std::uint8_t>(unit >> shift);
    }
}

void ByteWriter::row(std::span<const std::uint8_t> data, std::uint64_t times) {
    for (std::uint64_t i = 0; i < times; ++i, at_ += data.size()) std::memcpy(at_, data.data(), data.size());
}

void ByteWriter::begin_repeat(std::uint64_t times, std::uint64_t) {
    TAVLO_ASSERT(depth_ < max_nesting);
    repeats_[depth_++] = {at_, times};
}

void ByteWriter::end_repeat() {
    const Repeat& r = repeats_[--depth_];
    const auto size = static_cast<std::size_t>(at_ - r.start);
    for (std::uint64_t i = 1; i < r.times; ++i, at_ += size) std::memcpy(at_, r.start, size);
}

}  // namespace tavlo::deflate
