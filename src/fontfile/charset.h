// The charsets of BDF fonts, through iconv: a font's ENCODINGs are codes in
// the charset its properties name, and the editor works in Unicode.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The charset of a font whose properties give CHARSET_REGISTRY `registry`
// and CHARSET_ENCODING `encoding`: "unicode" for ISO10646-1 or none given,
// else the name iconv knows it by (the two joined by a hyphen, else the
// encoding alone, as CP1251 or PT154); empty when iconv knows neither.
std::string charset_of(const std::string &registry, const std::string &encoding);

// The characters `codes` stand for in `charset`, one for each; 0xFFFFFFFF
// where a code stands for none (-1, outside the charset, unknown charset).
constexpr char32_t no_character = 0xffffffff;
std::vector<char32_t> characters_of_codes(const std::string &charset, std::span<const int32_t> codes);

// The code of `character` in `charset`; nothing when the charset lacks it.
std::optional<int32_t> code_of_character(const std::string &charset, char32_t character);
