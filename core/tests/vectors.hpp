// Reading the reference vector files (one flat JSON object per line) from the C++ tests. Only what those
// files use: string, number, boolean and null fields, and strings with the usual escapes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "check.hpp"

namespace tavlo::test {

// One line: field name to its text (strings decoded to UTF-8, other values as written).
using JsonObject = std::map<std::string, std::string>;

// Where the shared reference vectors live: $TAVLO_VECTORS, else ../shared/vectors beside the project root.
inline std::filesystem::path vectors_dir() {
    if (const char* dir = std::getenv("TAVLO_VECTORS")) return dir;
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "shared" /
           "vectors";
}

namespace detail {

inline void put_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

inline char32_t hex4(const std::string& s, std::size_t at) {
    return char32_t(std::stoul(s.substr(at, 4), nullptr, 16));
}

// The string starting after the quote at `at`; `at` ends after the closing quote.
inline std::string read_string(const std::string& s, std::size_t& at) {
    std::string out;
    while (s[at] != '"') {
        if (s[at] != '\\') {
            out += s[at++];
            continue;
        }
        const char e = s[at + 1];
        at += 2;
        switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
            char32_t c = hex4(s, at);
            at += 4;
            if (c >= 0xD800 && c < 0xDC00) {  // a surrogate pair: \uD8xx\uDCxx
                c = 0x10000 + ((c - 0xD800) << 10) + (hex4(s, at + 2) - 0xDC00);
                at += 6;
            }
            put_utf8(out, c);
            break;
        }
        default: out += e; break;  // \" \\ \/
        }
    }
    ++at;
    return out;
}

}  // namespace detail

// A flat object; arrays and nested objects are kept as their raw text.
inline JsonObject parse_object(const std::string& line) {
    JsonObject object;
    std::size_t at = line.find('{') + 1;
    while (true) {
        at = line.find('"', at);
        if (at == std::string::npos) break;
        ++at;
        const std::string key = detail::read_string(line, at);
        at = line.find(':', at) + 1;
        while (line[at] == ' ') ++at;
        if (line[at] == '"') {
            ++at;
            object[key] = detail::read_string(line, at);
        } else {
            int depth = 0;
            const std::size_t begin = at;
            for (; at < line.size(); ++at) {
                const char c = line[at];
                if (c == '[' || c == '{') ++depth;
                if (c == ']' || c == '}') {
                    if (depth == 0) break;
                    --depth;
                }
                if (c == ',' && depth == 0) break;
            }
            object[key] = line.substr(begin, at - begin);
        }
        at = line.find_first_of(",}", at);
        if (at == std::string::npos || line[at] == '}') break;
    }
    return object;
}

// Every line of a vector file; empty (with a note on stdout) when the file is absent.
inline std::vector<JsonObject> read_json_lines(const std::string& name) {
    std::vector<JsonObject> lines;
    std::ifstream in(vectors_dir() / name);
    if (!in) {
        std::printf("skipped: %s not found in %s\n", name.c_str(), vectors_dir().c_str());
        return lines;
    }
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(parse_object(line));
    return lines;
}

}  // namespace tavlo::test

// CHECK that also names the case (a std::string) that failed.
#define CHECK_CASE(condition, what)                                                                           \
    do {                                                                                                      \
        if (!(condition)) {                                                                                   \
            std::printf("%s:%d: check failed: %s, for %s\n", __FILE__, __LINE__, #condition, (what).c_str()); \
            ++tavlo::test::failure_count();                                                                   \
        }                                                                                                     \
    } while (false)
