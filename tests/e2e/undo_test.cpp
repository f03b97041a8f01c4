// U undoes toggles, pops and loads one at a time, Ctrl-R redoes them; each
// shows the glyph it changed, with the terminal cursor on the pixel cursor.
#include "editor_session.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

constexpr char ctrl_r[] = "\x12";

class undo_in : public editor_session {
protected:
    void expect_shown(const std::vector<std::string> &glyph, const std::string &message,
                      cursor_position cursor, const std::string &title = " Char 065 ")
    {
        EXPECT_EQ(glyph_title(), title);
        EXPECT_EQ(picture(), glyph);
        EXPECT_EQ(status_line(), line(message));
        EXPECT_EQ(t->cursor(), cursor);
    }
};

const std::vector<std::string> blank(16, "........");
std::vector<std::string> first_pixel_lit = [] {
    std::vector<std::string> picture = blank;
    picture[0] = "#.......";
    return picture;
}();

TEST_P(undo_in, toggles_are_undone_newest_first_and_redone_each_on_its_pixel)
{
    start();
    press(" " + key("kcud1", 2) + key("kcuf1", 3) + " " + key("knp", 2) + "U");
    expect_shown(first_pixel_lit, "Undone: pixel at row 2, column 3 of char 065 (1 more to undo).",
                 pixel_cursor(2, 3));
    press("u");
    expect_shown(blank, "Undone: pixel at row 0, column 0 of char 065 (nothing more to undo).",
                 pixel_cursor(0, 0));
    press(key("knp") + ctrl_r);
    expect_shown(first_pixel_lit, "Redone: pixel at row 0, column 0 of char 065 (1 more to redo).",
                 pixel_cursor(0, 0));
}

TEST_P(undo_in, undoing_a_pop_brings_back_the_glyph_and_the_stack)
{
    dir.write("a.font", patterned_font(1));
    start({"a.font"});
    press("P" + key("knp") + key("kcuf1") + "O" + key("knp", 3) + "U");
    expect_shown(picture_of(patterned_font(1), 66),
                 "Undone: pop into char 066 (nothing more to undo).", pixel_cursor(0, 1), " Char 066 ");
    press(ctrl_r);
    EXPECT_EQ(picture(), picture_of(patterned_font(1), 65));
    press("UO");
    EXPECT_EQ(status_line(), line("Character 66 poped from stack (new stack size 0)."));
}

// The name L and S offer goes with the font: undoing a load brings back the
// name of the file the font came from, and S writes there; redoing it, the
// loaded file's.
TEST_P(undo_in, undoing_a_load_brings_back_the_drawing_and_its_file_name)
{
    dir.write("a.font", font_bytes(4096, 0));
    dir.write("other.font", patterned_font(2));
    start({"a.font"});
    press(" L" + std::string(ctrl_u) + "other.font\rU");
    expect_shown(first_pixel_lit, "Undone: load of other.font (1 more to undo).", pixel_cursor(0, 0));
    press("S");
    EXPECT_EQ(status_line(), line("Save to file: a.font"));
    press("\r");
    EXPECT_EQ(dir.read("a.font"), font_with_glyph(65, {"#......."}));
    EXPECT_EQ(dir.read("other.font"), patterned_font(2));
    press(ctrl_r);
    expect_shown(picture_of(patterned_font(2), 65),
                 "Redone: load of other.font (nothing more to redo).", pixel_cursor(0, 0));
    press("S");
    EXPECT_EQ(status_line(), line("Save to file: other.font"));
}

// On a console (the unit tests' fake one here), D is a load: the font it
// brings counts as saved, so a hang-up right after it rescues nothing.
// Undone, the unsaved drawing is back, and rescued beside its file.
TEST_P(undo_in, a_console_load_leaves_the_font_saved_and_its_undo_the_drawing_unsaved)
{
    dir.write("a.font", font_bytes(4096, 0));
    for (bool undone : {false, true}) {
        t = std::make_unique<terminal>(std::vector<std::string>{"a.font"},
                                       terminal_options{.term = GetParam(), .workdir = dir.path.string(),
                                                        .binary = QUORVALEN_ON_FAKE_CONSOLE});
        t->settle();
        press(undone ? " DU" : " D");
        kill(t->pid(), SIGHUP);
        t->wait_exit();
        EXPECT_EQ(std::filesystem::exists(dir.path / "a.font.save"), undone);
    }
    EXPECT_EQ(dir.read("a.font.save"), font_with_glyph(65, {"#......."}));
}

// The 8x16 screen comes back as it was, with no trace of the larger window,
// and the font saves as the raw font it is again.
TEST_P(undo_in, undoing_a_load_of_a_16x32_font_brings_back_the_raw_8x16_font)
{
    const std::string big = "/usr/share/consolefonts/Lat15-TerminusBold32x16.psf.gz";
    if (!std::filesystem::exists(big))
        GTEST_SKIP() << "no console fonts";
    std::filesystem::copy_file(big, dir.path / "big.psf.gz");
    const font_bytes raw = font_with_glyph(66, {"#......."});
    dir.write("font.raw", raw);
    start({"font.raw"});
    press("L" + std::string(ctrl_u) + "big.psf.gz\r" + key("kcuu1") + key("kcub1") + "U");
    EXPECT_EQ(whole_screen(*t, 24, 80), start_screen(24, 80, "Undone: load of big.psf.gz (nothing more to undo)."));
    EXPECT_EQ(t->cursor(), pixel_cursor(15, 7)) << "the cursor kept within the glyph";
    press("S" + std::string(ctrl_u) + "font.raw\r");
    EXPECT_EQ(dir.read("font.raw"), raw);
}

TEST_P(undo_in, with_nothing_to_undo_or_redo_the_keys_send_nothing)
{
    start();
    auto expect_nothing_sent_for = [this](const std::string &keys) {
        const size_t sent_before = t->terminal_output().size();
        const auto screen_before = whole_screen(*t, 24, 80);
        press(keys);
        EXPECT_EQ(t->terminal_output().size(), sent_before) << keys;
        EXPECT_EQ(whole_screen(*t, 24, 80), screen_before) << keys;
    };
    expect_nothing_sent_for("U");
    expect_nothing_sent_for(ctrl_r);
    expect_nothing_sent_for("u" + std::string(ctrl_r) + "U");
    press(" U");
    expect_nothing_sent_for("U");
    press(ctrl_r);
    expect_nothing_sent_for(ctrl_r);
    // A new change after an undo leaves nothing to redo.
    for (const char *change : {" ", "PO"}) {
        press(std::string("U") + change);
        expect_nothing_sent_for(ctrl_r);
    }
}

INSTANTIATE_TEST_SUITE_P(terminals, undo_in, testing::Values("xterm-256color", "linux"));

} // namespace
