// Drawing: a label, a sheet's page or a template drawn in dots, ready to be written as PNG, SVG or PDF, or read
// as rectangles and glyph outlines by a writer in Python (the reportlab adapter). Immutable once made.
#include "arguments.hpp"
#include "label_module.hpp"
#include "render_options.hpp"

namespace tavlo::py::label_module {
namespace {

const label::Drawing& drawing_of(PyObject* self) { return unwrap<label::Drawing>(self); }

PyObject* new_bytes(const std::vector<std::uint8_t>& bytes) {
    return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<Py_ssize_t>(bytes.size()));
}

PyObject* drawing_png(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Parameter parameters[] = {{"optimize", true, false}};
    PyObject* optimize_arg = nullptr;
    if (!bind_fastcall({"png", parameters}, "Drawing", args, nargs, kwnames, std::span(&optimize_arg, 1)))
        return nullptr;
    const int optimize = optimize_arg ? PyObject_IsTrue(optimize_arg) : 0;
    if (optimize < 0) return nullptr;
    return guarded([&]() -> PyObject* {
        auto png = without_gil(true, [&] { return label::write_png(drawing_of(self), optimize != 0); });
        return into_py_result(std::move(png), [](const auto& bytes) {
            return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<Py_ssize_t>(bytes.size()));
        });
    });
}

// svg() and pdf() take text_font as a label's do.
bool bind_vector_options(const char* method, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                         label::VectorOptions& options) {
    static constexpr Parameter parameters[] = {{"text_font", true, false}};
    PyObject* text_font = nullptr;
    return bind_fastcall({method, parameters}, "Drawing", args, nargs, kwnames, std::span(&text_font, 1)) &&
           convert_text_font(text_font, options.text_font);
}

PyObject* drawing_svg(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    label::VectorOptions options;
    if (!bind_vector_options("svg", args, nargs, kwnames, options)) return nullptr;
    return guarded([&]() -> PyObject* {
        const std::string svg = without_gil(true, [&] { return label::write_svg(drawing_of(self), options); });
        return PyUnicode_FromStringAndSize(svg.data(), static_cast<Py_ssize_t>(svg.size()));
    });
}

PyObject* drawing_pdf(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    label::VectorOptions options;
    if (!bind_vector_options("pdf", args, nargs, kwnames, options)) return nullptr;
    return guarded([&]() -> PyObject* {
        return new_bytes(without_gil(true, [&] { return label::write_pdf(drawing_of(self), options); }));
    });
}

PyObject* drawing_zpl(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Parameter parameters[] = {{"copies", true, false}, {"compression", true, false}};
    PyObject* bound[2] = {nullptr, nullptr};
    if (!bind_fastcall({"zpl", parameters}, "Drawing", args, nargs, kwnames, std::span(bound))) return nullptr;
    label::ZplOptions options;
    if (!convert_zpl_options(bound[0], bound[1], options)) return nullptr;
    return guarded([&]() -> PyObject* {
        auto zpl = without_gil(true, [&] { return label::write_zpl(drawing_of(self), options); });
        return into_py_result(std::move(zpl), [](const std::string& text) {
            return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
        });
    });
}

PyObject* drawing_rects(PyObject* self, PyObject*) {
    return guarded([&]() -> PyObject* {
        const auto& rects = drawing_of(self).rects;
        PyObject* result = PyTuple_New(static_cast<Py_ssize_t>(rects.size()));
        for (std::size_t i = 0; result && i < rects.size(); ++i) {
            const label::Rect& r = rects[i];
            PyObject* item = Py_BuildValue("(IIII)", r.x, r.y, r.w, r.h);
            if (!item) Py_CLEAR(result);
            else PyTuple_SET_ITEM(result, static_cast<Py_ssize_t>(i), item);
        }
        return result;
    });
}

// ("M", x, y), ("L", x, y), ("C", x1, y1, x2, y2, x, y) and ("Z",), in dots, y growing downwards.
PyObject* outline_command(const text::PathCommand& command) {
    const auto& p = command.points;
    switch (command.op) {
        case text::PathCommand::Op::Move: return Py_BuildValue("(sdd)", "M", p[0].x, p[0].y);
        case text::PathCommand::Op::Line: return Py_BuildValue("(sdd)", "L", p[0].x, p[0].y);
        case text::PathCommand::Op::Cubic:
            return Py_BuildValue("(sdddddd)", "C", p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
        case text::PathCommand::Op::Close: break;
    }
    return Py_BuildValue("(s)", "Z");
}

PyObject* drawing_outline(PyObject* self, PyObject*) {
    return guarded([&]() -> PyObject* {
        text::Outline outline;
        for (const label::TextItem& item : drawing_of(self).texts) text::append_text_outline(outline, item);
        PyObject* result = PyTuple_New(static_cast<Py_ssize_t>(outline.size()));
        for (std::size_t i = 0; result && i < outline.size(); ++i) {
            PyObject* item = outline_command(outline[i]);
            if (!item) Py_CLEAR(result);
            else PyTuple_SET_ITEM(result, static_cast<Py_ssize_t>(i), item);
        }
        return result;
    });
}

PyObject* colour_tuple(label::Colour colour) { return Py_BuildValue("(BBBB)", colour.r, colour.g, colour.b, colour.a); }

PyObject* drawing_width(PyObject* self, void*) { return PyLong_FromUnsignedLong(drawing_of(self).width); }
PyObject* drawing_height(PyObject* self, void*) { return PyLong_FromUnsignedLong(drawing_of(self).height); }
PyObject* drawing_dpi(PyObject* self, void*) { return PyLong_FromUnsignedLong(drawing_of(self).dpi); }
PyObject* drawing_foreground(PyObject* self, void*) { return colour_tuple(drawing_of(self).foreground); }
PyObject* drawing_background(PyObject* self, void*) { return colour_tuple(drawing_of(self).background); }

PyMethodDef drawing_methods[] = {
    {"png", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(drawing_png)), METH_FASTCALL | METH_KEYWORDS,
     "png($self, /, *, optimize=False)\n--\n\nThe drawing as a PNG file at its dpi."},
    {"svg", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(drawing_svg)), METH_FASTCALL | METH_KEYWORDS,
     "svg($self, /, *, text_font='outlines')\n--\n\nThe drawing as an SVG document; text_font='named' writes "
     "the text as <text> in OCR-B (then monospace) instead of glyph outlines."},
    {"pdf", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(drawing_pdf)), METH_FASTCALL | METH_KEYWORDS,
     "pdf($self, /, *, text_font='outlines')\n--\n\nThe drawing as a one-page vector PDF of its size; "
     "text_font='named' writes the text in Courier instead of glyph outlines."},
    {"zpl", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(drawing_zpl)), METH_FASTCALL | METH_KEYWORDS,
     "zpl($self, /, *, copies=1, compression='z64')\n--\n\nThe drawing as one ZPL label format at its dots."},
    {"_rects", drawing_rects, METH_NOARGS,
     "_rects($self, /)\n--\n\nThe dark rectangles as (x, y, width, height) in dots from the top-left corner."},
    {"_outline", drawing_outline, METH_NOARGS,
     "_outline($self, /)\n--\n\nThe text's glyph outlines, filled non-zero: ('M', x, y), ('L', x, y), "
     "('C', x1, y1, x2, y2, x, y) and ('Z',) in dots from the top-left corner."},
    {}};

PyGetSetDef drawing_getset[] = {
    {"width", drawing_width, nullptr, "width in dots", nullptr},
    {"height", drawing_height, nullptr, "height in dots", nullptr},
    {"dpi", drawing_dpi, nullptr, "dots per inch", nullptr},
    {"foreground", drawing_foreground, nullptr, "the dark colour as (r, g, b, a)", nullptr},
    {"background", drawing_background, nullptr, "the light colour as (r, g, b, a); a = 0 is none", nullptr},
    {}};

}  // namespace

PyObject* new_drawing(label::Drawing&& drawing) { return wrap(state.drawing, std::move(drawing)); }

bool is_drawing(PyObject* object) { return PyObject_TypeCheck(object, state.drawing); }

const label::Drawing& drawing_value(PyObject* object) { return drawing_of(object); }

bool create_drawing_type() {
    PyType_Slot slots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(dealloc_wrapper<label::Drawing>)},
                           {Py_tp_methods, drawing_methods},
                           {Py_tp_getset, drawing_getset},
                           {Py_tp_doc, const_cast<char*>("A label, a sheet's page or a template, drawn in dots.")},
                           {}};
    PyType_Spec spec = {"tavlo._label.Drawing", sizeof(Wrapper<label::Drawing>), 0, class_flags | Py_TPFLAGS_DISALLOW_INSTANTIATION, slots};
    state.drawing = type_from_spec(&spec);
    return state.drawing != nullptr;
}

}  // namespace tavlo::py::label_module
