#include "glyph/glyph_stack.h"
#include "glyph/undo_history.h"
#include "screen/screen.h"
#include "shell/shell.h"

// The messages leave the terminal cursor at their end until the next
// command refreshes the glyph window.
void push_current_glyph()
{
    if (stack_push(*pushed_glyphs, copy_glyph(font_buffer, editor_state.current_char)))
        print_status("Character %d pushed to stack (new stack size %d).",
                     editor_state.current_char, stack_count(*pushed_glyphs));
    else
        print_status("Not enough memory to push character %d (stack size %d).",
                     editor_state.current_char, stack_count(*pushed_glyphs));
}

// A copy of another size is named with both sizes after the usual text.
void pop_into_current_glyph()
{
    std::optional<glyph_copy> copy = stack_pop(*pushed_glyphs);
    if (!copy) {
        print_status("Stack is already empty, can't pop.");
        return;
    }
    const int c = editor_state.current_char;
    const glyph_copy before = copy_glyph(font_buffer, c);
    paste_glyph(font_buffer, c, *copy);
    record_pop(c, before, *copy);
    show_current_glyph();
    if (copy->width == before.width && copy->height == before.height)
        print_status("Character %d poped from stack (new stack size %d).", c, stack_count(*pushed_glyphs));
    else
        print_status("Character %d poped from stack (new stack size %d). %dx%d into %dx%d.", c,
                     stack_count(*pushed_glyphs), copy->width, copy->height, before.width, before.height);
}
