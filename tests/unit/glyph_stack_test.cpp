#include "glyph/glyph_stack.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Copies of several sizes, each telling its number.
glyph_copy numbered(uint32_t n)
{
    const int width = static_cast<int>(n % 32 + 1), height = static_cast<int>(n % 7 + 4);
    glyph_copy g{width, height, std::vector<unsigned char>(static_cast<size_t>(height * row_bytes(width)))};
    for (size_t i = 0; i < 4; ++i)
        g.rows[i] = static_cast<unsigned char>(n >> (8 * i));
    return g;
}

TEST(glyph_stack, a_new_stack_is_empty_and_pops_nothing)
{
    std::unique_ptr<glyph_stack> stack(stack_create());
    ASSERT_TRUE(stack);
    EXPECT_EQ(stack_count(*stack), 0);
    EXPECT_FALSE(stack_pop(*stack));
    EXPECT_EQ(stack_count(*stack), 0);
}

TEST(glyph_stack, a_million_pushes_and_pops_come_back_newest_first_and_free_the_memory)
{
    constexpr uint32_t count = 1'000'000;
    std::unique_ptr<glyph_stack> stack(stack_create());
    for (uint32_t n = 0; n < count; ++n)
        ASSERT_TRUE(stack_push(*stack, numbered(n)));
    EXPECT_EQ(stack_count(*stack), static_cast<int32_t>(count));
    for (uint32_t n = count; n-- > 0;) {
        std::optional<glyph_copy> top = stack_pop(*stack);
        ASSERT_TRUE(top);
        ASSERT_EQ(*top, numbered(n));
    }
    EXPECT_EQ(stack_count(*stack), 0);
    EXPECT_LT(stack->bytes.capacity(), 256u) << "memory is given back after the pops";
}

} // namespace
