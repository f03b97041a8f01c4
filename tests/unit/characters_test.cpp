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
    const unicode_table twice = {{{0x41}}, {{0x65, 0x301}, {0x42}}, {{0x65}, {0x65, 0x301}}};
    EXPECT_EQ(glyph_drawing(twice, {0x65, 0x301}), 1);
    EXPECT_EQ(glyph_drawing(twice, {0x65}), 2);
    EXPECT_EQ(glyph_drawing(twice, {0x301}), -1);
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

// A font without a table gets one, holding the new entries alone: a PSF
// font its flag, the table put right after its glyphs; any other font a
// PSF file of its glyphs, however it holds them, and its other fields stay.
TEST(glyph_characters, start_a_table_in_a_font_without_one)
{
    const bytes raw = sample_font(3);
    const bytes tail = {0x0a, 0x00};
    bytes longer_file(40, 0xcc);  // a file that holds the glyphs among other bytes
    longer_file.insert(longer_file.end(), raw.begin(), raw.end());
    longer_file.resize(longer_file.size() + 9, 0xdd);
    bytes psf2_without_table = psf2_font(64, 3, 32, 16, tail);
    psf2_without_table[12] = 0;
    const bytes fresh_psf2 = psf2_font(32, 3, 32, 16);
    const struct {
        font_value font;
        bytes header;    // of the PSF font it becomes, with its table flag
        bytes after;     // what follows its table
        bool became_psf;
    } cases[] = {
        {{8, 16, 256, raw}, {0x36, 0x04, 0x02, 16}, {}, true},
        {{8, 16, 256, longer_file, 40, true}, {0x36, 0x04, 0x02, 16}, {}, true},
        {{8, 8, 512, bytes(4096, 0x5a)}, {0x36, 0x04, 0x03, 8}, {}, true},
        {with_fresh_form({16, 32, 3, bytes(192, 0x5a)}), bytes(fresh_psf2.begin(), fresh_psf2.begin() + 32), {}, true},
        {{8, 16, 256, psf1_font(0, tail), 4, true}, {0x36, 0x04, 0x02, 16}, tail, false},
        {{16, 32, 3, psf2_without_table, 64, true}, {}, tail, false},
    };
    for (const auto &c : cases)
      for (const glyph_entries &entries : {glyph_entries{{0x41}}, glyph_entries{{0x41}, {0x65, 0x301}}}) {
        font_value font = c.font;
        ASSERT_EQ(set_glyph_characters(font, 1, entries).error, "");
        const unsigned char *glyphs = glyph_at(c.font, 0);
        bytes expected = c.header;
        if (expected.empty()) {
            expected = bytes(c.font.bytes.begin(), c.font.bytes.begin() + 64);
            expected[12] = 1;
        }
        expected.insert(expected.end(), glyphs, glyphs + glyphs_size(c.font));
        unicode_table table(static_cast<size_t>(c.font.count));
        table[1] = entries;
        const int version = expected[0] == 0x36 ? 1 : 2;
        if (version == 1 && entries.size() > 1)
            expected[2] = static_cast<unsigned char>(4 | (expected[2] & 1));  // a sequence
        const bytes written = write_unicode_table(table, version);
        expected.insert(expected.end(), written.begin(), written.end());
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        EXPECT_EQ(font.bytes, expected);
        EXPECT_EQ(font_characters(font), table);
        EXPECT_EQ(std::tuple(font.width, font.height, font.count, font.glyph_offset, font.is_file, font.is_new_file, font.became_psf),
                  std::tuple(c.font.width, c.font.height, c.font.count, expected.size() - written.size() - c.after.size() - glyphs_size(c.font), true, false, c.became_psf));
    }
    // UTF-8 of two, three and four bytes, at each end of its length
    font_value psf2 = {16, 32, 3, psf2_without_table, 64, true};
    ASSERT_EQ(set_glyph_characters(psf2, 0, {{0x7ff}, {0x800}, {0xfffd}, {0x10000}}).error, "");
    bytes utf8 = as_bytes("\xdf\xbf\xe0\xa0\x80\xef\xbf\xbd\xf0\x90\x80\x80\xff\xff\xff");
    utf8.insert(utf8.end(), tail.begin(), tail.end());
    EXPECT_EQ(bytes(psf2.bytes.end() - static_cast<ptrdiff_t>(utf8.size()), psf2.bytes.end()), utf8);
    EXPECT_EQ((*font_characters(psf2))[0], (glyph_entries{{0x7ff}, {0x800}, {0xfffd}, {0x10000}}));
    font_value raw_font;
    EXPECT_EQ(set_glyph_characters(raw_font, 1, {{0x1f600}}).error, "\"U+1F600\": a PSF1 font holds no code above U+FFFF");
    EXPECT_FALSE(raw_font.is_file);
    EXPECT_FALSE(has_unicode_table(raw_font));
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
