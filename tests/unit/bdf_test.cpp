// BDF fonts: the real ones pcf2bdf makes from Debian's Terminus and Spleen,
// read, edited and written back; hand-made damage; charsets through iconv;
// new BDF and PSF files made from fonts of the other form.
#include "fontfile/bdf.h"
#include "fontfile/charset.h"
#include "fontfile_test_support.h"

#include <sstream>

namespace {


char bdf_dir[64];

void remove_bdf_dir()
{
    std::filesystem::remove_all(bdf_dir);
}

// The BDF of every Terminus and Spleen font Debian ships, made by pcf2bdf
// once, into a directory removed at the end.
std::vector<std::filesystem::path> real_bdf_fonts()
{
    if (!bdf_dir[0]) {
        std::snprintf(bdf_dir, sizeof bdf_dir, "/tmp/bdf_test-%d", getpid());
        std::atexit(remove_bdf_dir);
        const std::string command = std::string("mkdir -p ") + bdf_dir + " && cd /usr/share/fonts/X11/misc && "
                                    "for f in ter-*.pcf.gz spleen-*.pcf.gz; do pcf2bdf -o " + bdf_dir +
                                    "/${f%.pcf.gz}.bdf $f || exit 1; done";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
    std::vector<std::filesystem::path> fonts;
    for (const auto &entry : std::filesystem::directory_iterator(bdf_dir))
        fonts.push_back(entry.path());
    std::sort(fonts.begin(), fonts.end());
    return fonts;
}

bytes file_bytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

// The lines of `a` and `b` that differ, where both have as many lines.
int lines_differing(const bytes &a, const bytes &b)
{
    std::istringstream x(std::string(a.begin(), a.end())), y(std::string(b.begin(), b.end()));
    std::string line_a, line_b;
    int differing = 0;
    while (std::getline(x, line_a) && std::getline(y, line_b))
        differing += line_a != line_b;
    return differing;
}

TEST(bdf, every_terminus_and_spleen_font_saves_back_unchanged_and_one_toggle_is_one_line)
{
    const auto fonts = real_bdf_fonts();
    ASSERT_GT(fonts.size(), 200u) << "install xfonts-terminus, fonts-spleen and pcf2bdf";
    for (const auto &path : fonts) {
        const bytes text = file_bytes(path);
        font_value font;
        ASSERT_EQ(read_bdf(text, font), 0) << path << ": " << error_text;
        EXPECT_EQ(bdf_file_image(font), text) << path;
        const int c = font.count - 1;
        flip_pixel(font, c, font.height / 2, font.width - 1);
        const bytes toggled = bdf_file_image(font);
        EXPECT_EQ(toggled.size(), text.size()) << path;
        EXPECT_EQ(lines_differing(toggled, text), 1) << path;
        flip_pixel(font, c, font.height / 2, font.width - 1);
        EXPECT_EQ(bdf_file_image(font), text) << path;
    }
}

// Two glyphs in ISO8859-2: "l" with a stroke (0xB3, U+0142) in a 2x2 box
// inside the 4x4 cell, and "A" filling it; a comment among the rows.
constexpr std::string_view small_font = "STARTFONT 2.1\n"
                                        "FONTBOUNDINGBOX 4 4 0 -1\n"
                                        "STARTPROPERTIES 2\n"
                                        "CHARSET_REGISTRY \"ISO8859\"\n"
                                        "CHARSET_ENCODING \"2\"\n"
                                        "ENDPROPERTIES\n"
                                        "CHARS 7\n"
                                        "\n"
                                        "STARTCHAR lslash\n"
                                        "ENCODING 179\n"
                                        "DWIDTH 4 0\n"
                                        "BBX 2 2 1 0\n"
                                        "BITMAP\n"
                                        "c0\n"
                                        "COMMENT between rows\n"
                                        "40\n"
                                        "ENDCHAR\n"
                                        "STARTCHAR A\n"
                                        "ENCODING 65 7\n"
                                        "BBX 4 4 0 -1\n"
                                        "BITMAP\n"
                                        "F0\n"
                                        "90\n"
                                        "90\n"
                                        "F0\n"
                                        "ENDCHAR\n"
                                        "ENDFONT\n";

std::string replaced(std::string_view text, std::string_view old, std::string_view by)
{
    std::string result(text);
    const size_t at = result.find(old);
    EXPECT_NE(at, std::string::npos) << old;
    return result.replace(at, old.size(), by);
}

font_value read_text(std::string_view text)
{
    font_value font;
    EXPECT_EQ(read_bdf(bytes(text.begin(), text.end()), font), 0) << error_text;
    return font;
}

std::string saved_text(const font_value &font)
{
    const bytes saved = bdf_file_image(font);
    return std::string(saved.begin(), saved.end());
}

TEST(bdf, places_glyphs_by_their_box_and_writes_a_pixel_outside_it_as_a_whole_cell)
{
    font_value font = read_text(small_font);
    ASSERT_EQ(font.count, 2);  // CHARS is a hint
    EXPECT_EQ(font.width * 10 + font.height, 44);
    EXPECT_EQ(copy_glyph(font, 0).rows, bytes({0x00, 0x60, 0x20, 0x00}));
    EXPECT_EQ(copy_glyph(font, 1).rows, bytes({0xf0, 0x90, 0x90, 0xf0}));
    flip_pixel(font, 0, 2, 1);
    EXPECT_EQ(saved_text(font), replaced(small_font, "\n40\n", "\nC0\n"));
    flip_pixel(font, 0, 3, 3);
    EXPECT_EQ(saved_text(font), replaced(small_font, "BBX 2 2 1 0\nBITMAP\nc0\nCOMMENT between rows\n40\n",
                                         "BBX 4 4 0 -1\nBITMAP\n00\nCOMMENT between rows\n60\n60\n10\n"));
}

TEST(bdf, keeps_line_endings_of_the_file)
{
    std::string crlf;
    for (char c : small_font)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    font_value font = read_text(crlf);
    EXPECT_EQ(saved_text(font), crlf);
    flip_pixel(font, 1, 1, 1);
    EXPECT_EQ(saved_text(font), replaced(crlf, "90\r\n90", "D0\r\n90"));
}

TEST(bdf, damaged_files_are_refused_naming_the_line)
{
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {std::string(small_font.substr(0, small_font.find("STARTCHAR A") + 12)), "line 18: the file ends before ENDCHAR"},
        {replaced(small_font, "ENDFONT\n", ""), "line 26: the file ends before ENDFONT"},
        {replaced(small_font, "BBX 2 2 1 0", "BBX 2 2 3 0"), "line 12: a glyph outside the font's box"},
        {replaced(small_font, "BBX 2 2 1 0", "BBX 2 2 1 2"), "line 12: a glyph outside the font's box"},
        {replaced(small_font, "BBX 2 2 1 0", "BBX 2 2 1"), "line 12: BBX needs four numbers"},
        {replaced(small_font, "c0\n", "cg\n"), "line 14: a BITMAP row that is not hex"},
        {replaced(small_font, "c0\n", "c\n"), "line 14: a BITMAP row of 1 digits for a width of 2"},
        {replaced(small_font, "c0\n", ""), "line 16: 1 BITMAP rows where BBX has 2"},
        {replaced(small_font, "40\n", "40\n40\n"), "line 17: more BITMAP rows than BBX's 2"},
        {replaced(small_font, "40\nENDCHAR\n", "40\n"), "line 17: STARTCHAR before ENDCHAR"},
        {replaced(small_font, "ENCODING 179", "ENCODING x"), "line 10: ENCODING needs a number"},
        {replaced(small_font, "ENCODING 179\n", ""), "line 12: BITMAP before ENCODING"},
        {replaced(small_font, "BBX 2 2 1 0\n", ""), "line 12: BITMAP before BBX"},
        {replaced(small_font, "BITMAP\nc0", "ENDCHAR\nc0"), "line 13: ENDCHAR before BITMAP"},
        {replaced(small_font, "FONTBOUNDINGBOX 4 4 0 -1", "FONTBOUNDINGBOX 4 4 0"), "line 2: FONTBOUNDINGBOX needs four numbers"},
        {replaced(small_font, "FONTBOUNDINGBOX 4 4", "FONTBOUNDINGBOX 65 4"), "line 2: a cell of 65x4: at most 64x128"},
        {replaced(small_font, "FONTBOUNDINGBOX 4 4", "FONTBOUNDINGBOX 4 0"), "line 2: a cell of 4x0: at most 64x128"},
        {replaced(small_font, "FONTBOUNDINGBOX 4 4 0 -1\n", ""), "line 8: STARTCHAR before FONTBOUNDINGBOX"},
        {std::string(small_font.substr(0, small_font.find("STARTCHAR"))) + "ENDFONT\n", "line 9: a font without glyphs"},
        {"STARTFONT 2.1\n", "line 1: the file ends before ENDFONT"},
    };
    for (const auto &c : cases) {
        font_value font;
        font.count = 3;
        EXPECT_EQ(read_bdf(bytes(c.text.begin(), c.text.end()), font), -1) << c.text;
        EXPECT_EQ(error_text, "damaged BDF file: " + c.error);
        EXPECT_EQ(font.count, 3);
    }
}

TEST(bdf, characters_are_the_encodings_in_the_font_s_charset)
{
    EXPECT_EQ(charset_of("ISO10646", "1"), "unicode");
    EXPECT_EQ(charset_of("", ""), "unicode");
    EXPECT_EQ(charset_of("ISO8859", "2"), "ISO8859-2");
    EXPECT_EQ(charset_of("KOI8", "R"), "KOI8-R");
    EXPECT_EQ(charset_of("Microsoft", "CP1251"), "CP1251");
    EXPECT_EQ(charset_of("Paratype", "PT154"), "PT154");
    EXPECT_EQ(charset_of("Nowhere", "7"), "");
    font_value font = read_text(small_font);
    EXPECT_EQ(bdf_characters(font), unicode_table({{{0x142}}, {{0x41}}}));
    const struct {
        int glyph;
        glyph_entries entries;
        std::string error;
        std::vector<int> taken_from;
        std::string text;  // the file after, with `small_font`'s ENCODING lines replaced
        unicode_table characters;
    } cases[] = {
        {1, {{0x141}}, "", {}, "ENCODING 179\nENCODING 163 7", {{{0x142}}, {{0x141}}}},
        {1, {{0x142}}, "", {0}, "ENCODING -1\nENCODING 179 7", {{}, {{0x142}}}},
        {0, {}, "", {}, "ENCODING -1\nENCODING 65 7", {{}, {{0x41}}}},
        {0, {{0x41}, {0x42}}, "BDF gives a glyph one character: enter one, or none.", {}, "", {}},
        {0, {{0x41, 0x301}}, "BDF holds no sequences: enter one character.", {}, "", {}},
        {0, {{0x416}}, "U+0416 is not in ISO8859-2.", {}, "", {}},
    };
    for (const auto &c : cases) {
        font_value changed = read_text(small_font);
        const characters_change change = set_bdf_character(changed, c.glyph, c.entries);
        EXPECT_EQ(change.error, c.error);
        EXPECT_EQ(change.taken_from, c.taken_from);
        const std::string expected =
            c.text.empty() ? std::string(small_font)
                           : replaced(replaced(small_font, "ENCODING 179\n", c.text.substr(0, c.text.find('\n') + 1)),
                                      "ENCODING 65 7", c.text.substr(c.text.find('\n') + 1));
        EXPECT_EQ(saved_text(changed), expected);
        if (c.error.empty()) {
            EXPECT_EQ(bdf_characters(changed), c.characters);
        }
    }
    font = read_text(replaced(small_font, "\"ISO8859\"", "\"Nowhere\""));
    EXPECT_EQ(bdf_characters(font), unicode_table(2));
    EXPECT_EQ(set_bdf_character(font, 0, {{0x41}}).error, "This font's charset is not one iconv knows.");
}

}  // namespace
