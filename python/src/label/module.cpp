// tavlo._label: the module entry point. It takes its exception and the geometry records from _tavlo, so a
// failure here is the same TavloError a caller of _tavlo sees and a geometry the same record.
#include "label_module.hpp"

namespace tavlo::py {

// A refused option value is also a ValueError, as the package's own argument checks raise.
void raise_tavlo_error(const TavloError& error) {
    PyObject* type = error.kind() == TavloError::Kind::InvalidOption ? label_module::state.value_error
                                                                     : label_module::state.tavlo_error;
    raise_text(type, error.display());
}

namespace label_module {

State state;

namespace {

PyTypeObject* type_attribute(PyObject* module, const char* name) {
    PyObject* object = PyObject_GetAttrString(module, name);
    if (object && !PyType_Check(object)) {
        PyErr_Format(PyExc_TypeError, "_tavlo.%s is not a class", name);
        Py_CLEAR(object);
    }
    return reinterpret_cast<PyTypeObject*>(object);
}

// An exception class that is both TavloError and `base`, for values the package refuses.
PyObject* refusal(const char* name, PyObject* base) {
    PyObject* bases = PyTuple_Pack(2, state.tavlo_error, base);
    if (!bases) return nullptr;
    PyObject* type = PyErr_NewException(name, bases, nullptr);
    Py_DECREF(bases);
    return type;
}

bool create_state() {
    PyObject* tavlo = PyImport_ImportModule("_tavlo");
    if (!tavlo) return false;
    bool ok = (state.tavlo_error = PyObject_GetAttrString(tavlo, "TavloError")) != nullptr &&
              (state.value_error = refusal("tavlo.TavloValueError", PyExc_ValueError)) != nullptr &&
              (state.type_error = refusal("tavlo.TavloTypeError", PyExc_TypeError)) != nullptr &&
              (state.linear_geometry = type_attribute(tavlo, "LinearGeometry")) != nullptr &&
              (state.matrix_geometry = type_attribute(tavlo, "MatrixGeometry")) != nullptr;
    Py_DECREF(tavlo);
    state.print_warning = PyErr_NewExceptionWithDoc(
        "tavlo.PrintWarning",
        "A label was made at sizes that the standard does not allow or that a scanner may not read: an X-dimension "
        "outside the range the GS1 General Specifications give for the symbol, or a bar width reduction of half "
        "a module or more.",
        PyExc_UserWarning, nullptr);
    return ok && state.print_warning && create_label_type() && create_layout_type() && create_drawing_type();
}

int exec_module(PyObject* module) {
    if (!create_once<create_state>()) return -1;
    if (PyModule_AddFunctions(module, kind_functions) < 0) return -1;
    if (PyModule_AddFunctions(module, label_functions) < 0) return -1;
    if (PyModule_AddFunctions(module, render_many_functions) < 0) return -1;
    if (PyModule_AddFunctions(module, drawing_functions) < 0) return -1;
    if (PyModule_AddObjectRef(module, "Drawing", reinterpret_cast<PyObject*>(state.drawing)) < 0) return -1;
    if (PyModule_AddObjectRef(module, "Label", reinterpret_cast<PyObject*>(state.label)) < 0) return -1;
    if (PyModule_AddObjectRef(module, "Layout", reinterpret_cast<PyObject*>(state.layout)) < 0) return -1;
    if (PyModule_AddObjectRef(module, "PrintWarning", state.print_warning) < 0) return -1;
    if (PyModule_AddObjectRef(module, "TavloValueError", state.value_error) < 0) return -1;
    if (PyModule_AddObjectRef(module, "TavloTypeError", state.type_error) < 0) return -1;
    if (PyModule_AddFunctions(module, render_option_functions) < 0) return -1;
    return PyModule_AddObjectRef(module, "TavloError", state.tavlo_error);
}

PyModuleDef_Slot module_slots[] = {{Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#ifdef Py_mod_gil
                                   {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
                                   {0, nullptr}};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "tavlo._label",
    "Print-exact label rendering for the tavlo package.",
    0,
    gs1_functions,
    module_slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace
}  // namespace label_module
}  // namespace tavlo::py

PyMODINIT_FUNC PyInit__label(void) { return PyModuleDef_Init(&tavlo::py::label_module::module_def); }
