// The screen: its areas, the status line, the enlarged glyph and the keys
// read from the terminal. Every command draws through these.
#pragma once

#include "glyph/font.h"

#include <csignal>
#include <curses.h>

// The layout needs a terminal of at least this size.
constexpr int min_lines = 24;
constexpr int min_cols = 80;

// Windows live for the whole run; only glyph_window is replaced, when wide
// mode, the glyph's size or the terminal's size changes.
extern WINDOW *keys_window;   // framed list of keys, rows 5-20, columns 5-34
extern WINDOW *glyph_window;  // framed enlarged glyph from row 5, column 45 where it fits
extern WINDOW *status_line;   // the last line: one message or prompt at a time

// Builds the title bar, the keys window, the glyph window and the status line.
void draw_screen();

// After a change of terminal size: the whole editor laid out anew for the
// new size, or a notice of the size it needs while the terminal is too small.
// The status line keeps its message.
void fit_screen_to_terminal();
bool terminal_fits_layout();
bool screen_needs_new_layout();
void note_terminal_resized();
bool editor_shown();

// Replaces the status line's message with a formatted one and refreshes only
// the status line, so the terminal cursor stays at the message's end.
void print_status(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Replaces the status line's message; leaves the terminal cursor on the pixel cursor.
void show_status(const char *text);

// Repaints everything but the status line, which the repaint blanks.
void redraw_all();

// ======== The glyph window ========

// The glyph window shows the whole glyph where the terminal has room, else
// the part around the pixel cursor, with arrows on the frame's edges beyond
// which more lies.

// Paints the title and the shown pixels of glyph `g` of font_buffer's size
// into `window` and leaves the window's cursor on the pixel cursor. Does
// not refresh.
void draw_glyph(WINDOW *window, const unsigned char *g);

// Draws the current glyph after it or the font changed: the window is made
// anew first when the font's size or the terminal calls for another one.
// Does not refresh; show_current_glyph does.
void draw_current_glyph();
void show_current_glyph();

// After wide mode was switched: the glyph window made anew for it.
void show_wide_mode_change();

// Puts the glyph window's cursor on the pixel cursor, scrolling the view to
// it when it has left the part shown. Does not refresh.
void move_cursor();

// Flips one pixel of glyph `char_index` in `font` and repaints that pixel,
// leaving the cursor on it. Does not refresh.
void toggle_pixel(WINDOW *window, int char_index, font_value &font, int row, int col,
                  int cell_width);

// Shows, on row 3, the characters the current glyph draws, when the font
// has a Unicode table. Does not refresh the terminal.
void show_glyph_characters();

// ======== Row 1 ========

// Shows on row 1 the file S would offer (`file_name`, or "(no file)"), the
// glyphs' size and count, the form S would write there and "modified" while
// the font has unsaved changes, shortened to the terminal's width. Sends
// nothing when row 1 already shows that.
void show_file_row(const char *file_name);

// After the screen was cleared: the next show_file_row draws row 1 anew.
void forget_file_row();

// ======== Keys ========

// Clears O_NONBLOCK on standard input, which an earlier program may have left.
void make_input_blocking();

// After Ctrl-Z and the shell's fg, the input is made blocking again and the
// screen is laid out for the size the terminal has now, at once. Installed
// after the library's own stop handler.
void watch_size_across_stops();

// The end signals and Ctrl-Z's: held except while a key is read.
sigset_t key_wait_signal_set();

// Teaches the library the other forms in which terminals send Home, End,
// Insert, Delete, PgUp, PgDown and the arrows. After keypad is on.
void teach_other_key_forms();

// Reads one key from `window`. An escape sequence the library does not know
// is taken whole and ignored; ESC followed by anything else is Escape. The signals that end the editor, and Ctrl-Z,
// get in only here (the end signals also while a load or save waits on a
// file), so they never find the font or the screen half-changed.
int read_key(WINDOW *window);
