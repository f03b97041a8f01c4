// Editing a text in the prompt field: the keys, the beeps, the sideways view.
#include "editor_session.h"

#include <filesystem>

namespace {

class line_editor_in : public editor_session {
protected:
    // Presses the keys; how many times the editor beeped at them.
    int beeps_at(const std::string &keys)
    {
        const int before = t->bells();
        press(keys);
        return t->bells() - before;
    }
    // The field's text from screen column `col`, and where the cursor stands.
    void expect_field(int col, const std::string &shown, int cursor_col)
    {
        EXPECT_EQ(t->text(23, col, static_cast<int>(shown.size())), shown);
        EXPECT_EQ(t->cursor(), (cursor_position{23, cursor_col}));
    }
};

// Distinct characters, so a shown slice tells where it comes from.
std::string pattern(size_t length)
{
    const std::string symbols = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += symbols[i % symbols.size()];
    return text;
}

TEST_P(line_editor_in, starts_with_the_text_in_bold_and_the_cursor_after_it_and_enter_keeps_it)
{
    dir.write("a.font", patterned_font(1));
    start({"a.font"});
    press("L");
    expect_field(0, line("Load from file: a.font"), 22);
    for (int col = 16; col < 22; ++col)
        EXPECT_TRUE(t->cell(23, col).bold) << "column " << col;
    EXPECT_FALSE(t->cell(23, 22).bold);
    EXPECT_FALSE(t->cell(23, 0).bold) << "the prompt itself is plain";
    press("\r");
    EXPECT_EQ(status_line(), line("Font loaded."));
    press("S");
    EXPECT_EQ(status_line(), line("Save to file: a.font"));
}

TEST_P(line_editor_in, a_digits_only_field_takes_three_digits_inserted_or_overwritten)
{
    start();
    press("#");
    EXPECT_EQ(beeps_at("x1y23"), 2);
    EXPECT_EQ(beeps_at("4"), 1) << "no room for a fourth digit";
    expect_field(17, "123 ", 20);
    EXPECT_EQ(beeps_at(key("khome") + key("kich1") + "9"), 1) << "a full text beeps also when overwriting";
    press(key("kend") + key("kbs") + key("khome") + "9");
    expect_field(17, "92 ", 18);
    press(key("kich1") + "5");
    expect_field(17, "952", 19);
    press("\r");
    EXPECT_EQ(glyph_title(), " Char 184 ");
}

TEST_P(line_editor_in, moves_stop_at_either_end_and_backspace_and_delete_work_at_the_end_and_in_the_middle)
{
    start();
    press("Labcdef");
    EXPECT_EQ(beeps_at(key("kcuf1")), 1);
    press(key("kbs"));
    expect_field(16, "abcde ", 21);
    press(key("kdch1"));
    expect_field(16, "abcd ", 20);
    press(key("kcub1", 2) + key("kdch1"));
    expect_field(16, "abd ", 18);
    press(key("kbs"));
    expect_field(16, "ad ", 17);
    press("\r");
    press("L");
    expect_field(16, "ad ", 18);
    EXPECT_EQ(beeps_at(key("khome") + key("kcub1") + key("kbs")), 2);
    press(key("kdch1", 2));
    expect_field(16, "  ", 16);
    EXPECT_EQ(beeps_at(key("kdch1")), 1);
}

TEST_P(line_editor_in, bytes_from_127_to_255_take_one_column_and_reach_the_file_name_unchanged)
{
    start();
    press("Scf\xe9" + key("khome") + key("kcuf1") + "a" + key("kend") + "\x80\xff");
    expect_field(14, "caf??? ", 20);
    EXPECT_TRUE(t->cell(23, 17).standout && t->cell(23, 17).bold);
    EXPECT_FALSE(t->cell(23, 16).standout);
    press(key("kbs", 2) + "\r");
    EXPECT_EQ(status_line(), line("Font saved."));
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"caf\xe9"});
    EXPECT_EQ(dir.read("caf\xe9"), font_bytes(4096, 0));
}

// In a UTF-8 locale the terminal never gets half a character.
TEST_P(line_editor_in, each_byte_of_a_multi_byte_character_takes_a_column)
{
    start({}, "C.UTF-8");
    press("Sd\xc3\xa9j\r");
    EXPECT_EQ(dir.read("d\xc3\xa9j").size(), 4096u);
    press("S");
    expect_field(14, "d??j ", 18);
}

// The load field on 80 columns spans columns 16 to 79 and moves in jumps of 54.
TEST_P(line_editor_in, the_view_scrolls_sideways_in_jumps)
{
    start();
    const std::string text = pattern(60);
    press("L" + text);
    expect_field(16, text.substr(44) + std::string(48, ' '), 32);
    press(key("kcub1", 6));
    expect_field(16, text.substr(44, 16), 26);
    press(key("kcub1"));
    expect_field(16, text + "    ", 69);
    press(key("kend"));
    expect_field(16, text.substr(44, 16), 32);
}

TEST_P(line_editor_in, a_text_of_256_characters_shows_its_end_and_takes_no_more)
{
    start();
    std::filesystem::create_directory(dir.path / "d");
    const std::string name = "d/" + pattern(254);
    press("S" + name);
    EXPECT_EQ(beeps_at("x"), 1);
    press("\r");
    EXPECT_EQ(dir.read(name).size(), 4096u);
    press("L");
    expect_field(16, name.substr(206) + std::string(14, ' '), 66);
    // Pad columns 206 to 256 reach only column 66; the rest of the field
    // keeps what the view before drew there.
    press(ctrl_u + name);
    expect_field(16, name.substr(206) + " " + name.substr(203, 12) + " ", 66);
}

TEST_P(line_editor_in, keys_without_an_action_beep_and_change_nothing)
{
    start();
    press("Labc");
    const std::string keypad_enter = terminfo_string(GetParam(), "kent");
    EXPECT_EQ(beeps_at("\t\x08" + key("kcuu1") + key("knp") + key("kf1") + keypad_enter),
              keypad_enter.empty() ? 5 : 6);
    EXPECT_EQ(beeps_at("\x0c" + key("kich1") + key("kich1")), 0) << "Ctrl-L and Insert";
    expect_field(16, "abc ", 19);
}

TEST_P(line_editor_in, a_terminal_resize_beeps_and_keeps_the_text)
{
    start();
    press("Sab");
    const int bells = t->bells();
    // Typed first, so that the change of size may come while the key is
    // handled. The library notices a change only when it updates the screen;
    // End, which changes nothing, makes sure it has.
    t->type("c");
    t->resize(24, 60);
    press(key("kend"));
    t->type("d");
    t->resize(24, 80);
    press(key("kend"));
    EXPECT_EQ(t->bells(), bells + 2);
    expect_field(14, "abcd ", 18);
    press("\r");
    EXPECT_EQ(dir.read("abcd").size(), 4096u);
}

// As tmux, PuTTY, rxvt and the Linux console send them, whatever TERM says.
TEST_P(line_editor_in, other_terminals_keys_edit_and_unknown_escape_sequences_are_ignored_whole)
{
    start();
    press("#12\x1b[99~\x1b[1~3\x1b[4~" + key("kbs") + "\r");
    EXPECT_EQ(glyph_title(), " Char 031 ") << "ESC [99~ left the prompt open, and Home and End worked";
    press("S");
    const std::pair<std::string, std::string> home_and_end[] = {
        {"\x1b[1~", "\x1b[4~"}, {"\x1b[7~", "\x1b[8~"}, {"\x1b[H", "\x1b[F"}, {"\x1bOH", "\x1bOF"}};
    for (const auto &[home, end] : home_and_end) {
        press(ctrl_u + std::string("ab") + home + "x" + end + "y");
        expect_field(14, "xaby ", 18);
    }
    // Left twice, Delete, Insert (now overwriting), Left, Right.
    press(ctrl_u + std::string("abc\x1b[D\x1bOD\x1b[3~\x1b[2~X\x1bOD\x1b[C"));
    expect_field(14, "aX ", 16);
    EXPECT_EQ(beeps_at("\x1b[200~\x1b[?25;1 q\x1bO x\x1b[57;5u\x1b[2@"), 0);
    expect_field(14, "aX ", 16);
    // A lone Escape cancels; the key right after it is read as a command.
    press(escape + key("knp"));
    EXPECT_EQ(status_line(), line("Save canceled."));
    EXPECT_EQ(glyph_title(), " Char 032 ");
    // A parameter byte after an intermediate one makes no sequence: a lone Escape.
    press("#1\x1b[ 1~\r");
    EXPECT_EQ(glyph_title(), " Char 032 ");
}

INSTANTIATE_TEST_SUITE_P(terminals, line_editor_in, testing::Values("xterm-256color", "linux"));

// Code 127 is the Backspace key on most terminals; not where Backspace is Ctrl-H.
class line_editor_with_ctrl_h_backspace_in : public line_editor_in {};

TEST_P(line_editor_with_ctrl_h_backspace_in, code_127_is_stored_as_one_byte)
{
    start();
    press("Sa\x7f" "b");
    expect_field(14, "a?b ", 17);
    press("\r");
    EXPECT_EQ(dir.read("a\x7f" "b").size(), 4096u);
}

INSTANTIATE_TEST_SUITE_P(terminals, line_editor_with_ctrl_h_backspace_in, testing::Values("vt220"));

} // namespace
