// What the parts of tavlo._label share: the objects taken from _tavlo at import, and the types made here.
#pragma once

#include <optional>
#include <vector>

#include "binding.hpp"
#include "tavlo/kinds.hpp"

namespace tavlo::py::label_module {

// Created once per process, on the first import, then only read.
struct State {
    PyObject* tavlo_error;            // _tavlo.TavloError: one exception class for both modules
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

// The options as (name, text) pairs from a tuple (nullptr: none); each name must be one the kind takes. The
// views borrow from `tuple`. Empty with a Python exception set on failure.
std::optional<std::vector<KindOption>> kind_options_of(const KindSpec& kind, PyObject* tuple);

// render_many(): many labels of one kind at once, on native threads.
extern PyMethodDef render_many_functions[];

bool create_label_type();
bool create_layout_type();

}  // namespace tavlo::py::label_module
