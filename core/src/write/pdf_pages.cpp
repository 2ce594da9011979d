// PDF of several pages, a label sheet's: each drawing one page of its own size, drawn by the same page content
// as a one-page label, so a label on a sheet prints as it does alone.
#include "../assert.hpp"
#include "decimal.hpp"
#include "pdf_page.hpp"
#include "tavlo/sheet.hpp"

namespace tavlo::label {
namespace {

// Objects 1 and 2 are the catalogue and the page tree; page i is object 3 + 2i and its content 4 + 2i.
constexpr int pages_object = 2;
int page_object_number(std::size_t page) { return static_cast<int>(3 + 2 * page); }

}  // namespace

std::vector<std::uint8_t> write_pdf_pages(std::span<const Drawing> pages) {
    TAVLO_ASSERT(!pages.empty());
    std::vector<std::string> objects;
    objects.reserve(2 + 2 * pages.size());
    objects.push_back("<</Type/Catalog/Pages 2 0 R>>");
    std::string tree = "<</Type/Pages/Kids[";
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i) tree += ' ';
        append_integer(tree, page_object_number(i));
        tree += " 0 R";
    }
    tree += "]/Count ";
    append_integer(tree, static_cast<std::int64_t>(pages.size()));
    objects.push_back(tree + ">>");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        objects.push_back(pdf::page_object(pages[i], pages_object, page_object_number(i) + 1));
        objects.push_back(pdf::content_stream(pdf::page_content(pages[i])));
    }
    return pdf::file_of_objects(objects);
}

}  // namespace tavlo::label
