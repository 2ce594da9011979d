// The PDF417, MicroPDF417 and Aztec encoders below the package: a fingerprint of the modules of a seeded
// corpus (so that a change meant to be faster is checked to draw the very same symbols), and a loop that
// encodes one 1,000-byte payload many times (for `perf stat -e instructions` and `perf record`).
//
// Build against a release core (no Python), from the project root:
//   cmake -S . -B build/probe -DTAVLO_PYTHON=OFF && cmake --build build/probe -j2
//   g++ -O2 -std=c++23 -Icore/include bench/encode_2d_probe.cpp build/probe/core/libtavlo_core.a -lz -lpthread \
//       -o build/probe/encode_2d_probe
// Then
//   build/probe/encode_2d_probe hash [COUNT] [--each]   one line per family and corpus (--each: per payload)
//   build/probe/encode_2d_probe loop pdf417|aztec text|bytes|digits|mixed [ROUNDS]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tavlo/encode_aztec.hpp"
#include "tavlo/encode_pdf417.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint64_t fnv(std::uint64_t hash, const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 0x100000001b3ull;
    return hash;
}

std::uint64_t fingerprint(const tavlo::Result<tavlo::MatrixGeometry>& result) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    if (!result) {
        const std::string message = result.error().display();
        return fnv(hash, message.data(), message.size());
    }
    hash = fnv(hash, &result->width, sizeof result->width);
    hash = fnv(hash, &result->height, sizeof result->height);
    return fnv(hash, result->modules.data(), result->modules.size());
}

// Payloads of one flavour: digits, upper and lower text with punctuation, any bytes, or runs of each mixed.
Bytes payload(const std::string& flavour, std::size_t length, std::mt19937_64& rng) {
    static const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz 0123456789.,:;-/\r\n";
    static const char* pieces[] = {"Lot 2027-01-31 ", "ABC123 ", "serial: ", "x*>\r\n", "0123456789012",
                                   "Gr\xc3\xbc\xc3\x9f" "e ", "\x01\x02", "https://example.com/", ". ", "a, b: c"};
    Bytes out;
    out.reserve(length);
    while (out.size() < length) {
        if (flavour == "digits") {
            out.push_back(std::uint8_t('0' + rng() % 10));
        } else if (flavour == "text") {
            out.push_back(std::uint8_t(text[rng() % text.size()]));
        } else if (flavour == "bytes") {
            out.push_back(std::uint8_t(rng()));
        } else {
            const char* piece = pieces[rng() % std::size(pieces)];
            out.insert(out.end(), piece, piece + std::strlen(piece));
        }
    }
    out.resize(length);
    return out;
}

const char* flavours[] = {"digits", "text", "bytes", "mixed"};

int hash_corpus(std::size_t count, bool each) {
    std::mt19937_64 rng(22);
    std::uint64_t pdf = 0xcbf29ce484222325ull, micro = pdf, aztec = pdf;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string flavour = flavours[i % 4];
        // Mostly short, some up to the largest symbols' capacity.
        const std::size_t length = i % 7 == 0 ? rng() % 2000 : rng() % 300;
        const Bytes data = payload(flavour, length, rng);

        tavlo::Pdf417Options pdf_options;
        if (i % 5 == 1) pdf_options.error_correction = std::uint32_t(rng() % 9);
        if (i % 11 == 2) pdf_options.columns = std::uint32_t(1 + rng() % 30);
        if (i % 13 == 3) pdf_options.compact = true;
        if (i % 17 == 4) pdf_options.eci = std::uint32_t(rng() % 1000);
        const std::uint64_t p = fingerprint(tavlo::encode_pdf417(data, pdf_options));

        tavlo::MicroPdf417Options micro_options;
        if (i % 5 == 2) micro_options.columns = std::uint32_t(1 + rng() % 4);
        const Bytes short_data(data.begin(), data.begin() + std::ptrdiff_t(std::min<std::size_t>(data.size(), 200)));
        const std::uint64_t m = fingerprint(tavlo::encode_micro_pdf417(short_data, micro_options));

        tavlo::AztecOptions aztec_options;
        if (i % 5 == 3) aztec_options.error_correction = int(5 + rng() % 91);
        if (i % 9 == 4) aztec_options.layers = int(rng() % 2 ? 1 + rng() % 32 : -(1 + int(rng() % 4)));
        if (i % 19 == 5) aztec_options.eci = std::uint32_t(rng() % 1000000);
        const std::uint64_t a = fingerprint(tavlo::encode_aztec(data, aztec_options));

        pdf = fnv(pdf, &p, sizeof p);
        micro = fnv(micro, &m, sizeof m);
        aztec = fnv(aztec, &a, sizeof a);
        if (each) std::printf("%zu %s %zu pdf417 %016llx micropdf417 %016llx aztec %016llx\n", i, flavour.c_str(), length,
                              (unsigned long long)p, (unsigned long long)m, (unsigned long long)a);
    }
    std::printf("pdf417 %016llx\nmicropdf417 %016llx\naztec %016llx\n", (unsigned long long)pdf,
                (unsigned long long)micro, (unsigned long long)aztec);
    return 0;
}

int loop(const std::string& family, const std::string& flavour, long rounds) {
    std::mt19937_64 rng(1000);
    const Bytes data = payload(flavour, 1000, rng);
    std::uint64_t sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long r = 0; r < rounds; ++r) {
        const auto result = family == "pdf417" ? tavlo::encode_pdf417(data, {}) : tavlo::encode_aztec(data, {});
        if (!result) return std::fprintf(stderr, "%s\n", result.error().display().c_str()), 1;
        sink += result->modules.size();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s %s: %.1f us a symbol (%llu)\n", family.c_str(), flavour.c_str(), seconds / double(rounds) * 1e6,
                (unsigned long long)sink);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "hash")
        return hash_corpus(argc > 2 ? std::stoul(argv[2]) : 4000, argc > 3 && std::string(argv[3]) == "--each");
    if (command == "loop" && argc > 3) return loop(argv[2], argv[3], argc > 4 ? std::stol(argv[4]) : 1000);
    std::fprintf(stderr, "usage: encode_2d_probe hash [COUNT] [--each] | loop pdf417|aztec FLAVOUR [ROUNDS]\n");
    return 2;
}
