// The Unicode table of PSF fonts: made-up tables of both versions, every
// console font the system has, and the text forms the prompts use.
#include "fontfile/unicode_text.h"
#include "fontfile_test_support.h"

#include <clocale>

namespace {

// Little-endian 16-bit units, as PSF1 stores them.
bytes units(std::initializer_list<unsigned> values)
{
    bytes out;
    for (unsigned value : values)
        out.insert(out.end(), {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)});
    return out;
}

TEST(unicode_table, made_up_tables_read_and_write_back_or_are_refused)
{
    const struct {
        int version;
        size_t count;
        bytes table;  // the table, then two bytes it does not own when read
        unicode_table expected;
        std::string error;
    } cases[] = {
        {1, 2, units({0x41, 0x410, 0xffff, 0xffff, 0x1234}), {{{0x41}, {0x410}}, {}}, ""},
        {1, 1, units({0xc5, 0x212b, 0xfffe, 0x41, 0x30a, 0xfffe, 0xe9, 0xffff, 0}), {{{0xc5}, {0x212b}, {0x41, 0x30a}, {0xe9}}}, ""},
        {2, 4, as_bytes("A\xc3\xa9\xff\xfe" "e\xcc\x81\xff\xf0\x9f\x98\x80\xff\xffxy"), {{{0x41}, {0xe9}}, {{0x65, 0x301}}, {{0x1f600}}, {}}, ""},
        {2, 2, as_bytes("\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbd\xff\xf0\x90\x80\x80\xf4\x8f\xbf\xbf\xffxy"),
         {{{0x7f}, {0x80}, {0x7ff}, {0x800}, {0xfffd}}, {{0x10000}, {0x10ffff}}}, ""},
        {1, 2, units({0x41, 0xffff}), {}, "Unicode table, glyph 1: cut off"},
        {1, 1, bytes{0x41, 0, 0xff}, {}, "Unicode table, glyph 0: cut off"},
        {1, 1, units({0xd800, 0xffff}), {}, "Unicode table, glyph 0: U+D800 is not a character"},
        {1, 1, units({0xfffe, 0xfffe, 0x41, 0x42, 0xffff}), {}, "Unicode table, glyph 0: empty sequence"},
        {1, 1, units({0x41, 0xfffe, 0x42, 0xfffe, 0x43, 0x44, 0xffff}), {}, "Unicode table, glyph 0: sequence of one character"},
        {2, 2, as_bytes("A\xff\xfe\xff"), {}, "Unicode table, glyph 1: empty sequence"},
        {2, 1, as_bytes("\xe2\x82"), {}, "Unicode table, glyph 0: cut off"},
        {2, 1, as_bytes("\x80\xff"), {}, "Unicode table, glyph 0: bad UTF-8"},
        {2, 1, as_bytes("\xc1\x81\xff"), {}, "Unicode table, glyph 0: bad UTF-8"},
        {2, 1, as_bytes("\xc3\xc3\xff"), {}, "Unicode table, glyph 0: bad UTF-8"},
        {2, 1, as_bytes("\xf8\x88\x80\x80\x80\xff"), {}, "Unicode table, glyph 0: bad UTF-8"},
        {2, 1, as_bytes("\xed\xa0\x80\xff"), {}, "Unicode table, glyph 0: U+D800 is not a character"},
        {2, 1, as_bytes("\xef\xbf\xbf\xff"), {}, "Unicode table, glyph 0: U+FFFF is not a character"},
        {2, 1, as_bytes("\xf4\x90\x80\x80\xff"), {}, "Unicode table, glyph 0: U+110000 is not a character"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.table));
        table_reading read = read_unicode_table(c.table, c.version, c.count);
        EXPECT_EQ(read.error, c.error);
        EXPECT_EQ(read.table, c.expected);
        if (c.error.empty()) {
            EXPECT_EQ(read.end, c.table.size() - 2);
            EXPECT_EQ(write_unicode_table(read.table, c.version), bytes(c.table.begin(), c.table.end() - 2));
        }
    }
}

// The version, glyph count and table of a PSF font with a table; none without.
std::optional<std::tuple<int, size_t, bytes>> psf_table(const console_font &font)
{
    const bytes &image = font.content;
    const bool psf1 = image[0] == 0x36;
    if (!(psf1 ? image[2] & 6 : u32_at(image, 12) & 1))
        return std::nullopt;
    const auto [width, height, count, offset] = font.shape;
    const size_t start = offset + size_t{count} * height * ((width + 7) / 8);
    if (start > image.size()) {
        ADD_FAILURE() << font.path << ": shorter than its glyphs";
        return std::nullopt;
    }
    return std::tuple{psf1 ? 1 : 2, size_t{count}, bytes(image.begin() + static_cast<ptrdiff_t>(start), image.end())};
}

TEST(unicode_table, every_console_font_table_writes_back_byte_for_byte)
{
    const console_font_set fonts = console_fonts();
    if (fonts.editable.empty())
        GTEST_SKIP() << no_console_fonts;
    int with_table = 0;
    for (const auto &set : {fonts.editable, fonts.beyond_limits})
        for (const console_font &font : set) {
            auto found = psf_table(font);
            if (!found)
                continue;
            SCOPED_TRACE(font.path.string());
            auto [version, count, table] = *found;
            ++with_table;
            table_reading read = read_unicode_table(table, version, count);
            EXPECT_EQ(read.error, "");
            EXPECT_EQ(read.table.size(), count);
            EXPECT_EQ(write_unicode_table(read.table, version), bytes(table.begin(), table.begin() + static_cast<ptrdiff_t>(read.end)));
        }
    EXPECT_GT(with_table, 400);
}

TEST(unicode_table, text_forms_of_entries_and_the_find_field)
{
    EXPECT_EQ(format_entries({{0x42}, {0x412}, {0x65, 0x301}, {0x1f600}}), "U+0042 U+0412 U+0065+0301 U+1F600");
    EXPECT_EQ(psf1_refusal({{0x42}, {0x1d03}}), "");
    EXPECT_EQ(psf1_refusal({{0x42}, {0x65, 0x1f600}}), "\"U+0065+1F600\": a PSF1 font holds no code above U+FFFF");
    const std::pair<std::string, std::string> fields[] = {  // the field, then its entries or the refusal
        {"", ""},
        {" u+42  U+0065+U+0301 U+65+301 U+10ffff ", "U+0042 U+0065+0301 U+0065+0301 U+10FFFF"},
        {"U+41 U+12G4", "Malformed entry \"U+12G4\": use U+ and 1-6 hex digits"},
        {"U+1234567", "Malformed entry \"U+1234567\": use U+ and 1-6 hex digits"},
        {"0041", "Malformed entry \"0041\": use U+ and 1-6 hex digits"},
        {"U+0065+", "Malformed entry \"U+0065+\": use U+ and 1-6 hex digits"},
        {"U+0041+0042+0043+0044+0045X", "Malformed entry \"U+0041+0042+0043+0044...\": use U+ and 1-6 hex digits"},
        {"U+41 U+fffe", "Refused entry \"U+fffe\": U+FFFE is not a character"},
        {"U+07FF U+0800 U+FFFF", "Refused entry \"U+FFFF\": U+FFFF is not a character"},
        {"U+41+DFFF", "Refused entry \"U+41+DFFF\": U+DFFF is not a character"},
        {"U+110000", "Refused entry \"U+110000\": U+110000 is not a character"},
    };
    for (const auto &[field, expected] : fields) {
        parsed_entries parsed = parse_entries(field);
        EXPECT_EQ(parsed.error.empty() ? format_entries(parsed.entries) : parsed.error, expected) << field;
    }
    const std::string old_locale = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    const std::pair<std::string, std::string> finds[] = {  // the field, then the code or the refusal
        {"\xc3\xa9", "U+00E9"}, {"U+20ac", "U+20AC"}, {"u+1F600", "U+1F600"}, {"U", "U+0055"},
        {"ab", "Give one character, or U+ and 1-6 hex digits"},
        {"", "Give one character, or U+ and 1-6 hex digits"},
        {"\xc3", "Give one character, or U+ and 1-6 hex digits"},
        {"U+", "Malformed code \"U+\": use U+ and 1-6 hex digits"},
        {"U+0065+0301", "U+0065+0301"}, {"u+65+U+301+302", "U+0065+0301+0302"},
        {"U+0065+", "Malformed code \"U+0065+\": use U+ and 1-6 hex digits"},
        {"U+41 U+42", "Malformed code \"U+41 U+42\": use U+ and 1-6 hex digits"},
        {"U+65+DFFF", "U+DFFF is not a character"},
        {"U+D800", "U+D800 is not a character"},
    };
    for (const auto &[field, expected] : finds) {
        parsed_character found = parse_find_field(field);
        EXPECT_EQ(found.error.empty() ? format_entry(found.entry) : found.error, expected) << field;
    }
    std::setlocale(LC_CTYPE, old_locale.c_str());
}

}  // namespace
