// The classes whose constructor takes one text: Code39, UpcA, Ean8, Itf and QrCode.
#include "symbol_class.hpp"
#include "tavlo/encode.hpp"

namespace tavlo::py {
namespace {

// Binds `data`, converts it as text and runs the encoder once, without the interpreter's lock from
// `release_from` bytes of text on.
template <auto encode, std::size_t release_from>
PyObject* text_symbol_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    static constexpr Parameter parameters[] = {{"data"}};
    std::array<PyObject*, 1> bound;
    if (!bind_tuple({"__new__", parameters}, bare_name(type), args, kwargs, bound)) return nullptr;
    auto data = to_text(bound[0], "data");
    if (!data) return nullptr;
    return guarded(
        [&] { return new_symbol(type, without_gil(data->size() >= release_from, [&] { return encode(*data); })); });
}

}  // namespace

bool create_text_symbol_types() {
    return (types.code39 =
                create_symbol_type<LinearGeometry>("builtins.Code39", "Code39(data)\n--\n\n",
                                                   text_symbol_new<encode_code39, release_from::linear_text_bytes>)) &&
           (types.upc_a =
                create_symbol_type<LinearGeometry>("builtins.UpcA", "UpcA(data)\n--\n\n",
                                                   text_symbol_new<encode_upc_a, release_from::linear_text_bytes>)) &&
           (types.ean8 =
                create_symbol_type<LinearGeometry>("builtins.Ean8", "Ean8(data)\n--\n\n",
                                                   text_symbol_new<encode_ean8, release_from::linear_text_bytes>)) &&
           (types.itf = create_symbol_type<LinearGeometry>(
                "builtins.Itf", "Itf(data)\n--\n\n", text_symbol_new<encode_itf, release_from::linear_text_bytes>)) &&
           (types.qr_code = create_symbol_type<MatrixGeometry>("builtins.QrCode", "QrCode(data)\n--\n\n",
                                                               text_symbol_new<encode_qr, release_from::qr_text_bytes>));
}

}  // namespace tavlo::py
