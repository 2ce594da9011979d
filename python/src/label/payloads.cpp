#include "payloads.hpp"

#include <cstdint>
#include <cstring>
#include <string>

namespace tavlo::py::label_module {
namespace {

// The Arrow C data interface's two structures, as the Arrow columnar format documents them: a stable ABI.
struct ArrowSchema {
    const char* format;
    const char* name;
    const char* metadata;
    std::int64_t flags;
    std::int64_t n_children;
    ArrowSchema** children;
    ArrowSchema* dictionary;
    void (*release)(ArrowSchema*);
    void* private_data;
};

struct ArrowArray {
    std::int64_t length;
    std::int64_t null_count;
    std::int64_t offset;
    std::int64_t n_buffers;
    std::int64_t n_children;
    const void** buffers;
    ArrowArray** children;
    ArrowArray* dictionary;
    void (*release)(ArrowArray*);
    void* private_data;
};

// Variable-size binary layouts: "u" utf8 and "z" binary with 32-bit offsets, "U" and "Z" with 64-bit ones.
// Buffers: validity bitmap (may be null), offsets, data.
template <class Offset>
void read_binary(const ArrowArray& array, Payloads& out) {
    const auto* validity = static_cast<const std::uint8_t*>(array.buffers[0]);
    const auto* offsets = static_cast<const Offset*>(array.buffers[1]);
    const char* data = static_cast<const char*>(array.buffers[2]);
    out.size = static_cast<std::size_t>(array.length);
    out.views.reserve(out.size);
    out.rows.reserve(out.size);
    for (std::int64_t row = 0; row < array.length; ++row) {
        const std::int64_t at = array.offset + row;
        if (validity && array.null_count != 0 && !(validity[at >> 3] >> (at & 7) & 1)) continue;
        const auto begin = static_cast<std::size_t>(offsets[at]);
        const auto end = static_cast<std::size_t>(offsets[at + 1]);
        out.views.emplace_back(data ? data + begin : "", end - begin);
        out.rows.push_back(static_cast<std::size_t>(row));
    }
}

bool take_arrow(PyObject* object, Payloads& out) {
    PyObject* capsules = PyObject_CallMethod(object, "__arrow_c_array__", nullptr);
    if (!capsules) return false;
    out.owner = capsules;  // the array capsule releases the array, and its buffers, when it goes
    if (!PyTuple_Check(capsules) || PyTuple_GET_SIZE(capsules) != 2) {
        PyErr_SetString(PyExc_TypeError, "__arrow_c_array__ did not return a (schema, array) pair");
        return false;
    }
    const auto* schema =
        static_cast<const ArrowSchema*>(PyCapsule_GetPointer(PyTuple_GET_ITEM(capsules, 0), "arrow_schema"));
    const auto* array =
        static_cast<const ArrowArray*>(PyCapsule_GetPointer(PyTuple_GET_ITEM(capsules, 1), "arrow_array"));
    if (!schema || !array) return false;
    const std::string_view format = schema->format ? schema->format : "";
    const bool binary = format == "u" || format == "z" || format == "U" || format == "Z";
    if (binary && (array->n_buffers != 3 || array->length < 0 || array->offset < 0)) {
        PyErr_SetString(PyExc_ValueError, "argument 'payloads': not a valid Arrow array of strings or binaries");
        return false;
    }
    if (format == "u" || format == "z") {
        read_binary<std::int32_t>(*array, out);
    } else if (format == "U" || format == "Z") {
        read_binary<std::int64_t>(*array, out);
    } else {
        raise_text(PyExc_TypeError, "argument 'payloads': an Arrow array of strings or binaries is needed, not one "
                                    "of format '" + std::string(format) + "'");
        return false;
    }
    return true;
}

bool take_sequence(PyObject* object, Payloads& out) {
    // A tuple of its own: a list could change while the core reads it, a tuple neither changes nor lets go
    // of its items.
    PyObject* items = PySequence_Tuple(object);
    if (!items) {
        if (PyErr_ExceptionMatches(PyExc_TypeError)) prefix_type_error("payloads");
        return false;
    }
    out.owner = items;
    out.size = static_cast<std::size_t>(PyTuple_GET_SIZE(items));
    out.views.reserve(out.size);
    out.rows.reserve(out.size);
    for (std::size_t row = 0; row < out.size; ++row) {
        PyObject* item = PyTuple_GET_ITEM(items, static_cast<Py_ssize_t>(row));
        if (item == Py_None) continue;
        if (PyBytes_Check(item)) {
            out.views.emplace_back(PyBytes_AS_STRING(item), static_cast<std::size_t>(PyBytes_GET_SIZE(item)));
        } else if (PyUnicode_Check(item)) {
            Py_ssize_t size = 0;
            const char* utf8 = PyUnicode_AsUTF8AndSize(item, &size);  // cached in the str, which `items` holds
            if (!utf8) return false;
            out.views.emplace_back(utf8, static_cast<std::size_t>(size));
        } else {
            const std::string name = "payloads[" + std::to_string(row) + "]";
            raise_not_instance(item, "str or bytes", name.c_str());
            return false;
        }
        out.rows.push_back(row);
    }
    return true;
}

}  // namespace

bool take_payloads(PyObject* object, Payloads& out) {
    if (PyUnicode_Check(object) || PyBytes_Check(object)) {
        raise_not_instance(object, "sequence of str or bytes", "payloads");
        return false;
    }
    const int arrow = PyObject_HasAttrString(object, "__arrow_c_array__");
    return arrow ? take_arrow(object, out) : take_sequence(object, out);
}

}  // namespace tavlo::py::label_module
