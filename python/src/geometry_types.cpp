// Bar, LinearGeometry and MatrixGeometry: read-only views of core records, made only by the module.
#include "binding.hpp"

namespace tavlo::py {
namespace {

using PyBar = Wrapper<Bar>;
using PyLinearGeometry = Wrapper<LinearGeometry>;
using PyMatrixGeometry = Wrapper<MatrixGeometry>;

PyObject* bar_x(PyObject* self, void*) { return PyLong_FromUnsignedLong(unwrap<Bar>(self).x); }
PyObject* bar_width(PyObject* self, void*) { return PyLong_FromUnsignedLong(unwrap<Bar>(self).width); }
PyObject* bar_repr(PyObject* self) {
    const Bar& bar = unwrap<Bar>(self);
    return PyUnicode_FromFormat("Bar(x=%u, width=%u)", bar.x, bar.width);
}

PyObject* linear_bars(PyObject* self, void*) {
    return guarded([&]() -> PyObject* {
        const LinearGeometry& geometry = unwrap<LinearGeometry>(self);
        PyObject* list = PyList_New(static_cast<Py_ssize_t>(geometry.bars.size()));
        if (!list) return nullptr;
        for (std::size_t i = 0; i < geometry.bars.size(); ++i) {
            PyObject* bar = wrap(types.bar, Bar(geometry.bars[i]));
            if (!bar) {
                Py_DECREF(list);
                return nullptr;
            }
            PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), bar);
        }
        return list;
    });
}
PyObject* linear_total_modules(PyObject* self, void*) {
    return PyLong_FromUnsignedLong(unwrap<LinearGeometry>(self).total_modules);
}
PyObject* linear_repr(PyObject* self) {
    const LinearGeometry& geometry = unwrap<LinearGeometry>(self);
    return PyUnicode_FromFormat("LinearGeometry(bars=[...%zu bars], total_modules=%u)", geometry.bars.size(),
                                geometry.total_modules);
}

PyObject* matrix_modules(PyObject* self, void*) {
    const MatrixGeometry& geometry = unwrap<MatrixGeometry>(self);
    PyObject* rows = PyList_New(geometry.height);
    if (!rows) return nullptr;
    const std::uint8_t* cell = geometry.modules.data();
    for (std::uint32_t r = 0; r < geometry.height; ++r) {
        PyObject* row = PyList_New(geometry.width);
        if (!row) {
            Py_DECREF(rows);
            return nullptr;
        }
        for (std::uint32_t c = 0; c < geometry.width; ++c)
            PyList_SET_ITEM(row, c, Py_NewRef(*cell++ ? Py_True : Py_False));
        PyList_SET_ITEM(rows, r, row);
    }
    return rows;
}
PyObject* matrix_width(PyObject* self, void*) { return PyLong_FromUnsignedLong(unwrap<MatrixGeometry>(self).width); }
PyObject* matrix_height(PyObject* self, void*) { return PyLong_FromUnsignedLong(unwrap<MatrixGeometry>(self).height); }
PyObject* matrix_is_square(PyObject* self, PyObject*) {
    const MatrixGeometry& geometry = unwrap<MatrixGeometry>(self);
    return PyBool_FromLong(geometry.width == geometry.height);
}
PyObject* matrix_repr(PyObject* self) {
    const MatrixGeometry& geometry = unwrap<MatrixGeometry>(self);
    return PyUnicode_FromFormat("MatrixGeometry(width=%u, height=%u)", geometry.width, geometry.height);
}

PyGetSetDef bar_getset[] = {
    {"x", bar_x, nullptr, nullptr, nullptr}, {"width", bar_width, nullptr, nullptr, nullptr}, {}};
PyGetSetDef linear_getset[] = {{"bars", linear_bars, nullptr, nullptr, nullptr},
                               {"total_modules", linear_total_modules, nullptr, nullptr, nullptr},
                               {}};
PyGetSetDef matrix_getset[] = {{"modules", matrix_modules, nullptr, nullptr, nullptr},
                               {"width", matrix_width, nullptr, nullptr, nullptr},
                               {"height", matrix_height, nullptr, nullptr, nullptr},
                               {}};
PyMethodDef matrix_methods[] = {{"is_square", matrix_is_square, METH_NOARGS, "is_square($self)\n--\n\n"}, {}};

constexpr unsigned geometry_class_flags = class_flags | Py_TPFLAGS_DISALLOW_INSTANTIATION;

PyType_Slot bar_slots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(dealloc_wrapper<Bar>)},
                           {Py_tp_getset, bar_getset},
                           {Py_tp_repr, reinterpret_cast<void*>(bar_repr)},
                           {}};
PyType_Slot linear_slots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(dealloc_wrapper<LinearGeometry>)},
                              {Py_tp_getset, linear_getset},
                              {Py_tp_repr, reinterpret_cast<void*>(linear_repr)},
                              {}};
PyType_Slot matrix_slots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(dealloc_wrapper<MatrixGeometry>)},
                              {Py_tp_getset, matrix_getset},
                              {Py_tp_methods, matrix_methods},
                              {Py_tp_repr, reinterpret_cast<void*>(matrix_repr)},
                              {}};

PyType_Spec bar_spec = {"builtins.Bar", sizeof(PyBar), 0, geometry_class_flags, bar_slots};
PyType_Spec linear_spec = {"builtins.LinearGeometry", sizeof(PyLinearGeometry), 0, geometry_class_flags, linear_slots};
PyType_Spec matrix_spec = {"builtins.MatrixGeometry", sizeof(PyMatrixGeometry), 0, geometry_class_flags, matrix_slots};

}  // namespace

PyObject* new_linear_geometry(const LinearGeometry& geometry) {
    return guarded([&] { return wrap(types.linear_geometry, LinearGeometry(geometry)); });
}

PyObject* new_matrix_geometry(const MatrixGeometry& geometry) {
    return guarded([&] { return wrap(types.matrix_geometry, MatrixGeometry(geometry)); });
}

bool create_geometry_types() {
    return (types.bar = type_from_spec(&bar_spec)) && (types.linear_geometry = type_from_spec(&linear_spec)) &&
           (types.matrix_geometry = type_from_spec(&matrix_spec));
}

}  // namespace tavlo::py
