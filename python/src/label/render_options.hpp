// The rendering keywords every render method of a label takes, bound and converted in one place.
#pragma once

#include <optional>

#include "arguments.hpp"
#include "tavlo/label.hpp"

namespace tavlo::py {

// Which keywords a method takes besides the shared ones: png() optimize, svg(), pdf() and eps() colour_space
// and text_font, zpl() copies and compression.
enum class RenderFormat { Shared, Png, Vector, Zpl };

// What those format keywords set.
struct FormatOptions {
    bool optimize = false;
    label::VectorOptions vector;
    label::ZplOptions zpl;
};

// "dpi=300, x_dim=None, width=None, height=None, quiet_zone=None, bar_width_reduction=0,
// foreground='#000000', background='#ffffff', text=None, magnification=None", all keyword-only, and for `png`
// also optimize=False.
// Lengths: a str with a unit or a number of millimetres; colours: a str or an (r, g, b[, a]) tuple; background
// None is transparent. Empty with a Python exception set on failure.
std::optional<label::Options> bind_render_options(const char* owner, const char* method, PyObject* const* args,
                                                  Py_ssize_t nargs, PyObject* kwnames, bool png = false);

// A length argument: a str with a unit, or a number of millimetres. Zero is a length only where
// `zero_allowed` (the bar width reduction, a sheet's margins and gaps).
std::optional<label::Length> to_length(PyObject* object, const char* name, bool zero_allowed);

// zpl()'s copies and compression (nullptr or None: the default), as a label's zpl() takes them; false with a
// Python exception set on a refused value.
bool convert_zpl_options(PyObject* copies, PyObject* compression, label::ZplOptions& out);

// A drawing's svg() and pdf() and pdf_pages()'s text_font ('outlines', 'named'; nullptr or None: the default,
// outlines); false with a TavloValueError set on a refused value.
bool convert_text_font(PyObject* object, label::TextFont& out);

// The same, with the keywords of `format` converted into `format_options`.
std::optional<label::Options> bind_render_options(const char* owner, const char* method, PyObject* const* args,
                                                  Py_ssize_t nargs, PyObject* kwnames, RenderFormat format,
                                                  FormatOptions& format_options);

}  // namespace tavlo::py
