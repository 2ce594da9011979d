// rMQR (ISO/IEC 23941): every size R7x43 to R17x139 at levels M and H, the smallest area by default, a fixed
// height or a fixed size on request, the fewest-bit segmentation.
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "../../assert.hpp"
#include "qr_blocks.hpp"
#include "qr_segments.hpp"
#include "rmqr_symbol.hpp"
#include "rmqr_tables.hpp"
#include "tavlo/encode_qr_family.hpp"

namespace tavlo {
namespace {

// ISO/IEC 23941 Table 2: three-bit mode indicators and a three-bit terminator.
qr::Dialect dialect_of(const rmqr::Size& size) { return {3, {0b001, 0b010, 0b011}, size.count_bits, 3}; }

std::string name_of(unsigned height, unsigned width) {
    return "R" + std::to_string(height) + "x" + std::to_string(width);
}

struct Choice {
    unsigned index;
    std::vector<qr::Segment> segments;
};

}  // namespace

Result<MatrixGeometry> encode_rmqr(std::string_view payload, const RmqrOptions& options) {
    if (options.level != QrLevel::M && options.level != QrLevel::H)
        return std::unexpected(TavloError::encoding(std::string("error_correction ") +
                                                    (options.level == QrLevel::L ? "L" : "Q") +
                                                    " is not available in rMQR (M or H)"));
    const bool high = options.level == QrLevel::H;
    const auto sizes = rmqr::sizes();
    bool size_exists = false, height_exists = false;
    for (const auto& s : sizes) {
        height_exists |= options.height == s.height;
        size_exists |= options.height == s.height && options.width == s.width;
    }
    if (options.width && !options.height)
        return std::unexpected(TavloError::encoding("a width needs a height: size R<height>x<width>"));
    if (options.height && !height_exists)
        return std::unexpected(TavloError::encoding("height must be 7, 9, 11, 13, 15 or 17"));
    if (options.width && !size_exists)
        return std::unexpected(TavloError::encoding("R" + std::to_string(*options.height) + "x" +
                                                    std::to_string(*options.width) + " is not an rMQR size"));

    // 361 digits fill R17x139 at level M; no longer payload fits.
    constexpr std::size_t max_payload = 361;
    // The sizes are tried by area, so the first that holds the data is the one chosen. One too small for any
    // segmentation (fewest_data_bits) is passed over unplanned, and the plan depends on a size only through its
    // character count widths, so each width triple is planned once: "https://example.com" is planned once,
    // for R11x43 and R9x59, where it was planned for all 13 triples.
    std::vector<std::pair<std::array<std::uint8_t, 3>, std::optional<std::vector<qr::Segment>>>> plans;
    plans.reserve(sizes.size());  // a plan handed out stays where it is
    const auto planned = [&](const qr::Dialect& dialect) -> const std::optional<std::vector<qr::Segment>>& {
        for (const auto& [count_bits, plan] : plans)
            if (count_bits == dialect.count_bits) return plan;
        return plans.emplace_back(dialect.count_bits, qr::shortest(payload, dialect)).second;
    };
    const std::uint32_t least_data = qr::fewest_data_bits(payload);
    std::optional<Choice> best;
    for (unsigned i = 0; payload.size() <= max_payload && i < sizes.size(); ++i) {
        const unsigned index = rmqr::by_area(high)[i];
        const rmqr::Size& size = sizes[index];
        if (options.height && size.height != *options.height) continue;
        if (options.width && size.width != *options.width) continue;
        const qr::Dialect dialect = dialect_of(size);
        if (least_data + qr::least_header_bits(dialect) > size.data[high] * 8u) continue;
        const auto& segments = planned(dialect);
        if (!segments || qr::stream_bits(*segments, dialect) > size.data[high] * 8u) continue;
        best = Choice{index, *segments};
        break;
    }
    if (!best) {
        const std::string level = high ? "H" : "M";
        if (options.width) return std::unexpected(TavloError::encoding("data too long for " +
                                                                       name_of(unsigned(*options.height), unsigned(*options.width)) +
                                                                       " at level " + level));
        if (options.height)
            return std::unexpected(TavloError::encoding("data too long for rMQR of height " +
                                                        std::to_string(*options.height) + " at level " + level));
        return std::unexpected(TavloError::encoding("data too long for rMQR at level " + level));
    }
    const rmqr::Size& size = sizes[best->index];
    const qr::BlockLayout layout{size.total_codewords, size.blocks[high],
                                 std::size_t(size.total_codewords - size.data[high]) / size.blocks[high]};
    TAVLO_ASSERT(layout.data() == size.data[high]);
    const auto data = qr::data_codewords(payload, best->segments, dialect_of(size), layout.data() * 8);
    return rmqr::draw_symbol(size, best->index, high, qr::add_error_correction(data, layout));
}

}  // namespace tavlo
