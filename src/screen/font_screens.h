// The screens that show many glyphs at once: the overview of the whole font
// and the sample text. Both cover the editor from row 2 down to the line
// above the status line, and draw each glyph with draw_glyph_picture.
#pragma once

#include <curses.h>
#include <vector>

// ======== Pictures of glyphs ========

// Screen rows a picture of a glyph `height` pixels tall takes.
int picture_rows(int height);

// Draws the glyph at `g` (height rows of row_bytes(width) bytes) into
// `window` from row `top`, column `left`, cut at the window's edges: one
// cell a pixel wide and two pixel rows tall in half blocks (the last row of
// an odd height pairs with a blank one); where the locale has no such
// characters, one cell a pixel with the glyph window's block.
void draw_glyph_picture(WINDOW *window, int top, int left, const unsigned char *g, int width,
                        int height);

// A blank window over the editor below row 1, down to the status line.
WINDOW *cover_editor();

// Deletes `cover` and puts the editor back under it, the current glyph
// drawn anew; a refresh (of the status line, say) shows it.
void uncover_editor(WINDOW *cover);

// ======== The overview ========

// Where the arrows, PgUp, PgDown, Home and End move the selection.
enum class overview_move { left, right, up, down, page_up, page_down, first, last };

// Covers the editor with pictures of font_buffer's glyphs, each labelled
// with its number and a "*" when it changed since the last load or save;
// `selected`'s row of pictures at the top, its label in reverse video.
void open_overview(int selected);
int overview_selection();
// Wrapping at the font's ends; the pictures move only when the selection
// leaves the rows shown, else only the two labels are written again.
void move_overview_selection(overview_move move);
void select_in_overview(int glyph);
// After a change of terminal size, with the editor laid out anew under it.
void lay_out_overview_again();
// Waits for a key, the terminal cursor on the selected label.
int read_overview_key();
// Gives the screen back to the editor (uncover_editor).
void close_overview();
// Lets the overview go when the editor is not shown under it either.
void drop_overview();

// ======== Sample text ========

// A character of a sample text: the glyph drawing it, or -1 for a hollow box.
struct sample_glyph {
    int glyph;
    bool is_space;  // where a line may break
};

// Draws `text` in `cover` with font_buffer's glyphs side by side, wrapped
// at spaces to the width, in as many lines as fit. Does not refresh.
void draw_sample_text(WINDOW *cover, const std::vector<sample_glyph> &text);
