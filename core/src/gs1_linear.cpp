#include "tavlo/gs1_linear.hpp"

#include "encode/linear/ean_upc.hpp"
#include "tavlo/gs1.hpp"
#include "tavlo/gs1_check.hpp"

namespace tavlo {

namespace {

// FNC1 in first position marks the symbol as GS1-128; an FNC1 after a variable-length element ends it, and
// none is needed after a predefined-length element or the last one.
std::vector<Code128Symbol> code128_symbols(const std::vector<AiField>& fields) {
    std::vector<Code128Symbol> symbols{{Code128Symbol::Kind::FNC1, {}}};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        symbols.push_back({Code128Symbol::Kind::Data, fields[i].ai + fields[i].data});
        if (i + 1 < fields.size() && !gs1::fixed_ai_length(fields[i].ai)) {
            symbols.push_back({Code128Symbol::Kind::FNC1, {}});
        }
    }
    return symbols;
}

}  // namespace

Result<Gs1_128Elements> gs1_128_elements(std::string_view element_string, bool complete_check_digits) {
    const std::string text =
        complete_check_digits ? gs1::with_check_digits(element_string) : std::string(element_string);
    auto fields = gs1::parse(text);
    if (!fields) return std::unexpected(std::move(fields.error()));
    if (auto checked = gs1::validate_check_digits(*fields); !checked) return std::unexpected(checked.error());
    std::size_t characters = 0;
    for (const AiField& field : *fields) characters += field.ai.size() + field.data.size();
    if (characters > gs1_128_max_characters) {
        return std::unexpected(TavloError::invalid_gs1("GS1-128 holds at most " +
                                                       std::to_string(gs1_128_max_characters) +
                                                       " data characters, got " + std::to_string(characters)));
    }
    return Gs1_128Elements{code128_symbols(*fields), gs1::human_readable(*fields)};
}

Result<std::string> itf14_digits(std::string_view digits) {
    auto data = ean_upc::validate(digits, "ITF-14", 13);
    if (!data) return std::unexpected(std::move(data.error()));
    std::string all(*data);
    all += char('0' + gs1::check_digit(all));
    return all;
}

}  // namespace tavlo
