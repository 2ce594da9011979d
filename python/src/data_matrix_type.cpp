// DataMatrix: from str or bytes, restricted by shape, and as GS1 Data Matrix through DataMatrix.gs1.
#include "symbol_class.hpp"
#include "tavlo/encode.hpp"
#include "tavlo/gs1.hpp"

namespace tavlo::py {
namespace {

// The shape a text names, if any.
std::optional<DataMatrixShape> shape_kind(std::string_view text) {
    if (text == "any") return DataMatrixShape::Any;
    if (text == "square") return DataMatrixShape::Square;
    if (text == "rect" || text == "rectangle" || text == "rectangular") return DataMatrixShape::Rectangular;
    return std::nullopt;
}

// The shape a text names, or ValueError raised.
std::optional<DataMatrixShape> shape_from_str(std::string_view text) {
    if (auto shape = shape_kind(text)) return shape;
    raise_text(PyExc_ValueError,
               "invalid shape '" + std::string(text) + "': expected 'any', 'square', or 'rectangular'");
    return std::nullopt;
}

// A str gives its UTF-8 bytes; anything else that is not bytes (a str with a lone surrogate included) is
// refused with one message.
std::optional<std::string_view> payload_bytes(PyObject* data) {
    if (PyUnicode_Check(data)) {
        Py_ssize_t size = 0;
        if (const char* utf8 = PyUnicode_AsUTF8AndSize(data, &size)) return std::string_view(utf8, size);
        PyErr_Clear();
    } else if (PyBytes_Check(data)) {
        return std::string_view(PyBytes_AS_STRING(data), PyBytes_GET_SIZE(data));
    }
    PyErr_SetString(PyExc_TypeError, "expected str or bytes");
    return std::nullopt;
}

constexpr std::string_view default_shape = "any";

PyObject* data_matrix_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Parameter parameters[] = {{"data"}, {"shape", true, false}};
    std::array<PyObject*, 2> bound;
    if (!bind_tuple({"__new__", parameters}, bare_name(type), args, kwargs, bound)) return nullptr;
    std::optional<std::string_view> shape_text = default_shape;
    if (bound[1] && !(shape_text = to_text(bound[1], "shape"))) return nullptr;
    auto payload = payload_bytes(bound[0]);
    if (!payload) return nullptr;
    return guarded([&]() -> PyObject* {
        auto shape = shape_from_str(*shape_text);
        if (!shape) return nullptr;
        return new_symbol(type, without_gil(payload->size() >= release_from::data_matrix_bytes,
                                            [&] { return encode_datamatrix(*payload, false, *shape); }));
    });
}

PyObject* data_matrix_gs1(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static constexpr Parameter parameters[] = {{"value"}, {"shape", true, false}};
    std::array<PyObject*, 2> bound;
    if (!bind_fastcall({"gs1", parameters}, bare_name(reinterpret_cast<PyTypeObject*>(cls)), args, nargs, kwnames,
                       bound))
        return nullptr;
    auto value = to_text(bound[0], "value");
    if (!value) return nullptr;
    std::optional<std::string_view> shape_text = default_shape;
    if (bound[1] && !(shape_text = to_text(bound[1], "shape"))) return nullptr;
    return guarded([&]() -> PyObject* {
        // The element string is checked before the shape, whose failure is a Python exception: nothing is
        // returned for a good element string with a bad shape.
        const std::optional<DataMatrixShape> shape = shape_kind(*shape_text);
        auto encoded = without_gil(value->size() >= release_from::data_matrix_bytes, [&]() -> std::optional<Result<MatrixGeometry>> {
            auto fields = gs1::parse(*value);
            if (!fields) return std::unexpected(fields.error());
            if (!shape) return std::nullopt;
            return encode_datamatrix(gs1::to_datamatrix_bytes(*fields), true, *shape);
        });
        if (!encoded) return shape_from_str(*shape_text), nullptr;
        return new_symbol(types.data_matrix, std::move(*encoded));
    });
}

PyMethodDef data_matrix_methods[] = {
    TAVLO_SYMBOL_METHODS(MatrixGeometry),
    {"gs1", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(data_matrix_gs1)),
     METH_CLASS | METH_FASTCALL | METH_KEYWORDS,
     "gs1($cls, value, *, shape=\"any\")\n--\n\n"
     "Encode a GS1 Data Matrix from the canonical parenthesized AI form,\n"
     "e.g. `(01)12345678901234(10)BATCH123`.\n\n"
     "Fixed-length AIs are validated; variable-length AIs get a `\\x1D`\n"
     "(GS) separator before the next field automatically, and the FNC1\n"
     "designator codeword is inserted at the start of the symbol.\n\n"
     "Per GS1 General Specifications both square and rectangular GS1 Data\n"
     "Matrix are valid; `shape` selects which one to emit."},
    {}};

}  // namespace

bool create_matrix_types() {
    types.data_matrix = create_symbol_type<MatrixGeometry>(
        "builtins.DataMatrix", "DataMatrix(data, *, shape=\"any\")\n--\n\n", data_matrix_new, data_matrix_methods);
    return types.data_matrix != nullptr;
}

}  // namespace tavlo::py
