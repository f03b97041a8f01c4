#include "console/console.h"

#include "console/console_font.h"
#include "fontfile/fontfile.h"
#include "glyph/font.h"
#include "glyph/undo_history.h"
#include "screen/screen.h"

#include <unistd.h>

// The terminal the editor draws on; never /dev/tty0 or /dev/console, which
// from an ssh session would be someone else's screen.
constexpr int editor_terminal = STDIN_FILENO;

static void show_console_unsupported()
{
    show_status("No console interaction is supported under this OS");
}

// A new glyph size changes the console's size in characters; the kernel
// tells the editor as it does of any resize, and the screen follows.
void save_font_to_console()
{
    if (!is_virtual_console(editor_terminal)) {
        show_console_unsupported();
        return;
    }
    show_status(give_console_font(editor_terminal, font_buffer).message.c_str());
}

// The console's font into font_buffer, shown like a load; false when the
// console has no font to give, with the reason on the status line.
static bool bring_console_font_in()
{
    if (!is_virtual_console(editor_terminal)) {
        show_console_unsupported();
        return false;
    }
    font_value taken;
    const console_outcome outcome = take_console_font(editor_terminal, taken);
    if (!outcome.done) {
        show_status(outcome.message.c_str());
        return false;
    }
    font_buffer = with_fresh_form(std::move(taken));
    clamp_position();
    print_status("%s", outcome.message.c_str());
    show_current_glyph();
    return true;
}

void load_font_from_console()
{
    font_value before = font_buffer;
    if (bring_console_font_in()) {
        record_font_replacement("console load", std::move(before));
        mark_font_saved();
    }
}

// The font a run starts with is where its history begins, not a step, and
// counts as saved as it is.
void start_with_console_font()
{
    bring_console_font_in();
}
