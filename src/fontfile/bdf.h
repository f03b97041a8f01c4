// BDF fonts, the text form console fonts are made from. Inside the font
// files only: other folders load and save through fontfile.h.
#pragma once

#include "fontfile/characters.h"
#include "fontfile/forms.h"
#include "glyph/font.h"

#include <string>
#include <string_view>

// Whether a file begins "STARTFONT".
bool begins_bdf(const unsigned char *data, size_t size);

// Reads the BDF text `image` into `found`, which keeps the text. 0; or -1
// with "damaged BDF file: line N: ..." in error_text.
int read_bdf(file_image image, font_value &found);

// The text of a font read from BDF, with its changes: what S writes.
file_image bdf_file_image(const font_value &font);

// The same, written to an open file. Async-signal-safe: no memory taken.
bool write_bdf(int fd, const font_value &font);

// A new BDF file of any font, named in its FONT line after `name` (the file
// name). `left_out` counts the characters BDF cannot hold: a glyph's
// further characters and its sequences.
file_image new_bdf_file(const font_value &font, std::string_view name, int &left_out);

// A new PSF file of a font read from BDF, its table made from the ENCODINGs.
// `left_out` counts characters PSF1 cannot hold (past U+FFFF).
file_image psf_file_of_bdf(const font_value &font, int &left_out);

// The character of each glyph of a font read from BDF: one entry, or none.
unicode_table bdf_characters(const font_value &font);

// Gives glyph `c` of a font read from BDF the one character of `entries`,
// or none, writing its ENCODING in the font's charset and taking the
// character off any other glyph. On success an empty error and the glyphs
// it was taken from.
characters_change set_bdf_character(font_value &font, int c, const glyph_entries &entries);
