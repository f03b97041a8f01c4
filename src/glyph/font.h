// The font being edited, the editor's place in it, and the enlarged glyph picture.
#pragma once

#include <array>
#include <cstdint>
#include <curses.h>

constexpr int glyph_height = 16;  // pixel rows, one byte each
constexpr int glyph_width = 8;    // pixel columns, bit 7 leftmost
constexpr int glyph_count = 256;
constexpr int font_size = glyph_count * glyph_height;  // 4096 bytes

// One character: byte r is pixel row r, top first.
using glyph = std::array<unsigned char, glyph_height>;

// The whole font, glyph c at bytes 16*c to 16*c+15. Changed only by loads
// (from a file or the console), pixel toggles, pops, and undoing and redoing
// them.
extern std::array<unsigned char, font_size> font_buffer;

// Whether the font differs from its state at the last successful load or
// save: kept by the undo history after every change, undo, redo, load and
// save; what an emergency save on losing the terminal goes by.
extern bool font_has_unsaved_changes;

struct editor_state_t {
    int32_t current_char = 65;  // glyph shown and edited, 0 to 255
    int32_t cursor_row = 0;     // pixel row under the cursor, 0 to 15
    int32_t cursor_col = 0;     // pixel column under the cursor, 0 to 7
    int32_t wide_mode = 0;      // 1: each pixel is two screen cells wide
};

// Changed only by the command loop (undo and redo included) and the
// character-number prompt.
extern editor_state_t editor_state;

// The 16 bytes of the current glyph inside font_buffer.
unsigned char *current_glyph();

// Paints the title and all pixels of `g` into `window` and leaves the
// window's cursor on the pixel cursor. Does not refresh.
void draw_glyph(WINDOW *window, const unsigned char *g);

// Puts the glyph window's cursor on the pixel cursor.
void move_cursor();

// Flips one pixel of glyph `char_index` in `font` and repaints that pixel,
// leaving the cursor on it. Does not refresh.
void toggle_pixel(WINDOW *window, int char_index, unsigned char *font, int row, int col,
                  int cell_width);
