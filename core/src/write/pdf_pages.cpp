// PDF of several pages, a label sheet's: each drawing one page of its own size, made by the same page objects
// as a one-page label, so a label on a sheet prints as it does alone.
#include <algorithm>
#include <iterator>

#include "../assert.hpp"
#include "decimal.hpp"
#include "pdf_page.hpp"
#include "tavlo/sheet.hpp"

namespace tavlo::label {
namespace {

// Objects 1 and 2 are the catalogue and the page tree; each page's objects follow, its page object first.
constexpr int pages_object = 2;

}  // namespace

std::vector<std::uint8_t> write_pdf_pages(std::span<const Drawing> pages, const VectorOptions& options) {
    TAVLO_ASSERT(!pages.empty());
    std::vector<std::string> objects = {"<</Type/Catalog/Pages 2 0 R>>", ""};
    std::string tree = "<</Type/Pages/Kids[";
    for (const Drawing& page : pages) {
        const int first = static_cast<int>(objects.size()) + 1;
        if (first > pages_object + 1) tree += ' ';
        append_integer(tree, first);
        tree += " 0 R";
        std::ranges::move(pdf::page_objects(page, pages_object, first, options), std::back_inserter(objects));
    }
    tree += "]/Count ";
    append_integer(tree, static_cast<std::int64_t>(pages.size()));
    objects[pages_object - 1] = tree + ">>";
    return pdf::file_of_objects(objects);
}

}  // namespace tavlo::label
