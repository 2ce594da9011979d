// The sink that writes a description of data as runs out as the bytes themselves, for stored blocks.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "tokens.hpp"

namespace tavlo::deflate {

// The bytes themselves, for a stored block.
class ByteWriter {
public:
    explicit ByteWriter(std::uint8_t* at) : at_(at) {}
    void run(std::uint8_t byte, std::uint64_t count);
    void pattern(std::uint32_t unit, std::uint64_t count);
    void row(std::span<const std::uint8_t> data, std::uint64_t times);
    void begin_repeat(std::uint64_t times, std::uint64_t bytes);
    void end_repeat();

private:
    struct Repeat {
        std::uint8_t* start;
        std::uint64_t times;
    };
    std::uint8_t* at_;
    std::array<Repeat, max_nesting> repeats_;
    unsigned depth_ = 0;
};

}  // namespace tavlo::deflate
