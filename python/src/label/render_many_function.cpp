// tavlo._label.render_many(): the payloads taken from Python once, every label encoded, drawn and written by
// the core on native threads with the interpreter's lock released around the whole batch, and the results
// handed back in input order.
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "label_module.hpp"
#include "payloads.hpp"
#include "render_options.hpp"
#include "tavlo/render_many.hpp"

namespace tavlo::py::label_module {
namespace {

std::optional<label::Format> format_of(PyObject* object) {
    auto text = to_text(object, "format");
    if (!text) return std::nullopt;
    if (*text == "png") return label::Format::Png;
    if (*text == "svg") return label::Format::Svg;
    if (*text == "pdf") return label::Format::Pdf;
    raise_text(PyExc_ValueError, "argument 'format': expected 'png', 'svg' or 'pdf', not '" + std::string(*text) + "'");
    return std::nullopt;
}

PyObject* new_result(label::Format format, const std::vector<std::uint8_t>& bytes) {
    const char* data = reinterpret_cast<const char*>(bytes.data());
    const auto size = static_cast<Py_ssize_t>(bytes.size());
    return format == label::Format::Svg ? PyUnicode_FromStringAndSize(data, size)
                                        : PyBytes_FromStringAndSize(data, size);
}

PyObject* new_error(const TavloError& error) {
    const std::string text = error.display();
    PyObject* message = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
    if (!message) return nullptr;
    PyObject* instance = PyObject_CallOneArg(state.tavlo_error, message);
    Py_DECREF(message);
    return instance;
}

// The result list, filled with one Python object per input row (the label, None for a missing payload, a
// TavloError for a failure) as render_many delivers the results, on the calling thread while the other
// threads go on: the copies into Python objects were otherwise a serial tail after the last label (perf, 20
// calls of 10,000 Code 128 labels on 2 threads: the calling thread took 55 % of the samples, its helpers 45 %).
// Each label's bytes are freed once copied. With errors raised, delivery stops at the first failure.
struct ListFiller {
    const Payloads& payloads;
    std::span<label::Rendered> results;
    label::Format format;
    bool collect;
    PyObject* list;
    bool python_error = false;

    ListFiller(const Payloads& payloads, std::span<label::Rendered> results, label::Format format, bool collect)
        : payloads(payloads), results(results), format(format), collect(collect),
          list(PyList_New(static_cast<Py_ssize_t>(payloads.size))) {
        if (!list) return;
        for (std::size_t row = 0; row < payloads.size; ++row)
            PyList_SET_ITEM(list, static_cast<Py_ssize_t>(row), Py_NewRef(Py_None));
    }
    ListFiller(const ListFiller&) = delete;
    ListFiller& operator=(const ListFiller&) = delete;
    ~ListFiller() { Py_XDECREF(list); }

    PyObject* release() { return std::exchange(list, nullptr); }

    // Called without the interpreter's lock, which it takes for the copies.
    bool operator()(std::size_t first, std::size_t last) noexcept {
        const PyGILState_STATE gil = PyGILState_Ensure();
        bool more = true;
        for (std::size_t i = first; i < last; ++i) {
            if (!results[i] && !collect) {
                more = false;  // raised once every thread is done
                break;
            }
            PyObject* item = results[i] ? new_result(format, *results[i]) : new_error(results[i].error());
            if (!item) {
                python_error = true;
                more = false;
                break;
            }
            PyList_SetItem(list, static_cast<Py_ssize_t>(payloads.rows[i]), item);
            if (results[i]) std::vector<std::uint8_t>().swap(*results[i]);
        }
        PyGILState_Release(gil);
        return more;
    }
};

// Raises the first failure in input order, if any; whether it did.
bool raise_first_failure(std::span<const label::Rendered> results) {
    const auto failed = std::ranges::find_if(results, [](const label::Rendered& r) { return !r; });
    if (failed == results.end()) return false;
    raise_tavlo_error(failed->error());
    return true;
}

// The results as the buffers of an Arrow variable-size binary array: (data, offsets, validity or None,
// offset width in bytes: 4, or 8 past 2 GiB of data). Failed and missing rows are null.
PyObject* result_buffers(const Payloads& payloads, std::span<label::Rendered> results) {
    std::vector<const std::vector<std::uint8_t>*> by_row(payloads.size, nullptr);
    std::size_t total = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (!results[i]) continue;
        by_row[payloads.rows[i]] = &*results[i];
        total += results[i]->size();
    }
    const bool wide = total > 0x7FFFFFFF;
    const std::size_t width = wide ? 8 : 4;
    PyObject* data = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(total));
    PyObject* offsets = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>((payloads.size + 1) * width));
    const bool any_null = std::ranges::count(by_row, nullptr) > 0;
    PyObject* validity = any_null ? PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>((payloads.size + 7) / 8))
                                  : Py_NewRef(Py_None);
    if (!data || !offsets || !validity) {
        Py_XDECREF(data);
        Py_XDECREF(offsets);
        Py_XDECREF(validity);
        return nullptr;
    }
    char* out = PyBytes_AS_STRING(data);
    char* offset_out = PyBytes_AS_STRING(offsets);
    auto* bits = validity == Py_None ? nullptr : reinterpret_cast<std::uint8_t*>(PyBytes_AS_STRING(validity));
    if (bits) std::memset(bits, 0, (payloads.size + 7) / 8);
    std::size_t at = 0;
    // Offsets are little-endian, as Arrow buffers are on the little-endian machines it runs on.
    const auto put_offset = [&](std::size_t row) {
        if (wide) {
            const auto value = static_cast<std::int64_t>(at);
            std::memcpy(offset_out + row * 8, &value, 8);
        } else {
            const auto value = static_cast<std::int32_t>(at);
            std::memcpy(offset_out + row * 4, &value, 4);
        }
    };
    for (std::size_t row = 0; row < payloads.size; ++row) {
        put_offset(row);
        if (!by_row[row]) continue;
        if (bits) bits[row >> 3] |= static_cast<std::uint8_t>(1u << (row & 7));
        if (!by_row[row]->empty()) std::memcpy(out + at, by_row[row]->data(), by_row[row]->size());
        at += by_row[row]->size();
    }
    put_offset(payloads.size);
    return Py_BuildValue("(NNNn)", data, offsets, validity, static_cast<Py_ssize_t>(width));
}

constexpr std::size_t leading_arguments = 7;

// render_many(kind, payloads, format, threads, collect_errors, options, packed, /, **render_options)
PyObject* render_many_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (PyVectorcall_NARGS(nargs) != static_cast<Py_ssize_t>(leading_arguments)) {
        PyErr_Format(PyExc_TypeError, "render_many() takes %zu positional arguments", leading_arguments);
        return nullptr;
    }
    auto kind_name = to_text(args[0], "kind");
    if (!kind_name) return nullptr;
    const KindSpec* kind = find_kind(*kind_name);
    if (!kind) {
        raise_text(PyExc_ValueError, "unknown label kind '" + std::string(*kind_name) + "'");
        return nullptr;
    }
    auto format = format_of(args[2]);
    if (!format) return nullptr;
    auto threads = to_u32(args[3], "threads");
    if (!threads) return nullptr;
    const int collect = PyObject_IsTrue(args[4]);
    const int packed = PyObject_IsTrue(args[6]);
    if (collect < 0 || packed < 0) return nullptr;
    auto options = bind_render_options("tavlo", "render_many", args + leading_arguments, 0, kwnames,
                                       *format == label::Format::Png);
    if (!options) return nullptr;
    return guarded([&]() -> PyObject* {
        auto kind_options = kind_options_of(*kind, args[5] == Py_None ? nullptr : args[5]);
        if (!kind_options) return nullptr;
        Payloads payloads;
        if (!take_payloads(args[1], payloads)) return nullptr;
        const label::Batch batch{kind, *kind_options, *options, *format, std::max(1u, *threads),
                                 collect ? label::OnError::Collect : label::OnError::Stop};
        std::vector<label::Rendered> results(payloads.views.size());
        if (packed) {
            without_gil(true, [&] { label::render_many(batch, payloads.views, results); });
            if (!collect && raise_first_failure(results)) return nullptr;
            return result_buffers(payloads, results);
        }
        ListFiller filler(payloads, results, *format, collect);
        if (!filler.list) return nullptr;
        without_gil(true, [&] { label::render_many(batch, payloads.views, results, std::ref(filler)); });
        if (filler.python_error) return nullptr;
        if (!collect && raise_first_failure(results)) return nullptr;
        return filler.release();
    });
}

}  // namespace

PyMethodDef render_many_functions[] = {
    {"render_many", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(render_many_function)),
     METH_FASTCALL | METH_KEYWORDS,
     "render_many(kind, payloads, format, threads, collect_errors, options, packed, /, **render_options)\n--\n\n"
     "Labels of kind `kind` (a row name) for every payload, made on `threads` native threads without the "
     "interpreter's lock; the engine under tavlo.render_many."},
    {}};

}  // namespace tavlo::py::label_module
