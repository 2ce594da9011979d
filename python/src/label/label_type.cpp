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
    PyObject* symbol;  // owned: the _tavlo object whose geometry is drawn
    PyObject* input;   // owned: what the symbol was made from, for equality, hashing and pickling
    label::Kind kind;
    std::variant<const LinearGeometry*, const MatrixGeometry*> geometry;  // inside `symbol`
    std::string human_readable;

    ~LabelData() {
        Py_XDECREF(symbol);
        Py_XDECREF(input);
    }
};

constexpr std::pair<std::string_view, label::Kind> kinds[] = {
    {"ean8", label::Kind::Ean8},
    {"upca", label::Kind::UpcA},
    {"code39", label::Kind::Code39},
    {"itf", label::Kind::Itf},
    {"code128", label::Kind::Code128},
    {"qr", label::Kind::QrCode},
    {"datamatrix", label::Kind::DataMatrix},
    {"gs1-128", label::Kind::Gs1_128},
    {"itf14", label::Kind::Itf14},
    {"itf14-bars", label::Kind::Itf14Bars},
};

bool is_matrix_kind(label::Kind kind) { return kind == label::Kind::QrCode || kind == label::Kind::DataMatrix; }

// The geometry inside a _tavlo symbol object of the family the kind needs, or nullptr with TypeError set.
template <class Geometry>
const Geometry* geometry_of(PyObject* symbol, std::span<PyTypeObject* const> family, const char* what) {
    for (PyTypeObject* type : family)
        if (Py_IS_TYPE(symbol, type)) return &unwrap<Geometry>(symbol);
    raise_not_instance(symbol, what, "symbol");
    return nullptr;
}

PyObject* label_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Parameter parameters[] = {{"symbol"}, {"kind"}, {"input"}, {"text", false, false}};
    std::array<PyObject*, 4> bound;
    if (!bind_tuple({"__new__", parameters}, "Label", args, kwargs, bound)) return nullptr;
    auto kind_text = to_text(bound[1], "kind");
    if (!kind_text) return nullptr;
    std::optional<std::string_view> text = std::string_view();
    if (bound[3] && !(text = to_text(bound[3], "text"))) return nullptr;
    const auto* kind = std::find_if(std::begin(kinds), std::end(kinds), [&](auto& k) { return k.first == *kind_text; });
    if (kind == std::end(kinds)) {
        raise_text(PyExc_ValueError, "unknown label kind '" + std::string(*kind_text) + "'");
        return nullptr;
    }
    std::variant<const LinearGeometry*, const MatrixGeometry*> geometry;
    if (is_matrix_kind(kind->second)) {
        auto* matrix = geometry_of<MatrixGeometry>(bound[0], state.matrix_symbols, "_tavlo matrix symbol");
        if (!matrix) return nullptr;
        geometry = matrix;
    } else {
        auto* linear = geometry_of<LinearGeometry>(bound[0], state.linear_symbols, "_tavlo linear symbol");
        if (!linear) return nullptr;
        geometry = linear;
    }
    return guarded([&]() -> PyObject* {
        std::string human_readable(*text);  // copied first: nothing after the allocation can throw
        PyObject* self = type->tp_alloc(type, 0);
        if (!self) return nullptr;
        new (&unwrap<LabelData>(self))
            LabelData{Py_NewRef(bound[0]), Py_NewRef(bound[2]), kind->second, geometry, std::move(human_readable)};
        return self;
    });
}

label::Symbol symbol_of(const LabelData& data) { return {data.kind, data.geometry, data.human_readable}; }

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

PyObject* label_geometry(PyObject* self, PyObject*) {
    return PyObject_CallMethod(unwrap<LabelData>(self).symbol, "geometry", nullptr);
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

PyGetSetDef label_getset[] = {{"_input", label_input, nullptr, nullptr, nullptr}, {}};

}  // namespace

bool create_label_type() {
    PyType_Slot slots[] = {{Py_tp_new, reinterpret_cast<void*>(label_new)},
                           {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_wrapper<LabelData>)},
                           {Py_tp_methods, label_methods},
                           {Py_tp_getset, label_getset},
                           {Py_tp_doc, const_cast<char*>("Label(symbol, kind, input, text='')\n--\n\n"
                                                         "An encoded _tavlo symbol drawn as a label of `kind`.")},
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
