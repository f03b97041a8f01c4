#include "console/console.h"
#include "glyph/font.h"
#include "glyph/undo_history.h"
#include "prompt/prompts.h"
#include "screen/key_help.h"
#include "screen/screen.h"
#include "shell/shell.h"

#include <poll.h>
#include <unistd.h>

static void move_pixel_cursor(int row_step, int col_step)
{
    editor_state.cursor_row = (editor_state.cursor_row + row_step + font_buffer.height) % font_buffer.height;
    editor_state.cursor_col = (editor_state.cursor_col + col_step + font_buffer.width) % font_buffer.width;
    move_cursor();
    wrefresh(glyph_window);
}

static void step_glyph(int step)
{
    editor_state.current_char = (editor_state.current_char + step + font_buffer.count) % font_buffer.count;
    show_current_glyph();
}

static void toggle_current_pixel()
{
    toggle_pixel(glyph_window, editor_state.current_char, font_buffer,
                 editor_state.cursor_row, editor_state.cursor_col, editor_state.wide_mode + 1);
    record_toggle(editor_state.current_char, editor_state.cursor_row, editor_state.cursor_col);
    wrefresh(glyph_window);
}

static void switch_wide_mode()
{
    editor_state.wide_mode = 1 - editor_state.wide_mode;
    show_wide_mode_change();
}

// A blocking read fails only when interrupted or when the terminal is gone.
// Many failures in a row while the input reports a hang-up or its end mean
// it is gone for good; reading on would spin at full speed.
static bool key_input_ended(int failed_reads_in_a_row)
{
    if (failed_reads_in_a_row < 5)
        return false;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, 0) > 0;
}

// Any key returns from the list, and is not taken as a command.
static void list_every_key()
{
    if (WINDOW *list = open_key_list()) {
        read_key(list);
        close_key_list(list);
    }
}

constexpr int ctrl_r = 'R' & 0x1f;

static void dispatch(int key)
{
    switch (key) {
    case ' ': toggle_current_pixel(); break;
    case '#': prompt_char_number(); break;
    case '/': prompt_find_character(); break;
    case '=': prompt_glyph_characters(); break;
    case 'C': case 'c': save_font_to_console(); break;
    case 'D': case 'd': load_font_from_console(); break;
    case 'L': case 'l': prompt_load(); break;
    case 'S': case 's': prompt_save(); break;
    case 'T': case 't': show_sample_text(); break;
    case 'P': case 'p': push_current_glyph(); break;
    case 'O': case 'o': pop_into_current_glyph(); break;
    case 'R': case 'r': redraw_all(); break;
    case 'U': case 'u': undo_last_change(); break;
    case 'V': case 'v': show_overview(); break;
    case ctrl_r: redo_last_change(); break;
    case '?': list_every_key(); break;
    case 'W': case 'w': switch_wide_mode(); break;
    case KEY_DOWN: move_pixel_cursor(1, 0); break;
    case KEY_UP: move_pixel_cursor(-1, 0); break;
    case KEY_LEFT: move_pixel_cursor(0, -1); break;
    case KEY_RIGHT: move_pixel_cursor(0, 1); break;
    case KEY_NPAGE: step_glyph(1); break;
    case KEY_PPAGE: step_glyph(-1); break;
    default: break;
    }
}

loop_end command_loop()
{
    int failed_reads = 0;
    for (;;) {
        if (editor_shown())
            show_file_row(font_file_name);
        int key = read_key(stdscr);
        failed_reads = key == ERR ? failed_reads + 1 : 0;
        if (key_input_ended(failed_reads))
            return loop_end::input_gone;
        if (key == 'Q' || key == 'q')
            return loop_end::quit;
        // While the terminal is too small only its notice shows: no editing.
        if (editor_shown())
            dispatch(key);
        // A change of size may also have come during a prompt.
        if (screen_needs_new_layout()) {
            fit_screen_to_terminal();
            prepare_terminal_restore();
        }
    }
}
