// The GS1 Application Identifier table (generated from the GS1 Barcode Syntax Dictionary) and the lookups
// the validator, the pairing rules and GS1 Digital Link read it through.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tavlo::gs1 {

// The named content checks of the dictionary; the generator refuses a dictionary naming one not listed here.
enum class Linter : std::uint8_t {
    none,
    couponcode, couponposoffer, csum, csumalpha, gcppos1, gcppos2, hasnondigit, hh, hhmi, hyphen, iban,
    importeridx, iso3166, iso3166999, iso3166alpha2, iso4217, iso5218, latitude, longitude, mediatype, mi,
    nonzero, nozeroprefix, packagetype, pcenc, pieceoftotal, posinseqslash, ss, winding, yesno, yymmd0,
    yymmdd, yyyymmdd, zero,
};

// One component of an AI's value: its character set ('N' digits, 'X' the 82 characters of CSET 82, 'Y' the
// 39 of CSET 39, 'Z' base64url), its length in [min_length, max_length] (equal for a fixed length; only the
// last component varies), whether it may be left out (no mandatory component follows an optional one), and
// its content checks in order, ended by Linter::none.
struct Component {
    char cset;
    std::uint8_t min_length;
    std::uint8_t max_length;
    bool optional;
    std::array<Linter, 3> linters;
};

// One dictionary entry: the AIs from `first` to `last` (same length, equal for a single AI).
struct AiEntry {
    std::string_view first;
    std::string_view last;
    bool separator;     // an FNC1 ends the value unless it is the last (no '*' flag: not of predefined length)
    bool dl_attribute;  // may be a GS1 Digital Link data attribute ('?' flag)
    std::uint8_t component_count;
    std::array<Component, 5> components;
    std::string_view req;  // "01+21,03+21": one of the ','-separated groups, all of whose '+' members, must be
                           // present; several rules are ';'-separated and each applies
    std::string_view ex;   // "01,394n": none of these may be present (an AI never excludes itself)
    bool dl_primary_key;   // a GS1 Digital Link primary key
    std::string_view dl_qualifiers;  // "22,10,21|235": alternative sequences of ordered, optional qualifiers
    std::string_view title;

    std::span<const Component> parts() const { return {components.data(), component_count}; }
    std::size_t max_length() const;
};

// The entry of `ai` (2 to 4 digits), or nullptr when the AI is not allocated.
const AiEntry* find_ai(std::string_view ai);

// Whether `ai` matches a rule's pattern: the same length, and equal where the pattern has no 'n' (any digit).
bool matches_pattern(std::string_view pattern, std::string_view ai);

}  // namespace tavlo::gs1
