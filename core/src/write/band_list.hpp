// Bands of identical rows for the PNG writer, built into memory that outlives them: clearing keeps every band's
// span array, so a thread that writes label after label fills the same arrays again instead of allocating one
// per band each time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

#include "png_writer.hpp"

namespace tavlo::label {

class BandList {
public:
    void clear() { count_ = 0; }
    bool empty() const { return count_ == 0; }
    std::span<const png::Band> bands() const { return {store_.data(), count_}; }
    png::Band& back() { return store_[count_ - 1]; }

    // `rows` rows whose dark columns are `dark`: the last band grows when its rows are the same, so the bands
    // are always the fewest.
    void add(std::uint32_t rows, std::span<const png::Span> dark) {
        if (count_ > 0 && std::ranges::equal(back().dark, dark)) {
            back().rows += rows;
            return;
        }
        if (count_ == store_.size()) store_.emplace_back();
        png::Band& band = store_[count_];
        band.dark.assign(dark.begin(), dark.end());
        band.rows = rows;
        ++count_;
    }

    // Lets the memory go once it holds more than `max_bytes`, so one large image does not keep it for the rest of
    // the thread.
    void release_beyond(std::size_t max_bytes) {
        std::size_t bytes = store_.capacity() * sizeof(png::Band);
        for (const png::Band& band : store_) bytes += band.dark.capacity() * sizeof(png::Span);
        if (bytes > max_bytes) *this = {};
    }

private:
    std::vector<png::Band> store_;  // bands [0, count_) are the list; the rest keep their memory for later
    std::size_t count_ = 0;
};

}  // namespace tavlo::label
