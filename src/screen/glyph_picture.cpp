// Glyphs drawn at their own size, many to a screen, and the window the
// screens that show them cover the editor with.
#include "screen/font_screens.h"
#include "screen/glyph_window.h"
#include "screen/screen.h"

#include <algorithm>

constexpr int first_covered_row = 2;  // rows 0 and 1: the title and the file's state

static cchar_t wide_cell(const wchar_t *text)
{
    cchar_t cell{};
    setcchar(&cell, text, A_NORMAL, 0, nullptr);
    return cell;
}

// U+2580, U+2584 and U+2588 for the top pixel, the bottom one, or both.
static void add_half_blocks(WINDOW *window, bool top, bool bottom)
{
    static const cchar_t upper = wide_cell(L"\u2580");
    static const cchar_t lower = wide_cell(L"\u2584");
    static const cchar_t full = wide_cell(L"\u2588");
    if (top || bottom)
        wadd_wch(window, top && bottom ? &full : top ? &upper : &lower);
    else
        waddch(window, ' ');
}

int picture_rows(int height)
{
    return locale_has_blocks() ? (height + 1) / 2 : height;
}

static void draw_picture_row(WINDOW *window, const unsigned char *g, int width, int height,
                             int row, int cols)
{
    for (int col = 0; col < cols; ++col) {
        const bool lit = glyph_pixel(g, width, row, col);
        if (locale_has_blocks())
            add_half_blocks(window, lit, row + 1 < height && glyph_pixel(g, width, row + 1, col));
        else if (lit)
            add_lit_cell(window);
        else
            waddch(window, ' ');
    }
}

void draw_glyph_picture(WINDOW *window, int top, int left, const unsigned char *g, int width,
                        int height)
{
    const int rows = std::min(picture_rows(height), getmaxy(window) - top);
    const int cols = std::min(width, getmaxx(window) - left);
    const int pixel_rows_a_cell = locale_has_blocks() ? 2 : 1;
    for (int y = 0; y < rows; ++y) {
        wmove(window, top + y, left);
        draw_picture_row(window, g, width, height, y * pixel_rows_a_cell, cols);
    }
}

WINDOW *cover_editor()
{
    WINDOW *cover = newwin(LINES - 1 - first_covered_row, COLS, first_covered_row, 0);
    keypad(cover, TRUE);
    return cover;
}

// Only the covered rows of the standard screen: row 1 may be another
// window's, and the status line keeps its own.
void uncover_editor(WINDOW *cover)
{
    delwin(cover);
    touchline(stdscr, first_covered_row, LINES - 1 - first_covered_row);
    wnoutrefresh(stdscr);
    touchwin(keys_window);
    wnoutrefresh(keys_window);
    draw_current_glyph();
    touchwin(glyph_window);
    wnoutrefresh(glyph_window);
}
