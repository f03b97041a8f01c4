// Row 1: the file S would offer, the font's size and glyph count, the form
// S would write, and whether there are unsaved changes.
#include "editor_session.h"

namespace {

class file_row_in : public editor_session {
protected:
    void expect_facts(const std::string &facts) { EXPECT_EQ(t->row_text(1), file_row(facts)); }
};

TEST_P(file_row_in, follows_toggles_saves_and_undo_and_is_drawn_only_when_it_changes)
{
    dir.write("big.psf", patterned_psf2(8, 16, 512));
    start({"big.psf"});
    expect_facts("big.psf  8x16  512 glyphs  PSF2");
    press(" ");
    expect_facts("big.psf  8x16  512 glyphs  PSF2  modified");
    // What the editor sends to row 1 from now on would paint over this.
    t->paint_over(1, 0, "#####");
    press(key("kcuf1") + " " + key("knp") + key("kpp", 2));
    EXPECT_EQ(glyph_title(), " Char 064 ");
    EXPECT_EQ(t->text(1, 0, 5), "#####") << "a second toggle and page steps send nothing to row 1";
    press("S\r");
    EXPECT_EQ(status_line(), line("Font saved."));
    expect_facts("big.psf  8x16  512 glyphs  PSF2");
    press(" ");
    expect_facts("big.psf  8x16  512 glyphs  PSF2  modified");
    press("U");
    expect_facts("big.psf  8x16  512 glyphs  PSF2");
}

// Each name given to a load that fails, so that S offers it: the form a
// save under it would write.
TEST_P(file_row_in, names_the_form_a_save_would_write_and_shortens_a_long_name_from_the_left)
{
    dir.write("r\x7f.fnt", patterned_font(1));
    dir.write("a.psf.gz", system_tool_output("gzip -c", psf1_file(patterned_font(2))));
    start({"r\x7f.fnt"});
    expect_facts("r?.fnt  8x16  256 glyphs  raw");
    const std::pair<std::string, std::string> names[] = {
        {"x.psf", "PSF1"}, {"x.psfu.gz", "PSF1.gz"}, {"x.gz", "raw.gz"}, {"new\xe9name", "raw"},
        {"a.psf.gz", "PSF1.gz"},  // loaded: a PSF font is written as it came
        {"x.fnt", "PSF1"},
    };
    for (const auto &[name, form] : names) {
        press("L" + std::string(ctrl_u) + name + "\r");
        const std::string shown = name == "new\xe9name" ? "new?name" : name;
        expect_facts(shown + "  8x16  256 glyphs  " + form);
    }
    const std::string long_name = std::string(100, 'd') + "/tail.psf";
    press("L" + std::string(ctrl_u) + long_name + "\r");
    const std::string facts = "  8x16  256 glyphs  PSF1";
    expect_facts("..." + long_name.substr(long_name.size() - (75 - 3 - facts.size())) + facts);
}

INSTANTIATE_TEST_SUITE_P(terminals, file_row_in, testing::Values("xterm-256color", "linux"));

} // namespace
