#include "datamatrix_encodation.hpp"

#include <algorithm>
#include <cstddef>

#include "../../assert.hpp"
#include "datamatrix_exact_plan.hpp"
#include "datamatrix_preferred_plan.hpp"
#include "datamatrix_schemes.hpp"

namespace tavlo::datamatrix {
namespace {

// The fewest codewords any encodation of `data` could take, in twelfths of a codeword: a digit takes at least half
// a codeword (an ASCII digit pair), any other byte below 128 two thirds (a value of a C40, Text or X12 triple), a
// byte above one (Base 256). Scheme changes, lengths and unfinished groups only add to it.
int density_bound_twelfths(std::span<const std::uint8_t> data) {
    int twelfths = 0;
    for (std::uint8_t b : data) twelfths += is_digit(b) ? 6 : b < 128 ? 8 : 12;
    return twelfths;
}

// Plain ASCII with digits in pairs, when it meets the density bound. Any plan that changes scheme pays a whole
// codeword for its latch beyond the bound, so none is as short; and the preferred plan, which takes a digit pair
// whenever it stays in ASCII, is this one. Long numeric payloads are planned here in one pass over the data.
std::optional<Route> plain_ascii_at_bound(std::span<const std::uint8_t> data, int start, int bound) {
    const int ascii = ascii_cost(data, 0);
    if (start + ascii > bound) return std::nullopt;
    Route route{{}, {start + ascii, Ending::Plain, Scheme::Ascii, data.size()}};
    route.steps.reserve(data.size());
    for (std::size_t i = 0; i < data.size();) {
        const std::uint8_t taken = i + 1 < data.size() && is_digit(data[i]) && is_digit(data[i + 1]) ? 2 : 1;
        route.steps.push_back({std::uint32_t(i), Scheme::Ascii, taken});
        i += taken;
    }
    return route;
}

// The route's codewords, then the pads up to the size's capacity.
Encodation padded(std::span<const std::uint8_t> data, const Route& route, const SymbolSize& size,
                  std::vector<std::uint8_t>& out) {
    const int capacity = size.data_codewords;
    write_route(data, route, capacity, out);
    if (out.size() < std::size_t(capacity)) out.push_back(pad_codeword);
    for (std::size_t k = out.size(); k < std::size_t(capacity); ++k) out.push_back(randomise_253(k + 1));
    TAVLO_ASSERT(out.size() == std::size_t(capacity));
    return Encodation{std::move(out), size};
}

}  // namespace

std::optional<Encodation> encode_data_codewords(std::span<const std::uint8_t> payload, bool gs1,
                                                std::span<const SymbolSize> sizes) {
    static constexpr std::uint8_t gs1_lead[] = {fnc1};
    return encode_data_codewords_after(std::span(gs1_lead).first(gs1 ? 1 : 0), payload, sizes);
}

std::optional<Encodation> encode_data_codewords_after(std::span<const std::uint8_t> lead,
                                                      std::span<const std::uint8_t> payload,
                                                      std::span<const SymbolSize> sizes) {
    std::vector<std::uint8_t> out;
    out.reserve(max_data_codewords);
    out.assign(lead.begin(), lead.end());
    const bool macro_allowed = std::ranges::all_of(lead, [](std::uint8_t codeword) { return codeword == fnc1; });

    // Macro 05/06: header "[)>" RS "05"/"06" GS and trailer RS EOT, both implied by the one codeword.
    static constexpr std::uint8_t header[] = {'[', ')', '>', 0x1E, '0', '5', 0x1D};
    if (macro_allowed && payload.size() >= 9 && std::equal(header, header + 4, payload.begin()) && payload[4] == '0' &&
        (payload[5] == '5' || payload[5] == '6') && payload[6] == 0x1D && payload[payload.size() - 2] == 0x1E &&
        payload.back() == 0x04) {
        out.push_back(payload[5] == '5' ? macro05 : macro06);
        payload = payload.subspan(7, payload.size() - 9);
    }

    // Two digits per codeword is the densest any scheme gets.
    int largest = 0;
    for (const auto& size : sizes) largest = std::max<int>(largest, size.data_codewords);
    if (payload.size() > 2 * std::size_t(largest)) return std::nullopt;

    const int start = int(out.size());
    const int bound = start + (density_bound_twelfths(payload) + 11) / 12;  // no plan is shorter
    if (const auto ascii = plain_ascii_at_bound(payload, start, bound)) {
        for (const auto& size : sizes)
            if (ascii->close.total <= size.data_codewords) return padded(payload, *ascii, size, out);
        return std::nullopt;
    }

    // The exact plan gives the fewest codewords for each size; the preferred plan is written whenever it
    // reaches that count, which it does for all but a few long mixed payloads.
    const ExactPlan exact(payload, start);
    const PreferredPlan preferred(payload, start);
    for (const auto& size : sizes) {
        const int capacity = size.data_codewords;
        if (capacity < bound) continue;
        const auto fewest = exact.best_close(capacity);
        if (!fewest) continue;
        const auto close = preferred.best_close(capacity);
        const Route route = close && close->total <= fewest->total ? preferred.route(capacity) : exact.route(capacity);
        TAVLO_ASSERT(route.close.total == fewest->total);  // the exact count is the least there is
        return padded(payload, route, size, out);
    }
    return std::nullopt;
}

}  // namespace tavlo::datamatrix
