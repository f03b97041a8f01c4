#include "glyph/glyph_stack.h"

#include <new>

glyph_stack *stack_create()
{
    return new (std::nothrow) glyph_stack;
}

bool stack_push(glyph_stack &stack, const glyph &copy)
{
    try {
        stack.entries.push_back(copy);
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

std::optional<glyph> stack_pop(glyph_stack &stack)
{
    if (stack.entries.empty())
        return std::nullopt;
    glyph top = stack.entries.back();
    stack.entries.pop_back();
    // Give memory back after a long run of pops; the request may be refused,
    // which only keeps the memory.
    if (stack.entries.size() < stack.entries.capacity() / 4)
        stack.entries.shrink_to_fit();
    return top;
}

int32_t stack_count(const glyph_stack &stack)
{
    return static_cast<int32_t>(stack.entries.size());
}
