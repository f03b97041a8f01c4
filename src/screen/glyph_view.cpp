// The glyph window: one glyph, enlarged, one cell per pixel or two in wide
// mode. A glyph larger than the terminal has room for is shown in part, the
// part that holds the pixel cursor.
#include "screen/glyph_window.h"
#include "screen/screen.h"

#include <algorithm>
#include <cstring>
#include <langinfo.h>

// Where the glyph window stands and which pixels it shows.
struct glyph_view {
    int top = 5;
    int left = 45;
    int rows = 0;        // of the window, frame included
    int cols = 0;
    int shown_rows = 0;  // pixel rows and columns shown
    int shown_cols = 0;
    int first_row = 0;   // the first pixel row and column shown
    int first_col = 0;
    bool operator==(const glyph_view &) const = default;
};

static glyph_view view;

// One blank column right of the keys window, so the two frames never read as one.
constexpr int leftmost_glyph_column = 36;
constexpr int frame_cols = 4;        // the frame and a blank on each side

static int cell_width()
{
    return editor_state.wide_mode + 1;
}

// The first pixel shown, moved just enough to show `cursor`.
static int scrolled_to(int first, int cursor, int shown, int total)
{
    if (cursor < first)
        first = cursor;
    else if (cursor >= first + shown)
        first = cursor - shown + 1;
    return std::clamp(first, 0, total - shown);
}

// The narrowest glyph window: its title and the frame's corners, the title
// holding the last glyph's number. A glyph taller than the window gets two
// columns more, so that arrows beside the title can tell of rows above.
static int least_cols(int shown_rows)
{
    const int more_digits = char_number_digits(font_buffer.count - 1) - 3;
    return (editor_state.wide_mode ? 20 : 12) + more_digits + (shown_rows < font_buffer.height ? 2 : 0);
}

// The window the current font, wide mode, terminal and pixel cursor call
// for: at column 45 where the glyph fits there, else only as far left as it
// must, never on the keys window.
static glyph_view wanted_view()
{
    glyph_view wanted = view;
    wanted.rows = std::min(font_buffer.height + 2, LINES - 1 - wanted.top);
    wanted.shown_rows = wanted.rows - 2;
    const int full_cols = std::max(font_buffer.width * cell_width() + frame_cols, least_cols(wanted.shown_rows));
    wanted.left = COLS - 45 >= full_cols ? 45 : std::max(leftmost_glyph_column, COLS - full_cols);
    wanted.cols = std::min(full_cols, COLS - wanted.left);
    wanted.shown_cols = std::min(font_buffer.width, (wanted.cols - frame_cols) / cell_width());
    wanted.first_row = scrolled_to(wanted.first_row, editor_state.cursor_row, wanted.shown_rows,
                                   font_buffer.height);
    wanted.first_col = scrolled_to(wanted.first_col, editor_state.cursor_col, wanted.shown_cols,
                                   font_buffer.width);
    return wanted;
}

// ======== Pixels ========

// Window column where pixel column `col` starts.
static int pixel_x(int col)
{
    return (col - view.first_col) * cell_width() + 2;
}

static int pixel_y(int row)
{
    return row - view.first_row + 1;
}

bool locale_has_blocks()
{
    static const bool utf8 = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    return utf8;
}

void add_lit_cell(WINDOW *window)
{
    // U+2588; the library's own block in such a locale is a narrower glyph.
    static const cchar_t full_block = [] {
        cchar_t block{};
        setcchar(&block, L"\u2588", A_NORMAL, 0, nullptr);
        return block;
    }();
    if (locale_has_blocks())
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
    for (int row = view.first_row; row < view.first_row + view.shown_rows; ++row) {
        wmove(window, pixel_y(row), pixel_x(view.first_col));
        for (int col = view.first_col; col < view.first_col + view.shown_cols; ++col)
            draw_pixel(window, glyph_pixel(g, font_buffer.width, row, col), cell_width());
    }
    wmove(window, pixel_y(editor_state.cursor_row), pixel_x(editor_state.cursor_col));
}

void toggle_pixel(WINDOW *window, int char_index, font_value &font, int row, int col, int width)
{
    flip_pixel(font, char_index, row, col);
    wmove(window, pixel_y(row), pixel_x(col));
    draw_pixel(window, pixel_lit(font, char_index, row, col), width);
    wmove(window, pixel_y(row), pixel_x(col));
}

// ======== The frame ========

// Arrows along each edge beyond which more of the glyph lies; the title
// is drawn over the top edge afterwards.
static void mark_hidden_edges()
{
    const int bottom = view.rows - 1;
    const int right = view.cols - 1;
    for (int col = 1; col < right; ++col) {
        if (view.first_row > 0)
            mvwaddch(glyph_window, 0, col, ACS_UARROW);
        if (view.first_row + view.shown_rows < font_buffer.height)
            mvwaddch(glyph_window, bottom, col, ACS_DARROW);
    }
    for (int row = 1; row < bottom; ++row) {
        if (view.first_col > 0)
            mvwaddch(glyph_window, row, 0, ACS_LARROW);
        if (view.first_col + view.shown_cols < font_buffer.width)
            mvwaddch(glyph_window, row, right, ACS_RARROW);
    }
}

static void frame_glyph_window()
{
    frame_window(glyph_window);
    mark_hidden_edges();
}

void create_glyph_window()
{
    view = wanted_view();
    glyph_window = newwin(view.rows, view.cols, view.top, view.left);
    frame_glyph_window();
    draw_glyph(glyph_window, current_glyph());
}

// The old window is blanked first: where the new one does not cover it,
// its frame would stay on the terminal.
static void replace_glyph_window()
{
    werase(glyph_window);
    wnoutrefresh(glyph_window);
    delwin(glyph_window);
    create_glyph_window();
}

void draw_current_glyph()
{
    show_glyph_characters();
    const glyph_view wanted = wanted_view();
    if (wanted.rows != view.rows || wanted.cols != view.cols || wanted.left != view.left) {
        replace_glyph_window();
    } else if (wanted != view) {
        view = wanted;
        frame_glyph_window();
        draw_glyph(glyph_window, current_glyph());
    } else {
        draw_glyph(glyph_window, current_glyph());
    }
}

void show_current_glyph()
{
    draw_current_glyph();
    wrefresh(glyph_window);
}

void move_cursor()
{
    if (wanted_view() != view)
        show_current_glyph();
    wmove(glyph_window, pixel_y(editor_state.cursor_row), pixel_x(editor_state.cursor_col));
}

// Going back to narrow repaints the whole screen, the columns the wide
// window took included.
void show_wide_mode_change()
{
    delwin(glyph_window);
    create_glyph_window();
    if (editor_state.wide_mode)
        wrefresh(glyph_window);
    else
        redraw_all();
}
