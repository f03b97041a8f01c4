// The prompts of #, L and S: what they ask, what they do with the answer,
// what the status line says afterwards and where the cursor is left.
#include "editor_session.h"

#include <filesystem>

namespace {

class prompts_in : public editor_session {
protected:
    void expect_status(const std::string &message, cursor_position cursor)
    {
        EXPECT_EQ(status_line(), line(message));
        EXPECT_EQ(t->cursor(), cursor);
    }
};

const std::string no_such_file = "open: No such file or directory";

TEST_P(prompts_in, hash_jumps_to_the_typed_glyph_number_modulo_256)
{
    const font_bytes font = patterned_font(1);
    dir.write("a.font", font);
    start({"a.font"});
    press(key("kcud1", 3) + key("kcuf1", 5));
    const struct {
        std::string typed;
        int glyph;
    } jumps[] = {{"65", 65}, {"007", 7}, {"300", 44}, {"256", 0}, {"999", 231}, {"", 0}};
    for (const auto &jump : jumps) {
        press("#");
        expect_status("New character #:", {23, 17});
        press(jump.typed + "\r");
        char title[16];
        std::snprintf(title, sizeof title, " Char %03d ", jump.glyph);
        EXPECT_EQ(glyph_title(), title) << "typed \"" << jump.typed << '"';
        EXPECT_EQ(picture(), picture_of(font, jump.glyph));
        expect_status("", pixel_cursor(3, 5));
    }
    press(key("knp") + "#12" + escape);
    EXPECT_EQ(glyph_title(), " Char 001 ");
    expect_status("", pixel_cursor(3, 5));
}

TEST_P(prompts_in, file_prompts_start_from_the_last_name_given_even_one_that_failed)
{
    start();
    press("L");
    expect_status("Load from file:", {23, 16});
    press(escape);
    press("s");
    expect_status("Save to file:", {23, 14});

    const font_bytes font = patterned_font(1);
    dir.write("a.font", font);
    start({"a.font"});
    press("l");
    expect_status("Load from file: a.font", {23, 22});
    press(ctrl_u + std::string("missing.font\r"));
    expect_status("Load error: " + no_such_file, pixel_cursor(0, 0));
    EXPECT_EQ(picture(), picture_of(font, 65));
    press("S");
    expect_status("Save to file: missing.font", {23, 26});
}

TEST_P(prompts_in, escape_changes_neither_the_remembered_name_nor_the_font)
{
    const font_bytes a = patterned_font(1);
    dir.write("a.font", a);
    dir.write("b.font", patterned_font(2));
    start({"a.font"});
    press(key("kcud1") + " ");
    const std::vector<std::string> edited = picture();
    press("L" + std::string(ctrl_u) + "b.font" + escape);
    expect_status("Load canceled.", pixel_cursor(1, 0));
    EXPECT_EQ(picture(), edited);
    press("S" + std::string(ctrl_u) + "c.font" + escape);
    expect_status("Save canceled.", pixel_cursor(1, 0));
    EXPECT_FALSE(std::filesystem::exists(dir.path / "c.font"));
    EXPECT_EQ(dir.read("a.font"), a);
    press("S");
    expect_status("Save to file: a.font", {23, 20});
}

TEST_P(prompts_in, an_edited_font_saved_under_a_new_name_loads_back_byte_for_byte)
{
    const font_bytes a = patterned_font(1);
    const font_bytes b = patterned_font(2);
    dir.write("a.font", a);
    dir.write("b.font", b);
    start({"a.font"});
    press(key("kcud1", 2) + key("kcuf1", 3) + " ");
    font_bytes edited = a;
    edited[65 * 16 + 2] ^= 0x80 >> 3;
    press("S" + std::string(ctrl_u) + "new.font\r");
    expect_status("Font saved.", pixel_cursor(2, 3));
    EXPECT_EQ(dir.read("new.font"), edited) << "exactly the 4096 bytes of the raw font";

    press("L" + std::string(ctrl_u) + "b.font\r");
    EXPECT_EQ(picture(), picture_of(b, 65));
    press("L" + std::string(ctrl_u) + "new.font\r");
    expect_status("Font loaded.", pixel_cursor(2, 3));
    EXPECT_EQ(picture(), picture_of(edited, 65));
    press("S" + std::string(ctrl_u) + "again.font\r");
    EXPECT_EQ(dir.read("again.font"), edited);
}

TEST_P(prompts_in, a_loaded_font_shows_the_current_glyph_with_the_pixel_cursor_where_it_was)
{
    const font_bytes b = patterned_font(2);
    dir.write("b.font", b);
    dir.write("empty.font", "");
    start();
    press(key("knp") + key("kcud1", 4) + key("kcuf1", 6));
    press("Lb.font\r");
    expect_status("Font loaded.", pixel_cursor(4, 6));
    EXPECT_EQ(glyph_title(), " Char 066 ");
    EXPECT_EQ(picture(), picture_of(b, 66));

    press("L" + std::string(ctrl_u) + "empty.font\r");
    expect_status("Load error: file is empty", pixel_cursor(4, 6));
    EXPECT_EQ(picture(), picture_of(b, 66)) << "a failed load keeps the font";
}

TEST_P(prompts_in, an_empty_name_is_remembered_and_fails_to_open)
{
    dir.write("a.font", patterned_font(1));
    start({"a.font"});
    press("L" + std::string(ctrl_u) + "\r");
    expect_status("Load error: " + no_such_file, pixel_cursor(0, 0));
    press("S");
    expect_status("Save to file:", {23, 14});
    press("\r");
    expect_status("Save error: " + no_such_file, pixel_cursor(0, 0));
}

TEST_P(prompts_in, each_new_name_gets_its_form_and_a_psf_font_loads_unless_it_is_too_large)
{
    const font_bytes a = patterned_font(1);
    dir.write("a.font", a);
    start({"a.font"});
    for (const char *name : {"x.psf", "x.psf.gz", "x.fnt.gz", "x.fnt"}) {
        press("S" + std::string(ctrl_u) + name + "\r");
        expect_status("Font saved.", pixel_cursor(0, 0));
    }
    const font_bytes psf = psf1_file(a);
    EXPECT_EQ(dir.read("x.psf"), psf);
    EXPECT_EQ(system_tool_output("gzip -dc", dir.read("x.psf.gz")), psf);
    EXPECT_EQ(system_tool_output("gzip -dc", dir.read("x.fnt.gz")), a);
    EXPECT_EQ(dir.read("x.fnt"), a);

    dir.write("tall.psf", std::string("\x36\x04\x00\x81", 4) + std::string(256 * 129, '\x55'));
    press("L" + std::string(ctrl_u) + "tall.psf\r");
    expect_status("Load error: PSF font of 8x129, 256 glyphs: at most 64x128 and 65536 glyphs",
                  pixel_cursor(0, 0));
    EXPECT_EQ(picture(), picture_of(a, 65));
    const font_bytes b = patterned_font(2);
    dir.write("b.psf.gz", system_tool_output("gzip -c", psf1_file(b, {0x41, 0xff})));
    press("L" + std::string(ctrl_u) + "b.psf.gz\r");
    expect_status("Font loaded.", pixel_cursor(0, 0));
    EXPECT_EQ(picture(), picture_of(b, 65));
}

INSTANTIATE_TEST_SUITE_P(terminals, prompts_in, testing::Values("xterm-256color", "linux"));

} // namespace
