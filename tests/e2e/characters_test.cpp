// The characters a glyph draws: row 3 of a font with a Unicode table, `/`
// to find a glyph by its character and `=` to change a glyph's characters,
// on a real console font; `=` gives a font without a table its first.
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
        press("/");
        EXPECT_EQ(status_line(), line("This font has no Unicode table. Press = to give the current glyph characters."));
        press("=");
        EXPECT_EQ(status_line(), line("Characters: "));
        press("\r");
        expect_shown(" Char 065 ", "");  // an empty list starts no table
        press("/");
        EXPECT_EQ(status_line(), line("This font has no Unicode table. Press = to give the current glyph characters."));
        press("R");
    }
    dir.write("broken.psf", psf1_file(glyphs, {0x41, 0x00, 0xff}));
    start({"broken.psf"}, utf8);
    for (const char *key : {"/", "="}) {
        press(key);
        expect_shown(" Char 065 ", "", "This font's Unicode table cannot be read; it is kept as it is.");
    }
    press("R");
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
        {"U+0065+0301\r", " Char 065 ", "U+0065+0301 is not in this font."},
        {std::string(escape) + "#200\r=" + ctrl_u + "U+0065+0301\r#3\r/U+65+U+301\r", " Char 200 ", ""},
        {"U+0065\r", " Char 101 ", ""},
        {"U+0065+0301+0302\r", " Char 101 ", "U+0065+0301+0302 is not in this font."},
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

// Terminus's BDF, as pcf2bdf makes it from Debian's PCF: ENCODINGs are its
// characters, in its charset; glyph numbers are the file's order; S under
// another name writes the same BDF, one toggle one line.
TEST_P(characters_in, a_bdf_font_shows_and_finds_its_encodings_in_its_charset_and_saves_as_bdf)
{
    const std::string misc = "/usr/share/fonts/X11/misc/";
    for (const char *name : {"ter-u16n_unicode", "ter-u16n_iso-8859-2"})
        dir.write(std::string(name) + ".bdf", system_tool_output("pcf2bdf", dir.read(misc + name + ".pcf.gz")));
    dir.write("misc.bdf", dir.read("ter-u16n_unicode.bdf"));
    start({"ter-u16n_iso-8859-2.bdf"}, utf8);
    EXPECT_EQ(t->row_text(1), file_row("ter-u16n_iso-8859-2.bdf  8x16  219 glyphs  BDF"));
    press("/ł\r");
    expect_shown(" Char 142 ", "U+0142 ł");  // ENCODING 179
    press("=" + std::string(ctrl_u) + "U+416\r");
    expect_shown(" Char 142 ", "U+0142 ł", "U+0416 is not in ISO8859-2.");
    start({"ter-u16n_unicode.bdf"}, utf8);
    EXPECT_EQ(t->row_text(1), file_row("ter-u16n_unicode.bdf  8x16  1325 glyphs  BDF"));
    press("/A\r");
    expect_shown(" Char 061 ", "U+0041 A");
    press("#1324\r");
    expect_shown(" Char 1324", "U+FFFD �");
    press(key("knp"));
    expect_shown(" Char 000 ", "U+0000");
    press(key("kpp"));
    expect_shown(" Char 1324", "U+FFFD �");
    press("=" + std::string(ctrl_u) + "U+41 U+42\r");
    expect_shown(" Char 1324", "U+FFFD �", "BDF gives a glyph one character: enter one, or none.");
    press("=" + std::string(ctrl_u) + "U+2603\r");
    expect_shown(" Char 1324", "U+2603 ☃", "Characters of char 1324 set.");
    press("U S\r");
    EXPECT_EQ(status_line(), line("Font saved."));
    const font_bytes original = dir.read("misc.bdf"), toggled = dir.read("ter-u16n_unicode.bdf");
    ASSERT_EQ(toggled.size(), original.size());
    const auto differing = std::mismatch(original.begin(), original.end(), toggled.begin());
    ASSERT_NE(differing.first, original.end());
    EXPECT_TRUE(std::equal(differing.first + 2, original.end(), differing.second + 2)) << "one row's two digits";
    press("S" + std::string(ctrl_u) + "copy.fnt\r ");
    EXPECT_EQ(dir.read("copy.fnt"), toggled);
    kill(t->pid(), SIGHUP);
    t->wait_exit();
    EXPECT_EQ(dir.read("copy.fnt.save"), original) << "the toggle undone by a second one, rescued as BDF";
}

// A raw font: = makes it a PSF1 font with a table, saved as PSF under its
// own name and said so; U brings back the raw font, saved raw again.
TEST_P(characters_in, equals_gives_a_raw_font_a_table_that_a_save_keeps_as_psf)
{
    const font_bytes glyphs(font.begin() + 4, font.begin() + 4 + 4096);
    dir.write("glyphs.fnt", glyphs);
    start({"glyphs.fnt"});
    press("=U+0041 U+0065+0301\r");
    expect_shown(" Char 065 ", "U+0041 A  U+0065+0301", "Characters of char 065 set.");
    press("S\r");
    EXPECT_EQ(status_line(), line("Font saved. Written as PSF: only PSF holds a Unicode table."));
    font_bytes table;
    const font_bytes glyph_65_entries = {0x41, 0, 0xfe, 0xff, 0x65, 0, 0x01, 0x03, 0xff, 0xff};
    const font_bytes no_entries = {0xff, 0xff};
    for (int c = 0; c < 256; ++c) {
        const font_bytes &entries = c == 65 ? glyph_65_entries : no_entries;
        table.insert(table.end(), entries.begin(), entries.end());
    }
    font_bytes saved = psf1_file(glyphs, table);
    saved[2] = 4;  // a table with sequences
    EXPECT_EQ(dir.read("glyphs.fnt"), saved);
    press("L\r" + key("knp") + "/U+41\r");
    expect_shown(" Char 065 ", "U+0041 A  U+0065+0301");
    press("U" + key("knp"));  // the load
    press("U");
    expect_shown(" Char 065 ", "", "Undone: characters of char 065 (nothing more to undo).");
    EXPECT_EQ(picture(), picture_of(glyphs, 65));
    press("S" + std::string(ctrl_u) + "plain.fnt\r");
    EXPECT_EQ(status_line(), line("Font saved."));
    EXPECT_EQ(dir.read("plain.fnt"), glyphs);
    press(ctrl_r);
    expect_shown(" Char 065 ", "U+0041 A  U+0065+0301", "Redone: characters of char 065 (1 more to redo).");
    press("=" + std::string(ctrl_u) + "U+10000\r");
    expect_shown(" Char 065 ", "U+0041 A  U+0065+0301", "\"U+10000\": a PSF1 font holds no code above U+FFFF");
    press("S" + std::string(ctrl_u) + "glyphs.bdf\r");  // BDF holds one character a glyph, not PSF
    EXPECT_EQ(status_line(), line("Font saved. 1 character left out: the form holds no more."));
    EXPECT_EQ(dir.read("glyphs.bdf").at(0), 'S');
}

// A list whose codes fill a field to the last column curses allows opens;
// one longer is refused, saying so, and nothing else happens: the keys
// typed on with it are dropped.
TEST_P(characters_in, equals_opens_every_list_that_fits_a_field_and_refuses_a_longer_one)
{
    font_bytes table;
    const auto add = [&](unsigned code) { table.insert(table.end(), {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8)}); };
    for (int c = 0; c < 256; ++c) {
        const unsigned first = c == 65 ? 0x1000 : 0x3000;
        for (unsigned code = first; c == 65 || c == 66 ? code < first + (c == 65 ? 4681u : 6000u) : false; ++code)
            add(code);
        add(0xffff);
    }
    dir.write("long.psf", psf1_file(font_bytes(font.begin() + 4, font.begin() + 4 + 4096), table));
    start({"long.psf"}, utf8);
    press("=");
    EXPECT_EQ(status_line(), line("Characters: F U+2240 U+2241 U+2242 U+2243 U+2244 U+2245 U+2246 U+2247 U+2248"));
    press(key("khome"));
    EXPECT_EQ(status_line(), line("Characters: U+1000 U+1001 U+1002 U+1003 U+1004 U+1005 U+1006 U+1007 U+1008 U+100"));
    press("\r" + key("knp") + " ");
    const std::vector<std::string> toggled = picture();
    press("=U+41\rU");  // typed on, as if into the prompt: dropped, not run as commands
    EXPECT_EQ(status_line(), line("Char 066's characters take 41999 columns; = can edit at most 32766."));
    EXPECT_EQ(glyph_title(), " Char 066 ");
    EXPECT_EQ(picture(), toggled);
}

INSTANTIATE_TEST_SUITE_P(terminals, characters_in, testing::Values("xterm-256color", "linux"));

}  // namespace
