#include "render_options.hpp"

#include <array>
#include <cmath>
#include <string>

#include "binding.hpp"

namespace tavlo::py {
namespace {

constexpr Parameter parameters[] = {
    {"dpi", true, false},        {"x_dim", true, false},      {"width", true, false},
    {"height", true, false},     {"quiet_zone", true, false}, {"bar_width_reduction", true, false},
    {"foreground", true, false}, {"background", true, false}, {"text", true, false},
    {"optimize", true, false},  // png() only
};
constexpr std::size_t shared_parameters = std::size(parameters) - 1;

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

}  // namespace

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
    if (given(9)) {
        const int optimize = PyObject_IsTrue(bound[9]);
        if (optimize < 0) return std::nullopt;
        options.optimize = optimize != 0;
    }
    return options;
}

}  // namespace tavlo::py
