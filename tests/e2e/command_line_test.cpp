// The paths that end before the screen is set up, and how the run ends.
#include "editor_screen.h"

#include <gtest/gtest.h>

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

TEST(command_line, a_file_name_over_256_characters_is_refused_not_cut)
{
    const std::string name(257, 'n');
    terminal t({name}, {.stdout_to_pipe = true});
    EXPECT_EQ(t.wait_exit(), 1);
    EXPECT_EQ(t.standard_output(),
              "Load font: " + name + ": file name is too long (more than 256 characters)");
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
