// U undoes toggles, pops and loads one at a time, Ctrl-R redoes them; each
// shows the glyph it changed.
#include "editor_session.h"

#include <gtest/gtest.h>

namespace {

constexpr char ctrl_r[] = "\x12";

class undo_in : public editor_session {
protected:
    // After an undo or redo the terminal cursor is back on the pixel cursor.
    void expect_shown(const std::string &title, const std::vector<std::string> &glyph,
                      const std::string &message, cursor_position cursor)
    {
        EXPECT_EQ(glyph_title(), title);
        EXPECT_EQ(picture(), glyph);
        EXPECT_EQ(status_line(), line(message));
        EXPECT_EQ(t->cursor(), cursor);
    }
    // Presses `keys` and checks the terminal got not a single byte for them.
    void press_expecting_nothing(const std::string &keys)
    {
        const size_t sent_before = t->terminal_output().size();
        const auto screen_before = whole_screen(*t, 24, 80);
        press(keys);
        EXPECT_EQ(t->terminal_output().size(), sent_before) << "after " << keys.size() << " keys";
        EXPECT_EQ(whole_screen(*t, 24, 80), screen_before);
    }
};

const std::vector<std::string> blank(16, "........");

std::vector<std::string> with_row(int row, const std::string &pixels)
{
    std::vector<std::string> picture = blank;
    picture[static_cast<size_t>(row)] = pixels;
    return picture;
}

TEST_P(undo_in, toggles_are_undone_newest_first_and_redone_each_back_on_its_pixel)
{
    start();
    press(" " + key("kcud1", 2) + key("kcuf1", 3) + " " + key("knp", 2) + key("kcud1"));
    press("U");
    expect_shown(" Char 065 ", with_row(0, "#......."),
                 "Undone: pixel at row 2, column 3 of char 065 (1 more to undo).",
                 pixel_cursor(2, 3));
    press(key("kcud1") + "u");
    expect_shown(" Char 065 ", blank,
                 "Undone: pixel at row 0, column 0 of char 065 (nothing more to undo).",
                 pixel_cursor(0, 0));
    press(key("knp") + ctrl_r);
    expect_shown(" Char 065 ", with_row(0, "#......."),
                 "Redone: pixel at row 0, column 0 of char 065 (1 more to redo).",
                 pixel_cursor(0, 0));
    press(" " + std::string(ctrl_r));
    EXPECT_EQ(status_line(), line("Redone: pixel at row 0, column 0 of char 065 (1 more to redo)."))
        << "a new change drops what could be redone";
    EXPECT_EQ(picture(), blank);
}

TEST_P(undo_in, undoing_a_pop_brings_back_the_glyph_and_the_stack)
{
    dir.write("a.font", patterned_font(1));
    start({"a.font"});
    press("P" + key("knp") + key("kcuf1") + "O");
    EXPECT_EQ(picture(), picture_of(patterned_font(1), 65));
    press(key("knp", 3) + "U");
    expect_shown(" Char 066 ", picture_of(patterned_font(1), 66),
                 "Undone: pop into char 066 (nothing more to undo).", pixel_cursor(0, 1));
    press("O");
    EXPECT_EQ(status_line(), line("Character 66 poped from stack (new stack size 0)."))
        << "the copy is back on the stack";
    press("U" + std::string(ctrl_r));
    expect_shown(" Char 066 ", picture_of(patterned_font(1), 65),
                 "Redone: pop into char 066 (nothing more to redo).", pixel_cursor(0, 1));
    press("O");
    EXPECT_EQ(status_line(), line("Stack is already empty, can't pop.")) << "redo popped it again";
}

TEST_P(undo_in, undoing_a_load_brings_back_the_drawing)
{
    dir.write("other.font", patterned_font(2));
    start();
    press(" L" + std::string(ctrl_u) + "other.font\r");
    EXPECT_EQ(picture(), picture_of(patterned_font(2), 65));
    press("U");
    expect_shown(" Char 065 ", with_row(0, "#......."),
                 "Undone: load of other.font (1 more to undo).", pixel_cursor(0, 0));
    press(ctrl_r);
    expect_shown(" Char 065 ", picture_of(patterned_font(2), 65),
                 "Redone: load of other.font (nothing more to redo).", pixel_cursor(0, 0));
}

TEST_P(undo_in, with_nothing_to_undo_or_redo_the_keys_send_nothing)
{
    start();
    press_expecting_nothing("U");
    press_expecting_nothing(ctrl_r);
    press_expecting_nothing("u" + std::string(ctrl_r) + "U");
    press(" U");
    press_expecting_nothing("U");
    press(ctrl_r);
    press_expecting_nothing(ctrl_r);
}

INSTANTIATE_TEST_SUITE_P(terminals, undo_in, testing::Values("xterm-256color", "linux"));

} // namespace
