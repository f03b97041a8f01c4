// V, the overview of the whole font, and T, a text set in the font: the
// pictures are read back off the screen as pixels and compared with the
// font's own.
#include "editor_session.h"

#include <filesystem>
#include <optional>

namespace {

const std::string utf8 = "C.UTF-8";
const std::string lat15 = "/usr/share/consolefonts/Lat15-Fixed16.psf.gz";
const std::string terminus_16x32 = "/usr/share/consolefonts/Lat15-Terminus32x16.psf.gz";
constexpr char ctrl_r[] = "\x12";

std::string trimmed(std::string text)
{
    return text.erase(text.find_last_not_of(' ') + 1);
}

// Pixel rows of a glyph of `font`, "#" lit and "." unlit.
std::vector<std::string> glyph_rows(const psf_font &font, int c)
{
    std::vector<std::string> rows;
    for (int row = 0; row < font.height; ++row) {
        std::string line;
        for (int col = 0; col < font.width; ++col)
            line += font.lit(c, row, col) ? '#' : '.';
        rows.push_back(line);
    }
    return rows;
}

class whole_font_in : public editor_session {
protected:
    font_bytes raw = patterned_font(3);

    void SetUp() override { dir.write("font.raw", raw); }

    psf_font raw_font() const { return {.bytes = raw, .glyphs = 0}; }

    // Where `text` stands on the screen below row 1, read as one-column cells.
    std::optional<cursor_position> find(const std::string &text)
    {
        for (int row = 2; row < 23; ++row)
            for (int col = 0; col + static_cast<int>(text.size()) <= 80; ++col)
                if (t->text(row, col, static_cast<int>(text.size())) == text)
                    return cursor_position{row, col};
        return std::nullopt;
    }

    // The pixels of a picture of width x height with its top left at
    // `at`: half blocks, or in a locale without them one cell a pixel.
    std::vector<std::string> pixels_at(cursor_position at, int width, int height, const std::string &locale = utf8)
    {
        const bool halves = locale == utf8;
        const std::string lit = lit_pixel(GetParam(), locale);
        std::vector<std::string> rows;
        for (int row = 0; row < height; ++row) {
            std::string line;
            for (int col = 0; col < width; ++col) {
                const std::string cell = t->text(at.row + (halves ? row / 2 : row), at.col + col, 1);
                const bool top_half = row % 2 == 0 || !halves;
                line += cell == lit || cell == (top_half ? "▀" : "▄") ? '#' : cell == " " || cell == (top_half ? "▄" : "▀") ? '.' : '?';
            }
            rows.push_back(line);
        }
        return rows;
    }

    // The picture under glyph c's label, as pixels.
    std::vector<std::string> picture_under_label(int c, const psf_font &font, const std::string &locale = utf8)
    {
        const std::optional<cursor_position> label = find(printed_number(c));
        if (!label)
            return {"no label " + printed_number(c)};
        return pixels_at({label->row + 1, label->col}, font.width, font.height, locale);
    }

    static std::string printed_number(int c)
    {
        char text[8];
        std::snprintf(text, sizeof text, "%03d", c);
        return text;
    }

    // How many labels on the screen carry a "*".
    int starred_labels()
    {
        int stars = 0;
        for (int row = 2; row < 23; ++row)
            for (int col = 0; col < 80; ++col)
                stars += t->text(row, col, 1) == "*";
        return stars;
    }

    bool label_selected(int c)
    {
        const std::optional<cursor_position> label = find(printed_number(c));
        return label && t->cell(label->row, label->col).standout;
    }
};

TEST_P(whole_font_in, v_shows_every_glyph_as_it_is_and_enter_or_escape_go_back)
{
    start({"font.raw"}, utf8);
    const std::vector<std::string> editor = whole_screen(*t, 24, 80);
    press("V");
    EXPECT_EQ(t->region(0, 0, 2, 80), std::vector<std::string>(editor.begin(), editor.begin() + 2));
    for (int c = 65; c <= 72; ++c)
        EXPECT_EQ(picture_under_label(c, raw_font()), picture_of(raw, c)) << "glyph " << c;
    EXPECT_TRUE(label_selected(65));
    EXPECT_FALSE(t->cell(find("065")->row + 1, find("065")->col + 1).standout) << "the picture is never inverted";
    EXPECT_EQ(find("063")->row, 2) << "the current glyph's row at the top";
    EXPECT_EQ(t->cursor(), *find("065")) << "the cursor on the selected label";
    const size_t before = t->terminal_output().size();
    press(key("kcuf1"));
    EXPECT_TRUE(label_selected(66));
    EXPECT_FALSE(label_selected(65));
    const std::string sent = t->terminal_output().substr(before);
    EXPECT_EQ(sent.find("▀"), std::string::npos) << "a move writes no picture";
    for (int c = 63; c <= 80; ++c)
        EXPECT_EQ(sent.find(printed_number(c)) != std::string::npos, c == 65 || c == 66) << "label " << c;
    press("\r");
    EXPECT_EQ(glyph_title(), " Char 066 ");
    const std::vector<std::string> on_66 = whole_screen(*t, 24, 80);
    press("V" + key("kcub1", 2) + escape);
    EXPECT_EQ(whole_screen(*t, 24, 80), on_66) << "the editor as it was";
    press("V" + key("kcuf1") + "q");
    EXPECT_TRUE(t->running()) << "Q goes back, it does not quit here";
    press("V" + key("kcub1") + "v");
    EXPECT_EQ(whole_screen(*t, 24, 80), on_66);
}

TEST_P(whole_font_in, v_moves_wrap_at_the_font_s_ends_and_pages_move_a_screenful)
{
    start({"font.raw"}, utf8);
    const struct {
        std::string keys;
        int selected, top_left;
    } moves[] = {
        {"", 65, 63},
        {key("kcud1"), 74, 63},
        {key("kcud1"), 83, 72},
        {key("knp"), 101, 90},
        {key("kpp", 2), 65, 54},
        {key("kcuu1"), 56, 54},
        {key("khome"), 0, 0},
        {key("kcub1"), 255, 243},
        {key("kcuf1"), 0, 0},
        {key("kcuu1"), 247, 234},
        {key("kend"), 255, 243},
        {key("knp"), 17, 9},
        {"#200\r", 200, 189},
    };
    press("V");
    for (const auto &move : moves) {
        press(move.keys);
        EXPECT_TRUE(label_selected(move.selected)) << move.keys << " selects " << move.selected;
        EXPECT_EQ(t->text(2, 0, 3), printed_number(move.top_left)) << move.keys;
    }
    press("\r");
    EXPECT_EQ(glyph_title(), " Char 200 ");
    press("V");
    t->resize(30, 100);
    t->settle();
    EXPECT_EQ(t->text(2, 0, 3), "198") << "11 pictures a row on 100 columns";
    EXPECT_TRUE(label_selected(200));
    EXPECT_EQ(picture_under_label(201, raw_font()), picture_of(raw, 201));
    EXPECT_EQ(t->row_text(1), file_row("font.raw  8x16  256 glyphs  raw", 100));
    EXPECT_EQ(t->cursor(), *find("200"));
    press(key("kcuf1"));
    t->resize(20, 60);
    t->settle();
    t->resize(24, 80);
    t->settle();
    EXPECT_EQ(glyph_title(), " Char 200 ") << "a terminal too small ends the overview";
    EXPECT_EQ(trimmed(status_line()), "") << "and its hint";
}

TEST_P(whole_font_in, a_star_marks_each_glyph_changed_since_the_last_load_or_save)
{
    start({"font.raw"}, utf8);
    press(" V");
    EXPECT_TRUE(find("065*").has_value());
    EXPECT_EQ(starred_labels(), 1);
    press(std::string(escape) + "S\rV");
    EXPECT_EQ(starred_labels(), 0) << "after a save";
    press(std::string(escape) + "uV");
    EXPECT_TRUE(find("065*").has_value()) << "undone past the save";
    press(std::string(escape) + ctrl_r + "V");
    EXPECT_EQ(starred_labels(), 0) << "redone back to the saved state";
    press(std::string(escape) + "L\r" + key("knp") + " V");
    EXPECT_TRUE(find("066*").has_value());
    EXPECT_EQ(starred_labels(), 1) << "a load is a new saved state";
    dir.write("short.psf", patterned_psf2(8, 14, 256));
    press(std::string(escape) + "L" + ctrl_u + "short.psf\ruV");
    EXPECT_EQ(starred_labels(), 18) << "undoing a load of another size changes every glyph";
}

TEST_P(whole_font_in, without_half_blocks_each_pixel_is_one_cell)
{
    start({"font.raw"});
    press("V");
    EXPECT_EQ(picture_under_label(65, raw_font(), "C"), picture_of(raw, 65));
    EXPECT_FALSE(find("074").has_value()) << "one row of 16-row pictures fits";
    press("/");
    EXPECT_EQ(trimmed(status_line()), "This font has no Unicode table. Press = to give the current glyph characters.");
    EXPECT_EQ(t->cursor(), *find("065"));
}

TEST_P(whole_font_in, a_16x32_font_shows_two_glyphs_whole)
{
    if (!std::filesystem::exists(terminus_16x32))
        GTEST_SKIP() << "no console fonts: install the console-setup-linux package";
    start({terminus_16x32}, utf8);
    press("V");
    const psf_font font = read_psf(dir.read(terminus_16x32));
    for (int c : {65, 66})
        EXPECT_EQ(picture_under_label(c, font), glyph_rows(font, c)) << "glyph " << c;
}

// Labels keep three digits in a font of fewer than 100 glyphs too.
TEST_P(whole_font_in, the_last_row_of_an_odd_height_pairs_with_a_blank_one)
{
    dir.write("odd.psf", patterned_psf2(8, 15, 99));
    start({"odd.psf"}, utf8);
    press("V");
    const psf_font font = read_psf(dir.read("odd.psf"));
    std::vector<std::string> rows = glyph_rows(font, 65);
    rows.push_back("........");
    EXPECT_EQ(pixels_at({find("065")->row + 1, find("065")->col}, 8, 16), rows);
}

TEST_P(whole_font_in, t_sets_a_text_in_the_font_and_names_the_characters_it_lacks)
{
    if (!std::filesystem::exists(lat15))
        GTEST_SKIP() << "no console fonts: install the console-setup-linux package";
    const psf_font font = read_psf(dir.read(lat15));
    start({lat15}, utf8);
    press("/U+FFFD\r");
    const int replacement = std::stoi(glyph_title().substr(6, 3));
    const std::vector<std::string> editor = whole_screen(*t, 24, 80);
    press("V/é\r");
    EXPECT_TRUE(label_selected(130)) << "/ in the overview selects the glyph found";
    EXPECT_EQ(trimmed(status_line()), "");
    EXPECT_EQ(t->cursor(), *find("130"));
    press("/ą\r");
    EXPECT_EQ(trimmed(status_line()), "U+0105 is not in this font.");
    EXPECT_TRUE(label_selected(130));
    press("#7\r" + std::string(escape));
    EXPECT_EQ(whole_screen(*t, 24, 80), editor) << "Escape goes back to the glyph the overview was opened on";
    press("T");
    EXPECT_EQ(status_line(), line("Sample text: The quick brown fox jumps over the lazy dog."));
    press(std::string(ctrl_u) + "Hé!ą\r");
    const int glyphs[] = {'H', 130, '!', replacement};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pixels_at({2, 8 * i}, 8, 16), glyph_rows(font, glyphs[i])) << "character " << i;
    EXPECT_EQ(trimmed(status_line()), "Not in this font: ą");
    press("x");
    EXPECT_EQ(whole_screen(*t, 24, 80), editor) << "any key gives the editor back as it was";
    press("T");
    EXPECT_EQ(status_line(), line("Sample text: H??" "!??")) << "the text is kept, a byte a column";
    press(escape);
    EXPECT_EQ(whole_screen(*t, 24, 80), editor);
}

TEST_P(whole_font_in, t_wraps_at_spaces_and_draws_what_a_font_without_a_table_lacks_as_a_box)
{
    start({"font.raw"}, utf8);
    press("T" + std::string(ctrl_u) + "é~cd bcdefg cdé\r");
    const psf_font font = raw_font();
    EXPECT_EQ(pixels_at({2, 8}, 8, 16), glyph_rows(font, '~'));
    EXPECT_EQ(pixels_at({2, 24}, 8, 16), glyph_rows(font, 'd'));
    EXPECT_EQ(pixels_at({2, 32}, 8, 16), std::vector<std::string>(16, "........")) << "broken at the space";
    EXPECT_EQ(pixels_at({10, 0}, 8, 16), glyph_rows(font, 'b'));
    EXPECT_EQ(pixels_at({10, 56}, 8, 16), glyph_rows(font, 'c')) << "the space between words kept";
    std::vector<std::string> box(16, ".#....#.");
    box[0] = box[15] = "........";
    box[1] = box[14] = ".######.";
    EXPECT_EQ(pixels_at({10, 72}, 8, 16), box) << "é drawn as a hollow box";
    EXPECT_EQ(trimmed(status_line()), "Not in this font: é");
}

INSTANTIATE_TEST_SUITE_P(terminals, whole_font_in, testing::Values("xterm-256color", "linux"));

} // namespace
