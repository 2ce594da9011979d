#include "arguments.hpp"

#include <string>

namespace tavlo::py {
namespace {

std::string callable_name(const char* owner, const Signature& signature) {
    return std::string(owner) + "." + signature.method + "()";
}

std::size_t positional_count(const Signature& signature) {
    std::size_t count = 0;
    for (const Parameter& parameter : signature.parameters)
        if (!parameter.keyword_only) ++count;
    return count;
}

// Names a keyword to a parameter slot, refusing unknown names and values given twice.
bool assign_keyword(const Signature& signature, const char* owner, PyObject* key, PyObject* value, Py_ssize_t nargs,
                    std::span<PyObject*> bound) {
    for (std::size_t i = 0; i < signature.parameters.size(); ++i) {
        if (PyUnicode_CompareWithASCIIString(key, signature.parameters[i].name) != 0) continue;
        if (bound[i] != nullptr || static_cast<Py_ssize_t>(i) < nargs) {
            PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'",
                         callable_name(owner, signature).c_str(), signature.parameters[i].name);
            return false;
        }
        bound[i] = value;
        return true;
    }
    PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'", callable_name(owner, signature).c_str(),
                 key);
    return false;
}

bool bind_positional(const Signature& signature, const char* owner, PyObject* const* args, Py_ssize_t nargs,
                     std::span<PyObject*> bound) {
    std::size_t positional = positional_count(signature);
    if (static_cast<std::size_t>(nargs) > positional) {
        PyErr_Format(PyExc_TypeError, "%s takes %zu positional arguments but %zd %s given",
                     callable_name(owner, signature).c_str(), positional, nargs, nargs == 1 ? "was" : "were");
        return false;
    }
    for (std::size_t i = 0; i < bound.size(); ++i) bound[i] = static_cast<Py_ssize_t>(i) < nargs ? args[i] : nullptr;
    return true;
}

bool check_required(const Signature& signature, const char* owner, std::span<PyObject*> bound) {
    std::string names;
    std::size_t missing = 0, total = 0;
    for (std::size_t i = 0; i < bound.size(); ++i)
        if (signature.parameters[i].required && !signature.parameters[i].keyword_only && bound[i] == nullptr) ++total;
    if (total == 0) return true;
    for (std::size_t i = 0; i < bound.size(); ++i) {
        const Parameter& parameter = signature.parameters[i];
        if (!parameter.required || parameter.keyword_only || bound[i] != nullptr) continue;
        ++missing;
        if (missing > 1) names += total == 2 ? " and " : (missing == total ? ", and " : ", ");
        names += std::string("'") + parameter.name + "'";
    }
    PyErr_Format(PyExc_TypeError, "%s missing %zu required positional argument%s: %s",
                 callable_name(owner, signature).c_str(), total, total == 1 ? "" : "s", names.c_str());
    return false;
}

}  // namespace

bool bind_fastcall(const Signature& signature, const char* owner, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, std::span<PyObject*> bound) {
    nargs = PyVectorcall_NARGS(nargs);
    if (!bind_positional(signature, owner, args, nargs, bound)) return false;
    Py_ssize_t keywords = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < keywords; ++k)
        if (!assign_keyword(signature, owner, PyTuple_GET_ITEM(kwnames, k), args[nargs + k], nargs, bound))
            return false;
    return check_required(signature, owner, bound);
}

bool bind_tuple(const Signature& signature, const char* owner, PyObject* args, PyObject* kwargs,
                std::span<PyObject*> bound) {
    Py_ssize_t nargs = PyTuple_GET_SIZE(args);
    if (!bind_positional(signature, owner, &PyTuple_GET_ITEM(args, 0), nargs, bound)) return false;
    if (kwargs) {
        Py_ssize_t pos = 0;
        PyObject *key, *value;
        while (PyDict_Next(kwargs, &pos, &key, &value))
            if (!assign_keyword(signature, owner, key, value, nargs, bound)) return false;
    }
    return check_required(signature, owner, bound);
}

void prefix_type_error(const char* name) {
#if PY_VERSION_HEX >= 0x030C0000
    PyObject* cause = PyErr_GetRaisedException();
    if (!cause) return;
    if (!Py_IS_TYPE(cause, reinterpret_cast<PyTypeObject*>(PyExc_TypeError))) {
        PyErr_SetRaisedException(cause);
        return;
    }
    PyObject* replacement = PyUnicode_FromFormat("argument '%s': %S", name, cause);
    if (replacement) {
        PyObject* error = PyObject_CallOneArg(PyExc_TypeError, replacement);
        Py_DECREF(replacement);
        if (error) {
            PyException_SetCause(error, cause);  // steals cause
            PyErr_SetRaisedException(error);     // steals error
            return;
        }
    }
    Py_DECREF(cause);
#else
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    if (type != PyExc_TypeError) {
        PyErr_Restore(type, value, traceback);
        return;
    }
    PyErr_NormalizeException(&type, &value, &traceback);
    if (traceback) PyException_SetTraceback(value, traceback);
    PyObject* error = nullptr;
    if (PyObject* replacement = PyUnicode_FromFormat("argument '%s': %S", name, value)) {
        error = PyObject_CallOneArg(PyExc_TypeError, replacement);
        Py_DECREF(replacement);
    }
    Py_XDECREF(type);
    Py_XDECREF(traceback);
    if (!error) {
        Py_DECREF(value);
        return;
    }
    PyException_SetCause(error, value);
    PyErr_SetObject(PyExc_TypeError, error);
    Py_DECREF(error);
#endif
}

void raise_not_instance(PyObject* object, const char* expected, const char* name) {
    PyObject* type_name = PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)), "__qualname__");
    if (type_name) {
        PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of '%s'", type_name, expected);
        Py_DECREF(type_name);
    }
    prefix_type_error(name);
}

std::optional<std::string_view> to_text(PyObject* object, const char* name) {
    if (object == Py_None) {
        PyErr_SetString(PyExc_TypeError, "'None' is not an instance of 'str'");
        prefix_type_error(name);
        return std::nullopt;
    }
    if (!PyUnicode_Check(object)) {
        raise_not_instance(object, "str", name);
        return std::nullopt;
    }
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (!utf8) {
        prefix_type_error(name);
        return std::nullopt;
    }
    return std::string_view(utf8, static_cast<std::size_t>(size));
}

std::optional<double> to_double(PyObject* object, const char* name) {
    if (PyFloat_CheckExact(object)) return PyFloat_AS_DOUBLE(object);
    double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) {
        prefix_type_error(name);
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> to_u32(PyObject* object, const char* name) {
    long long value = PyLong_AsLongLong(object);
    if (value == -1 && PyErr_Occurred()) {
        prefix_type_error(name);
        return std::nullopt;
    }
    if (value < 0 || value > 0xFFFFFFFFLL) {
        PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

bool to_optional_u32(PyObject* object, const char* name, std::optional<std::uint32_t>& out) {
    out.reset();
    if (object == nullptr || object == Py_None) return true;
    out = to_u32(object, name);
    return out.has_value();
}

}  // namespace tavlo::py
