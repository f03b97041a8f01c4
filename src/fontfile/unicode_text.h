// The Unicode table as the user reads and types it: U+00E9 for a character,
// U+0065+0301 for a sequence. Messages fit the status line.
#pragma once

#include "fontfile/unicode_table.h"

#include <string>
#include <string_view>

// U+ and at least four upper-case hex digits; a sequence's later codes
// follow, each after a '+': U+0065+0301.
std::string format_entry(const table_entry &entry);

// format_entry, cut to fit a message: a typed sequence has no end.
std::string short_entry(const table_entry &entry);

// The "=" prompt's field: the entries in table order, one space between.
std::string format_entries(const glyph_entries &entries);

// What a field held: the value when `error` is empty.
struct parsed_entries {
    glyph_entries entries;
    std::string error;
};

struct parsed_character {
    table_entry entry;  // one character, or a sequence
    std::string error;
};

// Reads the "=" field: entries separated by spaces, each U+ (or u+) and 1-6
// hex digits, with a sequence's later codes after '+', each with or without
// its own U+. Empty: no entries. A malformed entry, or a code that is not a
// character (a surrogate, U+FFFE, U+FFFF, above U+10FFFF), is refused with
// a message naming it.
parsed_entries parse_entries(std::string_view field);

// Reads the "/" field: one character in the encoding of the current locale
// (LC_CTYPE, which follows the terminal), or U+ and 1-6 hex digits, or a
// sequence as "=" takes it (U+0065+0301). Anything else is refused with a
// message.
parsed_character parse_find_field(std::string_view field);

// Why a PSF1 font cannot take `entries` (a code above U+FFFF), naming the
// entry; empty when it can.
std::string psf1_refusal(const glyph_entries &entries);
