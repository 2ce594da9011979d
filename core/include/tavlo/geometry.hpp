// The geometry records that encoders produce and renderers draw. Always in whole modules, never with a
// quiet zone.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavlo {

// One dark bar of a linear symbol.
struct Bar {
    std::uint32_t x;      // first module of the bar, 0 = first module of the symbol
    std::uint32_t width;  // modules covered, at least 1
};

// A one-dimensional symbol: maximal dark runs, strictly increasing x, never touching.
struct LinearGeometry {
    std::vector<Bar> bars;
    std::uint32_t total_modules = 0;  // symbol width in modules; every bar ends at or before it
};

// A two-dimensional symbol, complete with its function patterns.
struct MatrixGeometry {
    std::uint32_t width = 0;            // module columns
    std::uint32_t height = 0;           // module rows
    std::vector<std::uint8_t> modules;  // height * width entries, row-major from the top; 1 = dark, 0 = light

    bool dark(std::uint32_t row, std::uint32_t column) const { return modules[std::size_t(row) * width + column] != 0; }
};

// One entry per module, left to right: 1 dark, 0 light.
using ModuleSequence = std::vector<std::uint8_t>;

// Run-length step shared by every linear encoder. Cannot fail.
LinearGeometry bars_from_modules(std::span<const std::uint8_t> modules);

}  // namespace tavlo
