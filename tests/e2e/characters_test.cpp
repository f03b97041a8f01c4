// The characters a glyph draws: row 3 of a font with a Unicode table, `/`
// to find a glyph by its character and `=` to change a glyph's characters,
// on a real console font; a font without a table ignores both keys.
#include "editor_session.h"

#include <algorithm>
#include <csignal>
#include <filesystem>

namespace {

constexpr char ctrl_r[] = "\x12";
const std::string utf8 = "C.UTF-8";
const std::string glyph_65 = "U+0041 A  U+0410 А  U+0391 Α  U+24B6 Ⓐ";
const std::string glyph_66 = "U+0042 B  U+0412 В  U+0392 Β  U+24B7 Ⓑ";

class characters_in : public editor_session {
protected:
    font_bytes font;  // Lat15-Fixed16: a PSF1 font of 256 glyphs with a table

    void SetUp() override
    {
        const std::string lat15 = "/usr/share/consolefonts/Lat15-Fixed16.psf.gz";
        if (!std::filesystem::exists(lat15))
            GTEST_SKIP() << "no console fonts: install the console-setup-linux package";
        font = system_tool_output("gzip -dc", dir.read(lat15));
        dir.write("lat15.psf", font);
    }
    // Row 3 holding `characters` from column 5, as 80 one-column characters.
    static std::string row_of(const std::string &characters)
    {
        const auto columns = std::ranges::count_if(characters, [](char c) { return (c & 0xc0) != 0x80; });
        return "     " + characters + std::string(static_cast<size_t>(75 - columns), ' ');
    }
    void expect_shown(const std::string &title, const std::string &characters, const std::string &status = "")
    {
        EXPECT_EQ(glyph_title(), title);
        EXPECT_EQ(t->row_text(3), row_of(characters));
        EXPECT_FALSE(t->cell(3, 5).standout) << "plain text, not a second title bar";
        EXPECT_EQ(status_line(), line(status));
    }
};

TEST_P(characters_in, row_3_alone_shows_a_table_s_characters_and_follows_every_change_of_glyph)
{
    const font_bytes glyphs(font.begin() + 4, font.begin() + 4 + 4096);
    for (const font_bytes &no_table : {psf1_file(glyphs), glyphs}) {
        dir.write("glyphs.fnt", no_table);
        start({"glyphs.fnt"}, utf8);
        const size_t sent_before = t->terminal_output().size();
        press("/=");
        EXPECT_EQ(t->terminal_output().size(), sent_before) << "a font without a table ignores / and =";
    }
    std::vector<std::string> screen = whole_screen(*t, 24, 80);
    start({"lat15.psf"}, utf8);
    screen[1] = file_row("lat15.psf  8x16  256 glyphs  PSF1");
    screen[3] = row_of(glyph_65);
    EXPECT_EQ(whole_screen(*t, 24, 80), screen) << "the raw font's screen but for rows 1 and 3";
    press(key("kcud1", 2) + key("kcuf1"));
    expect_shown(" Char 065 ", glyph_65);
    press(key("knp"));
    expect_shown(" Char 066 ", glyph_66);
    press(key("kpp", 2) + "#130\r");
    expect_shown(" Char 130 ", "U+00E9 é");
    press("L" + std::string(ctrl_u) + "glyphs.fnt\r");
    expect_shown(" Char 130 ", "", "Font loaded.");
    start({"lat15.psf"});
    expect_shown(" Char 065 ", "U+0041 A  U+0410  U+0391  U+24B6");
}

TEST_P(characters_in, slash_finds_the_lowest_glyph_drawing_a_typed_character_or_code)
{
    start({"lat15.psf"}, utf8);
    press("/");
    EXPECT_EQ(status_line(), line("Find character: "));
    press(escape);
    const struct {
        std::string keys, title, status;
    } finds[] = {
        {"é\r", " Char 130 ", ""}, {"U+20ac\r", " Char 249 ", ""},
        {"U+1F600\r", " Char 249 ", "U+1F600 is not in this font."},
        {"u+41" + std::string(escape), " Char 249 ", ""},
        {"xyz" + std::string(ctrl_u) + "u+41\r", " Char 065 ", ""},
    };
    for (const auto &find : finds) {
        press("/" + find.keys);
        EXPECT_EQ(glyph_title(), find.title) << find.keys;
        EXPECT_EQ(status_line(), line(find.status)) << find.keys;
        EXPECT_EQ(t->cursor(), pixel_cursor(0, 0));
    }
}

TEST_P(characters_in, equals_changes_a_glyph_s_characters_as_one_step_saved_in_the_table)
{
    start({"lat15.psf"}, utf8);
    press(key("knp") + "=");
    EXPECT_EQ(status_line(), line("Characters: U+0042 U+0412 U+0392 U+24B7"));
    press("\r" + std::string(ctrl_r) + "=U+4" + escape + "=" + ctrl_u + "u+42 U+412 U+392 U+24b7\rU");
    expect_shown(" Char 066 ", glyph_66);  // nothing changed, nothing to undo
    press("=" + std::string(ctrl_u) + "U+0042 u+1d03\r");
    expect_shown(" Char 066 ", "U+0042 B  U+1D03 ᴃ", "Characters of char 066 set.");
    press("S\r");
    font_bytes edited = font;  // glyph 66's entries B, В, Β, Ⓑ become B, ᴃ
    const font_bytes old = {0x42, 0, 0x12, 0x04, 0x92, 0x03, 0xb7, 0x24, 0xff, 0xff};
    const auto at = std::search(edited.begin() + 4100, edited.end(), old.begin(), old.end());
    edited.insert(edited.erase(at + 2, at + 8), {0x03, 0x1d});
    EXPECT_EQ(dir.read("lat15.psf"), edited);
    press("L\r");
    expect_shown(" Char 066 ", "U+0042 B  U+1D03 ᴃ", "Font loaded.");
    press("UUS\r");
    expect_shown(" Char 066 ", glyph_66, "Font saved.");
    EXPECT_EQ(dir.read("lat15.psf"), font);
    press(key("knp") + ctrl_r);
    expect_shown(" Char 066 ", "U+0042 B  U+1D03 ᴃ", "Redone: characters of char 066 (1 more to redo).");

    press("=" + std::string(ctrl_u) + "U+0041 U+0065+0301 U+43 U+44 U+45 U+46 U+47 U+48 U+49 U+4A U+4B\r");
    const std::string taken = "Characters of char 066 set. Taken from chars 065, 067, 068, 069 and 6 more.";
    expect_shown(" Char 066 ", "U+0041 A  U+0065+0301  U+0043 C  U+0044 D  U+0045 E  U+0046 F +5 more", taken);
    press(key("kpp") + "=" + std::string(ctrl_u) + "U+43\r");
    expect_shown(" Char 065 ", "U+0043 C", "Characters of char 065 set. Taken from char 066.");
    press("=" + std::string(ctrl_u) + "\r");
    expect_shown(" Char 065 ", "no character", "Characters of char 065 set.");
    press("=" + std::string(ctrl_u) + "U+0042 U+12345\r");
    expect_shown(" Char 065 ", "no character", "\"U+12345\": a PSF1 font holds no code above U+FFFF");
    press("=" + std::string(ctrl_u) + "U+0042 x\r");
    expect_shown(" Char 065 ", "no character", "Malformed entry \"x\": use U+ and 1-6 hex digits");
    kill(t->pid(), SIGHUP);
    t->wait_exit();
    start({"lat15.psf.save"}, utf8);
    expect_shown(" Char 065 ", "no character");  // the edits were unsaved changes, rescued
}

INSTANTIATE_TEST_SUITE_P(terminals, characters_in, testing::Values("xterm-256color", "linux"));

}  // namespace
