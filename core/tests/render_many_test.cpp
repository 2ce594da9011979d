// Many labels at once: every thread count gives the labels one call at a time gives, in input order, failures
// in their places; stopping at a failure still makes every label before it.
#include <string>
#include <vector>

#include "check.hpp"
#include "tavlo/render_many.hpp"

using namespace tavlo;
using namespace tavlo::label;

namespace {

std::vector<std::string> texts(std::size_t count, std::size_t bad_every) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(bad_every && i % bad_every == bad_every - 1 ? "12a" : std::to_string(1000000 + i * 7));
    return out;
}

std::vector<Rendered> run(const Batch& batch, const std::vector<std::string>& data) {
    std::vector<std::string_view> views(data.begin(), data.end());
    std::vector<Rendered> results(views.size());
    render_many(batch, views, results);
    return results;
}

void same_as_one_at_a_time() {
    const auto data = texts(200, 7);  // EAN-8: seven digits, and every seventh one refused
    for (Format format : {Format::Png, Format::Svg, Format::Pdf}) {
        for (unsigned threads : {1u, 2u, 5u, 500u}) {
            Batch batch{find_kind("ean8"), {}, {}, format, threads, OnError::Collect};
            const auto results = run(batch, data);
            CHECK(results.size() == data.size());
            for (std::size_t i = 0; i < data.size(); ++i) {
                const Rendered one = render_one(batch, data[i]);
                CHECK(results[i].has_value() == one.has_value());
                if (one) {
                    CHECK(*results[i] == *one);
                } else {
                    CHECK(results[i].error().display() == one.error().display());
                }
            }
        }
    }
}

void stop_makes_everything_before_the_failure() {
    const auto data = texts(300, 0);
    auto bad = data;
    bad[150] = "x";
    for (unsigned threads : {1u, 2u, 4u}) {
        Batch batch{find_kind("ean8"), {}, {}, Format::Png, threads, OnError::Stop};
        const auto results = run(batch, bad);
        for (std::size_t i = 0; i < 150; ++i) CHECK(results[i].has_value());
        CHECK(!results[150] && results[150].error().display() != not_made().display());
    }
}

void kind_options_and_nothing_to_do() {
    const KindOption square[] = {{"shape", "square"}};
    Batch batch{find_kind("datamatrix"), square, {}, Format::Png, 2, OnError::Collect};
    const std::vector<std::string> data{"hello", "rectangle?"};
    const auto results = run(batch, data);
    for (std::size_t i = 0; i < data.size(); ++i) CHECK(results[i] && *results[i] == *render_one(batch, data[i]));
    CHECK(run(batch, {}).empty());
}

void delivered_in_order_each_result_final() {
    const auto data = texts(500, 11);
    for (unsigned threads : {1u, 2u, 3u}) {
        for (OnError on_error : {OnError::Collect, OnError::Stop}) {
            Batch batch{find_kind("ean8"), {}, {}, Format::Png, threads, on_error};
            std::vector<std::string_view> views(data.begin(), data.end());
            std::vector<Rendered> results(views.size());
            std::vector<std::pair<std::size_t, std::size_t>> ranges;
            std::vector<Rendered> seen(views.size());
            render_many(batch, views, results, [&](std::size_t first, std::size_t last) {
                ranges.emplace_back(first, last);
                for (std::size_t i = first; i < last; ++i) seen[i] = results[i];  // as the caller saw it then
                return true;
            });
            CHECK(!ranges.empty() && ranges.front().first == 0 && ranges.back().second == data.size());
            for (std::size_t k = 1; k < ranges.size(); ++k) CHECK(ranges[k].first == ranges[k - 1].second);
            for (std::size_t i = 0; i < data.size(); ++i) {
                CHECK(seen[i].has_value() == results[i].has_value());
                if (results[i]) CHECK(*seen[i] == *results[i]);
            }
        }
    }
    // A caller that wants no more is given no more.
    Batch batch{find_kind("ean8"), {}, {}, Format::Svg, 2, OnError::Collect};
    std::vector<std::string_view> views(data.begin(), data.end());
    std::vector<Rendered> results(views.size());
    int calls = 0;
    render_many(batch, views, results, [&](std::size_t, std::size_t) { return ++calls < 0; });
    CHECK(calls == 1);
    for (std::size_t i = 0; i < data.size(); ++i) CHECK(results[i].has_value() == render_one(batch, data[i]).has_value());
}

}  // namespace

int main() {
    same_as_one_at_a_time();
    stop_makes_everything_before_the_failure();
    kind_options_and_nothing_to_do();
    delivered_in_order_each_result_final();
    return tavlo::test::failures();
}
