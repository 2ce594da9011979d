// What the pieces of the extension module share: the process-wide type objects, the object layouts,
// error translation and the guard that keeps C++ exceptions out of the interpreter.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::py {

// Created once per process, before any module object is initialised, then only read.
struct Types {
    PyTypeObject* code128;
    PyTypeObject* code39;
    PyTypeObject* upc_a;
    PyTypeObject* ean8;
    PyTypeObject* itf;
    PyTypeObject* qr_code;
    PyTypeObject* data_matrix;
    PyTypeObject* linear_geometry;
    PyTypeObject* matrix_geometry;
    PyTypeObject* bar;
    PyTypeObject* data;
    PyTypeObject* fnc1;
    PyTypeObject* fnc2;
    PyTypeObject* fnc3;
    PyTypeObject* fnc4;
    PyTypeObject* start_a;
    PyTypeObject* start_b;
    PyTypeObject* start_c;
    PyObject* tavlo_error;
};

extern Types types;

// A Python object that owns one C++ value.
template <class T>
struct Wrapper {
    PyObject_HEAD T value;
};

// Allocates an instance of `type` holding `value`; nullptr with MemoryError set on failure.
template <class T>
PyObject* wrap(PyTypeObject* type, T&& value) {
    PyObject* self = type->tp_alloc(type, 0);
    if (!self) return nullptr;
    new (&reinterpret_cast<Wrapper<std::decay_t<T>>*>(self)->value) std::decay_t<T>(std::forward<T>(value));
    return self;
}

template <class T>
T& unwrap(PyObject* self) {
    return reinterpret_cast<Wrapper<T>*>(self)->value;
}

// tp_dealloc of every wrapper type.
template <class T>
void dealloc_wrapper(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    unwrap<T>(self).~T();
    type->tp_free(self);
    Py_DECREF(type);
}

// The class name without the module ("builtins.", "tavlo.") that a type is created under.
inline const char* bare_name(PyTypeObject* type) {
    const char* dot = std::strrchr(type->tp_name, '.');
    return dot ? dot + 1 : type->tp_name;
}

// Raises `type` with a UTF-8 message that may hold any character, NUL included.
void raise_text(PyObject* type, const std::string& message);

// Raises the module's exception with the error's display text.
void raise_tavlo_error(const TavloError& error);

// The one place where a core result meets Python: a success value goes to `convert`, which makes the
// Python object; an error is raised with its display text and nullptr returned.
template <class T, class Convert>
PyObject* into_py_result(tavlo::Result<T>&& result, Convert&& convert) {
    if (!result) {
        raise_tavlo_error(result.error());
        return nullptr;
    }
    return convert(std::move(*result));
}

// Runs a binding body, turning a C++ exception into the matching Python exception.
template <class Body>
auto guarded(Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& error) {
        PyErr_SetString(PyExc_RuntimeError, error.what());
    }
    return {};
}

// When a call releases the interpreter's lock. Alone, releasing and retaking it costs about 50 ns; but with a
// second thread waiting for the lock, a release hands the lock over and taking it back waits for that
// thread's turn and its wake-up, so on two free cores two threads of 5-30 us calls that each released ran
// at 0.44-0.88x the throughput of one (issue 24). A call releases the lock only for about 50 us of work and
// more, where that wait is small beside it: long inputs, large images, large SVGs, and every call of
// milliseconds, which then lets other threads run. Bulk work goes through tavlo.render_many, which releases
// it once for a whole batch. Costs measured on the build the package ships (bench/bench_threads.py prints the
// 2-thread throughput of single calls, which must not fall below 1).
namespace release_from {
inline constexpr std::size_t linear_text_bytes = 2048;   // linear encoders take about 0.025 us a character
inline constexpr std::size_t qr_text_bytes = 512;        // QR Code about 6 us + 0.08 us a byte
inline constexpr std::size_t data_matrix_bytes = 384;    // Data Matrix about 0.14 us a byte
inline constexpr std::size_t svg_elements = 4096;        // SVG about 0.014 us a bar or dark module
inline constexpr std::uint64_t png_pixels = 8'000'000;   // _tavlo PNG: 21 us at 2000 x 2000 px, 65 at 4000 x 4000
inline constexpr std::uint64_t label_dots = 4'000'000;   // label PNG and PDF: a Code 128 at 2400 dpi (6.7 M) 107 us
}  // namespace release_from

// What an SVG of the symbol draws, roughly: its bars, or its dark modules (about half of them).
inline std::size_t dark_elements(const LinearGeometry& geometry) { return geometry.bars.size(); }
inline std::size_t dark_elements(const MatrixGeometry& geometry) { return geometry.modules.size() / 2; }

// Runs `work`, which touches no Python object, with the interpreter's lock released when `release` is true
// and the interpreter has such a lock, so that other threads run meanwhile. The lock is taken back before
// anything leaves, an exception included.
template <class Work>
auto without_gil(bool release, Work&& work) -> decltype(work()) {
#ifndef Py_GIL_DISABLED
    if (release) {
        struct Reacquire {
            PyThreadState* state;
            ~Reacquire() { PyEval_RestoreThread(state); }
        } reacquire{PyEval_SaveThread()};
        return work();
    }
#else
    (void)release;
#endif
    return work();
}

// New Python objects copied from core records.
PyObject* new_linear_geometry(const LinearGeometry& geometry);
PyObject* new_matrix_geometry(const MatrixGeometry& geometry);

// Runs `create` until it first succeeds, once per process: what a module shares between its module objects is
// made by whichever import comes first, and a failed attempt leaves the next one to try again.
template <bool (*create)()>
bool create_once() {
#if PY_VERSION_HEX >= 0x030D0000
    static PyMutex lock = {0};
    static bool ready = false;
    PyMutex_Lock(&lock);
    bool ok = ready || (ready = create());
    PyMutex_Unlock(&lock);
    return ok;
#else
    // The interpreter lock serialises imports here.
    static bool ready = false;
    return ready || (ready = create());
#endif
}

// Flags of every class the module defines: final, immutable, no instance dictionary.
constexpr unsigned class_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE;

inline PyTypeObject* type_from_spec(PyType_Spec* spec) {
    return reinterpret_cast<PyTypeObject*>(PyType_FromSpec(spec));
}

// Type specs, one per file that defines classes; each fills its part of `types` and stops at the first
// failure, with its exception set.
bool create_geometry_types();
bool create_text_symbol_types();
bool create_code128_types();
bool create_matrix_types();

}  // namespace tavlo::py
