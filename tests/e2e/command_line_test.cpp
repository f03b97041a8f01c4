// The paths that end before the screen is set up, and how the run ends.
#include "editor_screen.h"
#include "scratch_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

TEST(command_line, two_or_more_arguments_print_usage_and_open_nothing)
{
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"a.fnt", "b.fnt"}, {"missing", "also-missing", "third"}}) {
        terminal t(args, {.stdout_to_pipe = true});
        EXPECT_EQ(t.wait_exit(), 1);
        EXPECT_EQ(t.standard_output(),
                  "Full screen font editor v1.2 by the quorvalen developers\n"
                  "Usage: " QUORVALEN_BINARY " fontfile\n");
        EXPECT_EQ(t.terminal_output(), "") << "the terminal must be left untouched";
    }
}

TEST(command_line, help_and_version_print_without_a_terminal_and_end_with_status_0)
{
    const terminal_options no_terminal = {.stdout_to_pipe = true, .stdin_from = "/dev/null"};
    terminal help({"--help"}, no_terminal);
    EXPECT_EQ(help.wait_exit(), 0);
    const std::string &text = help.standard_output();
    EXPECT_TRUE(text.starts_with("Usage: " QUORVALEN_BINARY " [--help | --version] [--] [fontfile]\n")) << text;
    for (const char *line : {"\n  Left, Up, Right, Down - move", "\n  Ctrl-R - redo", "\n  ? - list every key",
                             "\n  Q - quit at once; nothing is saved\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 23) << "the usage line, a heading, a key a line";

    terminal version({"--version"}, no_terminal);
    EXPECT_EQ(version.wait_exit(), 0);
    EXPECT_EQ(version.standard_output(), "quorvalen 1.2\n");
    EXPECT_EQ(help.terminal_output() + version.terminal_output(), "");
}

TEST(command_line, after_two_dashes_a_file_named_like_an_option_opens)
{
    scratch_dir dir;
    dir.write("--help", font_with_glyph(65, {"#......."}));
    terminal t({"--", "--help"}, {.workdir = dir.path.string()});
    t.settle();
    EXPECT_EQ(t.row_text(1), file_row("--help  8x16  256 glyphs  raw"));
    EXPECT_EQ(glyph_picture(t, "xterm-256color")[0], "#.......");
    t.type("q");
    EXPECT_EQ(t.wait_exit(), 0);

    terminal two_files({"--", "a", "b"}, {.stdout_to_pipe = true});
    EXPECT_EQ(two_files.wait_exit(), 1);
    EXPECT_TRUE(two_files.standard_output().ends_with(" fontfile\n"));
}

TEST(command_line, a_file_name_over_256_characters_is_refused_not_cut)
{
    scratch_dir dir;
    const std::string name = dir.path.string() + "/" + std::string(256 - dir.path.string().size() - 1, 'n');
    dir.write(name.substr(name.rfind('/') + 1), font_bytes(4096));
    terminal accepted({name});
    accepted.settle();
    accepted.type("q");
    EXPECT_EQ(accepted.wait_exit(), 0);

    terminal t({name + "n"}, {.stdout_to_pipe = true});
    EXPECT_EQ(t.wait_exit(), 1);
    EXPECT_EQ(t.standard_output(),
              "Load font: " + name + "n: file name is too long (more than 256 characters)");
    EXPECT_EQ(t.terminal_output(), "");
}

TEST(command_line, a_terminal_smaller_than_80x24_gets_a_message_instead_of_a_screen)
{
    for (auto [rows, cols] : {std::pair{24, 79}, {23, 80}, {10, 40}}) {
        terminal t({}, {.rows = rows, .cols = cols});
        EXPECT_EQ(t.wait_exit(), 1);
        const std::string message = "quorvalen: the terminal is " + std::to_string(cols) + "x" +
                                    std::to_string(rows) + ", but it needs at least 80x24.";
        EXPECT_NE(t.terminal_output().find(message), std::string::npos) << t.terminal_output();
        EXPECT_EQ(t.terminal_output().find("Keys"), std::string::npos) << "nothing drawn";
    }
}

TEST(command_line, without_a_usable_terminal_a_message_ends_the_run_and_the_terminal_is_untouched)
{
    scratch_dir dir;
    const std::string font = dir.write("f.fnt", font_with_glyph(65, {"#......."}));
    const std::string no_input = "quorvalen: standard input is not a terminal\r\n";
    const std::string no_output = "quorvalen: standard output is not a terminal\r\n";
    const struct {
        const char *name;
        std::vector<std::string> args;
        terminal_options options;
        std::string message;
    } cases[] = {
        {"input from /dev/null", {}, {.stdin_from = "/dev/null"}, no_input},
        {"input from a file, a font named", {font}, {.stdin_from = font}, no_input},
        {"output to a pipe", {font}, {.stdout_to_pipe = true}, no_output},
        {"a terminal that cannot move its cursor", {font}, {.term = "dumb"},
         "quorvalen: the terminal (TERM=dumb) cannot move its cursor; the editor needs one that can\r\n"},
    };
    for (const auto &c : cases) {
        terminal t(c.args, c.options);
        EXPECT_EQ(t.wait_exit(), 1) << c.name;
        EXPECT_EQ(t.terminal_output(), c.message) << c.name;
        EXPECT_EQ(t.standard_output(), "") << c.name;
        EXPECT_TRUE(t.modes_as_at_start()) << c.name;
    }
    // The command line and the named font are still checked first.
    terminal t({"missing.fnt"}, {.stdout_to_pipe = true, .stdin_from = "/dev/null"});
    EXPECT_EQ(t.wait_exit(), 1);
    EXPECT_EQ(t.standard_output(), "Load font: missing.fnt: open: No such file or directory");
    EXPECT_EQ(t.terminal_output(), "");
}

TEST(command_line, input_left_non_blocking_is_made_blocking_so_the_idle_editor_sleeps)
{
    // settle() waits for the editor to sleep in a read: a busy loop never does.
    terminal t({}, {.nonblocking_stdin = true});
    t.settle();
    t.type(key_string("xterm-256color", "knp"));
    t.settle();
    EXPECT_EQ(t.text(5, 46, 10), " Char 066 ");
    t.type("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST(command_line, input_made_non_blocking_while_the_editor_runs_or_is_stopped_leaves_it_asleep)
{
    terminal t({}, {.job_control = true});
    t.settle();
    t.suspend();
    t.make_input_nonblocking();  // by a program run while the editor is stopped
    t.resume();
    t.settle();
    EXPECT_FALSE(t.input_is_nonblocking());
    t.make_input_nonblocking();  // by one running beside it
    for (const char *shown : {" Char 066 ", " Char 067 "}) {
        t.press("knp");
        t.settle();
        EXPECT_EQ(t.text(5, 46, 10), shown);
    }
    // Not to synchronise, only a span of time in which a spinning editor would use the processor.
    long ticks = t.cpu_ticks();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    t.settle();
    EXPECT_LE(t.cpu_ticks() - ticks, 1);
    t.type("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

class ending_in : public testing::TestWithParam<std::string> {};

TEST_P(ending_in, q_or_Q_quits_with_status_0_and_restores_the_terminal)
{
    for (const char *quit : {"q", "Q"}) {
        terminal t({}, {.term = GetParam()});
        t.settle();
        t.type(quit);
        EXPECT_EQ(t.wait_exit(), 0);
        const std::string &out = t.terminal_output();
        const std::string keypad_off = terminfo_string(GetParam(), "rmkx");
        if (!keypad_off.empty()) {
            EXPECT_GT(out.rfind(keypad_off), out.rfind(terminfo_string(GetParam(), "smkx")));
        }
        const std::string screen_back = terminfo_string(GetParam(), "rmcup");
        if (!screen_back.empty()) {
            EXPECT_NE(out.rfind(screen_back), std::string::npos);
        }
    }
}

TEST_P(ending_in, losing_the_terminal_ends_the_run_promptly)
{
    for (bool ignore_hangup : {false, true}) {
        terminal t({}, {.term = GetParam(), .ignore_hangup = ignore_hangup});
        t.settle();
        t.hang_up();
        // With the hang-up signal ignored, only the failing reads tell.
        EXPECT_NE(t.wait_exit(std::chrono::seconds(1)), 0) << "ignore_hangup " << ignore_hangup;
    }
}

INSTANTIATE_TEST_SUITE_P(terminals, ending_in, testing::Values("xterm-256color", "linux"));

} // namespace
