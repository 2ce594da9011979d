// The module entry point: one execution step that publishes the 18 classes and the exception, in a fixed
// order, from type objects created once per process.
#include "binding.hpp"

namespace tavlo::py {

Types types;

void raise_tavlo_error(const TavloError& error) { raise_text(types.tavlo_error, error.display()); }

namespace {

bool create_types() {
    types.tavlo_error = PyErr_NewExceptionWithDoc("_tavlo.PyTavloError", nullptr, PyExc_Exception, nullptr);
    return types.tavlo_error && create_geometry_types() && create_text_symbol_types() && create_code128_types() &&
           create_matrix_types();
}

// Appends the name to __all__ (made on the first addition), then sets the attribute.
bool add(PyObject* module, const char* name, PyObject* object) {
    PyObject* all = nullptr;
#if PY_VERSION_HEX >= 0x030D0000
    if (PyObject_GetOptionalAttrString(module, "__all__", &all) < 0) return false;
#else
    all = PyObject_GetAttrString(module, "__all__");
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
        PyErr_Clear();
    }
#endif
    if (!all) {
        all = PyList_New(0);
        if (!all || PyObject_SetAttrString(module, "__all__", all) < 0) {
            Py_XDECREF(all);
            return false;
        }
    }
    PyObject* text = PyUnicode_FromString(name);
    bool ok = text && PyList_Append(all, text) == 0 && PyModule_AddObjectRef(module, name, object) == 0;
    Py_XDECREF(text);
    Py_DECREF(all);
    return ok;
}

int exec_module(PyObject* module) {
    if (!PyModule_Check(module)) {
        PyErr_SetString(PyExc_TypeError, "expected a module object");
        return -1;
    }
    if (!create_once<create_types>()) return -1;
    const std::pair<const char*, PyTypeObject*> classes[] = {
        {"Code128", types.code128},
        {"Code39", types.code39},
        {"UpcA", types.upc_a},
        {"Ean8", types.ean8},
        {"Itf", types.itf},
        {"QrCode", types.qr_code},
        {"DataMatrix", types.data_matrix},
        {"LinearGeometry", types.linear_geometry},
        {"MatrixGeometry", types.matrix_geometry},
        {"Bar", types.bar},
        {"Data", types.data},
        {"FNC1", types.fnc1},
        {"FNC2", types.fnc2},
        {"FNC3", types.fnc3},
        {"FNC4", types.fnc4},
        {"StartA", types.start_a},
        {"StartB", types.start_b},
        {"StartC", types.start_c},
    };
    for (const auto& [name, type] : classes)
        if (!add(module, name, reinterpret_cast<PyObject*>(type))) return -1;
    return add(module, "TavloError", types.tavlo_error) ? 0 : -1;
}

PyModuleDef_Slot module_slots[] = {{Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#ifdef Py_mod_gil
                                   {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
                                   {0, nullptr}};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_tavlo", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace tavlo::py

PyMODINIT_FUNC PyInit__tavlo(void) { return PyModuleDef_Init(&tavlo::py::module_def); }
