// Taking glyphs from and giving them to a console that keeps the kernel's rules.
#include "console/console_font.h"
#include "fake_console.h"
#include "glyph/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

struct font_shape {
    int width;
    int height;
    int count;
};

font_value editor_font(int seed, font_shape shape = {8, 16, 256})
{
    font_value font;
    font.width = shape.width;
    font.height = shape.height;
    font.count = shape.count;
    font.bytes.resize(static_cast<size_t>(shape.count * glyph_size(font)));
    for (size_t i = 0; i < font.bytes.size(); ++i)
        font.bytes[i] = static_cast<unsigned char>((i * 5 + static_cast<size_t>(seed) * 31) % 255 + 1);
    return font;
}

size_t fake_glyph_size()
{
    return (fake_console.width + 7) / 8 * size_t{fake_console.height};
}

std::vector<unsigned char> glyph_of(const font_value &font, int c)
{
    return {glyph_at(font, c), glyph_at(font, c) + glyph_size(font)};
}

// Glyph c of the console, at the console's size.
std::vector<unsigned char> fake_glyph(size_t c)
{
    const size_t size = fake_glyph_size();
    return {fake_console.rows.begin() + static_cast<long>(c * size),
            fake_console.rows.begin() + static_cast<long>((c + 1) * size)};
}

TEST(console_font, only_a_virtual_console_with_its_keyboard_type_counts)
{
    make_fake_console(256, 8, 16, 1);
    EXPECT_TRUE(is_virtual_console(0));
    fake_console.keyboard = KB_84;
    EXPECT_TRUE(is_virtual_console(0));
    fake_console.keyboard = KB_OTHER;
    EXPECT_FALSE(is_virtual_console(0));
    fake_console.is_console = false;
    EXPECT_FALSE(is_virtual_console(0));
}

struct console_shape {
    bool framebuffer;
    unsigned glyphs;
    unsigned width;
    unsigned height;
    unsigned pixel_width = 1280;  // of a framebuffer
    unsigned pixel_height = 1024;
};

void make_console(const console_shape &shape, int seed)
{
    if (shape.framebuffer)
        make_framebuffer_console(shape.glyphs, shape.width, shape.height, seed, shape.pixel_width,
                                 shape.pixel_height);
    else
        make_fake_console(shape.glyphs, shape.width, shape.height, seed);
}

TEST(console_font, takes_the_whole_console_font_at_its_size)
{
    for (const console_shape shape : {console_shape{false, 256, 8, 16}, {false, 512, 8, 16}, {false, 512, 8, 14},
                                      {true, 512, 16, 32}, {true, 256, 12, 24}, {true, 512, 32, 64},
                                      {true, 256, 64, 128}, {true, 512, 33, 8}}) {
        make_console(shape, 2);
        font_value font;
        const console_outcome outcome = take_console_font(0, font);
        EXPECT_TRUE(outcome.done);
        EXPECT_EQ(outcome.message, "Font loaded from console.");
        ASSERT_EQ(font.count, static_cast<int>(shape.glyphs));
        ASSERT_EQ(font.width, static_cast<int>(shape.width));
        ASSERT_EQ(font.height, static_cast<int>(shape.height));
        EXPECT_EQ(font.bytes.size(), shape.glyphs * static_cast<size_t>(glyph_size(font)));
        for (int c = 0; c < font.count; ++c)
            ASSERT_EQ(glyph_of(font, c), fake_glyph(static_cast<size_t>(c)))
                << shape.width << "x" << shape.height << ", glyph " << c;
        EXPECT_EQ(fake_console.sets, 0);
    }
}

// The console takes the font's size and count; a 512-glyph console keeps
// its glyphs 256-511 only under a 256-glyph font of its own size.
TEST(console_font, gives_the_font_at_its_size_keeping_glyphs_256_to_511_of_the_same_size)
{
    struct giving {
        console_shape console;
        font_shape font;
        bool keeps_upper_glyphs;
    };
    const giving cases[] = {
        {{false, 256, 8, 16}, {8, 16, 256}, false},
        {{false, 512, 8, 16}, {8, 16, 256}, true},
        {{false, 256, 8, 8}, {8, 16, 256}, false},
        {{true, 512, 16, 32}, {8, 14, 512}, false},
        {{true, 256, 8, 16}, {16, 32, 512}, false},
        {{true, 256, 8, 16}, {12, 24, 256}, false},
        // Leaving the console at exactly the 80x24 the editor needs.
        {{true, 256, 8, 16, 1280, 768}, {16, 32, 256}, false},
        {{true, 256, 8, 16, 2560, 1536}, {32, 64, 512}, false},
        {{true, 512, 32, 64, 2560, 1536}, {32, 64, 256}, true},
        {{true, 512, 64, 128, 5120, 3072}, {8, 16, 512}, false},
        {{true, 512, 8, 16, 5120, 3072}, {64, 128, 512}, false},
        {{true, 512, 8, 16, 2640, 400}, {33, 8, 512}, false},
    };
    for (const giving &c : cases) {
        const font_value font = editor_font(3, c.font);
        make_console(c.console, 4);
        const std::vector<unsigned char> before = fake_console.rows;
        const console_outcome outcome = give_console_font(0, font);
        EXPECT_EQ(outcome.message, "Font saved to console. Glyph 32 is not blank: it fills the background.");
        // A font past 32x32 is read again with the tall call.
        EXPECT_EQ(fake_console.gets, c.console.width > 32 || c.console.height > 32 ? 2 : 1);
        ASSERT_EQ(fake_console.sets, 1);
        EXPECT_EQ(fake_console.glyphs, std::max(c.console.glyphs, static_cast<unsigned>(c.font.count)));
        EXPECT_EQ(fake_console.width, static_cast<unsigned>(c.font.width));
        EXPECT_EQ(fake_console.height, static_cast<unsigned>(c.font.height));
        for (int g = 0; g < font.count; ++g)
            ASSERT_EQ(fake_glyph(static_cast<size_t>(g)), glyph_of(font, g)) << c.font.width << "x" << c.font.height
                                                                           << ", glyph " << g;
        if (c.keeps_upper_glyphs) {
            const auto upper = static_cast<long>(256 * fake_glyph_size());
            ASSERT_EQ(before.size(), fake_console.rows.size());
            EXPECT_TRUE(std::equal(before.begin() + upper, before.end(), fake_console.rows.begin() + upper));
        }
    }
    // Only a font past 32x32 needs the tall call, which a kernel before 6.2 lacks.
    make_framebuffer_console(256, 8, 16, 8, 1280, 768);
    fake_console.knows_tall_ops = false;
    EXPECT_EQ(give_console_font(0, editor_font(3, {16, 32, 256})).message,
              "Font saved to console. Glyph 32 is not blank: it fills the background.");
    make_fake_console(256, 8, 16, 4);
    font_value space;
    EXPECT_EQ(give_console_font(0, space).message, "Font saved to console.");
    space.bytes[32 * 16 + 15] = 0x01;
    EXPECT_EQ(give_console_font(0, space).message,
              "Font saved to console. Glyph 32 is not blank: it fills the background.");
}

struct failing_console {
    const char *what;
    std::function<void()> set_up;
    const char *take_message;  // nullptr: taking works there
    const char *give_message;
    font_shape font = {8, 16, 256};  // the font given
};

TEST(console_font, a_failure_says_why_and_leaves_both_fonts_alone)
{
    const failing_console cases[] = {
        {"graphics mode", [] { fake_console.mode = KD_GRAPHICS; },
         "The console is not in text mode.", "The console is not in text mode."},
        {"dummy driver", [] { fake_console.has_font = false; },
         "This console has no loadable font.", "This console has no loadable font."},
        {"someone else's console", [] { fake_console.may_set = false; },
         nullptr, "Not allowed to change this console's font."},
        {"a driver that refuses the font", [] { fake_console.refuses_set = true; },
         nullptr, "The console refused the font."},
        {"8x14 with 512 glyphs", [] { make_fake_console(512, 8, 14, 8); },
         nullptr, "The console font is 8x14 with 512 glyphs: its glyphs 256-511 cannot be kept."},
        {"more glyphs than a console has", [] { make_fake_console(1024, 8, 16, 8); },
         "The console font is too large to read.", "The console font is too large to read."},
        {"not a console", [] { fake_console.is_console = false; },
         "Inappropriate ioctl for device", "Inappropriate ioctl for device"},
        {"100 glyphs", [] {}, nullptr, "The font has 100 glyphs: a console takes only 256 or 512.", {8, 16, 100}},
        {"8x18 on 80x25 VGA", [] { make_fake_console(256, 8, 16, 8); },
         nullptr, "The font would make the console 80x22; the editor needs 80x24.", {8, 18, 512}},
        {"16x32 on a 1024x768 framebuffer", [] { make_framebuffer_console(256, 8, 16, 8, 1024, 768); },
         nullptr, "The font would make the console 64x24; the editor needs 80x24.", {16, 32, 512}},
        {"6x12 on VGA", [] { make_fake_console(256, 8, 16, 8); },
         nullptr, "The console refused the font: a VGA console takes only 8-pixel-wide fonts.", {6, 12, 256}},
        {"8x33 on VGA", [] { make_fake_console(256, 8, 16, 8), fake_console.pixel_height = 33 * 25; },
         nullptr, "The console refused the font.", {8, 33, 256}},
        {"32x64 before Linux 6.2", [] {
             make_framebuffer_console(256, 8, 16, 8, 2560, 1536);
             fake_console.knows_tall_ops = false;
         },
         nullptr, "The console refused the font: fonts over 32x32 need Linux 6.2 or later.", {32, 64, 512}},
        {"64x128 a pixel short of 80x24", [] { make_framebuffer_console(256, 8, 16, 8, 5120, 3071); },
         nullptr, "The font would make the console 80x23; the editor needs 80x24.", {64, 128, 512}},
    };
    for (const failing_console &c : cases) {
        const font_value original = editor_font(9, c.font);
        make_fake_console(512, 8, 16, 10);
        c.set_up();
        const fake_console_t console_before = fake_console;
        font_value font = original;
        const console_outcome taken = take_console_font(0, font);
        EXPECT_EQ(taken.done, c.take_message == nullptr) << c.what;
        if (c.take_message) {
            EXPECT_EQ(taken.message, c.take_message) << c.what;
            EXPECT_EQ(font.bytes, original.bytes) << c.what;
        }
        if (!c.give_message)
            continue;
        const console_outcome given = give_console_font(0, original);
        EXPECT_FALSE(given.done) << c.what;
        EXPECT_EQ(given.message, c.give_message) << c.what;
        EXPECT_LE(given.message.size(), 80u) << c.what;
        EXPECT_EQ(fake_console.sets, 0) << c.what;
        EXPECT_EQ(fake_console.rows, console_before.rows) << c.what;
        EXPECT_EQ(fake_console.glyphs, console_before.glyphs) << c.what;
    }
}

} // namespace
