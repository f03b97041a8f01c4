// Opening a font named on the command line.
#include "editor_screen.h"
#include "scratch_files.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> letter_a = {
    "........", "........", "...##...", "..####..", ".##..##.", "##....##", "##....##", "########",
    "##....##", "##....##", "##....##", "##....##", "........", "........", "........", "#......#",
};

class start_up_with : public testing::TestWithParam<std::string> {};

TEST_P(start_up_with, a_raw_uuencoded_or_psf_font_shows_its_glyph_65_and_no_message)
{
    scratch_dir dir;
    const font_bytes font = font_with_glyph(65, letter_a);
    const font_bytes psf = psf1_file(font, {0x41, 0xff});
    for (const std::string &path :
         {dir.write("a.raw", font), dir.write("a.uu", uuencode_with_system_tool(font)),
          dir.write("a.psf.gz", system_tool_output("gzip -c", psf))}) {
        terminal t({path}, {.term = GetParam()});
        t.settle();
        EXPECT_EQ(glyph_picture(t, GetParam()), letter_a) << path;
        EXPECT_EQ(t.row_text(23), std::string(80, ' ')) << "no console message with a file";
        EXPECT_EQ(t.cursor(), pixel_cursor(0, 0));
        t.press("knp");
        t.settle();
        EXPECT_EQ(glyph_picture(t, GetParam()), std::vector<std::string>(16, "........"));
    }
    // As `quorvalen <(cat a.raw)` starts it: the pipe is let go once read, so
    // a save to its name fails rather than vanish into a pipe only the
    // editor itself would read.
    terminal t({"/dev/fd/63"}, {.term = GetParam(), .on_fd_63 = std::string(font.begin(), font.end())});
    t.settle();
    EXPECT_EQ(glyph_picture(t, GetParam()), letter_a);
    t.type("S\r");
    t.settle();
    EXPECT_EQ(t.row_text(23).rfind("Save error: open: No such file or directory", 0), 0u) << t.row_text(23);
}

INSTANTIATE_TEST_SUITE_P(terminals, start_up_with, testing::Values("xterm-256color", "linux"));

struct bad_font {
    std::string name;
    std::string content;
    std::string reason;
};

TEST(start_up_load, a_file_that_fails_to_load_ends_the_run_before_the_terminal_is_touched)
{
    scratch_dir dir;
    const std::string header = "begin 644 font.raw\n";
    const std::vector<bad_font> cases = {
        {"empty", "", "file is empty"},
        {"short", "1234567", "file is too short"},
        {"zero-count", header + "M" + std::string(60, '!') + "\n`\nend\n", "file is too short"},
        {"cut-off", header + "M" + std::string(60, '!') + "\n", "uudecode: unexpected end of file"},
        {"header-only", header, "uudecode: unexpected end of file"},
        {"8x129.psf", std::string("\x36\x04\x01\x81") + std::string(512 * 129, '\x55'),
         "PSF font of 8x129, 512 glyphs: at most 64x128 and 65536 glyphs"},
        {"cut.psf.gz", "\x1f\x8b\x08", "gzip: unexpected end of file"},
        {"cut.bdf", "STARTFONT 2.1\nFONTBOUNDINGBOX 8 16 0 -4\nSTARTCHAR A\nENCODING 65\nBBX 8 16 0 -4\nBITMAP\n00\n",
         "damaged BDF file: line 7: the file ends before ENDCHAR"},
    };
    for (const bad_font &bad : cases) {
        std::string path = dir.write(bad.name, bad.content);
        terminal t({path}, {.stdout_to_pipe = true});
        EXPECT_EQ(t.wait_exit(), 1) << bad.name;
        EXPECT_EQ(t.standard_output(), "Load font: " + path + ": " + bad.reason);
        EXPECT_EQ(t.terminal_output(), "") << bad.name;
    }
    for (auto [path, reason] : {std::pair<std::string, std::string>{(dir.path / "missing").string(),
                                                                     "open: No such file or directory"},
                                {dir.path.string(), "read: Is a directory"}}) {
        terminal t({path}, {.stdout_to_pipe = true});
        EXPECT_EQ(t.wait_exit(), 1) << path;
        EXPECT_EQ(t.standard_output(), "Load font: " + path + ": " + reason);
        EXPECT_EQ(t.terminal_output(), "");
    }
}

} // namespace
