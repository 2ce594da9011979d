#include "check_characters.hpp"

#include <array>
#include <cstdint>

namespace tavlo::gs1 {
namespace {

// CSET 82 in the order that gives each character its value for the check character pair (7.9.5).
constexpr std::string_view cset82_order =
    "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
// The 32 characters the pair is written in, each standing for 5 bits of the 10-bit sum.
constexpr std::string_view cset32 = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
// The weights, primes taken from the rightmost data character leftwards; enough for the longest AI value.
constexpr std::array<std::uint16_t, 97> primes{
    2,   3,   5,   7,   11,  13,  17,  19,  23,  29,  31,  37,  41,  43,  47,  53,  59,  61,  67,  71,
    73,  79,  83,  89,  97,  101, 103, 107, 109, 113, 127, 131, 137, 139, 149, 151, 157, 163, 167, 173,
    179, 181, 191, 193, 197, 199, 211, 223, 227, 229, 233, 239, 241, 251, 257, 263, 269, 271, 277, 281,
    283, 293, 307, 311, 313, 317, 331, 337, 347, 349, 353, 359, 367, 373, 379, 383, 389, 397, 401, 409,
    419, 421, 431, 433, 439, 443, 449, 457, 461, 463, 467, 479, 487, 491, 499, 503, 509};
constexpr std::uint32_t pair_modulus = 1021;

}  // namespace

bool numeric_check_digit_ok(std::string_view digits) {
    if (digits.empty()) return false;
    int sum = 0;
    const std::size_t data = digits.size() - 1;
    for (std::size_t i = 0; i < data; ++i) sum += (digits[i] - '0') * ((data - i) % 2 == 1 ? 3 : 1);
    return digits.back() - '0' == (10 - sum % 10) % 10;
}

bool check_character_pair_ok(std::string_view value) {
    if (value.size() < 2 || value.size() - 2 > primes.size()) return false;
    const std::size_t data = value.size() - 2;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < data; ++i) {
        const std::size_t weight = cset82_order.find(value[i]);
        if (weight == std::string_view::npos) return false;
        sum += std::uint32_t(weight) * primes[data - 1 - i];
    }
    sum %= pair_modulus;
    return value[data] == cset32[sum >> 5] && value[data + 1] == cset32[sum & 31];
}

}  // namespace tavlo::gs1
