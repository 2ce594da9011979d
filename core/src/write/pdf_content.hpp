// A PDF page's content stream, compressed as it is written: its own text (the page's matrix, colours, the
// rectangles, each glyph's matrix) coded by a quick search of its own earlier text, each glyph's outline by
// tokens coded once per process, and a glyph drawn again by copies of where it was drawn before. So the
// outline of a glyph stands once in the compressed file however often the text uses it, and writing a label
// costs no search over outlines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "../deflate/tokens.hpp"

namespace tavlo::label::pdf {

// Positions of the content's own text hash by their first three bytes into this many bits; one candidate is
// kept per hash.
inline constexpr unsigned content_hash_bits = 12;

class ContentStream {
public:
    // `expected_bytes`: a guess at the content's length, to make room for once.
    explicit ContentStream(std::size_t expected_bytes);
    // Appends `text` to the content.
    void text(std::string_view text);
    // Appends the outline and fill of `character`'s glyph (glyph_path's pdf_fill), which must have one.
    void glyph(unsigned char character);
    // The zlib stream of the content (for /FlateDecode).
    std::string zlib();

private:
    static constexpr std::uint32_t none = 0xffffffff;
    static constexpr unsigned max_chain = 4;  // earlier positions of a hash tried (see text())

    std::string data_;
    std::uint32_t adler_;  // of data_, kept as it grows: a glyph's is combined from the one made with its tokens
    deflate::Tokens tokens_;
    std::array<std::uint32_t, std::size_t{1} << content_hash_bits> last_at_;  // by hash: the latest position, or none
    std::vector<std::uint32_t> chain_;  // by position of the text: the one before it of the same hash, or none
    std::array<std::uint32_t, 256> glyph_at_;  // by character: where its outline last began, or none
};

}  // namespace tavlo::label::pdf
