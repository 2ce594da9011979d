// Label: one encoded _tavlo symbol with the kind of label it makes, and the render methods that size, draw and
// write it in one call each. The tavlo package's symbol classes derive from it.
#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <variant>

#include "label_module.hpp"
#include "render_options.hpp"

namespace tavlo::py::label_module {
namespace {

struct LabelData {
    PyObject* input;  // owned: what the symbol was made from, for equality, hashing and pickling
    const KindSpec* kind;
    Encoded encoded;

    ~LabelData() { Py_XDECREF(input); }
};

// A str gives its UTF-8 bytes, bytes themselves; nothing else is data.
std::optional<std::string_view> data_bytes(PyObject* data) {
    if (PyUnicode_Check(data)) {
        Py_ssize_t size = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(data, &size);
        if (!utf8) return std::nullopt;
        return std::string_view(utf8, size);
    }
    if (PyBytes_Check(data)) return std::string_view(PyBytes_AS_STRING(data), PyBytes_GET_SIZE(data));
    raise_not_instance(data, "str or bytes", "data");
    return std::nullopt;
}

// A kind's row, found by name, when `type` is its class or derives from it: the label type makes only the
// symbols the package's classes stand for, so a class never renders another kind's symbol.
const KindSpec* kind_for(PyTypeObject* type, std::string_view name) {
    const KindSpec* kind = find_kind(name);
    if (!kind) {
        raise_text(PyExc_ValueError, "unknown label kind '" + std::string(name) + "'");
        return nullptr;
    }
    PyObject* mro = type->tp_mro;
    for (Py_ssize_t i = 0; mro && i < PyTuple_GET_SIZE(mro); ++i) {
        if (kind->class_name == bare_name(reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, i)))) return kind;
    }
    raise_text(PyExc_TypeError, "a " + std::string(bare_name(type)) + " cannot hold a symbol of kind '" +
                                    std::string(name) + "'");
    return nullptr;
}

// The options as (name, text) pairs; each name must be one the kind takes. The views borrow from `tuple`.
std::optional<std::vector<KindOption>> kind_options_of(const KindSpec& kind, PyObject* tuple) {
    std::vector<KindOption> options;
    if (!tuple) return options;
    if (!PyTuple_Check(tuple)) {
        raise_not_instance(tuple, "tuple", "options");
        return std::nullopt;
    }
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(tuple); ++i) {
        PyObject* pair = PyTuple_GET_ITEM(tuple, i);
        if (!PyTuple_Check(pair) || PyTuple_GET_SIZE(pair) != 2) {
            raise_text(PyExc_TypeError, "argument 'options': expected (name, value) pairs");
            return std::nullopt;
        }
        auto name = to_text(PyTuple_GET_ITEM(pair, 0), "options");
        if (!name) return std::nullopt;
        auto value = to_text(PyTuple_GET_ITEM(pair, 1), "options");
        if (!value) return std::nullopt;
        if (std::ranges::find(kind.options, *name) == kind.options.end()) {
            raise_text(PyExc_TypeError,
                       std::string(kind.class_name) + "() got an unexpected keyword argument '" + std::string(*name) + "'");
            return std::nullopt;
        }
        options.push_back({*name, *value});
    }
    return options;
}

// Matrix encoders and long linear data take long enough to be run without the interpreter's lock.
bool worth_releasing_encode(const KindSpec& kind, std::size_t data_size) {
    return kind.matrix || data_size >= release_from::linear_text_bytes;
}

PyObject* label_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Parameter parameters[] = {{"kind"}, {"data"}, {"input"}, {"options", false, false}};
    std::array<PyObject*, 4> bound;
    if (!bind_tuple({"__new__", parameters}, "Label", args, kwargs, bound)) return nullptr;
    auto kind_text = to_text(bound[0], "kind");
    if (!kind_text) return nullptr;
    const KindSpec* kind = kind_for(type, *kind_text);
    if (!kind) return nullptr;
    auto data = data_bytes(bound[1]);
    if (!data) return nullptr;
    return guarded([&]() -> PyObject* {
        auto options = kind_options_of(*kind, bound[3]);
        if (!options) return nullptr;
        auto encoded = without_gil(worth_releasing_encode(*kind, data->size()),
                                   [&] { return kind->encode(*data, *options); });
        if (!encoded) {
            raise_tavlo_error(encoded.error());
            return nullptr;
        }
        PyObject* self = type->tp_alloc(type, 0);
        if (!self) return nullptr;
        new (&unwrap<LabelData>(self)) LabelData{Py_NewRef(bound[2]), kind, std::move(*encoded)};
        return self;
    });
}

label::Symbol symbol_of(const LabelData& data) { return label::symbol_of(*data.kind, data.encoded); }

// A core writer's output as a result, whether or not the writer can fail.
template <class T>
Result<T> as_result(Result<T>&& result) {
    return std::move(result);
}
template <class T>
Result<T> as_result(T&& value) {
    return std::move(value);
}

// Whether a label's drawing and writing are long enough to be run without the interpreter's lock: always when
// it prints text (an SVG of text writes every glyph outline, tens of microseconds), else from
// `release_from_elements` bars or dark modules on. PNG and PDF release it always: 2.8 and 7.5 us at the least,
// about 1 % slower for it; a small SVG takes only 1.2-2 us and would be 5-8 % slower.
bool worth_releasing(const label::Symbol& symbol, const label::Layout& layout, std::size_t release_from_elements) {
    const std::size_t elements =
        std::visit([](const auto* geometry) { return dark_elements(*geometry); }, symbol.geometry);
    return layout.text_band > 0 || elements >= release_from_elements;
}

// The one path of every render method: keywords to options, options to a layout, then, without the interpreter's
// lock where `worth_releasing`, the layout to a drawing and the drawing through `write`; `convert` makes the
// Python object after. The core reads the _tavlo symbol's geometry and the text in place, safely while other
// threads run: the caller's reference keeps the label alive through the call, the label holds a reference to the
// symbol, and neither object can change once made.
template <class Write, class Convert>
PyObject* render(PyObject* self, const char* method, bool png, PyObject* const* args, Py_ssize_t nargs,
                 PyObject* kwnames, std::size_t release_from_elements, Write&& write, Convert&& convert) {
    auto options = bind_render_options(bare_name(Py_TYPE(self)), method, args, nargs, kwnames, png);
    if (!options) return nullptr;
    return guarded([&]() -> PyObject* {
        const label::Symbol symbol = symbol_of(unwrap<LabelData>(self));
        auto layout = label::plan(symbol, *options);
        if (!layout) {
            raise_tavlo_error(layout.error());
            return nullptr;
        }
        const auto draw_and_write = [&] { return as_result(write(label::draw(symbol, *layout, *options), *options)); };
        return into_py_result(without_gil(worth_releasing(symbol, *layout, release_from_elements), draw_and_write),
                              convert);
    });
}

PyObject* new_bytes(std::span<const std::uint8_t> bytes) {
    return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<Py_ssize_t>(bytes.size()));
}

PyObject* new_str(const std::string& text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

PyObject* label_png(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const auto write = [](const label::Drawing& drawing, const label::Options& options) {
        return label::write_png(drawing, options.optimize);
    };
    return render(self, "png", true, args, nargs, kwnames, 0, write, new_bytes);
}

PyObject* label_svg(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const auto write = [](const label::Drawing& drawing, const label::Options&) { return label::write_svg(drawing); };
    return render(self, "svg", false, args, nargs, kwnames, release_from::svg_elements, write, new_str);
}

PyObject* label_pdf(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const auto write = [](const label::Drawing& drawing, const label::Options&) { return label::write_pdf(drawing); };
    return render(self, "pdf", false, args, nargs, kwnames, 0, write, new_bytes);
}

PyObject* new_layout(const label::Layout& layout) {
    PyObject* result = PyStructSequence_New(state.layout);
    if (!result) return nullptr;
    PyObject* fields[] = {
        PyLong_FromUnsignedLong(layout.dpi),    PyLong_FromUnsignedLong(layout.x_dots),
        PyFloat_FromDouble(layout.x_dim_mm()),  PyLong_FromUnsignedLong(layout.width),
        PyLong_FromUnsignedLong(layout.height), PyFloat_FromDouble(layout.width_mm()),
        PyFloat_FromDouble(layout.height_mm()), PyLong_FromUnsignedLong(layout.quiet_zone),
    };
    bool ok = true;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        ok = ok && fields[i];
        PyStructSequence_SetItem(result, static_cast<Py_ssize_t>(i), fields[i]);  // steals, NULL allowed
    }
    if (!ok) Py_CLEAR(result);
    return result;
}

PyObject* label_layout(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    auto options = bind_render_options(bare_name(Py_TYPE(self)), "layout", args, nargs, kwnames);
    if (!options) return nullptr;
    return guarded([&]() -> PyObject* {
        return into_py_result(label::plan(symbol_of(unwrap<LabelData>(self)), *options), new_layout);
    });
}

// The geometry as _tavlo's own read-only records, so that the package and the module describe symbols alike.
PyObject* label_geometry(PyObject* self, PyObject*) {
    return guarded([&]() -> PyObject* {
        const Encoded& encoded = unwrap<LabelData>(self).encoded;
        if (const auto* linear = std::get_if<LinearGeometry>(&encoded.geometry))
            return wrap(state.linear_geometry, LinearGeometry(*linear));
        return wrap(state.matrix_geometry, MatrixGeometry(std::get<MatrixGeometry>(encoded.geometry)));
    });
}

PyObject* label_kind(PyObject* self, void*) {
    const std::string_view name = unwrap<LabelData>(self).kind->name;
    return PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
}

PyObject* label_input(PyObject* self, void*) { return Py_NewRef(unwrap<LabelData>(self).input); }

#define TAVLO_OPTIONS_PARAMETERS                                                                          \
    "($self, /, *, dpi=300, x_dim=None, width=None, height=None, quiet_zone=None, bar_width_reduction=0, " \
    "foreground='#000000', background='#ffffff', text=None"
#define TAVLO_OPTIONS_SIGNATURE TAVLO_OPTIONS_PARAMETERS ")\n--\n\n"
#define TAVLO_OPTIONS_DOC                                                                                         \
    "\n\nEvery module is a whole number of printer dots at `dpi`. `x_dim` (the module width) is rounded to "      \
    "the nearest whole dot, at least one; without it, `width` is filled with the largest whole-dot module "       \
    "width that fits and the symbol is centred. `height` is the whole image height (default: square "             \
    "modules for matrix symbols, the larger of 15 % of the symbol width and 0.25 in for linear ones). "           \
    "Lengths are strings with a unit ('0.33mm', '13mil', '0.013in', '4dots') or numbers of millimetres. "         \
    "`quiet_zone` is in modules (default: the symbology's minimum). `bar_width_reduction` narrows every "         \
    "dark run by whole dots, never below one dot. Colours are '#rrggbb', '#rrggbbaa', '#rgb', 'black', 'white', " \
    "'transparent' or an (r, g, b[, a]) tuple; background=None is transparent. `text` prints the "                \
    "human-readable line in OCR-B below a linear symbol (default: on), in a band added under the bars."

PyMethodDef label_methods[] = {
    {"png", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_png)), METH_FASTCALL | METH_KEYWORDS,
     "png" TAVLO_OPTIONS_PARAMETERS ", optimize=False)\n--\n\n"
     "The label as a PNG file: 1-bit greyscale for black on white, a 1-bit palette for other colours, with "
     "its resolution (pHYs) set to dpi. optimize=True searches for the smallest file the same pixels allow "
     "(taking from ten to a thousand times as long); images over 1 MiB of pixel data are written as "
     "usual." TAVLO_OPTIONS_DOC},
    {"svg", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_svg)), METH_FASTCALL | METH_KEYWORDS,
     "svg" TAVLO_OPTIONS_SIGNATURE
     "The label as an SVG document with its physical width and height in millimetres, a viewBox in dots "
     "and every dark area in one path." TAVLO_OPTIONS_DOC},
    {"pdf", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_pdf)), METH_FASTCALL | METH_KEYWORDS,
     "pdf" TAVLO_OPTIONS_SIGNATURE
     "The label as a one-page vector PDF whose page is exactly the label's size." TAVLO_OPTIONS_DOC},
    {"layout", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_layout)), METH_FASTCALL | METH_KEYWORDS,
     "layout" TAVLO_OPTIONS_SIGNATURE
     "The sizes the label would have, as a tavlo.Layout: the realised module width in dots and mm, the "
     "image size in dots and mm and the quiet zone in modules." TAVLO_OPTIONS_DOC},
    {"geometry", label_geometry, METH_NOARGS,
     "geometry($self, /)\n--\n\nThe encoded symbol in modules: a LinearGeometry (bars) or a MatrixGeometry "
     "(rows of modules), without quiet zone."},
    {}};

PyGetSetDef label_getset[] = {
    {"_input", label_input, nullptr, nullptr, nullptr}, {"_kind", label_kind, nullptr, nullptr, nullptr}, {}};

}  // namespace

bool create_label_type() {
    PyType_Slot slots[] = {{Py_tp_new, reinterpret_cast<void*>(label_new)},
                           {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_wrapper<LabelData>)},
                           {Py_tp_methods, label_methods},
                           {Py_tp_getset, label_getset},
                           {Py_tp_doc, const_cast<char*>("Label(kind, data, input, options=())\n--\n\n"
                                                         "A symbol of `kind` encoded from `data` (str or bytes) "
                                                         "with the kind's options as (name, text) pairs; "
                                                         "`input` is what equality, hashing and pickling use.")},
                           {}};
    PyType_Spec spec = {"tavlo._label.Label", sizeof(Wrapper<LabelData>), 0, Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE,
                        slots};
    state.label = type_from_spec(&spec);
    return state.label != nullptr;
}

bool create_layout_type() {
    static PyStructSequence_Field fields[] = {{"dpi", "printer resolution in dots per inch"},
                                              {"x_dim_dots", "module width in dots"},
                                              {"x_dim_mm", "module width in millimetres, as printed"},
                                              {"width_dots", "image width in dots"},
                                              {"height_dots", "image height in dots"},
                                              {"width_mm", "image width in millimetres"},
                                              {"height_mm", "image height in millimetres"},
                                              {"quiet_zone", "quiet zone in modules"},
                                              {nullptr, nullptr}};
    static PyStructSequence_Desc desc = {"tavlo.Layout", "The sizes of a label, as printed.", fields, 8};
    state.layout = PyStructSequence_NewType(&desc);
    return state.layout != nullptr;
}

}  // namespace tavlo::py::label_module
