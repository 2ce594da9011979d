#include "render_options.hpp"

#include <array>
#include <cmath>
#include <string>

#include "binding.hpp"
#include "label_module.hpp"

namespace tavlo::py {
namespace {

constexpr Parameter parameters[] = {
    {"dpi", true, false},        {"x_dim", true, false},      {"width", true, false},
    {"height", true, false},     {"quiet_zone", true, false}, {"bar_width_reduction", true, false},
    {"foreground", true, false}, {"background", true, false}, {"text", true, false},
    {"max_pixels", true, false},
    {"optimize", true, false},  // png() only, and last
};
constexpr std::size_t shared_parameters = std::size(parameters) - 1;

void raise_value(const char* name, const std::string& message) {
    raise_text(PyExc_ValueError, "argument '" + std::string(name) + "': " + message);
}

// A number is millimetres. Zero is a length only where `zero_allowed` (the bar width reduction).
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

// Each converter fills one field of `options` from a present, non-None argument.
bool convert(PyObject* object, const char* name, std::optional<label::Length>& out) {
    auto length = to_length(object, name, false);
    out = length;
    return length.has_value();
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

std::optional<label::Options> bind_checked(const char* owner, const char* method, PyObject* const* args,
                                           Py_ssize_t nargs, PyObject* kwnames, bool png);

}  // namespace

std::optional<label::Options> bind_render_options(const char* owner, const char* method, PyObject* const* args,
                                                  Py_ssize_t nargs, PyObject* kwnames, bool png) {
    auto options = bind_checked(owner, method, args, nargs, kwnames, png);
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

namespace tavlo::py {
namespace {

std::optional<label::Options> bind_checked(const char* owner, const char* method, PyObject* const* args,
                                                  Py_ssize_t nargs, PyObject* kwnames, bool png) {
    std::array<PyObject*, std::size(parameters)> bound{};
    const std::span<const Parameter> accepted =
        std::span(parameters).first(png ? std::size(parameters) : shared_parameters);
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
    if (bound[9] && !to_max_pixels(bound[9], options.max_pixels)) return std::nullopt;
    if (png && given(10)) {
        const int optimize = PyObject_IsTrue(bound[10]);
        if (optimize < 0) return std::nullopt;
        options.optimize = optimize != 0;
    }
    return options;
}

}  // namespace

}  // namespace tavlo::py
