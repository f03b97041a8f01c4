#include "glyph/glyph_stack.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

glyph numbered(uint32_t n)
{
    glyph g{};
    for (size_t i = 0; i < 4; ++i)
        g[i] = static_cast<unsigned char>(n >> (8 * i));
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
        std::optional<glyph> top = stack_pop(*stack);
        ASSERT_TRUE(top);
        ASSERT_EQ(*top, numbered(n));
    }
    EXPECT_EQ(stack_count(*stack), 0);
    EXPECT_LT(stack->entries.capacity(), 16u) << "memory is given back after the pops";
}

} // namespace
