// tavlo._label's GS1 helpers for the package's Gs1_128 and Itf14 classes: the core validates and lays out the
// data, _tavlo's encoders then make the symbol, so the messages and bars are exactly theirs.
#include <algorithm>
#include <array>
#include <cstring>

#include "arguments.hpp"
#include "label_module.hpp"
#include "tavlo/gs1.hpp"
#include "tavlo/gs1_check.hpp"
#include "tavlo/gs1_linear.hpp"
#include "tavlo/gs1_syntax.hpp"

namespace tavlo::py::label_module {
namespace {

// gs1_128_elements(text, compute_check_digits=False) -> (list of str or None, str): the Code 128 Data texts
// in order with None where an FNC1 goes, and the printed line.
PyObject* gs1_128_elements(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Parameter parameters[] = {{"text"}, {"compute_check_digits", false, false}};
    std::array<PyObject*, 2> bound;
    if (!bind_fastcall({"gs1_128_elements", parameters}, "tavlo._label", args, nargs, kwnames, bound)) return nullptr;
    auto text = to_text(bound[0], "text");
    if (!text) return nullptr;
    int complete = 0;
    if (bound[1] && (complete = PyObject_IsTrue(bound[1])) < 0) return nullptr;
    return guarded([&]() -> PyObject* {
        return into_py_result(
            tavlo::gs1_128_elements(*text, complete != 0), [](Gs1_128Elements&& elements) -> PyObject* {
                PyObject* list = PyList_New(static_cast<Py_ssize_t>(elements.symbols.size()));
                if (!list) return nullptr;
                for (std::size_t i = 0; i < elements.symbols.size(); ++i) {
                    const Code128Symbol& symbol = elements.symbols[i];
                    PyObject* item =
                        symbol.kind == Code128Symbol::Kind::Data
                            ? PyUnicode_FromStringAndSize(symbol.data.data(), Py_ssize_t(symbol.data.size()))
                            : Py_NewRef(Py_None);
                    if (!item) {
                        Py_DECREF(list);
                        return nullptr;
                    }
                    PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
                }
                const std::string& line = elements.human_readable;
                return Py_BuildValue("(Ns#)", list, line.data(), static_cast<Py_ssize_t>(line.size()));
            });
    });
}

// itf14_digits(text) -> str: the 14 digits, the check digit computed for 13 and validated for 14.
PyObject* itf14_digits(PyObject*, PyObject* text_object) {
    auto text = to_text(text_object, "text");
    if (!text) return nullptr;
    return guarded([&]() -> PyObject* {
        return into_py_result(tavlo::itf14_digits(*text), [](std::string&& digits) {
            return PyUnicode_FromStringAndSize(digits.data(), static_cast<Py_ssize_t>(digits.size()));
        });
    });
}

// gs1_element_line(text) -> str: the element string as printed, "(01) 09501101530003 (17) 250101".
PyObject* gs1_element_line(PyObject*, PyObject* text_object) {
    auto text = to_text(text_object, "text");
    if (!text) return nullptr;
    return guarded([&]() -> PyObject* {
        return into_py_result(gs1::parse(*text), [](std::vector<AiField>&& fields) {
            const std::string line = gs1::human_readable(fields);
            return PyUnicode_FromStringAndSize(line.data(), static_cast<Py_ssize_t>(line.size()));
        });
    });
}

// A validated value as a str. Every GS1 character set is ASCII, so the string is made at its final size and
// filled; the UTF-8 decoder is kept for a byte above 0x7F, which validation lets through nowhere.
PyObject* ascii_text(std::string_view text) {
    if (!std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr);
    PyObject* out = PyUnicode_New(static_cast<Py_ssize_t>(text.size()), 127);
    if (out) std::memcpy(PyUnicode_DATA(out), text.data(), text.size());
    return out;
}

// The (AI, value) pairs as a list of tuples, built in place: Py_BuildValue's format parsing cost as much as
// the validation of a short element string (bench/bench_gs1.py).
PyObject* element_list(std::vector<AiField>&& elements) {
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(elements.size()));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        PyObject* pair = PyTuple_New(2);
        if (!pair) {
            Py_DECREF(list);
            return nullptr;
        }
        PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), pair);
        PyObject* ai = ascii_text(elements[i].ai);
        if (!ai) {
            Py_DECREF(list);
            return nullptr;
        }
        PyTuple_SET_ITEM(pair, 0, ai);
        PyObject* value = ascii_text(elements[i].data);
        if (!value) {
            Py_DECREF(list);
            return nullptr;
        }
        PyTuple_SET_ITEM(pair, 1, value);
    }
    return list;
}

PyObject* text_result(std::string&& text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

// gs1_parse(text, /) -> list of (ai, value): a bracketed element string, validated against the GS1 Barcode
// Syntax Dictionary.
PyObject* gs1_parse(PyObject*, PyObject* text_object) {
    auto text = to_text(text_object, "text");
    if (!text) return nullptr;
    return guarded([&]() -> PyObject* { return into_py_result(gs1::parse_element_string(*text), element_list); });
}

// gs1_parse_link(uri, /) -> list of (ai, value): a GS1 Digital Link URI's elements, validated.
PyObject* gs1_parse_link(PyObject*, PyObject* text_object) {
    auto text = to_text(text_object, "uri");
    if (!text) return nullptr;
    return guarded([&]() -> PyObject* { return into_py_result(gs1::parse_digital_link(*text), element_list); });
}

// Whether `text` is a GS1 Digital Link URI rather than an element string: it begins with http:// or https://,
// in any case (no character outside ASCII lowers to one of these).
bool is_uri(std::string_view text) {
    const auto begins = [&](std::string_view scheme) {
        if (text.size() < scheme.size()) return false;
        for (std::size_t i = 0; i < scheme.size(); ++i) {
            const char c = text[i];
            if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != scheme[i]) return false;
        }
        return true;
    };
    return begins("http://") || begins("https://");
}

Result<std::vector<AiField>> parse_text(std::string_view text) {
    return is_uri(text) ? gs1::parse_digital_link(text) : gs1::parse_element_string(text);
}

// gs1_parse_text(text, /) -> list of (ai, value): an element string or a GS1 Digital Link URI, validated.
PyObject* gs1_parse_text(PyObject*, PyObject* text_object) {
    auto text = to_text(text_object, "text");
    if (!text) return nullptr;
    return guarded([&]() -> PyObject* { return into_py_result(parse_text(*text), element_list); });
}

// gs1_check(text, /) -> None: validates an element string or a GS1 Digital Link URI as gs1_parse_text does,
// raising its error, without making the pairs.
PyObject* gs1_check(PyObject*, PyObject* text_object) {
    auto text = to_text(text_object, "text");
    if (!text) return nullptr;
    return guarded([&]() -> PyObject* {
        return into_py_result(parse_text(*text), [](std::vector<AiField>&&) { return Py_NewRef(Py_None); });
    });
}

// gs1_link(text, domain, /) -> str: the GS1 Digital Link URI of a bracketed element string.
PyObject* gs1_link(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    if (nargs != 2) {
        PyErr_Format(PyExc_TypeError, "gs1_link() takes 2 positional arguments but %zd were given", nargs);
        return nullptr;
    }
    auto text = to_text(args[0], "text");
    if (!text) return nullptr;
    auto domain = to_text(args[1], "domain");
    if (!domain) return nullptr;
    return guarded([&]() -> PyObject* {
        auto elements = gs1::parse_element_string(*text);
        if (!elements) {
            raise_tavlo_error(elements.error());
            return nullptr;
        }
        return into_py_result(gs1::digital_link_uri(*elements, *domain), text_result);
    });
}

// gs1_element_string(uri, /) -> str: a GS1 Digital Link URI as a bracketed element string.
PyObject* gs1_element_string(PyObject*, PyObject* text_object) {
    auto text = to_text(text_object, "uri");
    if (!text) return nullptr;
    return guarded([&]() -> PyObject* {
        auto elements = gs1::parse_digital_link(*text);
        if (!elements) {
            raise_tavlo_error(elements.error());
            return nullptr;
        }
        return text_result(gs1::to_element_string(*elements));
    });
}

}  // namespace

PyMethodDef gs1_functions[] = {
    {"gs1_parse", gs1_parse, METH_O,
     "gs1_parse(text, /)\n--\n\nThe (AI, value) pairs of a bracketed element string, validated."},
    {"gs1_parse_link", gs1_parse_link, METH_O,
     "gs1_parse_link(uri, /)\n--\n\nThe (AI, value) pairs of a GS1 Digital Link URI, validated."},
    {"gs1_parse_text", gs1_parse_text, METH_O,
     "gs1_parse_text(text, /)\n--\n\nThe (AI, value) pairs of an element string or a GS1 Digital Link URI, "
     "validated."},
    {"gs1_check", gs1_check, METH_O,
     "gs1_check(text, /)\n--\n\nValidates an element string or a GS1 Digital Link URI; raises TavloError naming "
     "the AI and the rule."},
    {"gs1_link", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(gs1_link)), METH_FASTCALL,
     "gs1_link(text, domain, /)\n--\n\nThe GS1 Digital Link URI of a bracketed element string."},
    {"gs1_element_string", gs1_element_string, METH_O,
     "gs1_element_string(uri, /)\n--\n\nA GS1 Digital Link URI as a bracketed element string."},
    {"gs1_128_elements", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(gs1_128_elements)),
     METH_FASTCALL | METH_KEYWORDS,
     "gs1_128_elements(text, compute_check_digits=False)\n--\n\n"
     "The Code 128 elements of a GS1-128 symbol: Data texts, with None where an FNC1 goes, and the printed line."},
    {"gs1_element_line", gs1_element_line, METH_O,
     "gs1_element_line(text, /)\n--\n\nA parenthesized element string as printed under a symbol."},
    {"itf14_digits", itf14_digits, METH_O,
     "itf14_digits(text, /)\n--\n\nThe 14 digits of an ITF-14 from 13 (check digit computed) or 14 (validated)."},
    {}};

}  // namespace tavlo::py::label_module
