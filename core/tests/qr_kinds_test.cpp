// The QR family's rows in the table of kinds: text options parsed, bad values refused naming the option, and
// the QR Code row without options equal to the fixed encoder.
#include <string>
#include <vector>

#include "check.hpp"
#include "tavlo/encode.hpp"
#include "tavlo/kinds.hpp"

using namespace tavlo;

namespace {

std::string outcome(std::string_view kind, std::string_view data, std::vector<KindOption> options = {}) {
    const KindSpec* row = find_kind(kind);
    if (!row || !row->encode) return "no row";
    const auto r = row->encode(data, options);
    if (!r) return r.error().display();
    const auto& g = std::get<MatrixGeometry>(r->geometry);
    return std::to_string(g.height) + "x" + std::to_string(g.width);
}

void rows() {
    const KindSpec* micro = find_kind("microqr");
    const KindSpec* rmqr = find_kind("rmqr");
    CHECK(micro && micro->matrix && micro->quiet_left == 2 && micro->class_name == "MicroQr");
    CHECK(rmqr && rmqr->matrix && rmqr->quiet_left == 2 && rmqr->class_name == "RmQr");
}

void qr_without_options_is_the_fixed_encoder() {
    for (std::string data : {"HELLO", "12345678901234567", "hello world", ""}) {
        const auto r = find_kind("qr")->encode(data, {});
        const auto fixed = encode_qr(data);
        CHECK(r && fixed && std::get<MatrixGeometry>(r->geometry).modules == fixed->modules);
    }
}

void options() {
    CHECK(outcome("microqr", "12345", {{"version", "M3"}}) == "15x15");
    CHECK(outcome("microqr", "12345", {{"version", "2"}, {"error_correction", "M"}, {"mask", "3"}}) == "13x13");
    CHECK(outcome("rmqr", "12345", {{"size", "R13x77"}}) == "13x77");
    CHECK(outcome("rmqr", "12345", {{"height", "9"}}) == "9x43");
    CHECK(outcome("qr", "HELLO", {{"version", "7"}, {"error_correction", "H"}}) == "45x45");
    CHECK(outcome("qr", "HELLO", {{"structured_append", "(0, 2, 85)"}, {"eci", "26"}}) == "21x21");
}

void refusals() {
    CHECK(outcome("microqr", "1", {{"version", "M5"}}) == "Encoding error: version must be M1, M2, M3 or M4, not 'M5'");
    CHECK(outcome("microqr", "1", {{"error_correction", "H"}}) ==
          "Encoding error: error_correction must be L, M or Q, not 'H'");
    CHECK(outcome("rmqr", "1", {{"size", "13x77"}}) ==
          "Encoding error: size must be an rMQR size such as R13x77, not '13x77'");
    CHECK(outcome("rmqr", "1", {{"height", "8"}}) == "Encoding error: height must be 7, 9, 11, 13, 15 or 17, not '8'");
    CHECK(outcome("qr", "1", {{"mask", "8"}}) == "Encoding error: mask must be a whole number in 0 to 7, not '8'");
    CHECK(outcome("qr", "1", {{"boost_error", "maybe"}}) == "Encoding error: boost_error must be true or false, not 'maybe'");
    CHECK(outcome("qr", "1", {{"structured_append", "(3, 2, 0)"}}) ==
          "Encoding error: structured_append must be (index, count, parity) with count 2 to 16, index below it, "
          "parity 0 to 255, not '(3, 2, 0)'");
}

}  // namespace

int main() {
    rows();
    qr_without_options_is_the_fixed_encoder();
    options();
    refusals();
    return test::failures();
}
