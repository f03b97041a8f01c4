#include "glyph/font.h"

#include "shell/shell.h"

#include <cstring>
#include <langinfo.h>

static int cell_width()
{
    return editor_state.wide_mode + 1;
}

// Window column where pixel column `col` starts.
static int pixel_x(int col, int width)
{
    return col * width + 2;
}

// A full block wherever the locale can show one; otherwise the terminal's
// own block, or the library's '#' where the terminal has none.
static void add_lit_cell(WINDOW *window)
{
    static const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    // U+2588; the library's own block in such a locale is a narrower glyph.
    static const cchar_t full_block = [] {
        cchar_t block{};
        setcchar(&block, L"\u2588", A_NORMAL, 0, nullptr);
        return block;
    }();
    if (utf8)
        wadd_wch(window, &full_block);
    else
        waddch(window, ACS_BLOCK);
}

static void draw_pixel(WINDOW *window, bool lit, int width)
{
    for (int i = 0; i < width; ++i) {
        if (lit)
            add_lit_cell(window);
        else
            waddch(window, ' ');
    }
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
