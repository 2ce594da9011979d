#include "code128_planner.hpp"
#include "code128_table.hpp"
#include "tavlo/encode.hpp"

namespace tavlo {

Result<LinearGeometry> encode_code128(std::span<const Code128Symbol> symbols) {
    auto selector = code128::plan(symbols);
    if (!selector) return std::unexpected(selector.error());
    auto modules = code128::table_modules(*selector);
    if (!modules) return std::unexpected(TavloError::encoding(modules.error()));
    return bars_from_modules(*modules);
}

}  // namespace tavlo
