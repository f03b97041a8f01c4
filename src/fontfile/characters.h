// Which characters each glyph of a font draws: the Unicode table of a PSF
// font, read from and written back into the font's own file image.
#pragma once

#include "fontfile/unicode_table.h"
#include "glyph/font.h"

#include <optional>
#include <string>

// The font's table; nothing for a font without one, or one that cannot be
// read (which is kept as it is).
std::optional<unicode_table> font_characters(const font_value &font);

// Whether the font has a table, readable or not.
bool has_unicode_table(const font_value &font);

// The lowest-numbered glyph that draws `entry` (a character on its own, or
// a sequence); -1 when none does.
int glyph_drawing(const unicode_table &table, const table_entry &entry);

// What set_glyph_characters did: on failure an error for the status line,
// the font unchanged; on success the glyphs other entries were taken from.
struct characters_change {
    std::string error;
    std::vector<int> taken_from;  // the glyphs entries were taken off, each once, lowest first
};

// Gives glyph `c` exactly `entries`, in that order, taking each off any
// other glyph that had it, so that each character keeps one glyph. The
// table is written back in the font's own form; only the table, and in a
// PSF1 font the mode byte, change. A font without a table gets one first,
// in which no other glyph draws a character: a PSF font its table flag, a
// font of any other form a PSF file of its glyphs (PSF1 where it holds
// them, see new_psf_header), which it is then saved as.
characters_change set_glyph_characters(font_value &font, int c, const glyph_entries &entries);
