// P pushes copies of glyphs, O pops them back over the current glyph.
#include "editor_session.h"

#include <gtest/gtest.h>

namespace {

class glyph_stack_in : public editor_session {
protected:
    void SetUp() override { start(); }
    void expect_status(const std::string &message)
    {
        EXPECT_EQ(status_line(), line(message));
        EXPECT_EQ(t->cursor(), (cursor_position{23, static_cast<int>(message.size())}))
            << "the cursor stays at the end of the message";
    }
};

const std::vector<std::string> blank(16, "........");

std::vector<std::string> with_row(int row, const std::string &pixels)
{
    std::vector<std::string> picture = blank;
    picture[static_cast<size_t>(row)] = pixels;
    return picture;
}

TEST_P(glyph_stack_in, pop_on_an_empty_stack_changes_nothing)
{
    press(" O");
    expect_status("Stack is already empty, can't pop.");
    EXPECT_EQ(picture(), with_row(0, "#......."));
    press(key("kcud1"));
    EXPECT_EQ(t->cursor(), pixel_cursor(1, 0)) << "the next command brings the cursor back";
}

TEST_P(glyph_stack_in, push_then_pop_copies_a_glyph_to_the_next_position)
{
    press(key("kcuf1") + " " + "P");
    expect_status("Character 65 pushed to stack (new stack size 1).");
    press(key("knp"));
    EXPECT_EQ(picture(), blank);
    press("o");
    expect_status("Character 66 poped from stack (new stack size 0).");
    EXPECT_EQ(t->text(5, 46, 10), " Char 066 ");
    EXPECT_EQ(picture(), with_row(0, ".#......"));
    press(key("kpp"));
    EXPECT_EQ(picture(), with_row(0, ".#......")) << "glyph 65 keeps its pixels";
    EXPECT_EQ(t->cursor(), pixel_cursor(0, 1));
}

TEST_P(glyph_stack_in, copies_come_back_newest_first)
{
    press(" p" + key("knp") + key("kcud1") + " p");
    expect_status("Character 66 pushed to stack (new stack size 2).");
    press(key("knp") + "O");
    expect_status("Character 67 poped from stack (new stack size 1).");
    EXPECT_EQ(picture(), with_row(1, "#......."));
    press(key("knp") + "O");
    expect_status("Character 68 poped from stack (new stack size 0).");
    EXPECT_EQ(picture(), with_row(0, "#......."));
    press("O");
    expect_status("Stack is already empty, can't pop.");
}

TEST_P(glyph_stack_in, a_pushed_glyph_can_be_popped_into_another_loaded_font)
{
    std::vector<std::string> other_66 = with_row(0, "#......#");
    other_66[1] = ".#....#.";
    dir.write("other.font", font_with_glyph(66, other_66));
    press(key("kcuf1") + " " + "P");
    press("Lother.font\r");
    EXPECT_EQ(t->row_text(23).substr(0, 13), "Font loaded. ");
    press(key("knp"));
    EXPECT_EQ(picture(), other_66);
    press("O");
    expect_status("Character 66 poped from stack (new stack size 0).");
    EXPECT_EQ(picture(), with_row(0, ".#......"));
}

INSTANTIATE_TEST_SUITE_P(terminals, glyph_stack_in, testing::Values("xterm-256color", "linux"));

} // namespace
