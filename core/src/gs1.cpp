#include "tavlo/gs1.hpp"

#include <string>

#include "ascii.hpp"

namespace tavlo::gs1 {

namespace {

bool valid_ai(std::string_view ai) {
    if (ai.size() < 2 || ai.size() > 4) return false;
    for (char c : ai) {
        if (!ascii::is_digit(c)) return false;
    }
    return true;
}

}  // namespace

Result<std::vector<AiField>> parse(std::string_view text) {
    std::vector<AiField> fields;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Only the first element can meet anything else: data runs up to the next '(' or the end.
        if (text[pos] != '(') {
            return std::unexpected(TavloError::invalid_gs1("value must begin with '(' and use (AI)data syntax"));
        }
        const std::size_t close = text.find(')', pos + 1);
        if (close == std::string_view::npos) {
            return std::unexpected(TavloError::invalid_gs1("unterminated AI: missing ')'"));
        }
        const std::string_view ai = text.substr(pos + 1, close - pos - 1);
        if (!valid_ai(ai)) {
            return std::unexpected(TavloError::invalid_gs1("invalid Application Identifier '" + std::string(ai) +
                                                           "': must be 2-4 digits"));
        }
        std::size_t end = text.find('(', close + 1);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view data = text.substr(close + 1, end - close - 1);
        if (data.empty()) {
            return std::unexpected(TavloError::invalid_gs1("AI (" + std::string(ai) + ") has no data"));
        }
        // Lengths count UTF-8 bytes, which for GS1's ASCII character set equal characters.
        if (auto length = fixed_ai_length(ai); length && data.size() != *length) {
            return std::unexpected(TavloError::invalid_gs1("AI (" + std::string(ai) + ") requires exactly " +
                                                           std::to_string(*length) + " characters of data, got " +
                                                           std::to_string(data.size())));
        }
        fields.push_back(AiField{std::string(ai), std::string(data)});
        pos = end;
    }
    if (fields.empty()) {
        return std::unexpected(TavloError::invalid_gs1("value must contain at least one (AI)data pair"));
    }
    return fields;
}

std::optional<std::size_t> fixed_ai_length(std::string_view ai) {
    // The predefined-length element strings of the GS1 General Specifications, as data lengths.
    switch (ai.size()) {
    case 2: {
        if (ai[0] == '0') {
            switch (ai[1]) {
            case '0': return 18;
            case '1':
            case '2':
            case '3': return 14;
            case '4': return 16;
            default: return std::nullopt;
            }
        }
        if (ai[0] == '1' && ai[1] >= '1' && ai[1] <= '9') return 6;
        if (ai == "20") return 2;
        if (ai == "41") return 13;
        return std::nullopt;
    }
    case 3:
        // The GLNs 410 to 417 carry 13 digits; the two-character key "41" above stands for them in
        // older tables, so both forms are held to that length and never take a separator.
        if (ai[0] == '4' && ai[1] == '1' && ai[2] >= '0' && ai[2] <= '7') return 13;
        return std::nullopt;
    case 4:
        // 3100 to 3699: trade measures, six digits with the decimal point position in the AI.
        if (ai[0] == '3' && ai[1] >= '1' && ai[1] <= '6' && ascii::is_digit(ai[2]) && ascii::is_digit(ai[3])) return 6;
        return std::nullopt;
    default: return std::nullopt;
    }
}

std::string to_datamatrix_bytes(const std::vector<AiField>& fields) {
    std::size_t size = 0;
    for (const auto& field : fields) size += field.ai.size() + field.data.size() + 1;
    std::string bytes;
    bytes.reserve(size);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        bytes += fields[i].ai;
        bytes += fields[i].data;
        if (i + 1 < fields.size() && !fixed_ai_length(fields[i].ai)) bytes += '\x1D';
    }
    return bytes;
}

}  // namespace tavlo::gs1
