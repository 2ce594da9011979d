// A PDF page's content stream: whatever mix of its own text and glyph outlines it holds, it inflates back to
// the text with each outline where it was drawn, through a glyph drawn again near (a copy) and beyond the
// window (its tokens again), text that copies from itself, and no text at all.
#include <zlib.h>

#include <string>
#include <vector>

#include "check.hpp"
#include "write/glyph_paths.hpp"
#include "write/pdf_content.hpp"

using namespace tavlo;

namespace {

std::string inflated(const std::string& stream, std::size_t expected) {
    std::string back(expected + 1, '\0');
    uLongf size = back.size();
    if (uncompress(reinterpret_cast<Bytef*>(back.data()), &size, reinterpret_cast<const Bytef*>(stream.data()),
                   stream.size()) != Z_OK)
        return "(does not inflate)";
    back.resize(size);
    return back;
}

// Draws `steps`: a character draws its glyph, any other text is written as it is.
bool inflates_back(const std::vector<std::string>& steps) {
    label::pdf::ContentStream content(64);
    std::string expected;
    for (const std::string& step : steps) {
        if (step.size() == 1 && !label::glyph_path(static_cast<unsigned char>(step[0])).pdf_fill.empty()) {
            content.glyph(static_cast<unsigned char>(step[0]));
            expected += label::glyph_path(static_cast<unsigned char>(step[0])).pdf_fill;
        } else {
            content.text(step);
            expected += step;
        }
    }
    return inflated(content.zlib(), expected.size()) == expected;
}

}  // namespace

int main() {
    CHECK(inflates_back({}));
    CHECK(inflates_back({"q\n"}));
    CHECK(inflates_back({"8", "8", "8"}));
    CHECK(inflates_back({"10 0 4 241 re\n18 0 4 241 re\n26 0 4 241 re\n", "f\n", "q 1 0 0 -1 5 9 cm\n", "A",
                         "Q\nq 1 0 0 -1 25 9 cm\n", "A", "Q\n"}));
    // Far enough apart that deflate's window no longer reaches the first drawing of the glyph.
    std::string filler;
    for (int i = 0; i < 4000; ++i) filler += std::to_string(i * 7919 % 10007) + " 0 1 9 re\n";
    CHECK(inflates_back({"W", filler, "W", "M", "W"}));
    // A glyph drawn again costs a copy (two tokens, and their codes in the block's header), not its outline.
    label::pdf::ContentStream once(0), twice(0);
    once.glyph('8');
    twice.glyph('8');
    twice.glyph('8');
    const std::size_t one = once.zlib().size(), two = twice.zlib().size();
    CHECK(two < one + 16 && one > 150);
    return test::failures();
}
