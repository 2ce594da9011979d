// The Code 128 element classes (Data, FNC1 to FNC4, StartA to StartC) and Code128, built from a sequence
// of them.
#include <algorithm>
#include <string>
#include <vector>

#include "symbol_class.hpp"
#include "tavlo/encode.hpp"

namespace tavlo::py {
namespace {

PyObject* data_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Parameter parameters[] = {{"value"}};
    std::array<PyObject*, 1> bound;
    if (!bind_tuple({"__new__", parameters}, bare_name(type), args, kwargs, bound)) return nullptr;
    auto value = to_text(bound[0], "value");
    if (!value) return nullptr;
    return guarded([&] { return wrap(type, std::string(*value)); });
}

PyObject* data_value(PyObject* self, void*) {
    const std::string& value = unwrap<std::string>(self);
    return PyUnicode_FromStringAndSize(value.data(), static_cast<Py_ssize_t>(value.size()));
}

// The value stands between plain double quotes, unescaped.
PyObject* data_repr(PyObject* self) {
    return guarded([&] {
        std::string text = "Data(\"" + unwrap<std::string>(self) + "\")";
        return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
    });
}

// FNC1 to FNC4 and StartA to StartC carry nothing but their class.
PyObject* marker_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Signature signature = {"__new__", {}};
    if (!bind_tuple(signature, bare_name(type), args, kwargs, {})) return nullptr;
    return type->tp_alloc(type, 0);
}

PyObject* marker_repr(PyObject* self) { return PyUnicode_FromString(bare_name(Py_TYPE(self))); }

// Owned references to the collected items, released however the constructor ends.
struct OwnedItems {
    std::vector<PyObject*> items;
    ~OwnedItems() {
        for (PyObject* item : items) Py_DECREF(item);
    }
};

// The length of `symbols` is only a capacity hint, so a sequence whose __len__ lies cannot make a valid call
// fail: the reservation is capped and a refused one is dropped. A failing len() is ignored when it is an
// ordinary Exception; KeyboardInterrupt, SystemExit and the other BaseException-only errors pass on, so a
// Ctrl-C during the call is not lost. False with that error set.
bool reserve_for_length_hint(PyObject* symbols, std::vector<PyObject*>& items) {
    // More than any real symbol holds, and small enough (64 KiB of pointers) to reserve whatever len() claims.
    constexpr Py_ssize_t most_reserved = 8192;
    const Py_ssize_t hint = PySequence_Size(symbols);
    if (hint < 0) {
        if (!PyErr_ExceptionMatches(PyExc_Exception)) return false;
        PyErr_Clear();
        return true;
    }
    try {
        items.reserve(static_cast<std::size_t>(std::min(hint, most_reserved)));
    } catch (const std::exception&) {
        // The vector grows as items arrive instead.
    }
    return true;
}

bool collect_items(PyObject* symbols, OwnedItems& collected) {
    if (PyUnicode_Check(symbols)) {
        PyErr_SetString(PyExc_TypeError, "a str cannot be taken as a list of Code 128 elements");
        prefix_type_error("symbols");
        return false;
    }
    if (!PySequence_Check(symbols)) {
        raise_not_instance(symbols, "Sequence", "symbols");
        return false;
    }
    if (!reserve_for_length_hint(symbols, collected.items)) return false;

    PyObject* iterator = PyObject_GetIter(symbols);
    if (!iterator) {
        prefix_type_error("symbols");
        return false;
    }
    while (PyObject* item = PyIter_Next(iterator)) collected.items.push_back(item);
    Py_DECREF(iterator);
    if (PyErr_Occurred()) {
        prefix_type_error("symbols");
        return false;
    }
    return true;
}

bool to_core_symbol(PyObject* item, std::vector<Code128Symbol>& out) {
    using Kind = Code128Symbol::Kind;
    if (PyObject_TypeCheck(item, types.data)) {
        out.push_back({Kind::Data, unwrap<std::string>(item)});
        return true;
    }
    const std::pair<PyTypeObject*, Kind> markers[] = {{types.fnc1, Kind::FNC1},      {types.fnc2, Kind::FNC2},
                                                      {types.fnc3, Kind::FNC3},      {types.fnc4, Kind::FNC4},
                                                      {types.start_a, Kind::StartA}, {types.start_b, Kind::StartB},
                                                      {types.start_c, Kind::StartC}};
    for (const auto& [type, kind] : markers) {
        if (PyObject_TypeCheck(item, type)) {
            out.push_back({kind, {}});
            return true;
        }
    }
    PyErr_SetString(PyExc_TypeError, "Expected Data, FNC1, FNC2, FNC3, FNC4, StartA, StartB, or StartC");
    return false;
}

PyObject* code128_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Parameter parameters[] = {{"symbols"}};
    std::array<PyObject*, 1> bound;
    if (!bind_tuple({"__new__", parameters}, bare_name(type), args, kwargs, bound)) return nullptr;
    return guarded([&]() -> PyObject* {
        OwnedItems collected;
        if (!collect_items(bound[0], collected)) return nullptr;
        std::vector<Code128Symbol> symbols;
        symbols.reserve(collected.items.size());
        for (PyObject* item : collected.items)
            if (!to_core_symbol(item, symbols)) return nullptr;
        std::size_t size = symbols.size();
        for (const Code128Symbol& symbol : symbols) size += symbol.data.size();
        return new_symbol(
            type, without_gil(size >= release_from::linear_text_bytes, [&] { return encode_code128(symbols); }));
    });
}

PyGetSetDef data_getset[] = {{"value", data_value, nullptr, nullptr, nullptr}, {}};

PyType_Slot data_slots[] = {{Py_tp_new, reinterpret_cast<void*>(data_new)},
                            {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_wrapper<std::string>)},
                            {Py_tp_getset, data_getset},
                            {Py_tp_repr, reinterpret_cast<void*>(data_repr)},
                            {Py_tp_doc, const_cast<char*>("Data(value)\n--\n\n")},
                            {}};
PyType_Spec data_spec = {"builtins.Data", sizeof(Wrapper<std::string>), 0, class_flags, data_slots};

PyTypeObject* create_marker_type(const char* name, const char* doc) {
    PyType_Slot slots[] = {{Py_tp_new, reinterpret_cast<void*>(marker_new)},
                           {Py_tp_repr, reinterpret_cast<void*>(marker_repr)},
                           {Py_tp_doc, const_cast<char*>(doc)},
                           {}};
    PyType_Spec spec = {name, sizeof(PyObject), 0, class_flags, slots};
    return type_from_spec(&spec);
}

}  // namespace

bool create_code128_types() {
    return (types.code128 =
                create_symbol_type<LinearGeometry>("builtins.Code128", "Code128(symbols)\n--\n\n", code128_new)) &&
           (types.data = type_from_spec(&data_spec)) &&
           (types.fnc1 = create_marker_type("builtins.FNC1", "FNC1()\n--\n\n")) &&
           (types.fnc2 = create_marker_type("builtins.FNC2", "FNC2()\n--\n\n")) &&
           (types.fnc3 = create_marker_type("builtins.FNC3", "FNC3()\n--\n\n")) &&
           (types.fnc4 = create_marker_type("builtins.FNC4", "FNC4()\n--\n\n")) &&
           (types.start_a = create_marker_type("builtins.StartA", "StartA()\n--\n\n")) &&
           (types.start_b = create_marker_type("builtins.StartB", "StartB()\n--\n\n")) &&
           (types.start_c = create_marker_type("builtins.StartC", "StartC()\n--\n\n"));
}

}  // namespace tavlo::py
