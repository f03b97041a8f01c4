#include "console/console.h"

#include "console/console_font.h"
#include "fontfile/fontfile.h"
#include "glyph/font.h"
#include "glyph/undo_history.h"
#include "shell/shell.h"

#include <unistd.h>

// The terminal the editor draws on; never /dev/tty0 or /dev/console, which
// from an ssh session would be someone else's screen.
constexpr int editor_terminal = STDIN_FILENO;

void save_font_to_console()
{
    if (!is_virtual_console(editor_terminal)) {
        show_console_unsupported();
        return;
    }
    show_status(give_console_font(editor_terminal, font_buffer.data()).message.c_str());
}

// The console's glyphs into font_buffer, shown like a load; false when the
// console has no font to give, with the reason on the status line.
static bool bring_console_font_in()
{
    if (!is_virtual_console(editor_terminal)) {
        show_console_unsupported();
        return false;
    }
    std::array<unsigned char, font_size> console_glyphs;
    const console_outcome outcome = take_console_font(editor_terminal, console_glyphs.data());
    if (!outcome.done) {
        show_status(outcome.message.c_str());
        return false;
    }
    font_buffer = console_glyphs;
    note_font_from_elsewhere();
    print_status("%s", outcome.message.c_str());
    draw_glyph(glyph_window, current_glyph());
    wrefresh(glyph_window);
    return true;
}

void load_font_from_console()
{
    const std::array<unsigned char, font_size> before = font_buffer;
    if (bring_console_font_in()) {
        record_font_replacement("console load", before.data());
        mark_font_saved();
    }
}

// The font a run starts with is where its history begins, not a step, and
// counts as saved as it is.
void start_with_console_font()
{
    bring_console_font_in();
}
