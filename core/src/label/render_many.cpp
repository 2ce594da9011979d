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

// The same bytes png(), svg() and pdf() give, by the same paths: a PNG of a matrix symbol has its bands
// straight from the modules, with no drawing made.
Rendered write(const Batch& batch, const Symbol& symbol, const Layout& layout) {
    switch (batch.format) {
    case Format::Png: return render_png(symbol, layout, batch.options);
    case Format::Svg: return bytes_of(write_svg(draw(symbol, layout, batch.options)));
    case Format::Pdf: return write_pdf(draw(symbol, layout, batch.options));
    }
    TAVLO_ASSERT(false);
    return std::unexpected(TavloError::render("unknown format"));
}

// Payloads a worker takes at a time. A label takes 3-30 us, so one shared counter bumped per label costs
// nothing measurable; taking one at a time keeps the threads evenly loaded to the last label and keeps
// OnError::Stop from running far past a failure.
constexpr std::size_t payloads_per_take = 1;

// The fewest results the calling thread hands to Deliver at a time, before the last: each hand-over takes
// the interpreter's lock, which another Python thread may hold for a while.
constexpr std::size_t deliver_at_least = 32;

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
    return write(batch, symbol, *layout);
}

void render_many(const Batch& batch, std::span<const std::string_view> payloads, std::span<Rendered> results) {
    render_many(batch, payloads, results, Deliver{});
}

void render_many(const Batch& batch, std::span<const std::string_view> payloads, std::span<Rendered> results,
                 const Deliver& deliver) {
    TAVLO_ASSERT(payloads.size() == results.size());
    TAVLO_ASSERT(batch.kind != nullptr && batch.threads >= 1);
    // Each result is written once, by the thread that took its payload; the ones never taken are marked
    // after the join. Filling every slot with not_made() first cost a string allocated per slot on this
    // thread, then freed by the worker that overwrote it: a free into this thread's malloc arena, taking its
    // lock, per label.
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    // made[i]: results[i] is final, published to the calling thread (release here, acquire there).
    std::vector<std::atomic<bool>> made(deliver ? payloads.size() : 0);
    // Payloads are taken in input order, and a worker finishes what it took: when `stop` is seen, every
    // payload before the failing one has been taken and will be made.
    const auto work = [&](const auto& between_labels) {
        while (!stop.load(std::memory_order_relaxed)) {
            const std::size_t first = next.fetch_add(payloads_per_take, std::memory_order_relaxed);
            if (first >= payloads.size()) return;
            const std::size_t last = std::min(payloads.size(), first + payloads_per_take);
            for (std::size_t i = first; i < last; ++i) {
                results[i] = guarded_render(batch, payloads[i]);
                if (!results[i] && batch.on_error == OnError::Stop) stop.store(true, std::memory_order_relaxed);
                if (!made.empty()) made[i].store(true, std::memory_order_release);
            }
            between_labels();
        }
    };
    std::size_t delivered = 0;  // results handed to `deliver`
    bool delivering = static_cast<bool>(deliver);
    // The calling thread hands over what the threads have made so far, a run of at least deliver_at_least
    // results at a time: fewer would take the interpreter's lock more often than the copies are worth.
    const auto deliver_ready = [&] {
        if (!delivering) return;
        std::size_t ready = delivered;
        while (ready < made.size() && made[ready].load(std::memory_order_acquire)) ++ready;
        if (ready - delivered < deliver_at_least) return;
        delivering = deliver(delivered, ready);
        delivered = ready;
    };
    const std::size_t helpers = std::min<std::size_t>(batch.threads, payloads.size()) - (payloads.empty() ? 0 : 1);
    {
        std::vector<std::jthread> pool;
        pool.reserve(helpers);
        for (std::size_t i = 0; i < helpers; ++i) pool.emplace_back([&] { work([] {}); });
        work(deliver_ready);  // the calling thread is one of the workers
    }  // the helpers joined: every result is final
    // A payload is taken by the fetch_add that returns its index, and made by its taker whatever `stop` says.
    const std::size_t taken = std::min(next.load(std::memory_order_relaxed), payloads.size());
    for (std::size_t i = taken; i < payloads.size(); ++i) results[i] = std::unexpected(not_made());
    if (delivering && delivered < payloads.size()) deliver(delivered, payloads.size());
}

}  // namespace tavlo::label
