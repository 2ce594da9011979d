#include "render_options.hpp"

#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "binding.hpp"
#include "label_module.hpp"

namespace tavlo::py {
namespace {

// The shared keywords, then each format's own: a method binds the shared ones and its format's.
constexpr std::size_t shared_parameters = 11;
constexpr std::size_t magnification_index = 9;
constexpr std::size_t max_pixels_index = 10;
#define TAVLO_SHARED_PARAMETERS                                                                          \
    {"dpi", true, false}, {"x_dim", true, false}, {"width", true, false}, {"height", true, false},       \
        {"quiet_zone", true, false}, {"bar_width_reduction", true, false}, {"foreground", true, false}, \
        {"background", true, false}, {"text", true, false}, {"magnification", true, false},             \
        {"max_pixels", true, false}
constexpr Parameter shared_only[] = {TAVLO_SHARED_PARAMETERS};
constexpr Parameter png_parameters[] = {TAVLO_SHARED_PARAMETERS, {"optimize", true, false}};
constexpr Parameter vector_parameters[] = {TAVLO_SHARED_PARAMETERS, {"colour_space", true, false},
                                           {"text_font", true, false}};
constexpr Parameter zpl_parameters[] = {TAVLO_SHARED_PARAMETERS, {"copies", true, false}, {"compression", true, false}};
#undef TAVLO_SHARED_PARAMETERS
constexpr std::size_t most_parameters = shared_parameters + 2;
static_assert(std::size(shared_only) == shared_parameters);

std::span<const Parameter> parameters_of(RenderFormat format) {
    switch (format) {
        case RenderFormat::Png: return png_parameters;
        case RenderFormat::Vector: return vector_parameters;
        case RenderFormat::Zpl: return zpl_parameters;
        case RenderFormat::Shared: break;
    }
    return shared_only;
}

void raise_value(const char* name, const std::string& message) {
    raise_text(PyExc_ValueError, "argument '" + std::string(name) + "': " + message);
}

std::optional<label::Colour> colour_from_tuple(PyObject* object, const char* name) {
    const Py_ssize_t size = PySequence_Fast_GET_SIZE(object);
    if (size != 3 && size != 4) {
        raise_value(name, "a colour tuple holds 3 or 4 integers from 0 to 255");
        return std::nullopt;
    }
    std::uint8_t channels[4] = {0, 0, 0, 255};
    for (Py_ssize_t i = 0; i < size; ++i) {
        PyObject* item = PySequence_Fast_GET_ITEM(object, i);
        const long value = PyLong_Check(item) && !PyBool_Check(item) ? PyLong_AsLong(item) : -1;
        if (value == -1 && PyErr_Occurred()) PyErr_Clear();
        if (value < 0 || value > 255) {
            raise_value(name, "a colour tuple holds 3 or 4 integers from 0 to 255");
            return std::nullopt;
        }
        channels[i] = static_cast<std::uint8_t>(value);
    }
    return label::Colour{channels[0], channels[1], channels[2], channels[3]};
}

std::optional<label::Colour> to_colour(PyObject* object, const char* name) {
    if (PyUnicode_Check(object)) {
        auto text = to_text(object, name);
        if (!text) return std::nullopt;
        auto parsed = label::parse_colour(*text);
        if (!parsed) raise_value(name, parsed.error());
        return parsed ? std::optional(*parsed) : std::nullopt;
    }
    if (PyTuple_Check(object) || PyList_Check(object)) return colour_from_tuple(object, name);
    raise_not_instance(object, "str or tuple", name);
    return std::nullopt;
}

// A whole number from `least` to 2^32 - 1; out of that range a ValueError naming the argument, rather than the
// bare overflow of a conversion.
std::optional<std::uint32_t> to_count(PyObject* object, const char* name, std::uint32_t least, const char* unit) {
    if (PyBool_Check(object)) {  // True would be 1: a count written as a flag is a mistake, not a count
        raise_not_instance(object, "int", name);
        return std::nullopt;
    }
    if (!PyLong_Check(object)) return to_u32(object, name);  // the type error, with the argument's name
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(object, &overflow);
    if (value == -1 && PyErr_Occurred()) return std::nullopt;
    if (overflow != 0 || value < least || value > 0xFFFFFFFFLL) {
        raise_value(name, std::string(name) + " must be from " + std::to_string(least) + " to 4294967295" + unit);
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// A number (1.0 is 100 %) or a text such as "80%" or "0.8".
std::optional<double> to_magnification(PyObject* object) {
    constexpr const char* name = "magnification";
    if (PyUnicode_Check(object)) {
        auto text = to_text(object, name);
        if (!text) return std::nullopt;
        auto parsed = label::parse_magnification(*text);
        if (!parsed) raise_value(name, parsed.error());
        return parsed ? std::optional(*parsed) : std::nullopt;
    }
    if (PyBool_Check(object) || !PyNumber_Check(object)) {
        raise_not_instance(object, "str, int or float", name);
        return std::nullopt;
    }
    auto value = to_double(object, name);
    if (!value) return std::nullopt;
    if (!(*value >= label::min_magnification && *value <= label::max_magnification)) {
        PyObject* shown = PyObject_Repr(object);
        const char* shown_text = shown ? PyUnicode_AsUTF8(shown) : nullptr;
        if (shown_text) raise_value(name, label::magnification_out_of_range(shown_text));
        Py_XDECREF(shown);
        return std::nullopt;
    }
    return value;
}

// None lifts the limit; otherwise a whole number of pixels, at least one.
bool to_max_pixels(PyObject* object, std::optional<std::uint64_t>& out) {
    if (object == Py_None) {
        out.reset();
        return true;
    }
    if (PyBool_Check(object) || !PyLong_Check(object)) {
        raise_not_instance(object, "int or None", "max_pixels");
        return false;
    }
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(object, &overflow);
    if (value == -1 && PyErr_Occurred()) return false;
    if (overflow < 0 || (overflow == 0 && value < 1)) {
        raise_value("max_pixels", "max_pixels must be at least 1, or None for no limit");
        return false;
    }
    out = overflow > 0 ? std::uint64_t(-1) : std::uint64_t(value);  // more than any label can have
    return true;
}

// A bad value is a TavloError as well as the ValueError or TypeError it was raised as, so that one except
// clause catches every refusal of the package; the message stays as it was.
void as_tavlo_error() {
    using label_module::state;
#if PY_VERSION_HEX >= 0x030C0000
    PyObject* raised = PyErr_GetRaisedException();
#else
    PyObject *type, *raised, *traceback;
    PyErr_Fetch(&type, &raised, &traceback);
    PyErr_NormalizeException(&type, &raised, &traceback);
    if (raised && traceback) PyException_SetTraceback(raised, traceback);
    Py_XDECREF(type);
    Py_XDECREF(traceback);
#endif
    PyObject* kind = PyErr_GivenExceptionMatches(raised, PyExc_TypeError) ? state.type_error
                     : PyErr_GivenExceptionMatches(raised, PyExc_ValueError) ||
                             PyErr_GivenExceptionMatches(raised, PyExc_OverflowError)
                         ? state.value_error
                         : nullptr;
    PyObject* replacement = nullptr;
    if (kind && !PyErr_GivenExceptionMatches(raised, state.tavlo_error)) {
        if (PyObject* message = PyObject_Str(raised)) {
            replacement = PyObject_CallOneArg(kind, message);
            Py_DECREF(message);
        }
    }
    if (!replacement) {  // not a refused value (MemoryError, ...), or a failure making the replacement
        PyErr_Clear();
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(raised)), raised);
        Py_DECREF(raised);
        return;
    }
    PyException_SetCause(replacement, raised);  // steals `raised`
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(replacement)), replacement);
    Py_DECREF(replacement);
}

// Each converter fills one field of `options` from a present, non-None argument.
bool convert(PyObject* object, const char* name, std::optional<label::Length>& out) {
    auto length = to_length(object, name, false);
    out = length;
    return length.has_value();
}

// A choice among named values, as a str.
template <class T, std::size_t N>
bool convert_choice(PyObject* object, const char* name, const std::pair<const char*, T> (&choices)[N], T& out,
                    const char* expected) {
    auto text = to_text(object, name);
    if (!text) return false;
    for (const auto& [choice, value] : choices) {
        if (*text == choice) {
            out = value;
            return true;
        }
    }
    raise_value(name, "expected " + std::string(expected) + ", not '" + std::string(*text) + "'");
    return false;
}

// text_font: how a vector file draws the human-readable text.
constexpr std::pair<const char*, label::TextFont> text_fonts[] = {{"outlines", label::TextFont::Outlines},
                                                                  {"named", label::TextFont::Named}};
constexpr const char* text_fonts_expected = "'outlines' or 'named'";

// The format's own keywords, from bound[shared_parameters] on.
bool convert_format_options(RenderFormat format, std::span<PyObject* const> extra, FormatOptions& out) {
    auto given = [&](std::size_t i) { return extra[i] != nullptr && extra[i] != Py_None; };
    switch (format) {
        case RenderFormat::Png:
            if (given(0)) {
                const int optimize = PyObject_IsTrue(extra[0]);
                if (optimize < 0) return false;
                out.optimize = optimize != 0;
            }
            return true;
        case RenderFormat::Vector: {
            static constexpr std::pair<const char*, label::ColourSpace> spaces[] = {
                {"rgb", label::ColourSpace::Rgb}, {"cmyk", label::ColourSpace::Cmyk}, {"gray", label::ColourSpace::Gray}};
            if (given(0) &&
                !convert_choice(extra[0], "colour_space", spaces, out.vector.colour_space, "'rgb', 'cmyk' or 'gray'"))
                return false;
            return !given(1) ||
                   convert_choice(extra[1], "text_font", text_fonts, out.vector.text_font, text_fonts_expected);
        }
        case RenderFormat::Zpl: {
            if (given(0)) {
                auto copies = to_count(extra[0], "copies", 1, "");
                if (!copies) return false;
                if (*copies > 99999999) {
                    raise_value("copies", "copies must be from 1 to 99999999");
                    return false;
                }
                out.zpl.copies = *copies;
            }
            static constexpr std::pair<const char*, label::ZplOptions::Compression> forms[] = {
                {"z64", label::ZplOptions::Compression::Z64}, {"hex", label::ZplOptions::Compression::Hex}};
            return !given(1) || convert_choice(extra[1], "compression", forms, out.zpl.compression, "'z64' or 'hex'");
        }
        case RenderFormat::Shared: break;
    }
    return true;
}

}  // namespace

bool convert_zpl_options(PyObject* copies, PyObject* compression, label::ZplOptions& out) {
    PyObject* const extra[] = {copies, compression};
    FormatOptions options;
    if (!convert_format_options(RenderFormat::Zpl, extra, options)) return false;
    out = options.zpl;
    return true;
}

bool convert_text_font(PyObject* object, label::TextFont& out) {
    if (object == nullptr || object == Py_None) return true;
    if (convert_choice(object, "text_font", text_fonts, out, text_fonts_expected)) return true;
    as_tavlo_error();
    return false;
}

std::optional<label::Length> to_length(PyObject* object, const char* name, bool zero_allowed) {
    label::Length length;
    if (PyUnicode_Check(object)) {
        auto text = to_text(object, name);
        if (!text) return std::nullopt;
        auto parsed = label::parse_length(*text);
        if (!parsed) {
            raise_value(name, parsed.error());
            return std::nullopt;
        }
        length = *parsed;
    } else if (PyBool_Check(object) || !PyNumber_Check(object)) {
        raise_not_instance(object, "str, int or float", name);
        return std::nullopt;
    } else {
        auto value = to_double(object, name);
        if (!value && PyErr_ExceptionMatches(PyExc_OverflowError)) {  // an int past any double: not finite
            PyErr_Clear();
            value = HUGE_VAL;
        }
        if (!value) return std::nullopt;
        if (!std::isfinite(*value) || *value < 0) {
            raise_value(name, "a length must be a finite number, not negative");
            return std::nullopt;
        }
        length = {*value, label::Length::Unit::Mm};
    }
    if (length.value == 0 && !zero_allowed) {
        raise_value(name, "a length must be more than zero");
        return std::nullopt;
    }
    return length;
}

std::optional<label::Options> bind_render_options(const char* owner, const char* method, PyObject* const* args,
                                                  Py_ssize_t nargs, PyObject* kwnames, bool png) {
    FormatOptions format_options;
    auto options = bind_render_options(owner, method, args, nargs, kwnames,
                                       png ? RenderFormat::Png : RenderFormat::Shared, format_options);
    if (options) options->optimize = format_options.optimize;
    return options;
}

namespace {

std::optional<label::Options> bind_checked(const char* owner, const char* method, PyObject* const* args,
                                           Py_ssize_t nargs, PyObject* kwnames, RenderFormat format,
                                           FormatOptions& format_options) {
    std::array<PyObject*, most_parameters> bound{};
    const std::span<const Parameter> accepted = parameters_of(format);
    if (!bind_fastcall({method, accepted}, owner, args, nargs, kwnames, std::span(bound).first(accepted.size())))
        return std::nullopt;
    auto given = [&](std::size_t i) { return bound[i] != nullptr && bound[i] != Py_None; };
    label::Options options;
    if (bound[0]) {
        auto dpi = to_count(bound[0], "dpi", 1, "");
        if (!dpi) return std::nullopt;
        options.dpi = *dpi;
    }
    if (given(1) && !convert(bound[1], "x_dim", options.x_dim)) return std::nullopt;
    if (given(2) && !convert(bound[2], "width", options.width)) return std::nullopt;
    if (given(3) && !convert(bound[3], "height", options.height)) return std::nullopt;
    if (given(4) && !(options.quiet_zone = to_count(bound[4], "quiet_zone", 0, " modules"))) return std::nullopt;
    if (given(5)) {
        auto reduction = to_length(bound[5], "bar_width_reduction", true);
        if (!reduction) return std::nullopt;
        options.bar_width_reduction = *reduction;
    }
    if (given(6)) {
        auto colour = to_colour(bound[6], "foreground");
        if (!colour) return std::nullopt;
        if (colour->a == 0) {  // bars nobody can see: always a mistake, never a label
            raise_value("foreground", "the foreground may not be fully transparent");
            return std::nullopt;
        }
        options.foreground = *colour;
    }
    if (bound[7]) {
        if (bound[7] == Py_None)
            options.background = {255, 255, 255, 0};
        else if (auto colour = to_colour(bound[7], "background"))
            options.background = *colour;
        else
            return std::nullopt;
    }
    if (given(8)) {
        const int text = PyObject_IsTrue(bound[8]);
        if (text < 0) return std::nullopt;
        options.text = text != 0;
    }
    if (given(magnification_index) && !(options.magnification = to_magnification(bound[magnification_index])))
        return std::nullopt;
    if (bound[max_pixels_index] && !to_max_pixels(bound[max_pixels_index], options.max_pixels)) return std::nullopt;
    if (!convert_format_options(format, std::span(bound).subspan(shared_parameters), format_options))
        return std::nullopt;
    options.optimize = format_options.optimize;
    return options;
}

}  // namespace

std::optional<label::Options> bind_render_options(const char* owner, const char* method, PyObject* const* args,
                                                  Py_ssize_t nargs, PyObject* kwnames, RenderFormat format,
                                                  FormatOptions& format_options) {
    auto options = bind_checked(owner, method, args, nargs, kwnames, format, format_options);
    if (!options) as_tavlo_error();
    return options;
}

}  // namespace tavlo::py

namespace tavlo::py::label_module {

PyObject* check_render_options(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return bind_render_options("tavlo._label", "check_render_options", args, nargs, kwnames, true) ? Py_NewRef(Py_None)
                                                                                                    : nullptr;
}

PyMethodDef render_option_functions[] = {
    {"check_render_options", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(check_render_options)),
     METH_FASTCALL | METH_KEYWORDS,
     "check_render_options(**options)\n--\n\nRaises what png() would for these options, without a label."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace tavlo::py::label_module
