// One argument binder for every constructor and method, driven by a small description of the signature,
// and the converters that turn bound Python objects into the plain values the core takes. Every function
// here returns false (or an empty optional) with a Python exception set on failure.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tavlo::py {

struct Parameter {
    const char* name;
    bool keyword_only = false;
    bool required = true;
};

// A callable's parameters in signature order, positional-or-keyword ones first.
struct Signature {
    const char* method;  // "__new__", "render_png", ...
    std::span<const Parameter> parameters;
};

// Binds arguments as a Python function with that signature would. `bound` has one slot per parameter and
// receives borrowed references, or nullptr where a parameter was left out. Errors name the callable
// "<owner>.<method>()".
bool bind_fastcall(const Signature& signature, const char* owner, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames, std::span<PyObject*> bound);
bool bind_tuple(const Signature& signature, const char* owner, PyObject* args, PyObject* kwargs,
                std::span<PyObject*> bound);

// If the pending exception is exactly a TypeError, replaces it with "argument '{name}': {message}" and
// keeps the replaced one as __cause__. Other exceptions stay as they are.
void prefix_type_error(const char* name);

// Raises the prefixed TypeError "argument '{name}': '{type}' object is not an instance of '{expected}'".
void raise_not_instance(PyObject* object, const char* expected, const char* name);

// str only; the view borrows the object's cached UTF-8 buffer and lives as long as the object.
std::optional<std::string_view> to_text(PyObject* object, const char* name);
std::optional<double> to_double(PyObject* object, const char* name);
std::optional<std::uint32_t> to_u32(PyObject* object, const char* name);
// nullptr (left out) or None leaves `out` absent.
bool to_optional_u32(PyObject* object, const char* name, std::optional<std::uint32_t>& out);

}  // namespace tavlo::py
