// Resizing the terminal, and losing it or being told to end without losing
// the font.
#include "editor_screen.h"
#include "scratch_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string console_message = "No console interaction is supported under this OS";

std::vector<std::string> start_screen_with_pixel(int rows, int cols, const std::string &status,
                                                 const std::string &lit)
{
    std::vector<std::string> screen = start_screen(rows, cols, status, no_file_facts + "  modified");
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

std::vector<std::string> size_notice(int rows, int cols)
{
    std::vector<std::string> screen(static_cast<size_t>(rows), std::string(static_cast<size_t>(cols), ' '));
    const std::vector<std::string> notice = {
        "quorvalen needs a terminal of", "at least 80x24; this one is " + std::to_string(cols) + "x" +
                                             std::to_string(rows) + ".",
        "", "Make it larger to go on,", "or press Q to quit."};
    for (size_t row = 0; row < notice.size(); ++row)
        screen[row].replace(0, notice[row].size(), notice[row]);
    return screen;
}

TEST(resizing, a_terminal_too_small_shows_a_notice_and_takes_no_edits_until_it_grows)
{
    terminal t({});
    t.settle();
    // Glyph 66 with a pixel lit, the cursor moved, wide mode, one glyph pushed.
    const std::string down = key_string("xterm-256color", "kcud1");
    t.type(key_string("xterm-256color", "knp") + down + " WP");
    t.settle();

    t.resize(20, 60);
    t.wait_for_text(1, 0, "at least 80x24; this one is 60x20.");
    t.type(" " + key_string("xterm-256color", "knp") + down + "wWpOo#L");
    t.settle();
    EXPECT_EQ(whole_screen(t, 20, 60), size_notice(20, 60));

    t.resize(24, 80);
    t.wait_for_text(5, 45, "┌ Char 066 [WIDE] ─┐");
    t.settle();
    std::vector<std::string> expected(16, "........");
    expected[1] = "#.......";
    EXPECT_EQ(glyph_picture(t, "xterm-256color", true), expected);
    EXPECT_EQ(t.cursor(), pixel_cursor(1, 0, true));
    EXPECT_EQ(t.row_text(23).substr(0, 48), "Character 66 pushed to stack (new stack size 1).");

    t.type(key_string("xterm-256color", "knp") + "O");
    t.wait_for_text(23, 0, "Character 67 poped from stack (new stack size 0).");
    t.settle();
    EXPECT_EQ(glyph_picture(t, "xterm-256color", true), expected) << "the stack kept its glyph";

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
    EXPECT_EQ(whole_screen(t, 30, 100), start_screen(30, 100, "Font saved.", "new.raw  8x16  256 glyphs  raw"));
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

TEST(resizing, after_a_stop_the_editor_comes_back_at_the_size_the_terminal_has_then)
{
    terminal t({}, {.job_control = true});
    t.settle();
    // Without a change of size a prompt goes on where it was.
    t.type("Lab");
    t.settle();
    t.suspend();
    t.resume();
    t.settle();
    EXPECT_EQ(t.bells(), 0) << "the field was told of no resize";
    t.suspend();
    t.resize(30, 100);
    t.resume();
    t.settle();
    t.resize(24, 80);
    t.settle();
    t.type("c");
    t.wait_for_text(23, 0, "Load from file: abc");
    t.type("\x1b");
    t.settle();

    t.suspend();
    t.resize(30, 100);
    t.resume();
    t.wait_for_text(29, 0, "Load canceled.");
    t.settle();
    EXPECT_EQ(whole_screen(t, 30, 100), start_screen(30, 100, "Load canceled."));
    EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));

    t.suspend();
    t.resize(20, 60);
    t.resume();
    t.wait_for_text(1, 0, "at least 80x24; this one is 60x20.");
    t.type("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

// $HOME for the editors started while it lives.
struct home_directory {
    std::string old = std::getenv("HOME") ? std::getenv("HOME") : "";
    explicit home_directory(const std::string &path) { setenv("HOME", path.c_str(), 1); }
    ~home_directory() { setenv("HOME", old.c_str(), 1); }
};

// A font file in a scratch directory, and the editor started on it.
struct editing_a_font {
    scratch_dir dir;
    font_bytes font = font_with_glyph(65, {"##......"});
    std::string path = dir.write("font.raw", font);
    terminal t;

    explicit editing_a_font(terminal_options options = {})
        : t({path}, with_workdir(std::move(options), dir))
    {
        t.settle();
    }
    static terminal_options with_workdir(terminal_options options, const scratch_dir &dir)
    {
        options.workdir = dir.path.string();
        return options;
    }
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
    std::vector<std::string> names()
    {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(dir.path))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
};

// A save whose write fails: the reason shows, the editor goes on editing, the
// font is still unsaved.
void expect_failed_save_reported(editing_a_font &editor, const std::string &reason)
{
    editor.t.wait_for_text(23, 0, "Save error: write: " + reason);
    editor.t.type(key_string("xterm-256color", "knp"));
    editor.t.wait_for_text(5, 46, " Char 066 ");
    EXPECT_TRUE(editor.t.running());
    EXPECT_EQ(editor.dir.read("font.raw"), editor.font);
}

TEST(save_faults, beyond_the_file_size_limit_the_save_fails_and_the_rescue_is_whole_or_none)
{
    // The last place the copy may go, kept out of the real home directory.
    scratch_dir home;
    home_directory home_set(home.path.string());
    editing_a_font editor({.file_size_limit = 2048});
    editor.toggle_first_pixel();
    editor.t.type("S\r");
    expect_failed_save_reported(editor, "File too large");
    EXPECT_EQ(editor.names(), std::vector<std::string>{"font.raw"}) << "no temporary file is left";

    kill(editor.t.pid(), SIGHUP);
    EXPECT_EQ(editor.t.wait_exit(), -1);
    EXPECT_EQ(editor.t.ending_signal(), SIGHUP);
    for (const std::string &name : editor.names()) {
        if (name != "font.raw") {
            EXPECT_EQ(editor.dir.read(name), editor.with_first_pixel_toggled()) << name;
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(home.path)) << "no part of a copy is left at home";
    const std::string &out = editor.t.terminal_output();
    EXPECT_GT(out.rfind(terminfo_string("xterm-256color", "rmcup")),
              out.rfind(terminfo_string("xterm-256color", "smcup")));
}

TEST(save_faults, a_pipe_whose_reader_goes_away_fails_the_save_and_the_editor_goes_on)
{
    editing_a_font editor;
    editor.toggle_first_pixel();
    const std::string pipe = (editor.dir.path / "pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // A full pipe holds the editor's write until the reader goes.
    int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    int filler = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_GE(filler, 0);
    const std::string block(4096, 'x');
    while (write(filler, block.data(), block.size()) > 0) {
    }
    editor.t.type("S\x15pipe\r");
    editor.t.wait_for_open_file(pipe);
    close(reader);
    expect_failed_save_reported(editor, "Broken pipe");
    close(filler);
}

// The ways the editor is told to end, or loses its terminal.
enum class ending_way { hang_up_signal, terminate_signal, ctrl_c, ctrl_backslash, closed_terminal };

void PrintTo(ending_way way, std::ostream *out)
{
    const char *names[] = {"SIGHUP", "SIGTERM", "Ctrl-C", "Ctrl-\\", "closed terminal"};
    *out << names[static_cast<int>(way)];
}

// How a run is expected to end: by a signal, or else with an exit status.
struct run_end {
    int signal;
    int status = -1;
};

// The editor ends by the signal it was sent, after its rescue; but Ctrl-\ (quit)
// exits with the status a shell shows for it, so that no core is dumped.
run_end end_editor(terminal &t, ending_way way)
{
    switch (way) {
    case ending_way::hang_up_signal: kill(t.pid(), SIGHUP); return {SIGHUP};
    case ending_way::terminate_signal: kill(t.pid(), SIGTERM); return {SIGTERM};
    case ending_way::ctrl_c: t.type("\x03"); return {SIGINT};
    case ending_way::ctrl_backslash: t.type("\x1c"); return {0, 128 + SIGQUIT};
    case ending_way::closed_terminal: t.hang_up(); return {SIGHUP};
    }
    return {};
}

class ending_by : public testing::TestWithParam<ending_way> {
protected:
    editing_a_font editor;
    // Ends the editor the way under test and checks how it ended.
    void end()
    {
        const run_end expected = end_editor(editor.t, GetParam());
        EXPECT_EQ(editor.t.wait_exit(), expected.status);
        EXPECT_EQ(editor.t.ending_signal(), expected.signal);
        EXPECT_EQ(editor.dir.read("font.raw"), editor.font) << "the file itself is untouched";
        if (GetParam() != ending_way::closed_terminal)
            expect_terminal_put_back();
    }
    void expect_terminal_put_back()
    {
        const std::string &out = editor.t.terminal_output();
        for (auto [on, off] : {std::pair{"smcup", "rmcup"}, {"smkx", "rmkx"}})
            EXPECT_GT(out.rfind(terminfo_string("xterm-256color", off)),
                      out.rfind(terminfo_string("xterm-256color", on)))
                << off << " after the last " << on;
    }
    bool printed(const std::string &text)
    {
        return editor.t.terminal_output().find(text) != std::string::npos;
    }
};

TEST_P(ending_by, unsaved_changes_go_to_an_emergency_file_named_on_the_terminal)
{
    editor.toggle_first_pixel();
    end();
    EXPECT_EQ(editor.dir.read("font.raw.save"), editor.with_first_pixel_toggled());
    if (GetParam() != ending_way::closed_terminal) {
        EXPECT_TRUE(printed("quorvalen: the unsaved font was written to " + editor.path + ".save"))
            << editor.t.terminal_output();
    }
}

TEST_P(ending_by, without_unsaved_changes_nothing_is_written)
{
    editor.t.type(key_string("xterm-256color", "knp") + "PW");
    editor.t.settle();
    end();
    EXPECT_FALSE(editor.exists("font.raw.save"));
    EXPECT_FALSE(printed("unsaved"));
}

TEST_P(ending_by, an_existing_emergency_file_is_never_overwritten)
{
    editor.dir.write("font.raw.save", std::string("keep me"));
    editor.dir.write("font.raw.save.1", std::string("and me"));
    editor.toggle_first_pixel();
    end();
    EXPECT_EQ(editor.dir.read("font.raw.save"), font_bytes({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    EXPECT_EQ(editor.dir.read("font.raw.save.1").size(), 6u);
    EXPECT_EQ(editor.dir.read("font.raw.save.2"), editor.with_first_pixel_toggled());
}

INSTANTIATE_TEST_SUITE_P(each_way, ending_by,
                         testing::Values(ending_way::hang_up_signal, ending_way::terminate_signal,
                                         ending_way::ctrl_c, ending_way::ctrl_backslash,
                                         ending_way::closed_terminal));

TEST(ending, ctrl_c_in_a_prompt_rescues_the_font_too)
{
    editing_a_font editor;
    editor.toggle_first_pixel();
    editor.t.type("Sother.raw");
    editor.t.settle();
    editor.t.type("\x03");
    EXPECT_EQ(editor.t.wait_exit(), -1);
    EXPECT_EQ(editor.t.ending_signal(), SIGINT);
    EXPECT_EQ(editor.dir.read("font.raw.save"), editor.with_first_pixel_toggled());
    EXPECT_FALSE(editor.exists("other.raw"));
}

TEST(ending, a_change_undone_by_hand_still_counts_as_unsaved)
{
    editing_a_font editor;
    editor.toggle_first_pixel();
    editor.toggle_first_pixel();
    kill(editor.t.pid(), SIGTERM);
    editor.t.wait_exit();
    EXPECT_EQ(editor.dir.read("font.raw.save"), editor.font);
}

TEST(ending, a_save_or_load_makes_the_font_saved_again)
{
    for (auto [keys, message] : {std::pair{"S\r", "Font saved."}, {"L\r", "Font loaded."}}) {
        editing_a_font editor;
        editor.toggle_first_pixel();
        editor.t.type(keys);
        editor.t.wait_for_text(23, 0, message);
        kill(editor.t.pid(), SIGTERM);
        editor.t.wait_exit();
        EXPECT_FALSE(editor.exists("font.raw.save")) << keys;
    }
}

TEST(ending, a_pop_counts_as_an_unsaved_change_and_the_next_free_name_is_taken)
{
    editing_a_font editor;
    editor.dir.write("font.raw.save", std::string("keep me"));
    editor.t.type("PO");
    editor.t.settle();
    kill(editor.t.pid(), SIGTERM);
    editor.t.wait_exit();
    EXPECT_EQ(editor.dir.read("font.raw.save.1"), editor.font);
}

TEST(ending, when_the_files_directory_takes_no_new_file_the_rescue_goes_to_the_working_directory)
{
    editing_a_font editor;
    editor.toggle_first_pixel();
    // A failed load still makes its name the remembered one.
    editor.t.type("L\x15gone/font.raw\r");
    editor.t.wait_for_text(23, 0, "Load error: open: No such file or directory");
    kill(editor.t.pid(), SIGTERM);
    editor.t.wait_exit();
    EXPECT_EQ(editor.dir.read("quorvalen.save"), editor.with_first_pixel_toggled());
}

TEST(ending, a_font_from_a_compressed_psf_is_rescued_as_the_whole_psf_uncompressed)
{
    std::vector<font_bytes> fonts = {system_tool_output("gzip -c", psf1_file(font_with_glyph(65, {}), {0x41, 0xff, 0x0a}))};
    if (std::filesystem::exists("/usr/share/consolefonts"))
        fonts.push_back(file_bytes("/usr/share/consolefonts/Lat15-TerminusBold32x16.psf.gz"));
    for (const font_bytes &packed : fonts) {
        scratch_dir dir;
        terminal t({dir.write("font.psf.gz", packed)});
        t.settle();
        t.type(" ");
        t.settle();
        t.hang_up();
        t.wait_exit();
        psf_font expected = read_psf(packed);
        expected.bytes[expected.byte_of(65, 0, 0)] ^= 0x80;
        EXPECT_EQ(dir.read("font.psf.gz.save"), expected.bytes);
    }
}

TEST(ending, the_saved_state_follows_undo_and_redo)
{
    const struct {
        std::string keys;
        bool rescued;
    } cases[] = {{" U", false}, {" U\x12", true}, {" S\rU", true}, {" S\rU\x12", false}};
    for (const auto &c : cases) {
        editing_a_font editor;
        editor.t.type(c.keys);
        editor.t.settle();
        kill(editor.t.pid(), SIGHUP);
        editor.t.wait_exit();
        EXPECT_EQ(editor.exists("font.raw.save"), c.rescued) << c.keys;
    }
}

TEST(ending, with_the_hang_up_signal_ignored_the_end_of_input_rescues_the_font)
{
    scratch_dir dir;
    std::string path = dir.write("font.raw", font_with_glyph(65, {"#......."}));
    terminal t({path}, {.ignore_hangup = true});
    t.settle();
    t.type(" ");
    t.settle();
    t.hang_up();
    EXPECT_EQ(t.wait_exit(), 1);
    EXPECT_EQ(dir.read("font.raw.save"), font_with_glyph(65, {}));
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

TEST(ending, a_load_stuck_on_a_pipe_still_ends_and_rescues_the_font)
{
    for (ending_way way : {ending_way::ctrl_c, ending_way::hang_up_signal}) {
        SCOPED_TRACE(testing::PrintToString(way));
        editing_a_font editor;
        editor.toggle_first_pixel();
        const std::string pipe = (editor.dir.path / "pipe").string();
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        // A writer that never writes.
        int writer = open(pipe.c_str(), O_RDWR);
        editor.t.type("L\x15pipe\r");
        editor.t.wait_for_open_file(pipe);
        end_editor(editor.t, way);
        editor.t.wait_exit();
        close(writer);
        // The name given to L is the remembered one.
        EXPECT_EQ(editor.dir.read("pipe.save"), editor.with_first_pixel_toggled());
    }
}

TEST(ending, when_neither_the_files_nor_the_working_directory_takes_the_copy_home_is_tried)
{
    for (bool home_exists : {true, false}) {
        scratch_dir dir;
        std::filesystem::create_directory(dir.path / "work");
        std::filesystem::create_directory(dir.path / "home");
        const std::string home = (dir.path / (home_exists ? "home" : "no-home")).string();
        home_directory home_set(home);
        terminal t({dir.write("font.raw", font_with_glyph(65, {}))},
                   {.workdir = (dir.path / "work").string()});
        t.settle();
        t.type(" L\x15gone/font.raw\r");
        t.wait_for_text(23, 0, "Load error: open: No such file or directory");
        std::filesystem::remove(dir.path / "work");
        kill(t.pid(), SIGHUP);
        t.wait_exit();
        if (home_exists) {
            EXPECT_EQ(dir.read("home/quorvalen.save"), font_with_glyph(65, {"#......."}));
        } else {
            EXPECT_NE(t.terminal_output().find(
                          "quorvalen: the unsaved font could not be written anywhere; tried "
                          "gone/font.raw.save, quorvalen.save and " + home + "/quorvalen.save"),
                      std::string::npos);
        }
    }
}

} // namespace
