// The screen areas, the status line and the command loop.
#pragma once

#include <curses.h>

constexpr int file_name_max = 256;

// The layout needs a terminal of at least this size.
constexpr int min_lines = 24;
constexpr int min_cols = 80;

// Windows live for the whole run; only glyph_window is replaced, when wide
// mode changes.
extern WINDOW *keys_window;   // framed list of keys, rows 5-20, columns 5-34
extern WINDOW *glyph_window;  // framed enlarged glyph, rows 5-22 from column 45
extern WINDOW *status_line;   // the last line: one message or prompt at a time

// The remembered font file name: set at start-up and by every accepted load
// or save prompt; the starting text of those prompts.
extern char font_file_name[file_name_max + 1];

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

// Makes glyph_window anew for the current wide mode, framed and empty.
void create_glyph_window();

// Replaces the status line's message with a formatted one and refreshes only
// the status line, so the terminal cursor stays at the message's end.
void print_status(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Replaces the status line's message; leaves the terminal cursor on the pixel cursor.
void show_status(const char *text);
void show_console_unsupported();

// Repaints everything but the status line, which the repaint blanks.
void redraw_all();

// Reads one key from `window`. The signals that end the editor, and Ctrl-Z,
// get in only here (the end signals also while a load or save waits on a
// file), so they never find the font or the screen half-changed.
int read_key(WINDOW *window);

// Before curses starts: false, after a message on standard error, when
// standard input or output is no terminal or the terminal cannot move its
// cursor.
bool terminal_usable();
// Clears O_NONBLOCK on standard input.
void make_input_blocking();

// After Ctrl-Z and the shell's fg, the input is made blocking again and the
// screen is laid out for the size the terminal has now, at once. Installed after the library's own stop handler.
void watch_size_across_stops();
// wgetch, but a read cut short by a stop and resume is read again, unless
// the size changed meanwhile (KEY_RESIZE); and a read that fails because
// the input was made non-blocking waits for a key instead.
int wgetch_across_stops(WINDOW *window);

// For ending abruptly: the terminal modes before start-up (taken before the
// screen is set up), the bytes that put the terminal back (again after each
// change of size), and the signal handlers.
void remember_shell_modes();
void prepare_terminal_restore();
void install_end_handlers();

// Ends the run when the terminal is gone: unsaved changes go to an emergency
// file first, and the terminal is put back. Async-signal-safe.
[[noreturn]] void end_abruptly(int exit_status);

// How the command loop ended.
enum class loop_end { quit, input_gone };

// Reads and carries out commands until Q, or until key input ends for good.
loop_end command_loop();
