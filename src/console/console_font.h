// The font exchanged with the Linux virtual console on a terminal, at the
// console's own size. No curses: each call says whether it worked and what
// to show.
#pragma once

#include "glyph/font.h"

#include <string>

struct console_outcome {
    bool done;            // false: neither the editor's font nor the console's changed
    std::string message;  // for the status line, either way
};

// True when `fd` is a Linux virtual console, whose font the kernel lets us read.
bool is_virtual_console(int fd);

// The console's whole font, all its glyphs at its own size, into `font` as
// glyphs alone; `font` is left alone on failure.
console_outcome take_console_font(int fd, font_value &font);

// Puts `font` on the console at its own size and count, after checking
// that the console can take it: glyphs 256-511 of a 512-glyph console stay
// when the font has 256 glyphs of the same size; the Unicode map is never
// touched.
console_outcome give_console_font(int fd, const font_value &font);
