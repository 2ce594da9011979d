// Many labels of one kind at once: each payload encoded by the kind's row and drawn and written as one
// single label would be, on a pool of threads. Results are byte for byte those of one label at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "tavlo/error.hpp"
#include "tavlo/kinds.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {

enum class Format { Png, Svg, Pdf };

// One label's file (an SVG's text as its UTF-8 bytes), or why its payload made none.
using Rendered = Result<std::vector<std::uint8_t>>;

// What to do with a payload that fails.
enum class OnError {
    Stop,     // stop taking new payloads: those after the first failure in input order may stay unmade
    Collect,  // make every other label and leave each failure in its place
};

struct Batch {
    const KindSpec* kind;  // never null
    KindOptions kind_options;  // names the row lists, checked by the caller
    Options options;
    Format format = Format::Png;
    unsigned threads = 1;  // at least 1; more than the payloads are never started
    OnError on_error = OnError::Collect;
};

// The label of one payload, as a single call makes it: encode, plan, draw, write.
Rendered render_one(const Batch& batch, std::string_view payload);

// Fills `results[i]` from `payloads[i]` (equal sizes), on `batch.threads` threads that take payloads in input
// order. With OnError::Stop, every payload before the first failure is made, so that failure is the first in
// input order among the results that hold one; the payloads never taken are left as `not_made()`. Reads the
// payloads in place: they must stay unchanged until the call returns.
void render_many(const Batch& batch, std::span<const std::string_view> payloads, std::span<Rendered> results);

// Takes results [first, last) once each of them is final: called on the calling thread only, in input order,
// ranges that follow one another and end at the last result. The binding turns them into Python objects there
// while the other threads go on making labels, instead of all at once after the last one. Returns false to
// be given no more.
using Deliver = std::function<bool(std::size_t first, std::size_t last)>;

// render_many, handing the results to `deliver` as they are made (see Deliver).
void render_many(const Batch& batch, std::span<const std::string_view> payloads, std::span<Rendered> results,
                 const Deliver& deliver);

// What a result slot holds before its payload is taken: an error no label gives.
TavloError not_made();

}  // namespace tavlo::label
