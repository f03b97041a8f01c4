#include "screen/screen.h"

#include "screen/glyph_window.h"

#include <cstdarg>
#include <cstring>
#include <string>

WINDOW *keys_window;
WINDOW *glyph_window;
WINDOW *status_line;

// The terminal size the screen was last laid out for, and whether that
// layout is the editor or the notice that the terminal is too small.
static int laid_out_lines;
static int laid_out_cols;
static bool editor_laid_out;
static std::string kept_status;  // the message to show again after a new layout
static bool resized_since_layout;  // the library moved or cut windows meanwhile

static const char title[] = "quorvalen " QUORVALEN_VERSION " - A Full-Screen Console Font Editor";

static const char *const help_lines[] = {
    "Left/Up/Right/Down - move",
    "Space - Toggle",
    "W - Wide editing mode",
    "L - Load file",
    "S - Save file",
    "C - Save font to console",
    "D - Load font from console",
    "Q - Quit",
    "R - redraw screen",
    "P - Push current -> stack",
    "O - pOp  stack -> current",
    "PgUp - previous char",
    "PgDown - next char",
    "# - jump to specific char",
};

void frame_window(WINDOW *window)
{
    wborder(window, ACS_VLINE, ACS_VLINE, ACS_HLINE, ACS_HLINE, 0, 0, 0, 0);
}

// The title is centred on 80 columns whatever the width; the standout run
// of spaces reaches the right edge.
static void draw_title_bar()
{
    const int length = static_cast<int>(std::strlen(title));
    const int lead = (80 - length) / 2;
    wattrset(stdscr, A_STANDOUT);
    wmove(stdscr, 0, 0);
    for (int i = 0; i < lead; ++i)
        waddch(stdscr, ' ');
    waddstr(stdscr, title);
    for (int k = lead + length; k < COLS; ++k)
        waddch(stdscr, ' ');
}

static void draw_keys_window()
{
    keys_window = newwin(16, 30, 5, 5);
    frame_window(keys_window);
    mvwaddstr(keys_window, 0, 12, " Keys ");
    int row = 1;
    for (const char *line : help_lines)
        mvwaddstr(keys_window, row++, 2, line);
}

void draw_screen()
{
    laid_out_lines = LINES;
    laid_out_cols = COLS;
    editor_laid_out = true;
    forget_file_row();
    draw_title_bar();
    draw_keys_window();
    create_glyph_window();
    show_glyph_characters();
    wrefresh(stdscr);
    status_line = newwin(1, COLS, LINES - 1, 0);
    wrefresh(keys_window);
    wrefresh(glyph_window);
}

// wclear, not werase: the refresh then repaints the whole terminal, which
// also mends any garbage left on it.
void print_status(const char *format, ...)
{
    wclear(status_line);
    if (wmove(status_line, 0, 0) != ERR) {
        va_list arguments;
        va_start(arguments, format);
        vw_printw(status_line, format, arguments);
        va_end(arguments);
    }
    wrefresh(status_line);
}

void show_status(const char *text)
{
    print_status("%s", text);
    wrefresh(glyph_window);
}

void redraw_all()
{
    redrawwin(stdscr);
    redrawwin(keys_window);
    redrawwin(glyph_window);
    wrefresh(stdscr);
    wrefresh(keys_window);
    wrefresh(glyph_window);
}

bool terminal_fits_layout()
{
    return LINES >= min_lines && COLS >= min_cols;
}

void note_terminal_resized()
{
    resized_since_layout = true;
}

// Also after a round trip back to the same size: the library has moved or
// cut the windows on the way.
bool screen_needs_new_layout()
{
    return resized_since_layout || LINES != laid_out_lines || COLS != laid_out_cols;
}

bool editor_shown()
{
    return editor_laid_out;
}

static std::string status_message()
{
    std::string text(static_cast<size_t>(getmaxx(status_line)), ' ');
    mvwinnstr(status_line, 0, 0, text.data(), static_cast<int>(text.size()));
    text.resize(std::strlen(text.c_str()));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

static void delete_windows()
{
    for (WINDOW *window : {keys_window, glyph_window, status_line})
        delwin(window);
    keys_window = glyph_window = status_line = nullptr;
}

static void show_size_notice()
{
    laid_out_lines = LINES;
    laid_out_cols = COLS;
    editor_laid_out = false;
    wattrset(stdscr, A_NORMAL);
    mvwprintw(stdscr, 0, 0,
              "quorvalen needs a terminal of\nat least %dx%d; this one is %dx%d.\n\n"
              "Make it larger to go on,\nor press Q to quit.",
              min_cols, min_lines, COLS, LINES);
    wrefresh(stdscr);
}

void fit_screen_to_terminal()
{
    resized_since_layout = false;
    if (editor_laid_out) {
        kept_status = status_message();
        delete_windows();
    }
    wclear(stdscr);
    if (!terminal_fits_layout()) {
        show_size_notice();
        return;
    }
    draw_screen();
    mvwaddstr(status_line, 0, 0, kept_status.c_str());
    wrefresh(status_line);
    wrefresh(glyph_window);
}
