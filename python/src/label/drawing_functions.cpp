// The functions behind tavlo.Sheet and tavlo.Template: a label's drawing, drawings composed on a page, the
// cells of a label sheet, a label's place in its cell and a PDF of several pages. Sizes cross in whole dots;
// the package converts millimetres at the dpi before it calls.
#include <array>
#include <string>

#include "label_module.hpp"
#include "render_options.hpp"
#include "tavlo/sheet.hpp"

namespace tavlo::py::label_module {
namespace {

// `count` leading positional arguments, then the render keywords, which pick the dpi and the colours.
std::optional<label::Options> options_after(const char* function, Py_ssize_t count, PyObject* const* args,
                                            Py_ssize_t nargs, PyObject* kwnames) {
    if (nargs != count) {
        PyErr_Format(PyExc_TypeError, "%s() takes %zd positional arguments but %zd were given", function, count, nargs);
        return std::nullopt;
    }
    return bind_render_options("_label", function, args + count, 0, kwnames);
}

// draw(label, /, **render options): the label's drawing, as png() would write it.
PyObject* draw_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    auto options = options_after("draw", 1, args, nargs, kwnames);
    if (!options) return nullptr;
    auto symbol = label_symbol(args[0]);
    if (!symbol) return nullptr;
    return guarded([&]() -> PyObject* {
        auto layout = label::plan(*symbol, *options);
        if (!layout) {
            raise_tavlo_error(layout.error());
            return nullptr;
        }
        if (!warn_print(*layout)) return nullptr;
        return new_drawing(label::draw(*symbol, *layout, *options));
    });
}

std::optional<label::Align> align_of(std::string_view name) {
    if (name == "left") return label::Align::Left;
    if (name == "centre" || name == "center") return label::Align::Centre;
    if (name == "right") return label::Align::Right;
    raise_text(PyExc_ValueError, "text align must be 'left', 'centre' or 'right', not '" + std::string(name) + "'");
    return std::nullopt;
}

// Each of `sequence`'s items through `add`, which returns false with an exception set.
template <class Add>
bool for_each_item(PyObject* sequence, const char* name, Add&& add) {
    PyObject* fast = PySequence_Fast(sequence, name);
    if (!fast) return false;
    bool ok = true;
    for (Py_ssize_t i = 0; ok && i < PySequence_Fast_GET_SIZE(fast); ++i) ok = add(PySequence_Fast_GET_ITEM(fast, i));
    Py_DECREF(fast);
    return ok;
}

bool add_part(label::Drawing& page, PyObject* item) {
    PyObject* part = nullptr;
    unsigned int x = 0, y = 0;
    if (!PyArg_ParseTuple(item, "OII;a part is (Drawing, x, y)", &part, &x, &y)) return false;
    if (!is_drawing(part)) {
        raise_not_instance(part, "tavlo._label.Drawing", "parts");
        return false;
    }
    auto placed = label::place(page, drawing_value(part), x, y);
    if (!placed) raise_tavlo_error(placed.error());
    return placed.has_value();
}

bool add_rect(label::Drawing& page, PyObject* item) {
    label::Rect r{};
    if (!PyArg_ParseTuple(item, "IIII;a rectangle is (x, y, width, height)", &r.x, &r.y, &r.w, &r.h)) return false;
    if (r.w == 0 || r.h == 0 || std::uint64_t(r.x) + r.w > page.width || std::uint64_t(r.y) + r.h > page.height) {
        raise_text(PyExc_ValueError, "a rectangle must be at least one dot wide and high and lie inside the page");
        return false;
    }
    page.rects.push_back(r);
    return true;
}

bool add_text(label::Drawing& page, PyObject* item) {
    const char* text = nullptr;
    const char* align = nullptr;
    label::TextItem text_item;
    if (!PyArg_ParseTuple(item, "sddds;a text is (text, x, baseline, size, align)", &text, &text_item.x,
                          &text_item.baseline, &text_item.size, &align))
        return false;
    auto alignment = align_of(align);
    if (!alignment) return false;
    text_item.text = text;
    text_item.align = *alignment;
    page.texts.push_back(std::move(text_item));
    return true;
}

// compose(width, height, parts, rects, texts, /, **render options): a page of width × height dots at the
// options' dpi and colours, holding (Drawing, x, y) parts, (x, y, w, h) rectangles and
// (text, x, baseline, size, align) texts, all in dots.
PyObject* compose_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    auto options = options_after("compose", 5, args, nargs, kwnames);
    if (!options) return nullptr;
    auto width = to_u32(args[0], "width");
    if (!width) return nullptr;
    auto height = to_u32(args[1], "height");
    if (!height) return nullptr;
    return guarded([&]() -> PyObject* {
        label::Drawing page{*width, *height, options->dpi, options->foreground, options->background, {}, {}};
        if (!for_each_item(args[2], "parts must be a sequence", [&](PyObject* item) { return add_part(page, item); }) ||
            !for_each_item(args[3], "rects must be a sequence", [&](PyObject* item) { return add_rect(page, item); }) ||
            !for_each_item(args[4], "texts must be a sequence", [&](PyObject* item) { return add_text(page, item); }))
            return nullptr;
        return new_drawing(std::move(page));
    });
}

PyObject* rect_tuple(const label::Rect& r) { return Py_BuildValue("(IIII)", r.x, r.y, r.w, r.h); }

// sheet_cells(page_width, page_height, columns, rows, left, top, label_width, label_height, column_gap, row_gap,
// dpi): (page width, page height, cells) in dots, the cells row by row.
PyObject* sheet_cells_function(PyObject*, PyObject* args) {
    PyObject* lengths[10];
    unsigned int columns = 0, rows = 0, dpi = 0;
    if (!PyArg_ParseTuple(args, "OOIIOOOOOOI:sheet_cells", &lengths[0], &lengths[1], &columns, &rows, &lengths[2],
                          &lengths[3], &lengths[4], &lengths[5], &lengths[6], &lengths[7], &dpi))
        return nullptr;
    static constexpr const char* names[] = {"page_width", "page_height", "left", "top", "label_width",
                                            "label_height", "column_gap", "row_gap"};
    static constexpr bool zero_allowed[] = {false, false, true, true, false, false, true, true};
    label::Length values[8];
    for (int i = 0; i < 8; ++i) {
        auto length = to_length(lengths[i], names[i], zero_allowed[i]);
        if (!length) return nullptr;
        values[i] = *length;
    }
    if (dpi == 0) {
        raise_text(PyExc_ValueError, "argument 'dpi': dpi must be from 1 to 4294967295");
        return nullptr;
    }
    const label::SheetLayout sheet{values[0], values[1], columns, rows, values[2], values[3],
                                   values[4], values[5], values[6], values[7]};
    return guarded([&]() -> PyObject* {
        return into_py_result(label::sheet_cells(sheet, dpi), [](const label::SheetCells& cells) -> PyObject* {
            PyObject* tuple = PyTuple_New(static_cast<Py_ssize_t>(cells.cells.size()));
            for (std::size_t i = 0; tuple && i < cells.cells.size(); ++i) {
                PyObject* cell = rect_tuple(cells.cells[i]);
                if (!cell) Py_CLEAR(tuple);
                else PyTuple_SET_ITEM(tuple, static_cast<Py_ssize_t>(i), cell);
            }
            return tuple ? Py_BuildValue("(IIN)", cells.width, cells.height, tuple) : nullptr;
        });
    });
}

// place_in_cell((x, y, w, h), width, height, anchor): the top-left corner (x, y) of a label in its cell.
PyObject* place_in_cell_function(PyObject*, PyObject* args) {
    label::Rect cell{};
    unsigned int width = 0, height = 0;
    const char* anchor_name = nullptr;
    if (!PyArg_ParseTuple(args, "(IIII)IIs:place_in_cell", &cell.x, &cell.y, &cell.w, &cell.h, &width, &height,
                          &anchor_name))
        return nullptr;
    const std::string_view anchor_text = anchor_name;
    if (anchor_text != "centre" && anchor_text != "top-left") {
        raise_text(PyExc_ValueError, "anchor must be 'centre' or 'top-left', not '" + std::string(anchor_text) + "'");
        return nullptr;
    }
    const auto anchor = anchor_text == "centre" ? label::CellAnchor::Centre : label::CellAnchor::TopLeft;
    return into_py_result(label::place_in_cell(cell, width, height, anchor),
                          [](label::Position p) { return Py_BuildValue("(II)", p.x, p.y); });
}

// pdf_pages(drawings, *, text_font='outlines'): one PDF with a page per drawing.
PyObject* pdf_pages_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Parameter parameters[] = {{"drawings"}, {"text_font", true, false}};
    PyObject* bound[2] = {nullptr, nullptr};
    label::VectorOptions options;
    if (!bind_fastcall({"pdf_pages", parameters}, "tavlo._label", args, nargs, kwnames, std::span(bound)) ||
        !convert_text_font(bound[1], options.text_font))
        return nullptr;
    PyObject* const drawings = bound[0];
    return guarded([&]() -> PyObject* {
        std::vector<label::Drawing> pages;
        const bool ok = for_each_item(drawings, "pdf_pages() takes a sequence of drawings", [&](PyObject* item) {
            if (!is_drawing(item)) {
                raise_not_instance(item, "tavlo._label.Drawing", "drawings");
                return false;
            }
            pages.push_back(drawing_value(item));
            return true;
        });
        if (!ok) return nullptr;
        if (pages.empty()) {
            raise_text(PyExc_ValueError, "a PDF needs at least one page");
            return nullptr;
        }
        const auto bytes = without_gil(true, [&] { return label::write_pdf_pages(pages, options); });
        return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(bytes.data()),
                                         static_cast<Py_ssize_t>(bytes.size()));
    });
}

}  // namespace

PyMethodDef drawing_functions[] = {
    {"draw", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(draw_function)), METH_FASTCALL | METH_KEYWORDS,
     "draw(label, /, **options)\n--\n\nThe label's drawing with the render options of png()."},
    {"compose", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(compose_function)),
     METH_FASTCALL | METH_KEYWORDS,
     "compose(width, height, parts, rects, texts, /, **options)\n--\n\nA page of width x height dots holding "
     "(Drawing, x, y) parts, (x, y, w, h) rectangles and (text, x, baseline, size, align) texts; dpi and "
     "colours from the options."},
    {"sheet_cells", sheet_cells_function, METH_VARARGS,
     "sheet_cells(page_width, page_height, columns, rows, left, top, label_width, label_height, column_gap, "
     "row_gap, dpi, /)\n--\n\n(page width, page height, cells) in dots; lengths as render options take them."},
    {"place_in_cell", place_in_cell_function, METH_VARARGS,
     "place_in_cell(cell, width, height, anchor, /)\n--\n\nThe top-left corner of a label in its cell; anchor "
     "'centre' or 'top-left'."},
    {"pdf_pages", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(pdf_pages_function)),
     METH_FASTCALL | METH_KEYWORDS,
     "pdf_pages(drawings, /, *, text_font='outlines')\n--\n\nOne PDF with a page per drawing."},
    {}};

}  // namespace tavlo::py::label_module
