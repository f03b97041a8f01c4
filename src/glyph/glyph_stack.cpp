#include "glyph/glyph_stack.h"

#include <algorithm>
#include <new>

glyph_stack *pushed_glyphs;

glyph_stack *stack_create()
{
    return new (std::nothrow) glyph_stack;
}

bool stack_push(glyph_stack &stack, const glyph_copy &copy)
{
    const size_t needed = stack.bytes.size() + copy.rows.size() + 2;
    try {
        if (needed > stack.bytes.capacity())
            stack.bytes.reserve(std::max(needed, 2 * stack.bytes.capacity()));
    } catch (const std::bad_alloc &) {
        return false;
    }
    stack.bytes.insert(stack.bytes.end(), copy.rows.begin(), copy.rows.end());
    stack.bytes.push_back(static_cast<unsigned char>(copy.width));
    stack.bytes.push_back(static_cast<unsigned char>(copy.height));
    ++stack.count;
    return true;
}

std::optional<glyph_copy> stack_top(const glyph_stack &stack)
{
    if (stack.count == 0)
        return std::nullopt;
    const size_t end = stack.bytes.size();
    glyph_copy top{stack.bytes[end - 2], stack.bytes[end - 1], {}};
    const auto size = static_cast<size_t>(top.height * row_bytes(top.width));
    const auto rows = stack.bytes.begin() + static_cast<std::ptrdiff_t>(end - 2 - size);
    top.rows.assign(rows, rows + static_cast<std::ptrdiff_t>(size));
    return top;
}

std::optional<glyph_copy> stack_pop(glyph_stack &stack)
{
    std::optional<glyph_copy> top = stack_top(stack);
    if (!top)
        return top;
    stack.bytes.resize(stack.bytes.size() - top->rows.size() - 2);
    --stack.count;
    // Give memory back after a long run of pops; the request may be refused,
    // which only keeps the memory.
    if (stack.bytes.size() < stack.bytes.capacity() / 4)
        stack.bytes.shrink_to_fit();
    return top;
}

int32_t stack_count(const glyph_stack &stack)
{
    return stack.count;
}
