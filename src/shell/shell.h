// The run as a whole: the terminal it starts on, the command loop, and the
// end when the terminal goes away.
#pragma once

// Before curses starts: false, after a message on standard error, when
// standard input or output is no terminal or the terminal cannot move its
// cursor.
bool terminal_usable();

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

// The editing commands the loop hands keys to.
void push_current_glyph();     // P
void pop_into_current_glyph(); // O
// U and Ctrl-R: undo or redo one change and show it, with its glyph made
// current; with nothing to undo or redo, not a byte is drawn.
void undo_last_change();
void redo_last_change();

// V: the overview of the whole font, until Enter edits the glyph selected
// or Escape, V or Q go back to the glyph it was opened on.
void show_overview();
// T: asks for a text and shows it set in the font until a key is pressed.
void show_sample_text();
