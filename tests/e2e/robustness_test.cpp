// Resizing the terminal, and losing it or being told to end without losing
// the font.
#include "editor_screen.h"
#include "scratch_files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

const std::string console_message = "No console interaction is supported under this OS";

std::vector<std::string> start_screen_with_pixel(int rows, int cols, const std::string &status,
                                                 const std::string &lit)
{
    std::vector<std::string> screen = start_screen(rows, cols, status);
    // Pixel (0, 0) of the glyph is screen column 47; the row holds box characters of
    // three bytes each before it, so rebuild the row around it.
    std::string &row = screen[6];
    const std::string frame = "│";
    size_t at = row.find(frame, row.find(frame, row.find(frame) + 1) + 1) + frame.size() + 1;
    row.replace(at, 1, lit);
    return screen;
}

TEST(resizing, the_whole_screen_is_laid_out_again_for_each_new_size)
{
    terminal t({});
    t.settle();
    t.type(" ");
    t.settle();
    const std::string lit = lit_pixel("xterm-256color");

    t.resize(30, 100);
    t.wait_for_text(29, 0, console_message);
    t.settle();
    EXPECT_EQ(whole_screen(t, 30, 100), start_screen_with_pixel(30, 100, console_message, lit));
    for (int col = 0; col < 100; ++col)
        EXPECT_TRUE(t.cell(0, col).standout) << "title bar column " << col;
    EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));

    t.resize(24, 80);
    t.wait_for_text(23, 0, console_message);
    t.settle();
    EXPECT_EQ(whole_screen(t, 24, 80), start_screen_with_pixel(24, 80, console_message, lit));
    EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));
}

TEST(resizing, a_terminal_too_small_shows_a_notice_and_takes_no_edits_until_it_grows)
{
    terminal t({});
    t.settle();
    t.resize(20, 60);
    t.wait_for_text(1, 0, "at least 80x24; this one is 60x20.");
    t.type(std::string(" ") + key_string("xterm-256color", "knp") + "wW");
    t.settle();
    EXPECT_EQ(t.text(0, 0, 29), "quorvalen needs a terminal of");
    EXPECT_EQ(t.text(3, 0, 24), "Make it larger to go on,");

    t.resize(24, 80);
    t.wait_for_text(5, 45, "┌ Char 065 ┐");
    t.settle();
    EXPECT_EQ(whole_screen(t, 24, 80), start_screen(24, 80, console_message))
        << "font, glyph, mode and message as they were";
    EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));

    t.resize(20, 60);
    t.wait_for_text(1, 0, "at least 80x24; this one is 60x20.");
    t.type("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(resizing, during_a_prompt_the_text_is_kept_and_the_screen_is_right_when_it_ends)
{
    scratch_dir dir;
    terminal t({dir.write("font.raw", font_with_glyph(65, {}))}, {.workdir = dir.path.string()});
    t.settle();
    t.type("S\x15new");
    t.settle();
    t.resize(30, 100);
    // The library takes note of the new size when it next reads a key.
    t.type(key_string("xterm-256color", "kend") + ".raw\r");
    t.wait_for_text(29, 0, "Font saved.");
    t.settle();
    EXPECT_EQ(whole_screen(t, 30, 100), start_screen(30, 100, "Font saved."));
    EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));
    EXPECT_EQ(dir.read("new.raw"), font_with_glyph(65, {}));
}

TEST(resizing, a_round_trip_through_another_size_during_a_prompt_leaves_the_screen_whole)
{
    terminal t({});
    t.settle();
    t.type("L");
    t.settle();
    // The field beeps at each change of size it is told of. Each change is
    // made while the editor waits for a key, as a user's would be.
    t.resize(20, 80);
    t.wait_for_bells(1);
    t.settle();
    t.resize(24, 80);
    t.wait_for_bells(2);
    t.type("\x1b");
    t.wait_for_text(23, 0, "Load canceled.");
    t.settle();
    EXPECT_EQ(whole_screen(t, 24, 80), start_screen(24, 80, "Load canceled."));
    EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));
}

// A font file in a scratch directory, and the editor started on it.
struct editing_a_font {
    scratch_dir dir;
    font_bytes font = font_with_glyph(65, {"##......"});
    std::string path = dir.write("font.raw", font);
    terminal t{{path}, {.workdir = dir.path.string()}};

    editing_a_font() { t.settle(); }
    font_bytes with_first_pixel_toggled()
    {
        font_bytes changed = font;
        changed[65 * 16] ^= 0x80;
        return changed;
    }
    void toggle_first_pixel()
    {
        t.type(" ");
        t.settle();
    }
    bool exists(const std::string &name) { return std::filesystem::exists(dir.path / name); }
};

TEST(ending, each_end_signal_writes_unsaved_changes_to_an_emergency_file)
{
    for (int signal_number : {SIGHUP, SIGTERM, SIGINT, SIGQUIT}) {
        editing_a_font editor;
        editor.toggle_first_pixel();
        kill(editor.t.pid(), signal_number);
        EXPECT_EQ(editor.t.wait_exit(), 128 + signal_number);
        EXPECT_EQ(editor.dir.read("font.raw.save"), editor.with_first_pixel_toggled())
            << "signal " << signal_number;
        EXPECT_EQ(editor.dir.read("font.raw"), editor.font) << "the file itself is untouched";
        EXPECT_NE(editor.t.terminal_output().find("quorvalen: the unsaved font was written to " +
                                                  editor.path + ".save"),
                  std::string::npos);
    }
}

TEST(ending, ctrl_c_and_ctrl_backslash_count_as_the_signals)
{
    for (auto [keys, signal_number] : {std::pair{"\x03", SIGINT}, {"\x1c", SIGQUIT}}) {
        editing_a_font editor;
        editor.toggle_first_pixel();
        editor.t.type(keys);
        EXPECT_EQ(editor.t.wait_exit(), 128 + signal_number);
        EXPECT_EQ(editor.dir.read("font.raw.save"), editor.with_first_pixel_toggled());
    }
}

TEST(ending, without_unsaved_changes_nothing_is_written)
{
    editing_a_font editor;
    editor.toggle_first_pixel();
    editor.toggle_first_pixel();  // back as loaded, but a change all the same
    kill(editor.t.pid(), SIGTERM);
    editor.t.wait_exit();
    EXPECT_TRUE(editor.exists("font.raw.save"));

    editing_a_font untouched;
    untouched.t.type(key_string("xterm-256color", "knp") + "W");
    untouched.t.settle();
    kill(untouched.t.pid(), SIGTERM);
    EXPECT_EQ(untouched.t.wait_exit(), 128 + SIGTERM);
    EXPECT_FALSE(untouched.exists("font.raw.save"));
    EXPECT_EQ(untouched.t.terminal_output().find("unsaved"), std::string::npos);
}

TEST(ending, an_existing_emergency_file_is_never_overwritten)
{
    editing_a_font editor;
    editor.dir.write("font.raw.save", std::string("keep me"));
    editor.dir.write("font.raw.save.1", std::string("and me"));
    editor.toggle_first_pixel();
    kill(editor.t.pid(), SIGHUP);
    editor.t.wait_exit();
    EXPECT_EQ(editor.dir.read("font.raw.save"), font_bytes({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    EXPECT_EQ(editor.dir.read("font.raw.save.1").size(), 6u);
    EXPECT_EQ(editor.dir.read("font.raw.save.2"), editor.with_first_pixel_toggled());
}

TEST(ending, losing_the_terminal_rescues_the_font_too)
{
    for (bool ignore_hangup : {false, true}) {
        scratch_dir dir;
        std::string path = dir.write("font.raw", font_with_glyph(65, {"#......."}));
        terminal t({path}, {.ignore_hangup = ignore_hangup});
        t.settle();
        t.type(" ");
        t.settle();
        t.hang_up();
        t.wait_exit();
        EXPECT_EQ(dir.read("font.raw.save"), font_with_glyph(65, {})) << ignore_hangup;
    }
}

TEST(ending, without_a_file_name_the_rescue_goes_to_the_working_directory)
{
    scratch_dir dir;
    terminal t({}, {.workdir = dir.path.string()});
    t.settle();
    t.type(" ");
    t.settle();
    kill(t.pid(), SIGTERM);
    t.wait_exit();
    EXPECT_EQ(dir.read("quorvalen.save"), font_with_glyph(65, {"#......."}));
}

} // namespace
