#include "qr_kinds.hpp"

#include "tavlo/encode.hpp"

namespace tavlo {

Result<Encoded> encode_qr_kind(std::string_view data, KindOptions) {
    auto modules = encode_qr(data);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), {}};
}

}  // namespace tavlo
