// Taking glyphs from and giving them to a console that keeps the kernel's rules.
#include "console/console_font.h"
#include "fake_console.h"
#include "glyph/font.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

font_value editor_font(int seed)
{
    font_value font;
    for (size_t i = 0; i < font.bytes.size(); ++i)
        font.bytes[i] = static_cast<unsigned char>((i * 5 + static_cast<size_t>(seed) * 31) % 255 + 1);
    return font;
}

// Slot c as the kernel expects it for an 8x16 glyph: 16 rows, 16 bytes of padding.
std::vector<unsigned char> slot_of(const font_value &font, size_t c)
{
    std::vector<unsigned char> slot(font.bytes.begin() + static_cast<long>(c * 16),
                                    font.bytes.begin() + static_cast<long>(c * 16 + 16));
    slot.resize(32, 0);
    return slot;
}

std::vector<unsigned char> fake_slot(size_t c)
{
    return {fake_console.slots.begin() + static_cast<long>(c * 32),
            fake_console.slots.begin() + static_cast<long>(c * 32 + 32)};
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

TEST(console_font, takes_glyphs_0_to_255_of_an_8x16_console_font)
{
    for (unsigned glyphs : {256u, 512u}) {
        make_fake_console(glyphs, 8, 16, 2);
        font_value font;
        const console_outcome outcome = take_console_font(0, font);
        EXPECT_EQ(font.count, static_cast<int>(glyphs));
        EXPECT_TRUE(outcome.done);
        EXPECT_EQ(outcome.message, "Font loaded from console.");
        for (size_t c = 0; c < glyphs; ++c) {
            std::vector<unsigned char> expected = fake_slot(c);
            expected.resize(16);
            ASSERT_EQ(std::vector<unsigned char>(font.bytes.begin() + static_cast<long>(c * 16),
                                                 font.bytes.begin() + static_cast<long>(c * 16 + 16)),
                      expected)
                << glyphs << " glyphs, glyph " << c;
        }
        EXPECT_EQ(fake_console.sets, 0);
    }
}

// A 256-glyph console of another size takes the 8x16 font as it is.
TEST(console_font, gives_glyphs_0_to_255_keeping_the_glyph_count_and_glyphs_256_to_511)
{
    const font_value font = editor_font(3);
    struct console_shape {
        unsigned glyphs;
        unsigned height;
    };
    for (const auto [glyphs, height] : {console_shape{256, 16}, {512, 16}, {256, 8}}) {
        make_fake_console(glyphs, 8, height, 4);
        const std::vector<unsigned char> before = fake_console.slots;
        const console_outcome outcome = give_console_font(0, font);
        EXPECT_EQ(outcome.message, "Font saved to console. Glyph 32 is not blank: it fills the background.");
        EXPECT_EQ(fake_console.gets, 1);
        EXPECT_EQ(fake_console.sets, 1);
        EXPECT_EQ(fake_console.glyphs, glyphs);
        EXPECT_EQ(fake_console.height, 16u);
        for (size_t c = 0; c < 256; ++c)
            ASSERT_EQ(fake_slot(c), slot_of(font, c)) << glyphs << " glyphs, glyph " << c;
        EXPECT_TRUE(std::equal(before.begin() + 256 * 32, before.end(), fake_console.slots.begin() + 256 * 32));
    }
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
    };
    const font_value original = editor_font(9);
    for (const failing_console &c : cases) {
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
        EXPECT_EQ(fake_console.sets, 0) << c.what;
        EXPECT_EQ(fake_console.slots, console_before.slots) << c.what;
        EXPECT_EQ(fake_console.glyphs, console_before.glyphs) << c.what;
    }
}

} // namespace
