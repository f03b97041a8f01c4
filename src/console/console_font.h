// Glyphs 0-255 taken from and given to the Linux virtual console on a
// terminal. No curses: each call says whether it worked and what to show.
#pragma once

#include <string>

struct console_outcome {
    bool done;            // false: neither the editor's font nor the console's changed
    std::string message;  // for the status line, either way
};

// True when `fd` is a Linux virtual console, whose font the kernel lets us read.
bool is_virtual_console(int fd);

// Copies glyphs 0-255 of the console's 8x16 font into the font_size bytes
// at `font`; leaves them alone on failure.
console_outcome take_console_font(int fd, unsigned char *font);

// Puts the font_size bytes at `font` on the console as glyphs 0-255, keeping
// the console's glyph count, its glyphs 256-511 and its Unicode map.
console_outcome give_console_font(int fd, const unsigned char *font);
