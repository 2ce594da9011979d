// The Code 128 table encoder alone: every selector text of the reference vectors gives its modules or its
// failure text, and each refusal rule of the encoder is met by a case of its own.
#include <string>

#include "check.hpp"
#include "encode/code128/code128_table.hpp"
#include "vectors.hpp"

using namespace tavlo;

namespace {

std::string as_text(const ModuleSequence& modules) {
    std::string text;
    for (auto m : modules) text += m ? '1' : '0';
    return text;
}

std::string outcome(std::string_view selector) {
    const auto modules = code128::table_modules(selector);
    return modules ? as_text(*modules) : "error: " + std::string(modules.error());
}

void reference_vectors() {
    int count = 0;
    for (const auto& line : test::read_json_lines("code128_selector.jsonl")) {
        const std::string& selector = line.at("selector");
        const std::string expected = line.contains("error") ? "error: " + line.at("error") : line.at("modules");
        CHECK_CASE(outcome(selector) == expected, "selector " + selector);
        ++count;
    }
    std::printf("code128_selector.jsonl: %d selector texts\n", count);
}

// One case per rule: what the encoder refuses, and the nearest text it accepts.
void refusals() {
    const std::string invalid = "error: Barcode data is invalid";
    const std::string length = "error: Barcode data length is invalid";
    const struct {
        std::string selector;
        std::string expected;  // the outcome, or "ok" for any module sequence
    } cases[] = {
        {"", length},
        {"A", length},     // one byte
        {"AB", invalid},   // no start selector
        {"\u00C0", "ok"},  // START A alone: two bytes
        {"\u0181ab", "ok"},
        {"\u0181a\u0181b", invalid},  // CODE B while in B
        {"\u00C0A\u00C0B", invalid},  // CODE A while in A
        {"\u0106\u0106", invalid},    // CODE C while in C
        {"\u00C0a", invalid},         // lower case is not in A
        {"\u0181\x01", invalid},      // control characters are not in B
        {"\u0181\x7F", invalid},      // raw DEL; B writes it as U+00F7
        {"\u0181\u00F7", "ok"},
        {"\u00C0\u00F7", invalid},  // DEL is B's alone
        {"\u0106123", invalid},     // a digit of C without its partner
        {"\u01061", invalid},
        {"\u0106a", invalid},       // C has digits and FNC1 only
        {"\u0106\u017A", invalid},  // FNC2 not in C
        {"\u0106\u017C", invalid},  // FNC4 not in C
        {"\u0106\u017D", invalid},  // SHIFT not in C
        {"\u0106\u0179", "ok"},     // FNC1 in C
        {"\u01061234\u0181a", "ok"},
        {"\u0181\u00E9", invalid},  // a character outside every set
        {"\u0181\u4E00", invalid},
    };
    for (const auto& c : cases) {
        const std::string got = outcome(c.selector);
        const bool ok = c.expected == "ok" ? got.rfind("error", 0) != 0 : got == c.expected;
        CHECK_CASE(ok, "selector \"" + c.selector + "\" gave " + got);
    }
}

}  // namespace

int main() {
    reference_vectors();
    refusals();
    return test::failures();
}
