// The overview: every glyph at its own size, in rows of pictures under a
// line of labels, one glyph selected. Only the rows shown are drawn, so a
// font of any number of glyphs opens at once.
#include "glyph/undo_history.h"
#include "screen/font_screens.h"
#include "screen/screen.h"

#include <algorithm>
#include <string>

// The layout for the font and the terminal, and where the selection is.
struct overview_layout {
    WINDOW *window = nullptr;
    int digits = 3;        // of a label's number
    int column_width = 0;  // a picture or a label, whichever is wider, and a blank
    int per_row = 1;       // pictures in a row
    int row_height = 0;    // the label line and the pictures under it
    int rows_shown = 1;    // rows of pictures; one, cut, when not even one fits
    int top_row = 0;       // the row of pictures at the top; row r holds glyphs from r * per_row
    int selected = 0;
};

static overview_layout layout;

// ======== Drawing ========

static int row_of(int c)
{
    return c / layout.per_row;
}

static int label_y(int c)
{
    return (row_of(c) - layout.top_row) * layout.row_height;
}

static int label_x(int c)
{
    return c % layout.per_row * layout.column_width;
}

// The number and any "*" in reverse video for the selected glyph; the
// picture is never inverted.
static void draw_label(int c)
{
    wattrset(layout.window, c == layout.selected ? A_REVERSE : A_NORMAL);
    mvwprintw(layout.window, label_y(c), label_x(c), "%0*d%s", layout.digits, c,
              glyph_changed_since_saved(c) ? "*" : "");
    wattrset(layout.window, A_NORMAL);
}

static void draw_rows()
{
    werase(layout.window);
    const int end = std::min(font_buffer.count, (layout.top_row + layout.rows_shown) * layout.per_row);
    for (int c = layout.top_row * layout.per_row; c < end; ++c) {
        draw_label(c);
        draw_glyph_picture(layout.window, label_y(c) + 1, label_x(c), glyph_at(font_buffer, c),
                           font_buffer.width, font_buffer.height);
    }
}

// Output waits for the next key, or for a status message: that repaints
// the whole terminal anyway, and so sends the pictures once, not twice.
static void stage_drawing()
{
    wnoutrefresh(layout.window);
}

// ======== Layout ========

static void lay_out(int selected)
{
    const int digits = static_cast<int>(std::to_string(font_buffer.count - 1).size());
    layout.window = cover_editor();
    layout.digits = std::max(3, digits);
    layout.column_width = std::max(font_buffer.width, layout.digits + 1) + 1;
    layout.per_row = std::max(1, (COLS + 1) / layout.column_width);
    layout.row_height = 1 + picture_rows(font_buffer.height);
    layout.rows_shown = std::max(1, getmaxy(layout.window) / layout.row_height);
    layout.selected = selected;
    layout.top_row = row_of(selected);
    draw_rows();
    stage_drawing();
}

void open_overview(int selected)
{
    lay_out(selected);
}

void lay_out_overview_again()
{
    delwin(layout.window);
    lay_out(layout.selected);
}

void drop_overview()
{
    delwin(layout.window);
    layout.window = nullptr;
}

void close_overview()
{
    uncover_editor(layout.window);
    layout.window = nullptr;
}

int overview_selection()
{
    return layout.selected;
}

// The prompts of # and / and the status line leave the terminal cursor
// elsewhere.
int read_overview_key()
{
    wmove(layout.window, label_y(layout.selected), label_x(layout.selected));
    wrefresh(layout.window);
    return read_key(layout.window);
}

// ======== Moving the selection ========

// Selects glyph `c` with row `top` at the top, or as near to it as shows `c`.
static void select_with_top(int c, int top)
{
    const int old = layout.selected;
    layout.selected = c;
    top = std::clamp(top, 0, row_of(font_buffer.count - 1));
    top = std::clamp(top, row_of(c) - layout.rows_shown + 1, row_of(c));
    if (top != layout.top_row) {
        layout.top_row = top;
        draw_rows();
    } else {
        draw_label(old);
        draw_label(c);
    }
    stage_drawing();
}

void select_in_overview(int glyph)
{
    select_with_top(glyph, layout.top_row);
}

static int wrapped(int c)
{
    return (c % font_buffer.count + font_buffer.count) % font_buffer.count;
}

void move_overview_selection(overview_move move)
{
    const int row = layout.per_row;
    const int page = layout.per_row * layout.rows_shown;
    const int c = layout.selected;
    const int top = layout.top_row;
    switch (move) {
    case overview_move::left: select_with_top(wrapped(c - 1), top); break;
    case overview_move::right: select_with_top(wrapped(c + 1), top); break;
    case overview_move::up: select_with_top(wrapped(c - row), top); break;
    case overview_move::down: select_with_top(wrapped(c + row), top); break;
    case overview_move::page_up: select_with_top(wrapped(c - page), top - layout.rows_shown); break;
    case overview_move::page_down: select_with_top(wrapped(c + page), top + layout.rows_shown); break;
    case overview_move::first: select_with_top(0, 0); break;
    case overview_move::last: select_with_top(font_buffer.count - 1, top); break;
    }
}
