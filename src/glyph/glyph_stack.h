// The editor's clipboard: a last-in, first-out store of glyph copies that
// lives for the whole run and survives loading another font.
#pragma once

#include "glyph/font.h"

#include <cstdint>
#include <optional>
#include <vector>

struct glyph_stack {
    std::vector<glyph> entries;  // the newest copy last
};

// The run's one stack, made at start-up; changed only by P and O.
extern glyph_stack *pushed_glyphs;

// A new, empty stack; nullptr when memory cannot be had.
glyph_stack *stack_create();

// Puts a copy on top. False, and nothing changed, when memory cannot be had.
bool stack_push(glyph_stack &stack, const glyph &copy);

// Takes the newest copy off; nothing on an empty stack.
std::optional<glyph> stack_pop(glyph_stack &stack);

int32_t stack_count(const glyph_stack &stack);

// The P and O commands: push the current glyph, pop into the current glyph.
void push_current_glyph();
void pop_into_current_glyph();
