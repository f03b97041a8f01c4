// The editor's clipboard: a last-in, first-out store of glyph copies that
// lives for the whole run and survives loading another font. Each copy keeps
// the size of the glyph it was taken from.
#pragma once

#include "glyph/font.h"

#include <cstdint>
#include <optional>
#include <vector>

// The copies packed one after another, newest last: each is its rows, then
// its width and height, one byte each, so the top copy is read from the end.
struct glyph_stack {
    std::vector<unsigned char> bytes;
    int32_t count = 0;
};

// The run's one stack, made at start-up; changed only by P, O, and undoing
// and redoing pops.
extern glyph_stack *pushed_glyphs;

// A new, empty stack; nullptr when memory cannot be had.
glyph_stack *stack_create();

// Puts a copy on top. False, and nothing changed, when memory cannot be had.
bool stack_push(glyph_stack &stack, const glyph_copy &copy);

// Takes the newest copy off; nothing on an empty stack.
std::optional<glyph_copy> stack_pop(glyph_stack &stack);

// The newest copy, left on the stack; nothing on an empty stack.
std::optional<glyph_copy> stack_top(const glyph_stack &stack);

int32_t stack_count(const glyph_stack &stack);
