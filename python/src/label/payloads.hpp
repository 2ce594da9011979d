// The payloads of a bulk call, taken from Python once and read in place by the core's threads: a sequence of
// str and bytes (None for a missing one), or an Arrow array of strings or binaries through the Arrow C data
// interface, whose buffers are read without a copy.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "arguments.hpp"
#include "binding.hpp"

namespace tavlo::py::label_module {

struct Payloads {
    std::vector<std::string_view> views;  // the present payloads, in input order
    std::vector<std::size_t> rows;        // the input row of each view
    std::size_t size = 0;                 // input rows, missing ones included
    PyObject* owner = nullptr;            // owned: keeps what the views point into alive and unchanged

    Payloads() = default;
    Payloads(const Payloads&) = delete;
    Payloads& operator=(const Payloads&) = delete;
    ~Payloads() { Py_XDECREF(owner); }
};

// An object with __arrow_c_array__ (a pyarrow array of string, large_string, binary or large_binary) or a
// sequence of str, bytes and None. False with a Python exception set when it is neither, or when an item is
// of another type.
bool take_payloads(PyObject* object, Payloads& out);

}  // namespace tavlo::py::label_module
