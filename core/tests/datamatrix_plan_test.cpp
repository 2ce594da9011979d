// The two Data Matrix planners below the Python surface: the preferred plan never beats the exact count (which
// is the least there is), the writer writes exactly the codewords a route's close counted, and a payload whose
// plain ASCII meets the density bound is planned as plain ASCII by both.
#include <cstdint>
#include <string>
#include <vector>

#include "check.hpp"
#include "encode/datamatrix/datamatrix_exact_plan.hpp"
#include "encode/datamatrix/datamatrix_preferred_plan.hpp"
#include "encode/datamatrix/datamatrix_sizes.hpp"
#include "encode/datamatrix/datamatrix_writer.hpp"
#include "vectors.hpp"

using namespace tavlo;
using namespace tavlo::datamatrix;

namespace {

int at_bound_count = 0;

using Bytes = std::vector<std::uint8_t>;

std::string hex(const Bytes& data) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (auto b : data) (out += digits[b >> 4]) += digits[b & 15];
    return out;
}

// Payloads mixing runs from the alphabets each scheme favours, fixed by the seed.
Bytes payload(std::uint32_t seed) {
    static const std::string alphabets[] = {"0123456789",
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ",
                                            "abcdefghijklmnopqrstuvwxyz0123456789 ",
                                            "\r*> 0123456789ABCXYZ",
                                            "!\"#$%&'()*+,-./:;<=>?@[\\]^",
                                            "\x80\x9f\xc3\xe9\xff\x01\x1d"};
    const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    Bytes data;
    for (auto runs = next() % 6; runs > 0; --runs) {
        const std::string& alphabet = alphabets[next() % 6];
        for (auto k = next() % 12; k > 0; --k) data.push_back(std::uint8_t(alphabet[next() % alphabet.size()]));
    }
    return data;
}

bool plain_ascii(const Route& route) {
    for (const Step& step : route.steps)
        if (step.scheme != Scheme::Ascii) return false;
    return route.close.ending == Ending::Plain;
}

void check_payload(const Bytes& data, int start) {
    const ExactPlan exact(data, start);
    const PreferredPlan preferred(data, start);
    int ascii = start + ascii_cost(data, 0), bound = 0;
    for (auto b : data) bound += is_digit(b) ? 6 : b < 128 ? 8 : 12;
    const bool at_bound = 12 * (ascii - start) < bound + 12;
    at_bound_count += at_bound;
    for (const auto& size : symbol_sizes) {
        const int capacity = size.data_codewords;
        const auto fewest = exact.best_close(capacity);
        const auto close = preferred.best_close(capacity);
        const std::string what = hex(data) + " in " + std::to_string(capacity);
        CHECK_CASE(!close || (fewest && fewest->total <= close->total), what);
        for (const auto* plan : {&fewest, &close}) {
            if (!*plan) continue;
            const Route route = plan == &fewest ? exact.route(capacity) : preferred.route(capacity);
            Bytes out(std::size_t(start), 0);
            write_route(data, route, capacity, out);
            CHECK_CASE(int(out.size()) == route.close.total && route.close.total == (*plan)->total, what);
        }
        if (at_bound && close && fewest && close->total == fewest->total)
            CHECK_CASE(plain_ascii(preferred.route(capacity)) && close->total == ascii, what);
    }
}

}  // namespace

int main() {
    for (std::uint32_t seed = 1; seed <= 400; ++seed) check_payload(payload(seed), seed % 3 == 0 ? 1 : 0);
    int lines = 0;
    for (const auto& line : test::read_json_lines("datamatrix.jsonl")) {
        Bytes data;
        const std::string& h = line.at("payload_hex");
        for (std::size_t i = 0; i + 1 < h.size(); i += 2)
            data.push_back(std::uint8_t(std::stoi(h.substr(i, 2), nullptr, 16)));
        if (data.size() <= 400) check_payload(data, line.at("gs1") == "true" ? 1 : 0);
        ++lines;
    }
    std::printf("datamatrix.jsonl: %d payloads; %d payloads in all at the density bound\n", lines, at_bound_count);
    return test::failures();
}
