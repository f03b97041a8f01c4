// Inside the screen code only: the glyph window's making, for the layout.
#pragma once

#include <curses.h>

// Draws the single-line frame around `window`.
void frame_window(WINDOW *window);

// Makes glyph_window for the current font, wide mode and terminal, framed,
// with the current glyph drawn. Does not refresh.
void create_glyph_window();
