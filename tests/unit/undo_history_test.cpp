#include "glyph/undo_history.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using font_copy = std::vector<unsigned char>;

// The changes as the editor makes them: the font first, then the record.
void toggle(int c, int row, int col)
{
    flip_pixel(font_buffer, c, row, col);
    record_toggle(c, row, col);
}

void pop_into(glyph_stack &stack, int c)
{
    const glyph_copy before = copy_glyph(font_buffer, c);
    const glyph_copy copy = *stack_pop(stack);
    paste_glyph(font_buffer, c, copy);
    record_pop(c, before, copy);
}

// A font of `width` x `height` and `count` glyphs, every byte `fill`, read
// from text of `source_size` bytes.
void load(const std::string &label, unsigned char fill, int width = 8, int height = 16, int count = 256,
          size_t source_size = 0)
{
    font_value before = font_buffer;
    font_buffer = {width, height, count, font_copy(static_cast<size_t>(count * height * row_bytes(width)), fill)};
    font_buffer.source_size = source_size;
    record_font_replacement(label, std::move(before));
}

// A change of glyph `c`'s characters, which leaves `mark` at byte `at` of
// the font (its first byte, as a PSF1 mode byte may change, or near its end).
void change_characters(int c, unsigned char mark, size_t at = 0)
{
    const font_value before = font_buffer;
    font_buffer.bytes[at] = mark;
    record_characters_change(c, before);
}

glyph_copy glyph_of(unsigned char n, int width = 8, int height = 16)
{
    return {width, height, std::vector<unsigned char>(static_cast<size_t>(height * row_bytes(width)), n)};
}

class undo_history_test : public testing::Test {
protected:
    glyph_stack stack;
    void SetUp() override
    {
        font_buffer = {};
        history_restart(history_budget);
        stack_push(stack, glyph_of(1));
        stack_push(stack, glyph_of(2, 8, 14));
    }
};

TEST_F(undo_history_test, every_kind_of_change_undoes_to_each_earlier_font_and_redoes_forward)
{
    const std::function<void()> changes[] = {
        [] { toggle(65, 3, 2); },
        [this] { pop_into(stack, 66); },
        [] { load("load of a.font", 0x5A, 16, 32, 512); },
        [this] { pop_into(stack, 300); },
        [] { change_characters(300, 0x77); },
        [] { toggle(300, 31, 15); },
        [] { load("load of b.font", 0x11, 64, 128, 512); },
        [] { toggle(300, 127, 63); },
        [] { load("load of c.font", 0x22, 1, 1, 65536); },
        [] { toggle(65535, 0, 0); },
        [] { toggle(256, 0, 0); },
    };
    std::vector<font_copy> fonts{font_buffer.bytes};
    for (const auto &change : changes) {
        change();
        fonts.push_back(font_buffer.bytes);
    }
    for (size_t step = fonts.size() - 1; step-- > 0;) {
        EXPECT_EQ(undo_change(stack)->steps_left, static_cast<int64_t>(step));
        EXPECT_EQ(font_buffer.bytes, fonts[step]) << "after undoing step " << step;
    }
    EXPECT_FALSE(undo_change(stack));
    EXPECT_EQ(stack_count(stack), 2) << "both pops undone";
    EXPECT_EQ(stack_top(stack), glyph_of(2, 8, 14)) << "the copies keep their sizes";
    stack_push(stack, glyph_of(3));
    for (size_t step = 1; step < fonts.size(); ++step) {
        EXPECT_TRUE(redo_change(stack));
        EXPECT_EQ(font_buffer.bytes, fonts[step]) << "after redoing step " << step;
    }
    EXPECT_FALSE(redo_change(stack));
    EXPECT_EQ(stack_count(stack), 3) << "a copy pushed since keeps the redone pops' copies under it";
    EXPECT_EQ(stack_top(stack), glyph_of(3));
}

TEST_F(undo_history_test, a_small_budget_keeps_the_newest_steps)
{
    history_restart(2 + 8 * 42);  // exactly a load and eight pops of 8x16 glyphs
    glyph_stack many;
    for (int i = 0; i < 20; ++i)
        stack_push(many, glyph_of(7));
    load("load of a.font", 3);
    for (int c = 0; c < 8; ++c)
        pop_into(many, c);
    auto undo_all = [&many] {
        int undone = 0;
        while (undo_change(many))
            ++undone;
        return undone;
    };
    EXPECT_EQ(undo_all(), 9) << "steps that fill the budget exactly are all kept";
    while (redo_change(many)) {
    }
    for (int c = 8; c < 12; ++c)
        pop_into(many, c);
    EXPECT_EQ(undo_all(), 8) << "the load and the oldest pops made room";
    EXPECT_EQ(font_buffer.bytes[0], 7) << "the pop into glyph 0 is out of reach";
    // Whole fonts, also those a change of characters replaced, are kept beside
    // the ring: eight of the largest the console takes.
    history_restart(history_budget);
    for (int n = 0; n < 12; ++n)
        n % 2 ? change_characters(65, static_cast<unsigned char>(n))
              : load("load of big.psf", static_cast<unsigned char>(n), 32, 32, 512);
    EXPECT_EQ(undo_all(), static_cast<int>(whole_fonts_kept));
    EXPECT_EQ(font_buffer.bytes[0], 12 - whole_fonts_kept - 1);
    // A change near the end keeps only the bytes from there on.
    history_restart(history_budget);
    const font_copy first = font_buffer.bytes;
    load("load of big.psf", 1, 32, 32, 512);
    const size_t last = font_buffer.bytes.size() - 1;
    for (int n = 0; n < 100; ++n)
        change_characters(65, static_cast<unsigned char>(n + 2), last - static_cast<size_t>(n % 3));
    const font_copy changed = font_buffer.bytes;
    EXPECT_EQ(undo_all(), 101) << "a hundred changes of characters and the load";
    EXPECT_EQ(font_buffer.bytes, first);
    while (redo_change(many)) {
    }
    EXPECT_EQ(font_buffer.bytes, changed);
    // Eight of the largest a console takes, 64x128 of 512 glyphs; of larger
    // ones, or ones read from long text, only as many as the cap holds, and
    // none over it.
    const struct {
        int count;  // glyphs of 64x128 in each font loaded
        size_t text;
        int kept;
    } sizes[] = {{512, 0, 8}, {2048, 0, 3}, {8193, 0, 0}, {1, 3 << 20, 2}};
    for (const auto &size : sizes) {
        history_restart(history_budget);
        for (int n = 0; n < 10; ++n)
            load("load of huge.psf", static_cast<unsigned char>(n), 64, 128, size.count, size.text);
        EXPECT_EQ(undo_all(), size.kept) << size.count << " glyphs";
    }
    // Loads of small fonts after them leave the large ones kept.
    font_buffer = {};
    history_restart(history_budget);
    for (int n = 0; n < 4; ++n)
        load("load of huge.psf", static_cast<unsigned char>(n), 64, 128, 512);
    load("load of a.font", 1);
    toggle(1, 2, 3);
    load("load of b.font", 2);
    EXPECT_EQ(undo_all(), 7);
}

// Steps: t toggle, l load, s saved, u undo, r redo. A change made after
// undoing past the saved state, or a small budget, puts it out of reach.
TEST_F(undo_history_test, the_font_is_saved_exactly_at_the_state_of_the_last_load_or_save)
{
    const struct {
        const char *steps;
        bool unsaved;
        size_t budget = history_budget;
    } cases[] = {
        {"", false},     {"t", true},      {"tu", false},   {"tur", true},     {"tt", true},
        {"tsu", true},   {"tsur", false},  {"tl", true},    {"tls", false},    {"tlsu", true},
        {"tuut", true},  {"tsuut", true},  {"ttsuuttuu", true}, {"ttttuuuu", true, 12},
        {"t", true, 1},  // a step larger than the whole budget
    };
    for (const auto &c : cases) {
        history_restart(c.budget);
        for (const char *step = c.steps; *step; ++step) {
            switch (*step) {
            case 't': toggle(1, 2, 3); break;
            case 'l': load("load of b.font", 2); break;
            case 's': mark_font_saved(); break;
            case 'u': undo_change(stack); break;
            case 'r': redo_change(stack); break;
            }
        }
        EXPECT_EQ(font_has_unsaved_changes, c.unsaved) << c.steps;
    }
}

TEST_F(undo_history_test, labels_take_a_column_a_byte_and_long_ones_are_shortened_in_the_middle)
{
    // UTF-8, Latin-1 and control bytes alike: every byte one "?".
    load("load of /a/\xe9\xe9\xe9éééééé\x1bé\x80\x80\x80ééé.font", 1);
    history_change change = *undo_change(stack);
    change.steps_left = 9'999'999;
    EXPECT_EQ(change_message(change, false), "Redone: load of /a/???????...??????????????.font"
                                             " (9999999 more to redo).");
}

} // namespace
