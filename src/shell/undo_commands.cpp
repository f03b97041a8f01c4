#include "glyph/undo_history.h"
#include "screen/screen.h"
#include "shell/shell.h"

// Makes the changed glyph current, and a toggled pixel the pixel cursor; a
// whole-font change keeps the glyph in view, as far as the font now reaches.
static void show_change(const history_change &change, bool undone)
{
    if (change.kind == step_kind::whole_font)
        clamp_position();
    else
        editor_state.current_char = change.char_index;
    if (change.kind == step_kind::toggle) {
        editor_state.cursor_row = change.row;
        editor_state.cursor_col = change.col;
    }
    draw_current_glyph();
    show_status(change_message(change, undone).c_str());
}

void undo_last_change()
{
    if (std::optional<history_change> change = undo_change(*pushed_glyphs))
        show_change(*change, true);
}

void redo_last_change()
{
    if (std::optional<history_change> change = redo_change(*pushed_glyphs))
        show_change(*change, false);
}
