#include "code128_kinds.hpp"

#include <charconv>
#include <vector>

#include "../shared/kind_options.hpp"
#include "tavlo/encode.hpp"
#include "tavlo/gs1_linear.hpp"

namespace tavlo {
namespace {

using K = Code128Symbol::Kind;

Result<std::vector<Code128Symbol>> element_records(std::string_view records) {
    std::vector<Code128Symbol> symbols;
    const auto malformed = [] { return std::unexpected(TavloError::encoding("malformed Code 128 element list")); };
    while (!records.empty()) {
        const char tag = records.front();
        records.remove_prefix(1);
        switch (tag) {
        case '1': symbols.push_back({K::FNC1, {}}); break;
        case '2': symbols.push_back({K::FNC2, {}}); break;
        case '3': symbols.push_back({K::FNC3, {}}); break;
        case '4': symbols.push_back({K::FNC4, {}}); break;
        case 'A': symbols.push_back({K::StartA, {}}); break;
        case 'B': symbols.push_back({K::StartB, {}}); break;
        case 'C': symbols.push_back({K::StartC, {}}); break;
        case 'D': {
            std::size_t length = 0;
            const auto [end, error] = std::from_chars(records.data(), records.data() + records.size(), length);
            const std::size_t digits = std::size_t(end - records.data());
            if (error != std::errc() || digits >= records.size() || records[digits] != ':' ||
                records.size() - digits - 1 < length) {
                return malformed();
            }
            symbols.push_back({K::Data, std::string(records.substr(digits + 1, length))});
            records.remove_prefix(digits + 1 + length);
            break;
        }
        default: return malformed();
        }
    }
    return symbols;
}

}  // namespace

Result<Encoded> encode_code128_kind(std::string_view data, KindOptions options) {
    const auto elements = kind_options::boolean(options, "elements", false);
    if (!elements) return std::unexpected(elements.error());
    if (!*elements) {
        const Code128Symbol symbol{K::Data, std::string(data)};
        auto bars = encode_code128(std::span(&symbol, 1));
        if (!bars) return std::unexpected(bars.error());
        return Encoded{std::move(*bars), std::string(data)};
    }
    auto symbols = element_records(data);
    if (!symbols) return std::unexpected(symbols.error());
    auto bars = encode_code128(*symbols);
    if (!bars) return std::unexpected(bars.error());
    // The printed line is the data; function and start elements print nothing.
    std::string line;
    for (const Code128Symbol& symbol : *symbols) line += symbol.data;
    return Encoded{std::move(*bars), std::move(line)};
}

Result<Encoded> encode_gs1_128_kind(std::string_view data, KindOptions options) {
    const auto complete = kind_options::boolean(options, "compute_check_digits", false);
    if (!complete) return std::unexpected(complete.error());
    auto elements = gs1_128_elements(data, *complete);
    if (!elements) return std::unexpected(elements.error());
    auto bars = encode_code128(elements->symbols);
    if (!bars) return std::unexpected(bars.error());
    return Encoded{std::move(*bars), std::move(elements->human_readable)};
}

}  // namespace tavlo
