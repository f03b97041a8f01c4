// Fonts of every size the console takes, on the smallest terminal the
// editor accepts and on larger ones: every glyph and pixel within reach, the
// glyph window sized to the glyph and scrolled to the pixel cursor, the keys
// window left as it is.
#include "editor_screen.h"
#include "scratch_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace {

const std::string term = "xterm-256color";
const std::string fonts = "/usr/share/consolefonts/";

std::string key(const char *cap, int times = 1)
{
    std::string keys;
    for (int i = 0; i < times; ++i)
        keys += key_string(term, cap);
    return keys;
}

std::string repeated(const std::string &text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

std::string title_of(int glyph)
{
    char title[32];
    std::snprintf(title, sizeof title, " Char %03d ", glyph);
    return title;
}

// Made-up fonts for what the console's own lack; the rest are real.
void put_font(const scratch_dir &dir, const std::string &name)
{
    if (name == "32x32.psf")
        dir.write(name, patterned_psf2(32, 32, 512));
    else if (name == "64x128.psf")
        dir.write(name, patterned_psf2(64, 128, 512));
    else if (name == "65536.psf")
        dir.write(name, patterned_psf2(5, 8, 65536));
    else if (name == "1x16.psf")
        dir.write(name, patterned_psf2(1, 16, 256));
    else if (name == "1x1.psf")
        dir.write(name, patterned_psf2(1, 1, 1));
    else
        std::filesystem::copy_file(fonts + name, dir.path / name);
}

// The editor started on a copy of a font, in a directory of its own.
struct editing {
    scratch_dir dir;
    std::unique_ptr<terminal> t;

    explicit editing(const std::string &font, int rows = 24, int cols = 80, const std::string &locale = "C")
    {
        put_font(dir, font);
        t = std::make_unique<terminal>(std::vector<std::string>{font},
                                       terminal_options{.term = term, .rows = rows, .cols = cols,
                                                        .locale = locale, .workdir = dir.path.string()});
        t->settle();
    }
    void press(const std::string &keys)
    {
        t->type(keys);
        t->settle();
    }
    void save()
    {
        t->type("S\r");
        t->wait_for_text(23, 0, "Font saved.");
    }
    // The title as long as glyph c's.
    std::string title(const window_box &box, int c = 0)
    {
        return t->text(5, box.left + 1, static_cast<int>(title_of(c).size()));
    }
};

template <class test_base>
class with_console_fonts : public test_base {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(fonts))
            GTEST_SKIP() << "no console fonts: install the console-setup-linux package";
    }
};

using glyph_view = with_console_fonts<testing::Test>;
using glyphs_past_255 = with_console_fonts<testing::Test>;
using position = with_console_fonts<testing::Test>;

// What a window of `shape` should show of glyph c from pixel (first_row,
// first_col) on: "#" lit, "." unlit or beyond the glyph.
std::vector<std::string> part_of(const psf_font &font, int c, int first_row, int first_col,
                                 const std::vector<std::string> &shape)
{
    std::vector<std::string> part = shape;
    for (size_t r = 0; r < part.size(); ++r)
        for (size_t k = 0; k < part[r].size(); ++k) {
            const int row = first_row + static_cast<int>(r);
            const int col = first_col + static_cast<int>(k);
            part[r][k] = col < font.width && font.lit(c, row, col) ? '#' : '.';
        }
    return part;
}

struct size_case {
    std::string font;
    bool wide;
};

void PrintTo(const size_case &c, std::ostream *out)
{
    *out << c.font << (c.wide ? " wide" : "");
}

class every_size : public with_console_fonts<testing::TestWithParam<size_case>> {};

// The last glyph's bottom-right pixel, reached by wrapping backwards from
// glyph 65 and pixel (0, 0), shows under the cursor in the window's bottom
// right, and is saved as exactly its own bit.
TEST_P(every_size, the_last_pixel_is_reached_shown_and_saved_as_one_bit_at_80x24)
{
    const auto [name, wide] = GetParam();
    const int cell = wide ? 2 : 1;
    editing e(name);
    const psf_font before = read_psf(e.dir.read(name));
    const int last = before.count - 1;
    e.press(std::string(wide ? "W" : "") + key("kpp", 66) + key("kcuu1") + key("kcub1") + " ");

    const window_box box = glyph_frame(*e.t);
    EXPECT_EQ(e.title(box, last), title_of(last));
    EXPECT_EQ(box.rows, std::min(before.height, 16) + 2);
    if (before.width * cell + 4 <= 35) {
        EXPECT_EQ(box.left, 45);
    }
    EXPECT_GT(box.left, 35) << "a blank column right of the keys window";
    EXPECT_LE(box.left + box.cols, 80);
    EXPECT_EQ(e.t->region(5, 5, 16, 30), keys_window_rows());

    font_bytes edited = before.bytes;
    edited[before.byte_of(last, before.height - 1, before.width - 1)] ^= before.mask(before.width - 1);
    const psf_font after{edited, before.width, before.height, before.count, before.glyphs};
    const std::vector<std::string> shown = shown_pixels(*e.t, box, lit_pixel(term), cell);
    const int shown_cols = std::min(before.width, static_cast<int>(shown[0].size()));
    EXPECT_EQ(shown, part_of(after, last, before.height - static_cast<int>(shown.size()),
                             before.width - shown_cols, shown));
    EXPECT_EQ(e.t->cursor(), (cursor_position{box.top + box.rows - 2, box.left + 2 + cell * (shown_cols - 1)}));

    e.save();
    EXPECT_EQ(read_psf(e.dir.read(name)).bytes, edited);
}

std::vector<size_case> size_cases()
{
    std::vector<size_case> cases;
    for (const char *font : {"Lat15-Terminus12x6.psf.gz", "Lat15-VGA8.psf.gz", "Lat15-VGA14.psf.gz",
                             "Uni2-VGA16.psf.gz", "CyrAsia-Fixed18.psf.gz", "FullCyrAsia-Terminus18x10.psf.gz",
                             "Lat15-Terminus22x11.psf.gz", "Lat15-Terminus24x12.psf.gz",
                             "Lat15-Terminus28x14.psf.gz", "Lat15-TerminusBold32x16.psf.gz",
                             "32x32.psf", "1x16.psf", "spleen-5x8.psfu.gz", "spleen-32x64.psfu.gz",
                             "64x128.psf", "65536.psf"})
        for (bool wide : {false, true})
            cases.push_back({font, wide});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(fonts, every_size, testing::ValuesIn(size_cases()));

// What the glyph window shows of glyph 65 after `keys`, on a terminal of
// `rows` x `cols` in a UTF-8 locale.
struct view_case {
    std::string font;
    int rows;
    int cols;
    std::string keys;
    std::string top;     // the frame's top edge
    std::string bottom;  // and its bottom edge
    std::string left;    // what the left edge shows on each row between
    std::string right;
    int first_row;  // the first pixel row and column shown
    int first_col;
};

const std::string line = "─";

std::vector<view_case> view_cases()
{
    const std::string up = key("kcuu1"), down = key("kcud1"), left = key("kcub1"), right = key("kcuf1");
    const std::string wide_title = "┌ Char 065 [WIDE] ";
    return {
        {"Lat15-TerminusBold32x16.psf.gz", 24, 80, "", "┌ Char 065 " + repeated(line, 8) + "┐",
         "└" + repeated("↓", 18) + "┘", "│", "│", 0, 0},
        {"Lat15-TerminusBold32x16.psf.gz", 24, 80, up, "┌ Char 065 " + repeated("↑", 8) + "┐",
         "└" + repeated(line, 18) + "┘", "│", "│", 16, 0},
        {"Lat15-TerminusBold32x16.psf.gz", 24, 80, up + down, "┌ Char 065 " + repeated(line, 8) + "┐",
         "└" + repeated("↓", 18) + "┘", "│", "│", 0, 0},
        {"Lat15-TerminusBold32x16.psf.gz", 24, 80, repeated(down, 20), "┌ Char 065 " + repeated("↑", 8) + "┐",
         "└" + repeated("↓", 18) + "┘", "│", "│", 5, 0},
        {"32x32.psf", 24, 80, "W", wide_title + repeated(line, 25) + "┐", "└" + repeated("↓", 42) + "┘", "│",
         "→", 0, 0},
        {"32x32.psf", 24, 80, "W" + repeated(right, 20), wide_title + repeated(line, 25) + "┐",
         "└" + repeated("↓", 42) + "┘", "←", "→", 0, 1},
        {"32x32.psf", 24, 80, "W" + left + up, wide_title + repeated("↑", 25) + "┐",
         "└" + repeated(line, 42) + "┘", "←", "│", 16, 12},
        {"CyrAsia-Fixed18.psf.gz", 24, 80, up, "┌ Char 065 ↑↑┐", "└" + repeated(line, 12) + "┘", "│", "│",
         2, 0},
        {"Lat15-TerminusBold32x16.psf.gz", 40, 100, "W", wide_title + repeated(line, 17) + "┐",
         "└" + repeated(line, 34) + "┘", "│", "│", 0, 0},
        {"64x128.psf", 24, 80, "", "┌ Char 065 " + repeated(line, 32) + "┐", "└" + repeated("↓", 42) + "┘", "│",
         "→", 0, 0},
        {"64x128.psf", 24, 80, left + up, "┌ Char 065 " + repeated("↑", 32) + "┐", "└" + repeated(line, 42) + "┘",
         "←", "│", 112, 24},
        {"64x128.psf", 24, 80, "W", wide_title + repeated(line, 25) + "┐", "└" + repeated("↓", 42) + "┘", "│",
         "→", 0, 0},
        {"64x128.psf", 24, 80, "W" + left + up + repeated(left, 30), wide_title + repeated("↑", 25) + "┐",
         "└" + repeated(line, 42) + "┘", "←", "→", 112, 33},
        {"64x128.psf", 60, 160, "", "┌ Char 065 " + repeated(line, 56) + "┐", "└" + repeated("↓", 66) + "┘", "│",
         "│", 0, 0},
    };
}

// Arrows on an edge tell that more of the glyph lies beyond it; the view
// moves only as far as the pixel cursor needs. A page step then draws the
// next glyph in the same view, and not a single piece of frame.
TEST_F(glyph_view, shows_the_part_around_the_pixel_cursor_with_arrows_where_more_lies)
{
    for (const view_case &c : view_cases()) {
        SCOPED_TRACE(c.font + " " + std::to_string(c.cols) + "x" + std::to_string(c.rows) + " after " +
                     std::to_string(c.keys.size()) + " bytes of keys");
        editing e(c.font, c.rows, c.cols, "C.UTF-8");
        const psf_font font = read_psf(e.dir.read(c.font));
        e.press(c.keys);
        const window_box box = glyph_frame(*e.t);
        const int cell = c.keys.starts_with("W") ? 2 : 1;
        EXPECT_EQ(e.t->text(box.top, box.left, box.cols), c.top);
        EXPECT_EQ(e.t->text(box.top + box.rows - 1, box.left, box.cols), c.bottom);
        for (int row = box.top + 1; row < box.top + box.rows - 1; ++row)
            EXPECT_EQ(e.t->text(row, box.left, 1) + e.t->text(row, box.left + box.cols - 1, 1), c.left + c.right);
        std::vector<std::string> shown = shown_pixels(*e.t, box, "█", cell);
        EXPECT_EQ(shown, part_of(font, 65, c.first_row, c.first_col, shown));

        const size_t sent_before = e.t->terminal_output().size();
        e.press(key("knp"));
        const std::string step = e.t->terminal_output().substr(sent_before);
        for (const char *frame : {"─", "│", "┌", "┐", "└", "┘", "↑", "↓", "←", "→"})
            EXPECT_EQ(step.find(frame), std::string::npos) << "a page step sent " << frame;
        EXPECT_EQ(e.title(box), title_of(66));
        shown = shown_pixels(*e.t, box, "█", cell);
        EXPECT_EQ(shown, part_of(font, 66, c.first_row, c.first_col, shown));
    }
}

// PgDown and PgUp wrap at the font's count, # takes as many digits as the
// last glyph number has (three at least) and its number modulo the count,
// and a glyph past 255 is edited and saved as its own bit.
TEST_F(glyphs_past_255, are_reached_by_the_page_keys_and_hash_and_saved_where_they_are)
{
    struct step {
        std::string keys;
        int glyph;
    };
    const struct {
        std::string name;
        std::vector<step> steps;  // the last glyph reached is edited
    } cases[] = {
        {"Uni2-VGA16.psf.gz", {{key("kpp", 66), 511}, {key("knp"), 0}, {"#700\r", 188}, {"#1000\r", 100}, {"#300\r", 300}}},
        {"65536.psf", {{key("kpp", 66), 65535}, {key("knp"), 0}, {"#999999\r", 34463}, {"#65535\r", 65535},
                       {"#1324\r", 1324}}},
    };
    for (const auto &f : cases) {
        editing e(f.name);
        const psf_font font = read_psf(e.dir.read(f.name));
        for (const step &step : f.steps) {
            e.press(step.keys);
            const window_box box = glyph_frame(*e.t);
            EXPECT_EQ(e.title(box, step.glyph), title_of(step.glyph)) << f.name;
            const std::vector<std::string> shown = shown_pixels(*e.t, box, lit_pixel(term));
            EXPECT_EQ(shown, part_of(font, step.glyph, 0, 0, shown)) << f.name;
        }
        e.press(key("kcud1", 5) + key("kcuf1", 3) + " ");
        e.save();
        font_bytes expected = font.bytes;
        expected[font.byte_of(f.steps.back().glyph, 5, 3)] ^= font.mask(3);
        EXPECT_EQ(read_psf(e.dir.read(f.name)).bytes, expected) << f.name;
    }
}

// After a change of the whole font the glyph and pixel cursor are moved back
// to the last that exist, and only then.
TEST_F(position, is_clamped_to_the_last_glyph_row_and_column_after_a_load_of_a_smaller_font)
{
    editing e("Uni2-VGA16.psf.gz");
    put_font(e.dir, "Lat15-VGA8.psf.gz");
    put_font(e.dir, "1x1.psf");
    const struct {
        std::string keys;
        int glyph;
        int row;
        int col;
    } steps[] = {
        {"#400\r" + key("kcuu1") + key("kcub1"), 400, 15, 7},
        {"L\x15Lat15-VGA8.psf.gz\r", 255, 7, 7},
        {"U", 255, 7, 7},
        {"\x12", 255, 7, 7},
        {"L\x15" "1x1.psf\r", 0, 0, 0},
        {"U", 0, 0, 0},
    };
    for (const auto &step : steps) {
        e.press(step.keys);
        const window_box box = glyph_frame(*e.t);
        EXPECT_EQ(e.title(box), title_of(step.glyph)) << step.keys;
        EXPECT_EQ(e.t->cursor(), (cursor_position{box.top + 1 + step.row, box.left + 2 + step.col})) << step.keys;
    }
}

// Glyph 65, where the editor starts, lies beyond a font of one glyph.
TEST_F(position, a_font_of_one_glyph_starts_on_glyph_0_and_takes_an_edit)
{
    editing e("1x1.psf");
    EXPECT_EQ(e.title(glyph_frame(*e.t)), title_of(0));
    e.press(" ");
    e.save();
    font_bytes expected = patterned_psf2(1, 1, 1);
    expected[32] ^= 0x80;
    EXPECT_EQ(e.dir.read("1x1.psf"), expected);
}

} // namespace
