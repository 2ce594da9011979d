#include "tavlo/render_many.hpp"

#include <algorithm>
#include <new>
#include <atomic>
#include <thread>
#include <utility>

#include "../assert.hpp"

namespace tavlo::label {
namespace {

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

Rendered write(const Batch& batch, const Drawing& drawing) {
    switch (batch.format) {
    case Format::Png: return write_png(drawing, batch.options.optimize);
    case Format::Svg: return bytes_of(write_svg(drawing));
    case Format::Pdf: return write_pdf(drawing);
    }
    TAVLO_ASSERT(false);
    return std::unexpected(TavloError::render("unknown format"));
}

// Payloads a worker takes at a time. A label takes 3-30 us, so one shared counter bumped per label costs
// nothing measurable; taking one at a time keeps the threads evenly loaded to the last label and keeps
// OnError::Stop from running far past a failure.
constexpr std::size_t payloads_per_take = 1;

// A worker thread must not end in an exception (that ends the process): running out of memory for one label
// fails that label alone.
Rendered guarded_render(const Batch& batch, std::string_view payload) {
    try {
        return render_one(batch, payload);
    } catch (const std::bad_alloc&) {
        return std::unexpected(TavloError::render("out of memory"));
    }
}

}  // namespace

TavloError not_made() { return TavloError::render("not made: an earlier payload of the batch failed"); }

Rendered render_one(const Batch& batch, std::string_view payload) {
    auto encoded = batch.kind->encode(payload, batch.kind_options);
    if (!encoded) return std::unexpected(std::move(encoded.error()));
    const Symbol symbol = symbol_of(*batch.kind, *encoded);
    auto layout = plan(symbol, batch.options);
    if (!layout) return std::unexpected(std::move(layout.error()));
    return write(batch, draw(symbol, *layout, batch.options));
}

void render_many(const Batch& batch, std::span<const std::string_view> payloads, std::span<Rendered> results) {
    TAVLO_ASSERT(payloads.size() == results.size());
    TAVLO_ASSERT(batch.kind != nullptr && batch.threads >= 1);
    std::ranges::fill(results, Rendered(std::unexpected(not_made())));
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    // Payloads are taken in input order, and a worker finishes what it took: when `stop` is seen, every
    // payload before the failing one has been taken and will be made.
    const auto work = [&] {
        while (!stop.load(std::memory_order_relaxed)) {
            const std::size_t first = next.fetch_add(payloads_per_take, std::memory_order_relaxed);
            if (first >= payloads.size()) return;
            const std::size_t last = std::min(payloads.size(), first + payloads_per_take);
            for (std::size_t i = first; i < last; ++i) {
                results[i] = guarded_render(batch, payloads[i]);
                if (!results[i] && batch.on_error == OnError::Stop) stop.store(true, std::memory_order_relaxed);
            }
        }
    };
    const std::size_t helpers = std::min<std::size_t>(batch.threads, payloads.size()) - (payloads.empty() ? 0 : 1);
    std::vector<std::jthread> pool;
    pool.reserve(helpers);
    for (std::size_t i = 0; i < helpers; ++i) pool.emplace_back(work);
    work();  // the calling thread is one of the workers
}

}  // namespace tavlo::label
