// Text forms of Unicode table entries, for the screen and the prompts.
#include "fontfile/unicode_text.h"

#include <charconv>
#include <cstdint>
#include <cwchar>
#include <optional>

// A wchar_t must hold the code point itself, whatever the locale.
#ifndef __STDC_ISO_10646__
#error "wchar_t is not a Unicode code point on this system"
#endif

namespace {

constexpr size_t longest_named_entry = 24;

// An entry cut to fit a message.
std::string cut_to_fit(std::string_view entry)
{
    if (entry.size() <= longest_named_entry)
        return std::string(entry);
    return std::string(entry.substr(0, longest_named_entry - 3)) + "...";
}

// An entry as typed, cut to fit a message.
std::string quoted(std::string_view entry)
{
    return '"' + cut_to_fit(entry) + '"';
}

bool take_prefix(std::string_view text, size_t &at)
{
    if (text.size() - at < 2 || (text[at] != 'U' && text[at] != 'u') || text[at + 1] != '+')
        return false;
    at += 2;
    return true;
}

bool take_hex_code(std::string_view text, size_t &at, char32_t &code)
{
    uint32_t value = 0;
    const char *start = text.data() + at;
    const char *end = std::from_chars(start, text.data() + text.size(), value, 16).ptr;
    if (end == start || end - start > 6)
        return false;
    at += static_cast<size_t>(end - start);
    code = value;
    return true;
}

// The codes of `word` (U+XXXX, then +XXXX or +U+XXXX for each more), or
// nothing when it is malformed.
std::optional<table_entry> codes_of(std::string_view word)
{
    size_t at = 0;
    if (!take_prefix(word, at))
        return std::nullopt;
    table_entry entry;
    for (;;) {
        char32_t code;
        if (!take_hex_code(word, at, code))
            return std::nullopt;
        entry.push_back(code);
        if (at == word.size())
            return entry;
        if (word[at++] != '+')
            return std::nullopt;
        take_prefix(word, at);
    }
}

std::string not_a_character(const table_entry &entry)
{
    for (char32_t code : entry)
        if (std::string why = character_refusal(code); !why.empty())
            return why;
    return {};
}

std::string malformed(const char *what, std::string_view word)
{
    return std::string(what) + " " + quoted(word) + ": use U+ and 1-6 hex digits";
}

// The one character of `field` in the locale's encoding, if it holds exactly one.
std::optional<char32_t> only_character(std::string_view field)
{
    std::mbstate_t state{};
    wchar_t wide = 0;
    size_t used = std::mbrtowc(&wide, field.data(), field.size(), &state);
    if (field.empty() || used == 0 || used != field.size())
        return std::nullopt;
    return static_cast<char32_t>(wide);
}

}  // namespace

std::string format_entry(const table_entry &entry)
{
    std::string text;
    for (char32_t code : entry) {
        const std::string name = code_name(code);
        if (text.empty()) {
            text = name;
        } else {
            text.push_back('+');
            text.append(name, 2);
        }
    }
    return text;
}

std::string short_entry(const table_entry &entry)
{
    return cut_to_fit(format_entry(entry));
}

std::string format_entries(const glyph_entries &entries)
{
    std::string text;
    for (const table_entry &entry : entries) {
        if (!text.empty())
            text.push_back(' ');
        text.append(format_entry(entry));
    }
    return text;
}

parsed_entries parse_entries(std::string_view field)
{
    parsed_entries parsed;
    for (size_t start = 0; start < field.size();) {
        size_t end = std::min(field.find(' ', start), field.size());
        std::string_view word = field.substr(start, end - start);
        start = end + 1;
        if (word.empty())
            continue;
        std::optional<table_entry> entry = codes_of(word);
        if (!entry)
            return {{}, malformed("Malformed entry", word)};
        if (std::string why = not_a_character(*entry); !why.empty())
            return {{}, "Refused entry " + quoted(word) + ": " + why};
        parsed.entries.push_back(std::move(*entry));
    }
    return parsed;
}

parsed_character parse_find_field(std::string_view field)
{
    size_t at = 0;
    if (take_prefix(field, at)) {
        std::optional<table_entry> entry = codes_of(field);
        if (!entry)
            return {{}, malformed("Malformed code", field)};
        std::string why = not_a_character(*entry);
        return {std::move(*entry), std::move(why)};
    }
    std::optional<char32_t> code = only_character(field);
    if (!code)
        return {{}, "Give one character, or U+ and 1-6 hex digits"};
    return {{*code}, not_a_character({*code})};
}

std::string psf1_refusal(const glyph_entries &entries)
{
    for (const table_entry &entry : entries)
        if (!fits_psf1(entry))
            return quoted(format_entry(entry)) + ": a PSF1 font holds no code above U+FFFF";
    return {};
}
