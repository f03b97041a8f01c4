// The Unicode table of a PSF font: which characters each glyph draws. Only
// bytes in and bytes out: the PSF code hands over what follows the glyphs
// and splices back what is written, so a table can be tested and fuzzed on
// its own.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

// One code point for a plain character; a base and its combining marks for
// a sequence.
using table_entry = std::vector<char32_t>;

// A glyph's entries in table order; empty for a glyph that draws none.
using glyph_entries = std::vector<table_entry>;

// One list of entries per glyph.
using unicode_table = std::vector<glyph_entries>;

// What read_unicode_table found.
struct table_reading {
    unicode_table table;  // glyph_count lists when read
    size_t end = 0;       // just past the last glyph's terminator: later bytes are not the table's
    std::string error;    // empty when read; else why not, fit to follow "Load error: " on 80 columns
};

// Reads the entries of `glyph_count` glyphs from `bytes`, the bytes after
// the glyphs of a PSF font of `version` 1 or 2. What it accepts, it gives
// back byte for byte through write_unicode_table: characters only (no
// surrogate, U+FFFE or U+FFFF), shortest-form UTF-8 in PSF2, no empty
// sequence, and no one-character sequence before a glyph's first longer one.
table_reading read_unicode_table(std::span<const unsigned char> bytes, int version,
                                 size_t glyph_count);

// Whether a PSF1 table can hold `entry`: it has no code point above U+FFFF.
bool fits_psf1(const table_entry &entry);

// The table in the form of PSF `version` 1 or 2. A one-character entry that
// follows a sequence is written as a sequence, so the order is kept. For
// PSF1, every entry must fit (fits_psf1).
std::vector<unsigned char> write_unicode_table(const unicode_table &table, int version);

// U+ and at least four upper-case hex digits: U+00E9.
std::string code_name(char32_t code);

// Why a table may not hold `code` (a surrogate, U+FFFE, U+FFFF, above
// U+10FFFF); empty when it may.
std::string character_refusal(char32_t code);
