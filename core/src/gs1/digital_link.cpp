// GS1 Digital Link URIs (GS1 Digital Link Standard: URI Syntax 1.4): elements read from and written to the
// path (a primary key and its ordered qualifiers) and the query (data attributes).
#include <algorithm>
#include <string>

#include "ai_table.hpp"
#include "tavlo/gs1_syntax.hpp"

namespace tavlo::gs1 {
namespace {

TavloError link_error(std::string rule) { return TavloError::gs1_syntax("GS1 Digital Link: " + rule); }

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alnum(char c) { return is_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_unreserved(char c) { return is_alnum(c) || c == '-' || c == '.' || c == '_' || c == '~'; }

// RFC 3986 characters: unreserved, reserved and '%'.
bool is_uri_char(char c) { return is_unreserved(c) || std::string_view(":/?#[]@!$&'()*+,;=%").find(c) != std::string_view::npos; }
bool is_domain_char(char c) { return is_alnum(c) || std::string_view("-.:[]").find(c) != std::string_view::npos; }

int hex_value(char c) {
    if (is_digit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Percent-decoding that keeps a '%' not followed by two hex digits as it is; in the query '+' is a space.
Result<std::string> unescape(std::string_view ai, std::string_view text, bool query) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 && hex_value(text[i + 2]) >= 0) {
            const char c = char(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            if (c == '\0') return std::unexpected(link_error("AI (" + std::string(ai) + ") holds a %00"));
            out += c;
            i += 2;
        } else {
            out += query && text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t end = text.find(separator);
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

bool is_known_ai(std::string_view segment) {
    return segment.size() >= 2 && segment.size() <= 4 && std::ranges::all_of(segment, is_digit) && find_ai(segment);
}

// Whether `qualifiers` follow, in order and each at most once, one of the key's alternative sequences.
bool in_qualifier_order(const AiEntry& key, std::span<const AiField> qualifiers) {
    for (std::string_view sequence : split(key.dl_qualifiers, '|')) {
        const auto order = split(sequence, ',');
        std::size_t next = 0;
        const bool fits = std::ranges::all_of(qualifiers, [&](const AiField& q) {
            while (next < order.size() && order[next] != q.ai) ++next;
            return next++ < order.size();
        });
        if (fits) return true;
    }
    return qualifiers.empty();
}

// Whether qualifier `ai` could join the path's `qualifiers` in one of the key's sequences: then it must be
// written there, not in the query.
bool fits_path(const AiEntry& key, std::span<const AiField> qualifiers, std::string_view ai) {
    for (std::string_view sequence : split(key.dl_qualifiers, '|')) {
        const auto order = split(sequence, ',');
        const auto in_sequence = [&](std::string_view q) { return std::ranges::find(order, q) != order.end(); };
        if (in_sequence(ai) && std::ranges::all_of(qualifiers, [&](const AiField& q) { return in_sequence(q.ai); })) return true;
    }
    return false;
}

// The scheme, lower case or upper case throughout as RFC 3986 allows either.
std::size_t scheme_length(std::string_view uri) {
    for (std::string_view scheme : {"https://", "http://", "HTTPS://", "HTTP://"}) {
        if (uri.starts_with(scheme)) return scheme.size();
    }
    return 0;
}

void escape_into(std::string& out, std::string_view value) {
    constexpr std::string_view hex = "0123456789ABCDEF";
    for (char c : value) {
        if (is_unreserved(c)) {
            out += c;
        } else {
            out += '%';
            out += hex[static_cast<unsigned char>(c) >> 4];
            out += hex[static_cast<unsigned char>(c) & 15];
        }
    }
}

}  // namespace

Result<std::vector<AiField>> parse_digital_link(std::string_view uri) {
    const std::size_t scheme = scheme_length(uri);
    if (scheme == 0) return std::unexpected(link_error("the URI must begin with http:// or https://"));
    if (!std::ranges::all_of(uri, is_uri_char)) return std::unexpected(link_error("the URI holds a character URIs may not"));
    uri = uri.substr(0, uri.find('#'));
    const std::size_t query_start = std::min(uri.find('?'), uri.size());
    const std::string_view query = query_start < uri.size() ? uri.substr(query_start + 1) : std::string_view{};
    const std::string_view rest = uri.substr(scheme, query_start - scheme);
    const std::size_t path_start = rest.find('/');
    if (!std::ranges::all_of(rest.substr(0, path_start), is_domain_char)) {
        return std::unexpected(link_error("the domain holds a character domains may not"));
    }
    if (path_start == std::string_view::npos) return std::unexpected(link_error("the path holds no primary key"));
    const auto segments = split(rest.substr(path_start + 1), '/');
    // The AI path ends the path: "AI/value" pairs read from the right up to the first primary key.
    std::size_t start = segments.size();
    while (start >= 2 && is_known_ai(segments[start - 2]) && !find_ai(segments[start - 2])->dl_primary_key) start -= 2;
    if (start < 2 || !is_known_ai(segments[start - 2])) return std::unexpected(link_error("the path holds no primary key"));
    start -= 2;
    std::vector<AiField> elements;
    for (std::size_t i = start; i < segments.size(); i += 2) {
        if (segments[i + 1].empty()) return std::unexpected(link_error("AI (" + std::string(segments[i]) + ") has an empty value"));
        auto value = unescape(segments[i], segments[i + 1], false);
        if (!value) return std::unexpected(std::move(value.error()));
        elements.push_back({std::string(segments[i]), std::move(*value)});
    }
    const std::size_t path_count = elements.size();
    if (!in_qualifier_order(*find_ai(elements[0].ai), std::span(elements).subspan(1))) {
        return std::unexpected(link_error("the AIs of the path are not key (" + elements[0].ai + ") and its qualifiers in order"));
    }
    for (std::string_view parameter : split(query, '&')) {
        const std::size_t equals = parameter.find('=');
        const std::string_view ai = parameter.substr(0, equals);
        if (equals == std::string_view::npos || ai.empty() || !std::ranges::all_of(ai, is_digit)) continue;
        const AiEntry* entry = find_ai(ai);
        if (!entry) return std::unexpected(link_error("AI (" + std::string(ai) + ") in the query is not an allocated AI"));
        if (!entry->dl_attribute) return std::unexpected(link_error("AI (" + std::string(ai) + ") may not be a data attribute"));
        if (fits_path(*find_ai(elements[0].ai), std::span(elements).subspan(1, path_count - 1), ai)) {
            return std::unexpected(link_error("AI (" + std::string(ai) + ") is a qualifier that belongs in the path"));
        }
        if (equals + 1 == parameter.size()) return std::unexpected(link_error("AI (" + std::string(ai) + ") has an empty value"));
        auto value = unescape(ai, parameter.substr(equals + 1), true);
        if (!value) return std::unexpected(std::move(value.error()));
        elements.push_back({std::string(ai), std::move(*value)});
    }
    for (std::size_t i = 0; i < elements.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (elements[i].ai == elements[j].ai) return std::unexpected(link_error("AI (" + elements[i].ai + ") is given twice"));
        }
    }
    if (auto valid = validate_elements(elements); !valid) return std::unexpected(std::move(valid.error()));
    return elements;
}

Result<std::string> digital_link_uri(std::span<const AiField> elements, std::string_view domain) {
    if (scheme_length(domain) == 0) return std::unexpected(link_error("the domain must begin with http:// or https://"));
    if (auto valid = validate_elements(elements); !valid) return std::unexpected(std::move(valid.error()));
    const auto key = std::ranges::find_if(elements, [](const AiField& e) { return find_ai(e.ai)->dl_primary_key; });
    if (key == elements.end()) return std::unexpected(link_error("the elements hold no primary key"));
    // The key, then the qualifier sequence that takes the most of the elements' qualifiers, make the path.
    // Of the key's qualifier sequences, one that leaves only data attributes for the query, taking the most.
    std::vector<const AiField*> path;
    bool path_leaves_attributes = false;
    for (std::string_view sequence : split(find_ai(key->ai)->dl_qualifiers, '|')) {
        std::vector<const AiField*> taken{&*key};
        for (std::string_view qualifier : split(sequence, ',')) {
            const auto found = std::ranges::find(elements, qualifier, &AiField::ai);
            if (!qualifier.empty() && found != elements.end()) taken.push_back(&*found);
        }
        const bool leaves_attributes = std::ranges::all_of(elements, [&](const AiField& e) {
            return find_ai(e.ai)->dl_attribute || std::ranges::find(taken, e.ai, &AiField::ai) != taken.end();
        });
        if (std::pair(leaves_attributes, taken.size()) > std::pair(path_leaves_attributes, path.size())) {
            path = std::move(taken);
            path_leaves_attributes = leaves_attributes;
        }
    }
    std::string uri(domain.ends_with('/') ? domain.substr(0, domain.size() - 1) : domain);
    for (const AiField* e : path) {
        uri += '/' + e->ai + '/';
        escape_into(uri, e->data);
    }
    char separator = '?';
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const AiField& e = elements[i];
        // The same element given twice (validate_elements allows it with one value) is written once.
        const auto earlier = elements.first(i);
        if (std::ranges::find(path, &e) != path.end() || std::ranges::find(earlier, e.ai, &AiField::ai) != earlier.end()) {
            continue;
        }
        if (!find_ai(e.ai)->dl_attribute) {
            return std::unexpected(link_error("AI (" + e.ai + ") may not appear in a GS1 Digital Link URI"));
        }
        uri += separator + e.ai + '=';
        escape_into(uri, e.data);
        separator = '&';
    }
    return uri;
}

}  // namespace tavlo::gs1
