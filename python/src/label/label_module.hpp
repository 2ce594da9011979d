// What the parts of tavlo._label share: the objects taken from _tavlo at import, and the types made here.
#pragma once

#include "binding.hpp"

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
};

extern State state;

// The module's functions: GS1-128 elements and ITF-14 digits for the package's GS1 classes, and the table
// of kinds for the package and the command line.
extern PyMethodDef gs1_functions[];
extern PyMethodDef kind_functions[];
// check_render_options(**options): the render methods' own check of their keywords, for the command line.
extern PyMethodDef render_option_functions[];

bool create_label_type();
bool create_layout_type();

}  // namespace tavlo::py::label_module
