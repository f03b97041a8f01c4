// P pushes copies of glyphs, O pops them back over the current glyph.
#include "editor_session.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class glyph_stack_in : public editor_session {
protected:
    void SetUp() override { start(); }
    void expect_status(const std::string &message)
    {
        EXPECT_EQ(status_line(), line(message));
        EXPECT_EQ(t->cursor(), (cursor_position{23, static_cast<int>(message.size())}))
            << "the cursor stays at the end of the message";
    }
};

const std::vector<std::string> blank(16, "........");

std::vector<std::string> with_row(int row, const std::string &pixels)
{
    std::vector<std::string> picture = blank;
    picture[static_cast<size_t>(row)] = pixels;
    return picture;
}

TEST_P(glyph_stack_in, pop_on_an_empty_stack_changes_nothing)
{
    press(" O");
    expect_status("Stack is already empty, can't pop.");
    EXPECT_EQ(picture(), with_row(0, "#......."));
    press(key("kcud1"));
    EXPECT_EQ(t->cursor(), pixel_cursor(1, 0)) << "the next command brings the cursor back";
}

TEST_P(glyph_stack_in, push_then_pop_copies_a_glyph_to_the_next_position)
{
    press(key("kcuf1") + " " + "P");
    expect_status("Character 65 pushed to stack (new stack size 1).");
    press(key("knp"));
    EXPECT_EQ(picture(), blank);
    press("o");
    expect_status("Character 66 poped from stack (new stack size 0).");
    EXPECT_EQ(t->text(5, 46, 10), " Char 066 ");
    EXPECT_EQ(picture(), with_row(0, ".#......"));
    press(key("kpp"));
    EXPECT_EQ(picture(), with_row(0, ".#......")) << "glyph 65 keeps its pixels";
    EXPECT_EQ(t->cursor(), pixel_cursor(0, 1));
}

TEST_P(glyph_stack_in, copies_come_back_newest_first)
{
    press(" p" + key("knp") + key("kcud1") + " p");
    expect_status("Character 66 pushed to stack (new stack size 2).");
    press(key("knp") + "O");
    expect_status("Character 67 poped from stack (new stack size 1).");
    EXPECT_EQ(picture(), with_row(1, "#......."));
    press(key("knp") + "O");
    expect_status("Character 68 poped from stack (new stack size 0).");
    EXPECT_EQ(picture(), with_row(0, "#......."));
    press("O");
    expect_status("Stack is already empty, can't pop.");
}

TEST_P(glyph_stack_in, a_pushed_glyph_can_be_popped_into_another_loaded_font)
{
    std::vector<std::string> other_66 = with_row(0, "#......#");
    other_66[1] = ".#....#.";
    dir.write("other.font", font_with_glyph(66, other_66));
    press(key("kcuf1") + " " + "P");
    press("Lother.font\r");
    EXPECT_EQ(t->row_text(23).substr(0, 13), "Font loaded. ");
    press(key("knp"));
    EXPECT_EQ(picture(), other_66);
    press("O");
    expect_status("Character 66 poped from stack (new stack size 0).");
    EXPECT_EQ(picture(), with_row(0, ".#......"));
}

// Between fonts of two sizes a pop copies the pixels both glyphs have,
// from the top left, clears the rest, and names both sizes.
TEST_P(glyph_stack_in, a_pop_between_an_8x16_and_an_8x14_font_copies_the_overlap_and_clears_the_rest)
{
    const std::string fonts = "/usr/share/consolefonts/";
    if (!std::filesystem::exists(fonts))
        GTEST_SKIP() << "no console fonts";
    for (const char *font : {"Lat15-VGA16.psf.gz", "Lat15-VGA14.psf.gz", "Lat15-TerminusBold32x16.psf.gz"})
        std::filesystem::copy_file(fonts + font, dir.path / font);
    const psf_font tall = read_psf(dir.read("Lat15-VGA16.psf.gz"));
    std::vector<std::string> top_of_a(14, "........");
    for (int row = 0; row < 14; ++row)
        for (int col = 0; col < 8; ++col)
            top_of_a[static_cast<size_t>(row)][static_cast<size_t>(col)] = tall.lit(65, row, col) ? '#' : '.';
    auto shown = [this] { return shown_pixels(*t, glyph_frame(*t), lit_pixel(GetParam())); };

    start({"Lat15-VGA16.psf.gz"});
    press("PL" + std::string(ctrl_u) + "Lat15-VGA14.psf.gz\rO");
    expect_status("Character 65 poped from stack (new stack size 0). 8x16 into 8x14.");
    EXPECT_EQ(shown(), top_of_a);

    press("PL" + std::string(ctrl_u) + "Lat15-VGA16.psf.gz\r" + key("kcuu1") + " O");
    expect_status("Character 65 poped from stack (new stack size 0). 8x14 into 8x16.");
    top_of_a.insert(top_of_a.end(), 2, "........");
    EXPECT_EQ(shown(), top_of_a) << "rows 14 and 15 cleared";

    // From a wider font: glyph 65 gets the top left of the 16x32 glyph, and
    // every other byte of the file stays as it was.
    press("L" + std::string(ctrl_u) + "Lat15-TerminusBold32x16.psf.gz\rPL" + std::string(ctrl_u) +
          "Lat15-VGA16.psf.gz\rO");
    expect_status("Character 65 poped from stack (new stack size 0). 16x32 into 8x16.");
    press("S\r");
    EXPECT_EQ(status_line(), line("Font saved."));
    const psf_font wide = read_psf(dir.read("Lat15-TerminusBold32x16.psf.gz"));
    font_bytes expected = tall.bytes;
    for (int row = 0; row < 16; ++row)
        expected[tall.byte_of(65, row, 0)] = wide.bytes[wide.byte_of(65, row, 0)];
    EXPECT_EQ(read_psf(dir.read("Lat15-VGA16.psf.gz")).bytes, expected);
}

INSTANTIATE_TEST_SUITE_P(terminals, glyph_stack_in, testing::Values("xterm-256color", "linux"));

} // namespace
