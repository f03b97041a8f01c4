#include "console/console.h"

#include "console/console_font.h"
#include "glyph/font.h"
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

void load_font_from_console()
{
    if (!is_virtual_console(editor_terminal)) {
        show_console_unsupported();
        return;
    }
    std::array<unsigned char, font_size> console_glyphs;
    const console_outcome outcome = take_console_font(editor_terminal, console_glyphs.data());
    if (!outcome.done) {
        show_status(outcome.message.c_str());
        return;
    }
    font_buffer = console_glyphs;
    font_has_unsaved_changes = false;
    print_status("%s", outcome.message.c_str());
    draw_glyph(glyph_window, current_glyph());
    wrefresh(glyph_window);
}
