#include "glyph/font.h"

#include "shell/shell.h"

static int cell_width()
{
    return editor_state.wide_mode + 1;
}

// Window column where pixel column `col` starts.
static int pixel_x(int col, int width)
{
    return col * width + 2;
}

static void draw_pixel(WINDOW *window, bool lit, int width)
{
    for (int i = 0; i < width; ++i)
        waddch(window, lit ? ACS_BLOCK : ' ');
}

void draw_glyph(WINDOW *window, const unsigned char *g)
{
    const char *title = editor_state.wide_mode ? " Char %03d [WIDE] " : " Char %03d ";
    wmove(window, 0, 1);
    wprintw(window, title, editor_state.current_char);
    for (int i = 0; i < glyph_height * glyph_width; ++i) {
        int row = i / glyph_width;
        int bit = 7 - i % glyph_width;
        if (i % glyph_width == 0)
            wmove(window, row + 1, pixel_x(0, cell_width()));
        draw_pixel(window, (g[row] >> bit) & 1, cell_width());
    }
    wmove(window, editor_state.cursor_row + 1, pixel_x(editor_state.cursor_col, cell_width()));
}

void move_cursor()
{
    wmove(glyph_window, editor_state.cursor_row + 1,
          pixel_x(editor_state.cursor_col, cell_width()));
}

void toggle_pixel(WINDOW *window, int char_index, unsigned char *font, int row, int col,
                  int width)
{
    unsigned char &pixel_row = font[glyph_height * char_index + row];
    pixel_row = static_cast<unsigned char>(pixel_row ^ (1u << (7 - col)));
    wmove(window, row + 1, pixel_x(col, width));
    draw_pixel(window, (pixel_row >> (7 - col)) & 1, width);
    wmove(window, row + 1, pixel_x(col, width));
}
