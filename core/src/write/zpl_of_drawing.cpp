// ZPL of a label: one label format whose image is the PNG's rows, at the printer's own dots, as graphic fields
// (^GF) stacked from the top. The counts of a ^GF run to 99,999 bytes (ZPL II Programming Guide, ^GF), so a
// large label is cut into bands of whole rows, one field each.
#include <algorithm>
#include <new>

#include "bit_row.hpp"
#include "decimal.hpp"
#include "drawing_rows.hpp"
#include "zpl_fields.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

constexpr std::size_t max_field_bytes = 99999;   // ^GF b and c
constexpr std::uint32_t max_label_dots = 32000;  // ^LL; ^PW takes no more
constexpr std::uint32_t max_copies = 99999999;   // ^PQ q

// Every row of the drawing, each distinct one stored once with its times, dark dots 1 as ZPL prints them.
class CollectedRows final : public png::RowSink {
public:
    void row(std::span<const std::uint8_t> scanline, std::uint64_t times) override {
        const auto bytes = scanline.subspan(1);  // past the filter byte
        offsets_.push_back({data_.size(), times});
        data_.insert(data_.end(), bytes.begin(), bytes.end());
    }
    // The runs of rows [first, first + count), clipped at both ends.
    std::vector<zpl::RowRun> runs(std::uint64_t first, std::uint64_t count) const {
        std::vector<zpl::RowRun> out;
        std::uint64_t top = 0;
        for (const auto& [offset, times] : offsets_) {
            const std::uint64_t begin = std::max(top, first), end = std::min(top + times, first + count);
            if (begin < end) out.push_back({data_.data() + offset, end - begin});
            top += times;
        }
        return out;
    }

private:
    struct Stored {
        std::size_t offset;
        std::uint64_t times;
    };
    std::vector<std::uint8_t> data_;
    std::vector<Stored> offsets_;
};

void append_command(std::string& out, const char* command, std::initializer_list<std::uint64_t> values) {
    out += command;
    bool first = true;
    for (std::uint64_t value : values) {
        if (!first) out += ',';
        first = false;
        append_integer(out, static_cast<std::int64_t>(value));
    }
}

}  // namespace

Result<std::string> write_zpl(const Drawing& drawing, const ZplOptions& options) {
    if (drawing.width > max_label_dots || drawing.height > max_label_dots)
        return std::unexpected(TavloError::render("a ZPL label is at most 32000 dots wide and high, not " +
                                                  std::to_string(drawing.width) + " x " +
                                                  std::to_string(drawing.height)));
    if (options.copies < 1 || options.copies > max_copies)
        return std::unexpected(TavloError::render("copies must be from 1 to 99999999"));
    const std::size_t row_bytes = png::bit_row_bytes(drawing.width);
    try {
        CollectedRows rows;
        paint_drawing_rows(drawing, true, rows);
        std::string out = "^XA\n";
        append_command(out, "^PW", {drawing.width});
        out += '\n';
        append_command(out, "^LL", {drawing.height});
        out += "\n^LH0,0\n";
        const std::uint64_t rows_per_field = std::max<std::uint64_t>(1, max_field_bytes / std::max<std::size_t>(1, row_bytes));
        for (std::uint64_t top = 0; top < drawing.height; top += rows_per_field) {
            const std::uint64_t count = std::min<std::uint64_t>(rows_per_field, drawing.height - top);
            const std::uint64_t bytes = count * row_bytes;
            append_command(out, "^FO", {0, top});
            append_command(out, "^GFA,", {bytes, bytes, row_bytes});
            out += ',';
            const std::vector<zpl::RowRun> field = rows.runs(top, count);
            if (options.compression == ZplOptions::Compression::Z64)
                zpl::append_z64_rows(out, field, row_bytes);
            else
                zpl::append_hex_rows(out, field, row_bytes);
            out += "^FS\n";
        }
        append_command(out, "^PQ", {options.copies});
        out += "\n^XZ\n";
        return out;
    } catch (const std::bad_alloc&) {
        return std::unexpected(TavloError::render("out of memory"));
    }
}

}  // namespace tavlo::label
