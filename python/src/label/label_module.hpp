// What the parts of tavlo._label share: the objects taken from _tavlo at import, and the types made here.
#pragma once

#include <optional>
#include <vector>

#include "binding.hpp"
#include "tavlo/kinds.hpp"
#include "tavlo/label.hpp"

namespace tavlo::py::label_module {

// Created once per process, on the first import, then only read.
struct State {
    PyObject* tavlo_error;            // _tavlo.TavloError: one exception class for both modules
    PyObject* value_error;            // tavlo.TavloValueError: a refused value, TavloError and ValueError
    PyObject* type_error;             // tavlo.TavloTypeError: a value of the wrong type, TavloError and TypeError
    PyTypeObject* linear_geometry;    // _tavlo.LinearGeometry, whose records the package's geometry() returns
    PyTypeObject* matrix_geometry;    // _tavlo.MatrixGeometry
    PyTypeObject* label;
    PyTypeObject* layout;
    PyTypeObject* drawing;  // a label, a sheet's page or a template, drawn in dots
    PyObject* print_warning;  // tavlo.PrintWarning, a UserWarning: a label made that may not print or scan well
};

extern State state;

// The module's functions: GS1-128 elements and ITF-14 digits for the package's GS1 classes, and the table
// of kinds for the package and the command line.
extern PyMethodDef gs1_functions[];
extern PyMethodDef kind_functions[];
extern PyMethodDef label_functions[];
// Drawings: a label's drawing, pages and templates composed of drawings, sheet cells and multi-page PDFs.
extern PyMethodDef drawing_functions[];

// The symbol a Label holds, which lives as long as the label; empty with TypeError set for another object.
std::optional<label::Symbol> label_symbol(PyObject* object);

// The planner's warnings as tavlo.PrintWarning, pointing at the caller's line; false when a warnings filter
// made one an exception. What makes a label warns (the render methods, a sheet's drawing); layout() only reports
// sizes, and is what a caller (the command line among them) asks to try a value.
bool warn_print(const label::Layout& layout);

// The options as (name, text) pairs from a tuple (nullptr: none); each name must be one the kind takes. The
// views borrow from `tuple`. Empty with a Python exception set on failure.
std::optional<std::vector<KindOption>> kind_options_of(const KindSpec& kind, PyObject* tuple);

// render_many(): many labels of one kind at once, on native threads.
extern PyMethodDef render_many_functions[];

// check_render_options(**options): the render methods' own check of their keywords, for the command line.
extern PyMethodDef render_option_functions[];

bool create_label_type();
bool create_layout_type();
bool create_drawing_type();

// A new Drawing object owning `drawing`; whether `object` is one; the drawing a Drawing object holds.
PyObject* new_drawing(label::Drawing&& drawing);
bool is_drawing(PyObject* object);
const label::Drawing& drawing_value(PyObject* object);

}  // namespace tavlo::py::label_module
