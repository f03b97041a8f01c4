// Inside the screen code only: the glyph window's making, for the layout,
// and its lit cell, which the other pictures of glyphs share.
#pragma once

#include <curses.h>

// Draws the single-line frame around `window`.
void frame_window(WINDOW *window);

// Makes glyph_window for the current font, wide mode and terminal, framed,
// with the current glyph drawn. Does not refresh.
void create_glyph_window();

// Whether the locale's encoding has the block characters (UTF-8).
bool locale_has_blocks();

// A full block wherever the locale can show one; otherwise the terminal's
// own block, or the library's '#' where the terminal has none.
void add_lit_cell(WINDOW *window);
