// The behaviour shared by the seven symbol classes: each object holds one geometry, made once by its
// constructor, and geometry(), render_png() and render_svg() work from it. Linear and matrix classes differ
// only in which core renderers they call.
#pragma once

#include <array>
#include <cstring>

#include "arguments.hpp"
#include "binding.hpp"
#include "tavlo/render.hpp"
#include "tavlo/unit.hpp"

namespace tavlo::py {

template <class Geometry>
struct Renderers;

template <>
struct Renderers<LinearGeometry> {
    static constexpr auto png = render_linear_png;
    static constexpr auto svg = render_linear_svg;
    static PyObject* to_python(const LinearGeometry& geometry) { return new_linear_geometry(geometry); }
};

template <>
struct Renderers<MatrixGeometry> {
    static constexpr auto png = render_matrix_png;
    static constexpr auto svg = render_matrix_svg;
    static PyObject* to_python(const MatrixGeometry& geometry) { return new_matrix_geometry(geometry); }
};

// A new symbol object of `type` holding the encoder's geometry, or the encoder's error raised. The object is a
// Wrapper<Geometry>, which tavlo._label reads too: the labels draw this geometry without copying it.
template <class Geometry>
PyObject* new_symbol(PyTypeObject* type, Result<Geometry>&& encoded) {
    return into_py_result(std::move(encoded), [type](Geometry&& geometry) { return wrap(type, std::move(geometry)); });
}

template <class Geometry>
PyObject* symbol_geometry(PyObject* self, PyObject*) {
    return Renderers<Geometry>::to_python(unwrap<Geometry>(self));
}

// Whether a PNG is large enough to be written without the interpreter's lock (`release_from::png_pixels`); a
// request that fails to size is refused at once, with the lock held.
inline bool large_png(const PngRequest& request) {
    auto size = pixel_size(request.width, request.height, request.unit, request.dpi);
    return size && std::uint64_t(size->width_px) * size->height_px >= release_from::png_pixels;
}

template <class Geometry>
PyObject* symbol_render_png(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Parameter parameters[] = {
        {"width"}, {"height"}, {"unit", true, false}, {"dpi", true, false}, {"quiet_zone_modules", true, false}};
    std::array<PyObject*, 5> bound;
    if (!bind_fastcall({"render_png", parameters}, bare_name(Py_TYPE(self)), args, nargs, kwnames, bound))
        return nullptr;
    // A keyword left out keeps the request's default.
    PngRequest request;
    auto width = to_double(bound[0], "width");
    if (!width) return nullptr;
    auto height = to_double(bound[1], "height");
    if (!height) return nullptr;
    request.width = *width;
    request.height = *height;
    std::optional<std::string_view> unit_text;
    if (bound[2] && !(unit_text = to_text(bound[2], "unit"))) return nullptr;
    if (!to_optional_u32(bound[3], "dpi", request.dpi)) return nullptr;
    if (bound[4]) {
        auto quiet_zone = to_u32(bound[4], "quiet_zone_modules");
        if (!quiet_zone) return nullptr;
        request.quiet_zone_modules = *quiet_zone;
    }

    return guarded([&]() -> PyObject* {
        if (unit_text) {
            auto unit = unit_from_str(*unit_text);
            if (!unit) {
                raise_tavlo_error(unit.error());
                return nullptr;
            }
            request.unit = *unit;
        }
        const Geometry& geometry = unwrap<Geometry>(self);
        return into_py_result(without_gil(large_png(request), [&] { return Renderers<Geometry>::png(geometry, request); }),
                              [](PngBytes&& png) {
                                  return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(png.data()),
                                                                   static_cast<Py_ssize_t>(png.size()));
                              });
    });
}

template <class Geometry>
PyObject* symbol_render_svg(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Parameter parameters[] = {{"quiet_zone_modules", true, false}};
    std::array<PyObject*, 1> bound;
    if (!bind_fastcall({"render_svg", parameters}, bare_name(Py_TYPE(self)), args, nargs, kwnames, bound))
        return nullptr;
    std::optional<std::uint32_t> quiet_zone = default_quiet_zone_modules;
    if (bound[0] && !(quiet_zone = to_u32(bound[0], "quiet_zone_modules"))) return nullptr;
    return guarded([&]() -> PyObject* {
        const Geometry& geometry = unwrap<Geometry>(self);
        std::string svg = without_gil(dark_elements(geometry) >= release_from::svg_elements,
                                      [&] { return Renderers<Geometry>::svg(geometry, *quiet_zone); });
        return PyUnicode_FromStringAndSize(svg.data(), static_cast<Py_ssize_t>(svg.size()));
    });
}

#define TAVLO_SYMBOL_METHODS(Geometry)                                                                        \
    {"geometry", tavlo::py::symbol_geometry<Geometry>, METH_NOARGS, "geometry($self)\n--\n\n"},               \
        {"render_png",                                                                                        \
         reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tavlo::py::symbol_render_png<Geometry>)), \
         METH_FASTCALL | METH_KEYWORDS,                                                                       \
         "render_png($self, width, height, *, unit=\"in\", dpi=None, quiet_zone_modules=0)\n--\n\n"},         \
        {"render_svg",                                                                                        \
         reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(tavlo::py::symbol_render_svg<Geometry>)), \
         METH_FASTCALL | METH_KEYWORDS, "render_svg($self, *, quiet_zone_modules=0)\n--\n\n"}

template <class Geometry>
inline PyMethodDef symbol_methods[] = {TAVLO_SYMBOL_METHODS(Geometry), {}};

// Creates one symbol class from its name ("builtins.Ean8"), text-signature docstring, constructor and
// method table.
template <class Geometry>
PyTypeObject* create_symbol_type(const char* name, const char* doc, newfunc constructor,
                                 PyMethodDef* methods = symbol_methods<Geometry>) {
    PyType_Slot slots[] = {{Py_tp_new, reinterpret_cast<void*>(constructor)},
                           {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_wrapper<Geometry>)},
                           {Py_tp_methods, methods},
                           {Py_tp_doc, const_cast<char*>(doc)},
                           {}};
    PyType_Spec spec = {name, sizeof(Wrapper<Geometry>), 0, class_flags, slots};
    return type_from_spec(&spec);
}

}  // namespace tavlo::py
