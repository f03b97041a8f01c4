#include "glyph/glyph_stack.h"
#include "glyph/undo_history.h"
#include "shell/shell.h"

#include <algorithm>

glyph_stack *pushed_glyphs;

// The messages leave the terminal cursor at their end until the next
// command refreshes the glyph window.
void push_current_glyph()
{
    glyph copy;
    std::copy_n(current_glyph(), glyph_height, copy.begin());
    if (stack_push(*pushed_glyphs, copy))
        print_status("Character %d pushed to stack (new stack size %d).",
                     editor_state.current_char, stack_count(*pushed_glyphs));
    else
        print_status("Not enough memory to push character %d (stack size %d).",
                     editor_state.current_char, stack_count(*pushed_glyphs));
}

void pop_into_current_glyph()
{
    std::optional<glyph> copy = stack_pop(*pushed_glyphs);
    if (!copy) {
        print_status("Stack is already empty, can't pop.");
        return;
    }
    glyph before;
    std::copy_n(current_glyph(), glyph_height, before.begin());
    std::copy(copy->begin(), copy->end(), current_glyph());
    record_pop(editor_state.current_char, before);
    draw_glyph(glyph_window, current_glyph());
    wrefresh(glyph_window);
    print_status("Character %d poped from stack (new stack size %d).",
                 editor_state.current_char, stack_count(*pushed_glyphs));
}
