// The command keys, each followed by a look at the screen and the cursor.
#include "editor_session.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class editor_in : public editor_session {
protected:
    void SetUp() override { start(); }
};

TEST_P(editor_in, arrows_wrap_around_the_glyph_and_only_move_the_cursor)
{
    press(key("kcuu1"));
    EXPECT_EQ(t->cursor(), pixel_cursor(15, 0));
    press(key("kcud1"));
    EXPECT_EQ(t->cursor(), pixel_cursor(0, 0));
    press(key("kcub1"));
    EXPECT_EQ(t->cursor(), pixel_cursor(0, 7));
    press(key("kcuf1"));
    EXPECT_EQ(t->cursor(), pixel_cursor(0, 0));
    press(key("kcud1", 5) + key("kcuf1", 3));
    EXPECT_EQ(t->cursor(), pixel_cursor(5, 3));
    press("\x1b[B\x1bOB\x1b[C\x1bOC\x1b[A\x1b[D");
    EXPECT_EQ(t->cursor(), pixel_cursor(6, 4)) << "arrows as other terminals send them";
    EXPECT_EQ(picture(), std::vector<std::string>(16, "........"));
}

TEST_P(editor_in, space_toggles_the_pixel_under_the_cursor_and_back)
{
    press(" ");
    press(key("kcub1", 1) + key("kcuu1", 1) + " ");
    std::vector<std::string> expected(16, "........");
    expected[0] = "#.......";
    expected[15] = ".......#";
    EXPECT_EQ(picture(), expected);
    EXPECT_EQ(t->cursor(), pixel_cursor(15, 7));

    press(" ");
    expected[15] = "........";
    EXPECT_EQ(picture(), expected);
    EXPECT_EQ(t->cursor(), pixel_cursor(15, 7));
}

TEST_P(editor_in, page_keys_step_through_all_glyphs_keeping_the_pixel_cursor)
{
    press(key("kcud1") + key("kcuf1") + " " + key("knp"));
    EXPECT_EQ(glyph_title(), " Char 066 ");
    EXPECT_EQ(picture(), std::vector<std::string>(16, "........"));
    EXPECT_EQ(t->cursor(), pixel_cursor(1, 1));

    press(key("kpp"));
    EXPECT_EQ(glyph_title(), " Char 065 ");
    EXPECT_EQ(picture()[1], ".#......");

    press(key("kpp", 58));
    EXPECT_EQ(glyph_title(), " Char 007 ");
    press(key("kpp", 7));
    EXPECT_EQ(glyph_title(), " Char 000 ");
    press(key("kpp"));
    EXPECT_EQ(glyph_title(), " Char 255 ");
    press(key("knp"));
    EXPECT_EQ(glyph_title(), " Char 000 ");
    EXPECT_EQ(t->cursor(), pixel_cursor(1, 1));
}

TEST_P(editor_in, wide_mode_doubles_each_pixel_and_switching_back_leaves_no_trace)
{
    press(key("kcuf1", 7) + " " + key("kcub1"));
    press("W");
    const std::string lit = lit_pixel(GetParam());
    EXPECT_EQ(t->region(5, 45, 2, 20), (std::vector<std::string>{"┌ Char 065 [WIDE] ─┐",
                                                                  "│               " + lit + lit + " │"}));
    EXPECT_EQ(t->text(22, 45, 20), "└──────────────────┘");
    for (int row = 6; row <= 21; ++row) {
        EXPECT_EQ(t->text(row, 45, 1), "│");
        EXPECT_EQ(t->text(row, 64, 1), "│");
    }
    std::vector<std::string> expected(16, "........");
    expected[0] = ".......#";
    EXPECT_EQ(picture(true), expected);
    EXPECT_EQ(t->cursor(), pixel_cursor(0, 6, true));

    press(key("kcuf1") + " " + key("kcuu1"));
    expected[0] = "........";
    EXPECT_EQ(picture(true), expected);
    EXPECT_EQ(t->cursor(), pixel_cursor(15, 7, true));

    press("w");
    EXPECT_EQ(whole_screen(*t, 24, 80), start_screen(24, 80, "", no_file_facts + "  modified"));
    EXPECT_EQ(t->cursor(), pixel_cursor(15, 7));
}

TEST_P(editor_in, r_repaints_and_blanks_the_status_line_until_the_next_message)
{
    press("r");
    EXPECT_EQ(whole_screen(*t, 24, 80), start_screen(24, 80, ""));
    EXPECT_EQ(t->cursor(), pixel_cursor(0, 0));
    for (const char *console_key : {"c", "C", "d", "D"}) {
        press(std::string("R") + console_key);
        EXPECT_EQ(t->row_text(23).substr(0, 50), "No console interaction is supported under this OS ");
        EXPECT_EQ(t->cursor(), pixel_cursor(0, 0));
    }
}

TEST_P(editor_in, unlisted_keys_do_nothing)
{
    press(key("kcud1") + " ");
    const auto before = whole_screen(*t, 24, 80);
    press(std::string("\t\r\n0123456789xzZ!") + key("khome") + key("kend") + key("kich1") +
          key("kdch1") + key("kbs"));
    EXPECT_EQ(whole_screen(*t, 24, 80), before);
    // Escape sequences no terminal description names, taken whole: not a byte acts.
    press("\x1b[2U\x1bO q\x1b[?25;1 W\x1b[99~\x1b[1;2Q");
    EXPECT_EQ(whole_screen(*t, 24, 80), before);
    EXPECT_EQ(t->cursor(), pixel_cursor(1, 0));
    EXPECT_TRUE(t->running());
}

TEST_P(editor_in, question_mark_lists_every_key_a_word_each_and_any_key_returns_to_the_editor)
{
    press(key("kcud1") + " ");
    const auto before = whole_screen(*t, 24, 80);
    for (const std::string &any_key : {std::string("q"), key("knp"), std::string("?")}) {
        press("?");
        const auto list = whole_screen(*t, 24, 80);
        for (const char *listed : {"Ctrl-R", "U", "/", "=", "V", "T", "?", "#", "PgUp, PgDown", "Q"}) {
            const std::string start = "  " + std::string(listed) + " - ";
            EXPECT_EQ(std::count_if(list.begin(), list.end(), [&](auto &row) { return row.starts_with(start); }), 1)
                << listed;
        }
        press(any_key);
        EXPECT_EQ(whole_screen(*t, 24, 80), before) << any_key;
        EXPECT_EQ(t->cursor(), pixel_cursor(1, 0));
    }
    EXPECT_TRUE(t->running());
}

INSTANTIATE_TEST_SUITE_P(terminals, editor_in, testing::Values("xterm-256color", "linux", "screen"));

} // namespace
