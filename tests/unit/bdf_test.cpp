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
// inside the 4x4 cell, whose origin is a column in, and "A" filling it; a
// comment among the rows.
constexpr std::string_view small_font = "STARTFONT 2.1\n"
                                        "FONTBOUNDINGBOX 4 4 -1 -1\n"
                                        "STARTPROPERTIES 2\n"
                                        "CHARSET_REGISTRY \"ISO8859\"\n"
                                        "CHARSET_ENCODING \"2\"\n"
                                        "ENDPROPERTIES\n"
                                        "CHARS 7\n"
                                        "\n"
                                        "STARTCHAR lslash\n"
                                        "ENCODING 179\n"
                                        "DWIDTH 4 0\n"
                                        "BBX 2 2 0 0\n"
                                        "BITMAP\n"
                                        "c0\n"
                                        "COMMENT between rows\n"
                                        "40\n"
                                        "ENDCHAR\n"
                                        "STARTCHAR A\n"
                                        "ENCODING 65 7\n"
                                        "BBX 4 4 -1 -1\n"
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
    flip_pixel(font, 0, 3, 1);  // just below the box
    EXPECT_EQ(saved_text(font), replaced(small_font, "BBX 2 2 0 0\nBITMAP\nc0\nCOMMENT between rows\n40\n",
                                         "BBX 4 4 -1 -1\nBITMAP\n00\nCOMMENT between rows\n60\n60\n40\n"));
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

// A font of `count` glyphs of width x height, each with one pixel lit.
std::string glyphs_of_one_pixel(int width, int height, int count)
{
    std::string text = "STARTFONT 2.1\nFONTBOUNDINGBOX " + std::to_string(width) + " " + std::to_string(height) + " 0 0\n";
    for (int c = 0; c < count; ++c)
        text += "STARTCHAR g\nENCODING -1\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n";
    return text + "ENDFONT\n";
}

TEST(bdf, the_largest_cell_is_read)
{
    const font_value font = read_text(glyphs_of_one_pixel(64, 128, 2));
    EXPECT_EQ(font.width * 1000 + font.height, 64128);
    EXPECT_TRUE(pixel_lit(font, 1, 127, 0));
}

TEST(bdf, damaged_files_are_refused_naming_the_line)
{
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {std::string(small_font.substr(0, small_font.find("STARTCHAR A") + 12)), "line 18: the file ends before ENDCHAR"},
        {replaced(small_font, "ENDFONT\n", ""), "line 26: the file ends before ENDFONT"},
        {replaced(small_font, "BBX 2 2 0 0", "BBX 2 2 2 0"), "line 12: a glyph outside the font's box"},
        {replaced(small_font, "BBX 2 2 0 0", "BBX 2 2 0 2"), "line 12: a glyph outside the font's box"},
        {replaced(small_font, "BBX 2 2 0 0", "BBX 2 2 0 -2"), "line 12: a glyph outside the font's box"},
        {replaced(small_font, "BBX 2 2 0 0", "BBX 2 2 0"), "line 12: BBX needs four numbers"},
        {replaced(small_font, "BBX 2 2 0 0", "BBX 2 2 0 0x"), "line 12: BBX needs four numbers"},
        {replaced(small_font, "c0\n", "cg\n"), "line 14: a BITMAP row that is not hex"},
        {replaced(small_font, "c0\n", "c\n"), "line 14: a BITMAP row too short for width 2"},
        {replaced(small_font, "c0\n", ""), "line 16: 1 BITMAP rows where BBX has 2"},
        {replaced(small_font, "40\n", "40\n40\n"), "line 17: more BITMAP rows than BBX's 2"},
        {replaced(small_font, "40\nENDCHAR\n", "40\n"), "line 17: STARTCHAR before ENDCHAR"},
        {replaced(small_font, "ENCODING 179", "ENCODING x"), "line 10: ENCODING needs a number"},
        {replaced(small_font, "ENCODING 179\n", ""), "line 12: BITMAP before ENCODING"},
        {replaced(small_font, "BBX 2 2 0 0\n", ""), "line 12: BITMAP before BBX"},
        {replaced(small_font, "BITMAP\nc0", "ENDCHAR\nc0"), "line 13: ENDCHAR before BITMAP"},
        {replaced(small_font, "FONTBOUNDINGBOX 4 4 -1 -1", "FONTBOUNDINGBOX 4 4 -1"), "line 2: FONTBOUNDINGBOX needs four numbers"},
        {replaced(small_font, "FONTBOUNDINGBOX 4 4", "FONTBOUNDINGBOX 65 4"), "line 2: a cell of 65x4: at most 64x128"},
        {replaced(small_font, "FONTBOUNDINGBOX 4 4", "FONTBOUNDINGBOX 4 0"), "line 2: a cell of 4x0: at most 64x128"},
        {replaced(small_font, "FONTBOUNDINGBOX 4 4 -1 -1\n", ""), "line 8: STARTCHAR before FONTBOUNDINGBOX"},
        {glyphs_of_one_pixel(1, 1, max_glyph_count + 1), "line 393219: more than 65536 glyphs"},
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
        {0, {{0x142}}, "", {}, "ENCODING 179\nENCODING 65 7", {{{0x142}}, {{0x41}}}},
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
    // Unicode past U+FFFF, which a PSF2 file made from the font keeps.
    font = read_text(replaced(replaced(replaced(small_font, "\"ISO8859\"", "\"ISO10646\""), "\"2\"", "\"1\""),
                              "ENCODING 179", "ENCODING 128512"));
    int left_out = -1;
    bytes psf = psf_file_of_bdf(font, left_out);
    font_value read;
    ASSERT_EQ(read_font_image(psf, read), 0) << error_text;
    EXPECT_EQ(left_out, 0);
    EXPECT_EQ(font_characters(read), unicode_table({{{0x1f600}}, {{0x41}}}));
}

std::string line_starting(const bytes &text, const std::string &start)
{
    const std::string all(text.begin(), text.end());
    const size_t at = all.find("\n" + start);
    return at == std::string::npos ? "" : all.substr(at + 1, all.find('\n', at + 1) - at - 1);
}

// Every console font, made BDF: each glyph as it was, with its first single
// character as its ENCODING; the others counted as left out.
TEST(bdf, every_console_font_makes_a_bdf_file_of_its_glyphs_and_first_characters)
{
    const auto fonts = console_fonts();
    ASSERT_FALSE(fonts.editable.empty()) << no_console_fonts;
    for (const console_font &each : fonts.editable) [&] {
        const std::filesystem::path &path = each.path;
        ASSERT_EQ(load_font(path.c_str()), 0) << path << error_text;
        const font_value psf = font_buffer;
        int left_out = 0;
        font_value bdf;
        ASSERT_EQ(read_bdf(new_bdf_file(psf, path.filename().string(), left_out), bdf), 0) << path << error_text;
        int differing = 0;  // pixels, not bytes: bits past the width are no pixels
        for (int c = 0; c < psf.count; ++c)
            for (int pixel = 0; pixel < psf.width * psf.height; ++pixel)
                differing += pixel_lit(bdf, c, pixel / psf.width, pixel % psf.width) !=
                             pixel_lit(psf, c, pixel / psf.width, pixel % psf.width);
        EXPECT_EQ(differing, 0) << path;
        const std::optional<unicode_table> table = font_characters(psf);
        const unicode_table read = bdf_characters(bdf);
        int entries = 0;
        for (size_t c = 0; table && c < table->size(); ++c) {
            const auto single = std::ranges::find_if((*table)[c], [](const table_entry &e) { return e.size() == 1; });
            EXPECT_EQ(read[c], single == (*table)[c].end() ? glyph_entries{} : glyph_entries{*single}) << path << c;
            entries += static_cast<int>((*table)[c].size());
        }
        EXPECT_EQ(left_out, entries - static_cast<int>(std::ranges::count_if(read, [](auto &e) { return !e.empty(); })));
    }();
}

class bdf_file : public font_file_test {};

// Lat2-Terminus16 as l.bdf: what bdftopcf, FontForge and bdf2psf need, and
// back to the same PSF through a .psf name.
TEST_F(bdf_file, exported_from_a_console_font_passes_bdftopcf_and_comes_back_as_the_same_psf)
{
    ASSERT_EQ(load_font("/usr/share/consolefonts/Lat2-Terminus16.psf.gz"), 0) << no_console_fonts;
    ASSERT_EQ(set_glyph_characters(font_buffer, 130, {{0x65, 0x301}, {0xe9}}).error, "");  // its single one names it
    const font_value psf = font_buffer;
    ASSERT_EQ(save_font(path("l.bdf").c_str()), 0);
    EXPECT_GT(characters_left_out, 0);
    const bytes bdf = read_file(path("l.bdf"));
    const std::string check = "bdftopcf -o " + path("l.pcf") + " " + path("l.bdf");
    EXPECT_EQ(std::system(check.c_str()), 0);
    const std::vector<std::string> expected_lines = {
        "FONT -misc-l-medium-r-normal--16-160-72-72-c-80-iso10646-1", "SIZE 16 72 72",
        "FONTBOUNDINGBOX 8 16 0 -3", "FONT_ASCENT 13", "FONT_DESCENT 3", "AVERAGE_WIDTH 80",
        "CHARSET_REGISTRY \"ISO10646\"", "CHARSET_ENCODING \"1\"", "SPACING \"C\"", "DEFAULT_CHAR 65533",
        "CHARS 256", "STARTCHAR uni0041", "STARTCHAR uni00E9", "SWIDTH 500 0", "DWIDTH 8 0", "BBX 8 16 0 -3"};
    for (const std::string &line : expected_lines)
        EXPECT_EQ(line_starting(bdf, line.starts_with("STARTCHAR") ? line : line.substr(0, line.find(' ') + 1)), line);
    ASSERT_EQ(load_font(path("l.bdf").c_str()), 0);
    ASSERT_EQ(save_font(path("l.psf.gz").c_str()), 0);
    EXPECT_EQ(characters_left_out, 0);
    ASSERT_EQ(load_font(path("l.psf.gz").c_str()), 0);
    EXPECT_EQ(font_buffer.bytes[2], 0x02);  // PSF1 of 256 glyphs with a table
    EXPECT_EQ(copy_glyph(font_buffer, 65), copy_glyph(psf, 65));
    EXPECT_EQ(font_characters(font_buffer)->at(65), glyph_entries{{0x41}});
}

// Terminus's own BDF: the form follows the font, a PSF name converts it,
// and a cut file changes nothing.
TEST_F(bdf_file, terminus_keeps_its_form_under_any_name_but_a_psf_one)
{
    const auto fonts = real_bdf_fonts();
    const auto terminus = std::ranges::find(fonts, fonts.front().parent_path() / "ter-u16n_unicode.bdf");
    ASSERT_NE(terminus, fonts.end());
    const bytes text = file_bytes(*terminus);
    ASSERT_EQ(load_font(terminus->c_str()), 0);
    EXPECT_EQ(font_buffer.count, 1325);
    ASSERT_EQ(save_font(path("copy.fnt").c_str()), 0);
    EXPECT_EQ(read_file(path("copy.fnt")), text);
    ASSERT_EQ(save_font(path("t.psfu").c_str()), 0);
    const bytes psf = read_file(path("t.psfu"));
    EXPECT_EQ(header_shape(psf), (std::array<uint32_t, 4>{8, 16, 1325, 32}));
    EXPECT_EQ(u32_at(psf, 12), 1u);
    font_value terminus_font = font_buffer;
    write_file("cut.bdf", bytes(text.begin(), text.begin() + static_cast<long>(text.size() / 2)));
    EXPECT_EQ(load_font(path("cut.bdf").c_str()), -1);
    EXPECT_TRUE(std::string(error_text).starts_with("damaged BDF file: line ")) << error_text;
    EXPECT_EQ(font_buffer.bytes, terminus_font.bytes);
    ASSERT_EQ(load_font(path("t.psfu").c_str()), 0);
    EXPECT_EQ(font_characters(font_buffer), bdf_characters(terminus_font));
}

}  // namespace
