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

// Long data takes long enough to be encoded without the interpreter's lock (binding.hpp, `release_from`).
bool worth_releasing_encode(const KindSpec& kind, std::size_t data_size) {
    return data_size >= (kind.matrix ? release_from::data_matrix_bytes : release_from::linear_text_bytes);
}

constexpr Parameter label_parameters[] = {{"kind"}, {"data"}, {"input"}, {"options", false, false}};

// A label of `type` from the arguments of Label(kind, data, input, options=()), bound in order.
PyObject* make_label(PyTypeObject* type, std::span<PyObject* const, 4> bound) {
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

PyObject* label_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    std::array<PyObject*, 4> bound;
    if (!bind_tuple({"__new__", label_parameters}, "Label", args, kwargs, bound)) return nullptr;
    return make_label(type, bound);
}

// new_label(cls, kind, data, input, options=()): Label.__new__ for the package's constructors, called without
// the generic __new__ wrapper and its argument tuples, which took a tenth of a small symbol's constructor.
PyObject* new_label(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs < 4 || nargs > 5) {
        PyErr_Format(PyExc_TypeError, "new_label() takes 4 or 5 positional arguments but %zd were given", nargs);
        return nullptr;
    }
    if (!PyType_Check(args[0]) || !PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(args[0]), state.label)) {
        raise_not_instance(args[0], "a subclass of tavlo._label.Label", "cls");
        return nullptr;
    }
    const std::array<PyObject*, 4> bound = {args[1], args[2], args[3], nargs == 5 ? args[4] : nullptr};
    return make_label(reinterpret_cast<PyTypeObject*>(args[0]), bound);
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

// Whether a label's drawing and writing are long enough to be run without the interpreter's lock: from
// `release_from::label_dots` dots on (a Code 128 of 6.7 million dots takes 107 us as PNG), or from
// `release_from_elements` bars or dark modules on (SVG). Small labels, 3-30 us, keep the lock: on two free
// cores two threads releasing it for each ran slower than one (binding.hpp).
bool worth_releasing(const label::Symbol& symbol, const label::Layout& layout, std::size_t release_from_elements) {
    const std::size_t elements =
        std::visit([](const auto* geometry) { return dark_elements(*geometry); }, symbol.geometry);
    return std::uint64_t(layout.width) * layout.height >= release_from::label_dots || elements >= release_from_elements;
}

// The one path of every render method: keywords to options, options to a layout, then, without the interpreter's
// lock where `worth_releasing` or for the long search of an optimized PNG, the layout through `write` (drawn,
// then written); `convert` makes the
// Python object after. The core reads the _tavlo symbol's geometry and the text in place, safely while other
// threads run: the caller's reference keeps the label alive through the call, the label holds a reference to the
// symbol, and neither object can change once made.
template <class Write, class Convert>
PyObject* render(PyObject* self, const char* method, RenderFormat format, PyObject* const* args, Py_ssize_t nargs,
                 PyObject* kwnames, std::size_t release_from_elements, Write&& write, Convert&& convert) {
    FormatOptions format_options;
    auto options = bind_render_options(bare_name(Py_TYPE(self)), method, args, nargs, kwnames, format, format_options);
    if (!options) return nullptr;
    return guarded([&]() -> PyObject* {
        const label::Symbol symbol = symbol_of(unwrap<LabelData>(self));
        auto layout = label::plan(symbol, *options);
        if (!layout) {
            raise_tavlo_error(layout.error());
            return nullptr;
        }
        if (!warn_print(*layout)) return nullptr;
        const auto draw_and_write = [&] { return as_result(write(symbol, *layout, *options, format_options)); };
        return into_py_result(
            without_gil(format_options.optimize || worth_releasing(symbol, *layout, release_from_elements),
                        draw_and_write),
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
    const auto write = [](const label::Symbol& symbol, const label::Layout& layout, const label::Options& options,
                          const FormatOptions&) { return label::render_png(symbol, layout, options); };
    return render(self, "png", RenderFormat::Png, args, nargs, kwnames, release_from::svg_elements, write, new_bytes);
}

PyObject* label_svg(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const auto write = [](const label::Symbol& symbol, const label::Layout& layout, const label::Options& options,
                          const FormatOptions& format) {
        return label::write_svg(label::draw(symbol, layout, options), format.vector);
    };
    return render(self, "svg", RenderFormat::Vector, args, nargs, kwnames, release_from::svg_elements, write, new_str);
}

PyObject* label_pdf(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const auto write = [](const label::Symbol& symbol, const label::Layout& layout, const label::Options& options,
                          const FormatOptions& format) {
        return label::write_pdf(label::draw(symbol, layout, options), format.vector);
    };
    return render(self, "pdf", RenderFormat::Vector, args, nargs, kwnames, release_from::svg_elements, write, new_bytes);
}

PyObject* label_eps(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const auto write = [](const label::Symbol& symbol, const label::Layout& layout, const label::Options& options,
                          const FormatOptions& format) {
        return label::write_eps(label::draw(symbol, layout, options), format.vector);
    };
    return render(self, "eps", RenderFormat::Vector, args, nargs, kwnames, release_from::svg_elements, write, new_str);
}

PyObject* label_zpl(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const auto write = [](const label::Symbol& symbol, const label::Layout& layout, const label::Options& options,
                          const FormatOptions& format) {
        return label::write_zpl(label::draw(symbol, layout, options), format.zpl);
    };
    return render(self, "zpl", RenderFormat::Zpl, args, nargs, kwnames, release_from::svg_elements, write, new_str);
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

PyObject* label_human_readable(PyObject* self, void*) {
    const std::string& line = unwrap<LabelData>(self).encoded.human_readable;
    return PyUnicode_FromStringAndSize(line.data(), static_cast<Py_ssize_t>(line.size()));
}

#define TAVLO_OPTIONS_PARAMETERS                                                                          \
    "($self, /, *, dpi=300, x_dim=None, width=None, height=None, quiet_zone=None, bar_width_reduction=0, " \
    "foreground='#000000', background='#ffffff', text=None, magnification=None"
#define TAVLO_OPTIONS_SIGNATURE TAVLO_OPTIONS_PARAMETERS ")\n--\n\n"
#define TAVLO_COLOUR_SPACE_DOC                                                                              \
    " colour_space='rgb' (the default) states colours in DeviceRGB, 'cmyk' in DeviceCMYK (black as 0 0 0 1, " \
    "the black ink alone) and 'gray' in DeviceGray (0.3 r + 0.59 g + 0.11 b)."
#define TAVLO_TEXT_FONT_DOC                                                                                   \
    " text_font='outlines' (the default) draws each glyph of the text from its OCR-B outline, the same "       \
    "wherever the file is opened; 'named' writes the text as text in a named font, each character at the "   \
    "same place, for the smallest files:"
#define TAVLO_OPTIONS_DOC                                                                                         \
    "\n\nEvery module is a whole number of printer dots at `dpi`. `x_dim` (the module width) is rounded to "      \
    "the nearest whole dot, at least one; without it, `width` is filled with the largest whole-dot module "       \
    "width that fits and the symbol is centred. `height` is the whole image height (default: square "             \
    "modules for matrix symbols, the larger of 15 % of the symbol width and 0.25 in for most linear ones). "           \
    "Lengths are strings with a unit ('0.33mm', '13mil', '0.013in', '4dots') or numbers of millimetres. "         \
    "`quiet_zone` is in modules (default: the symbology's minimum). `bar_width_reduction` narrows every "         \
    "dark run by whole dots, never below one dot. Colours are '#rrggbb', '#rrggbbaa', '#rgb', 'black', 'white', " \
    "'transparent' or an (r, g, b[, a]) tuple; background=None is transparent. `text` prints the "                \
    "human-readable line in OCR-B below a linear symbol (default: on), in a band added under the bars. "         \
    "`magnification` (EAN/UPC, from 0.8 to 2.0 or '80%' to '200%', instead of x_dim) makes X 0.33 mm times it; " \
    "the bars of EAN/UPC are the standard's height for the printed X (22.85 mm at 0.33 mm, EAN-8 18.23 mm). "     \
    "A tavlo.PrintWarning tells when the printed X is outside the range the GS1 General Specifications allow "  \
    "for the symbol, or when the bar width reduction takes half a module or more."

PyMethodDef label_methods[] = {
    {"png", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_png)), METH_FASTCALL | METH_KEYWORDS,
     "png" TAVLO_OPTIONS_PARAMETERS ", optimize=False)\n--\n\n"
     "The label as a PNG file: 1-bit greyscale for black on white, a 1-bit palette for other colours, with "
     "its resolution (pHYs) set to dpi. optimize=True searches for the smallest file the same pixels allow "
     "(taking from ten to a thousand times as long); images over 1 MiB of pixel data are written as "
     "usual." TAVLO_OPTIONS_DOC},
    {"svg", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_svg)), METH_FASTCALL | METH_KEYWORDS,
     "svg" TAVLO_OPTIONS_PARAMETERS ", colour_space='rgb', text_font='outlines')\n--\n\n"
     "The label as an SVG document with its physical width and height in millimetres (written so that a "
     "rasteriser at `dpi` makes exactly the label's dots), a viewBox in dots, every dark area in one path "
     "and each glyph of its text defined once and placed with <use>. SVG has no device CMYK: "
     "colour_space='cmyk' writes the colours as they are (sRGB), 'gray' writes their grey "
     "(0.3 r + 0.59 g + 0.11 b)." TAVLO_TEXT_FONT_DOC " <text> in OCR-B (else the viewer's monospace "
     "font)." TAVLO_OPTIONS_DOC},
    {"pdf", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_pdf)), METH_FASTCALL | METH_KEYWORDS,
     "pdf" TAVLO_OPTIONS_PARAMETERS ", colour_space='rgb', text_font='outlines')\n--\n\n"
     "The label as a one-page vector PDF whose page is exactly the label's size, each glyph of its text "
     "drawn once as a form and placed where it occurs." TAVLO_COLOUR_SPACE_DOC TAVLO_TEXT_FONT_DOC
     " Courier, a font every PDF reader has." TAVLO_OPTIONS_DOC},
    {"eps", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_eps)), METH_FASTCALL | METH_KEYWORDS,
     "eps" TAVLO_OPTIONS_PARAMETERS ", colour_space='rgb', text_font='outlines')\n--\n\n"
     "The label as Encapsulated PostScript: a bounding box in whole points (rounded up), an exact "
     "%%HiResBoundingBox, the drawing in dots scaled to points and each glyph of its text defined once."
     TAVLO_COLOUR_SPACE_DOC TAVLO_TEXT_FONT_DOC " Courier, a font every PostScript printer has." TAVLO_OPTIONS_DOC},
    {"zpl", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_zpl)), METH_FASTCALL | METH_KEYWORDS,
     "zpl" TAVLO_OPTIONS_PARAMETERS ", copies=1, compression='z64')\n--\n\n"
     "The label as one ZPL II label format for thermal printers: ^PW and ^LL are its size in dots at `dpi` "
     "(the printer's resolution: 203, 300 or 600 for most), and its image, the PNG's pixels exactly, is sent "
     "as ^GF graphic fields. compression='z64' (the default) sends a zlib stream in base64 with its CRC; "
     "'hex' sends ASCII hexadecimal with ZPL's repeat counts and row shortcuts, for older printers. "
     "`copies` (1 to 99999999) is the ^PQ quantity. The printer prints the dark dots; colours are not "
     "sent." TAVLO_OPTIONS_DOC},
    {"layout", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(label_layout)), METH_FASTCALL | METH_KEYWORDS,
     "layout" TAVLO_OPTIONS_SIGNATURE
     "The sizes the label would have, as a tavlo.Layout: the realised module width in dots and mm, the "
     "image size in dots and mm and the quiet zone in modules." TAVLO_OPTIONS_DOC},
    {"geometry", label_geometry, METH_NOARGS,
     "geometry($self, /)\n--\n\nThe encoded symbol in modules: a LinearGeometry (bars) or a MatrixGeometry "
     "(rows of modules), without quiet zone."},
    {}};

PyGetSetDef label_getset[] = {
    {"_input", label_input, nullptr, nullptr, nullptr},
    {"_kind", label_kind, nullptr, nullptr, nullptr},
    {"human_readable", label_human_readable, nullptr,
     "The text printed with the symbol, lines separated by '\\n' (an ISBN's number above the bars, then its "
     "digits); empty when the kind prints none.",
     nullptr},
    {}};

}  // namespace

bool warn_print(const label::Layout& layout) {
    for (const std::string& text : layout.warnings) {
        if (PyErr_WarnEx(state.print_warning, text.c_str(), 1) < 0) return false;
    }
    return true;
}

std::optional<label::Symbol> label_symbol(PyObject* object) {
    if (!PyObject_TypeCheck(object, state.label)) {
        raise_not_instance(object, "tavlo._label.Label", "label");
        return std::nullopt;
    }
    return symbol_of(unwrap<LabelData>(object));
}

PyMethodDef label_functions[] = {
    {"new_label", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(new_label)), METH_FASTCALL,
     "new_label(cls, kind, data, input, options=())\n--\n\nLabel.__new__(cls, kind, data, input, options)."},
    {nullptr, nullptr, 0, nullptr},
};

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
