// tavlo._label.kinds(): the table of kinds as the package and the command line read it.
#include "label_module.hpp"
#include "tavlo/kinds.hpp"

namespace tavlo::py::label_module {
namespace {

const char* family_name(Family family) {
    switch (family) {
    case Family::Retail: return "retail";
    case Family::Industrial: return "industrial";
    case Family::Gs1: return "gs1";
    case Family::Stacked: return "stacked";
    case Family::Matrix: return "matrix";
    }
    return "";
}

PyObject* new_text(std::string_view text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

PyObject* kind_dict(const KindSpec& kind) {
    PyObject* options = PyTuple_New(static_cast<Py_ssize_t>(kind.options.size()));
    if (!options) return nullptr;
    for (std::size_t i = 0; i < kind.options.size(); ++i) {
        PyObject* name = new_text(kind.options[i]);
        if (!name) {
            Py_DECREF(options);
            return nullptr;
        }
        PyTuple_SET_ITEM(options, static_cast<Py_ssize_t>(i), name);
    }
    return Py_BuildValue("{s:N,s:N,s:N,s:s,s:O,s:O,s:N}", "name", new_text(kind.name), "class_name",
                         new_text(kind.class_name), "title", new_text(kind.title), "family",
                         family_name(kind.family), "matrix", kind.matrix ? Py_True : Py_False, "gs1",
                         kind.gs1 ? Py_True : Py_False, "options", options);
}

// kinds() -> tuple of dicts, one per kind in the table's order.
PyObject* kinds_function(PyObject*, PyObject*) {
    const auto table = kinds();
    PyObject* result = PyTuple_New(static_cast<Py_ssize_t>(table.size()));
    if (!result) return nullptr;
    for (std::size_t i = 0; i < table.size(); ++i) {
        PyObject* row = kind_dict(table[i]);
        if (!row) {
            Py_DECREF(result);
            return nullptr;
        }
        PyTuple_SET_ITEM(result, static_cast<Py_ssize_t>(i), row);
    }
    return result;
}

}  // namespace

PyMethodDef kind_functions[] = {
    {"kinds", kinds_function, METH_NOARGS,
     "kinds()\n--\n\nEvery kind of symbol the package makes, one dict each: name (the command line's subcommand), "
     "class_name, title, family, matrix, gs1 and options (the keyword options the kind takes)."},
    {}};

}  // namespace tavlo::py::label_module
