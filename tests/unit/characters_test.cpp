// Changing the characters a glyph draws inside a PSF font's own file image:
// made-up fonts of both versions, and every console font the system has.
#include "fontfile/characters.h"
#include "fontfile_test_support.h"

namespace {

// `glyphs` (with their header), then `table` for `count` glyphs in the form
// of PSF `version`, then two bytes that are not the table's.
bytes psf_file(bytes glyphs, int version, unicode_table table, size_t count)
{
    table.resize(count);
    const bytes written = write_unicode_table(table, version);
    glyphs.insert(glyphs.end(), written.begin(), written.end());
    glyphs.insert(glyphs.end(), {0x0a, 0x00});
    return glyphs;
}

// `file` as the PSF reader makes it into a font; false, after a failed
// check, when it does not take it.
bool loaded(const bytes &file, font_value &font)
{
    psf_shape shape;
    EXPECT_EQ(find_psf_glyphs(file, shape), 1) << error_text;
    if (shape.count == 0)
        return false;
    font = {shape.width, shape.height, shape.count, file, shape.glyph_offset, true};
    return true;
}

TEST(glyph_characters, are_set_in_the_font_s_own_table_taken_off_other_glyphs)
{
    const unicode_table abc = {{{0x41}, {0x410}}, {{0x42}}, {{0x41}, {0x43}}};
    const struct {
        unsigned char mode;      // of a PSF1 font before and after; 0: PSF2, of 3 glyphs
        unsigned char mode_after;
        glyph_entries entries;   // given to glyph 1
        unicode_table expected;  // empty: refused with `error`, nothing changed
        std::vector<int> taken_from;
        std::string error;
    } cases[] = {
        {2, 4, {{0x65, 0x301}, {0x41}, {0x43}}, {{{0x410}}, {{0x65, 0x301}, {0x41}, {0x43}}, {}}, {0, 2}, ""},
        {3, 5, {{0x41, 0x301}, {0x41}}, {{{0x410}}, {{0x41, 0x301}, {0x41}}, {{0x43}}}, {0, 2}, ""},
        {0, 0, {{0x1f600}, {0x43}}, {abc[0], {{0x1f600}, {0x43}}, {{0x41}}}, {2}, ""},
        {2, 2, {{0x42}, {0x1f600}}, {}, {}, "\"U+1F600\": a PSF1 font holds no code above U+FFFF"},
    };
    for (const auto &c : cases) {
        const size_t count = c.mode & 1 ? 512 : c.mode ? 256 : 3;
        bytes glyphs = c.mode ? psf1_font(c.mode) : psf2_font(32, 3, 16, 8);
        const bytes file = psf_file(glyphs, c.mode ? 1 : 2, abc, count);
        font_value font;
        ASSERT_TRUE(loaded(file, font));
        const characters_change change = set_glyph_characters(font, 1, c.entries);
        EXPECT_EQ(change.error, c.error);
        EXPECT_EQ(change.taken_from, c.taken_from);
        glyphs[2] = c.mode ? c.mode_after : glyphs[2];
        EXPECT_EQ(font.bytes, c.expected.empty() ? file : psf_file(glyphs, c.mode ? 1 : 2, c.expected, count));
    }
}

// Glyph 65 of each real font with a table: given the entries it has, the
// file stays byte for byte; given new ones, it reads back with exactly those
// and every other glyph's; given its own back, the file is the original but
// for the PSF1 mode byte the first sequence set (2 becomes 4, 3 becomes 5).
// A failed check ends only its font.
TEST(glyph_characters, of_every_console_font_change_only_the_table)
{
    const console_font_set fonts = console_fonts();
    if (fonts.editable.empty())
        GTEST_SKIP() << no_console_fonts;
    const glyph_entries fresh = {{0x1d03}, {0x2c65, 0x301}};
    int with_table = 0;
    const auto check = [&](bytes file) {
        font_value font;
        ASSERT_TRUE(loaded(file, font));
        const std::optional<unicode_table> table = font_characters(font);
        if (!table)
            return;
        ++with_table;
        set_glyph_characters(font, 65, (*table)[65]);
        ASSERT_EQ(font.bytes, file);
        ASSERT_EQ(set_glyph_characters(font, 65, fresh).taken_from, std::vector<int>{});
        unicode_table expected = *table;
        expected[65] = fresh;
        EXPECT_EQ(font_characters(font), expected);
        set_glyph_characters(font, 65, (*table)[65]);
        file[2] = file[0] == 0x36 ? static_cast<unsigned char>((file[2] | 4) & 5) : file[2];
        EXPECT_EQ(font.bytes, file);
    };
    for (const console_font &font : fonts.editable) {
        SCOPED_TRACE(font.path.string());
        check(font.content);
    }
    EXPECT_GT(with_table, 400);
    note_fonts_beyond_limits(fonts);
}

}  // namespace
