#include "glyph/undo_history.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using font_copy = std::array<unsigned char, font_size>;

// The changes as the editor makes them: the font first, then the record.
void toggle(int c, int row, int col)
{
    font_buffer[static_cast<size_t>(c * glyph_height + row)] ^= static_cast<unsigned char>(0x80 >> col);
    record_toggle(c, row, col);
}

void pop_into(glyph_stack &stack, int c)
{
    glyph before;
    unsigned char *target = font_buffer.data() + c * glyph_height;
    std::copy_n(target, glyph_height, before.begin());
    glyph copy = *stack_pop(stack);
    std::copy(copy.begin(), copy.end(), target);
    record_pop(c, before);
}

void load(const std::string &label, unsigned char fill)
{
    const font_copy before = font_buffer;
    font_buffer.fill(fill);
    record_font_replacement(label, before.data());
}

class undo_history_test : public testing::Test {
protected:
    glyph_stack stack;
    void SetUp() override
    {
        font_buffer.fill(0);
        history_restart(history_budget);
    }
};

TEST_F(undo_history_test, every_kind_of_change_undoes_to_each_earlier_font_and_redoes_forward)
{
    stack_push(stack, glyph{1, 2, 3});
    stack_push(stack, glyph{4, 5, 6});
    std::vector<font_copy> fonts{font_buffer};
    auto changed = [&] { fonts.push_back(font_buffer); };
    toggle(65, 3, 2), changed();
    pop_into(stack, 66), changed();
    load("load of a.font", 0x5A), changed();
    toggle(255, 15, 7), changed();
    pop_into(stack, 0), changed();
    toggle(255, 15, 7), changed();
    const step_kind kinds[] = {step_kind::toggle, step_kind::pop, step_kind::whole_font,
                               step_kind::toggle, step_kind::pop, step_kind::toggle};

    for (size_t step = fonts.size() - 1; step-- > 0;) {
        std::optional<history_change> change = undo_change(stack);
        ASSERT_TRUE(change);
        EXPECT_EQ(change->kind, kinds[step]);
        EXPECT_EQ(change->steps_left, static_cast<int64_t>(step));
        EXPECT_EQ(font_buffer, fonts[step]) << "after undoing step " << step;
    }
    EXPECT_FALSE(undo_change(stack));
    EXPECT_EQ(stack.entries, (std::vector<glyph>{{1, 2, 3}, {4, 5, 6}})) << "both pops undone";

    for (size_t step = 1; step < fonts.size(); ++step) {
        std::optional<history_change> change = redo_change(stack);
        ASSERT_TRUE(change);
        EXPECT_EQ(change->kind, kinds[step - 1]);
        EXPECT_EQ(font_buffer, fonts[step]) << "after redoing step " << step;
    }
    EXPECT_FALSE(redo_change(stack));
    EXPECT_TRUE(stack.entries.empty()) << "both pops redone";
}

TEST_F(undo_history_test, what_an_undo_reports)
{
    toggle(65, 3, 2);
    load("load of a.font", 1);
    EXPECT_EQ(change_message(*undo_change(stack), true), "Undone: load of a.font (1 more to undo).");
    history_change change = *undo_change(stack);
    EXPECT_EQ(std::tuple(change.char_index, change.row, change.col), std::tuple(65, 3, 2));
    EXPECT_EQ(change_message(change, true),
              "Undone: pixel at row 3, column 2 of char 065 (nothing more to undo).");
}

TEST_F(undo_history_test, a_small_budget_keeps_the_newest_steps)
{
    history_restart(10 * 4 + 3);  // ten toggles and a bit
    for (int i = 0; i < 25; ++i)
        toggle(i, i % 16, i % 8);
    int undone = 0;
    while (undo_change(stack))
        ++undone;
    EXPECT_EQ(undone, 10);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(font_buffer[static_cast<size_t>(i * glyph_height + i % 16)] != 0, i < 15) << i;

    history_restart(font_size + 200);  // a load and eight pops
    glyph_stack many{std::vector<glyph>(20, glyph{7})};
    load("load of a.font", 3);
    for (int c = 0; c < 12; ++c)
        pop_into(many, c);
    int pops_undone = 0;
    while (std::optional<history_change> change = undo_change(many)) {
        EXPECT_EQ(change->kind, step_kind::pop);
        ++pops_undone;
    }
    EXPECT_EQ(pops_undone, 12) << "the load made room for the ninth pop";
    EXPECT_EQ(font_buffer[0], 3);
}

TEST_F(undo_history_test, a_whole_font_larger_than_the_budget_starts_the_history_anew)
{
    history_restart(100);
    toggle(65, 0, 0);
    load("load of a.font", 9);
    EXPECT_FALSE(undo_change(stack));
    EXPECT_TRUE(font_has_unsaved_changes);
    EXPECT_EQ(font_buffer[0], 9);
}

// Steps: t toggle, l load, s saved, u undo, r redo. A change made after
// undoing past the saved state leaves that state out of reach for good.
TEST_F(undo_history_test, the_font_is_saved_exactly_at_the_state_of_the_last_load_or_save)
{
    const struct {
        const char *steps;
        bool unsaved;
    } cases[] = {
        {"", false},   {"t", true},     {"tu", false},   {"tur", true},   {"tt", true},
        {"tsu", true}, {"tsur", false}, {"tl", true},    {"tls", false},  {"tlsu", true},
        {"tuut", true}, {"tsuut", true}, {"ttsuutt", true}, {"ttsuuttuu", true},
    };
    for (const auto &c : cases) {
        font_buffer.fill(0);
        history_restart(history_budget);
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

TEST_F(undo_history_test, the_saved_state_dropped_from_a_small_budget_is_never_reached)
{
    history_restart(4 * 4);
    for (int i = 0; i < 5; ++i)
        toggle(1, 2, 3);
    while (undo_change(stack)) {
    }
    EXPECT_TRUE(font_has_unsaved_changes);
}

TEST_F(undo_history_test, redoing_a_pop_leaves_copies_pushed_since_on_the_stack)
{
    stack_push(stack, glyph{1});
    pop_into(stack, 65);
    undo_change(stack);
    stack_push(stack, glyph{2});
    redo_change(stack);
    EXPECT_EQ(font_buffer[65 * glyph_height], 1);
    EXPECT_EQ(stack.entries, (std::vector<glyph>{{1}, {2}}));
}

// Whether every character of `text` is whole.
bool whole_utf8(const std::string &text)
{
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((text[i + k] & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

std::string repeated(const std::string &text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

TEST_F(undo_history_test, long_labels_are_shortened_in_the_middle_between_characters)
{
    // The cut falls inside a character before the dots in the second, after them in the third.
    for (const std::string &name : {std::string(300, 'x') + ".psf.gz",
                                    "/font/" + repeated("\u20ac", 20) + ".font",
                                    "/fonts/" + repeated("\u20ac", 20) + ".font"}) {
        load("load of " + name, 1);
        history_change change = *undo_change(stack);
        EXPECT_LE(change.label.size(), label_capacity);
        EXPECT_EQ(change.label.rfind("load of ", 0), 0u) << change.label;
        EXPECT_NE(change.label.find("..."), std::string::npos) << change.label;
        EXPECT_EQ(change.label.substr(change.label.size() - 5), name.substr(name.size() - 5));
        EXPECT_TRUE(whole_utf8(change.label)) << change.label;
        change.steps_left = 9'999'999;
        EXPECT_LT(change_message(change, false).size(), 80u);
    }
}

} // namespace
