// Each step is stored as its kind, its data and its kind again, so the ring
// can be walked from the oldest end (to drop steps) and from the newest
// (to undo). Undoing and redoing a step are the same operation: a toggle
// flips its pixel again, a pop or a whole-font change swaps the bytes kept
// in the step with those in the font.
#include "glyph/undo_history.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>

undo_history font_history;

// ======== The ring ========

constexpr size_t toggle_data = 2;                   // glyph, row and column
constexpr size_t pop_data = 1 + glyph_height;       // glyph, its other 16 bytes
constexpr size_t font_data = font_size + label_capacity;

static size_t step_size(step_kind kind)
{
    switch (kind) {
    case step_kind::toggle: return toggle_data + 2;
    case step_kind::pop: return pop_data + 2;
    case step_kind::whole_font: return font_data + 2;
    }
    return 0;
}

static unsigned char &ring_byte(uint64_t offset)
{
    return font_history.ring[offset % font_history.budget];
}

static step_kind kind_at(uint64_t offset)
{
    return static_cast<step_kind>(ring_byte(offset));
}

// Exchanges `length` bytes of the ring from `offset` with those of `data`.
static void swap_with_ring(uint64_t offset, unsigned char *data, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        std::swap(ring_byte(offset + i), data[i]);
}

static void write_to_ring(uint64_t offset, const unsigned char *data, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        ring_byte(offset + i) = data[i];
}

// The pages of the ring become resident only as steps reach them.
static bool ring_ready()
{
    if (!font_history.ring)
        font_history.ring.reset(new (std::nothrow) unsigned char[font_history.budget]);
    return font_history.ring != nullptr;
}

// Written after every change of state, for the rescue on a lost terminal.
static void update_unsaved_flag()
{
    font_has_unsaved_changes = font_history.undo_end != font_history.saved_at;
}

void history_restart(size_t budget)
{
    font_history = undo_history{};
    font_history.budget = budget;
    update_unsaved_flag();
}

void mark_font_saved()
{
    font_history.saved_at = font_history.undo_end;
    update_unsaved_flag();
}

// Drops what could be redone, then the oldest steps until `size` bytes fit.
// A step that cannot be kept at all still makes a new state: the history
// starts over after it, and the saved state is out of reach.
static uint64_t make_room(size_t size)
{
    undo_history &h = font_history;
    if (h.saved_at > h.undo_end)
        h.saved_at = UINT64_MAX;
    h.redo_count = 0;
    if (size > h.budget || !ring_ready()) {
        h.oldest = h.undo_end = h.undo_end + size;
        h.undo_count = 0;
        return UINT64_MAX;
    }
    while (h.undo_end + size - h.oldest > h.budget) {
        h.oldest += step_size(kind_at(h.oldest));
        --h.undo_count;
    }
    return h.undo_end;
}

// Adds a step of `kind` whose data is `data`; the caller has made the change.
static void add_step(step_kind kind, const unsigned char *data, size_t length)
{
    const uint64_t start = make_room(length + 2);
    if (start != UINT64_MAX) {
        ring_byte(start) = static_cast<unsigned char>(kind);
        write_to_ring(start + 1, data, length);
        ring_byte(start + 1 + length) = static_cast<unsigned char>(kind);
        font_history.undo_end = start + length + 2;
        ++font_history.undo_count;
    }
    update_unsaved_flag();
}

// ======== Recording ========

void record_toggle(int char_index, int row, int col)
{
    const unsigned char data[toggle_data] = {static_cast<unsigned char>(char_index),
                                             static_cast<unsigned char>(row << 3 | col)};
    add_step(step_kind::toggle, data, toggle_data);
}

void record_pop(int char_index, const glyph &before)
{
    unsigned char data[pop_data];
    data[0] = static_cast<unsigned char>(char_index);
    std::copy(before.begin(), before.end(), data + 1);
    add_step(step_kind::pop, data, pop_data);
}

// One column a byte, as the prompts show a file name: any byte that is not
// printable ASCII becomes "?", whatever the locale makes of it. Shortened in
// the middle, so both the kind of change and the end of a file name stay.
static std::string fitted_label(std::string label)
{
    for (char &c : label)
        if (c < ' ' || c > '~')
            c = '?';
    if (label.size() <= label_capacity)
        return label;
    const size_t head = label_capacity / 2 - 2;
    const size_t tail = label.size() - (label_capacity - head - 3);
    return label.substr(0, head) + "..." + label.substr(tail);
}

void record_font_replacement(const std::string &label, const unsigned char *before)
{
    std::array<unsigned char, font_data> data{};
    std::copy_n(before, font_size, data.begin());
    const std::string fitted = fitted_label(label);
    std::copy(fitted.begin(), fitted.end(), data.begin() + font_size);
    add_step(step_kind::whole_font, data.data(), font_data);
}

// ======== Undoing and redoing ========

// The copy the pop took, kept in the step at `offset` since the undo.
static void put_back_on_stack(glyph_stack &stack, uint64_t offset)
{
    glyph copy;
    for (size_t i = 0; i < glyph_height; ++i)
        copy[i] = ring_byte(offset + i);
    stack_push(stack, copy);
}

// Pushes made since the pop was undone stay on top; the copy then stays
// under them rather than be taken from the middle of the stack.
static void take_off_stack(glyph_stack &stack, const unsigned char *bytes)
{
    if (!stack.entries.empty() &&
        std::equal(bytes, bytes + glyph_height, stack.entries.back().begin()))
        stack_pop(stack);
}

static void apply_toggle(uint64_t start, history_change &change)
{
    change.char_index = ring_byte(start + 1);
    change.row = ring_byte(start + 2) >> 3;
    change.col = ring_byte(start + 2) & 7;
    font_buffer[static_cast<size_t>(glyph_height * change.char_index + change.row)] ^=
        static_cast<unsigned char>(0x80 >> change.col);
}

static void apply_pop(uint64_t start, history_change &change, glyph_stack &stack, bool undoing)
{
    change.char_index = ring_byte(start + 1);
    unsigned char *target = font_buffer.data() + glyph_height * change.char_index;
    swap_with_ring(start + 2, target, glyph_height);
    if (undoing)
        put_back_on_stack(stack, start + 2);
    else
        take_off_stack(stack, target);
}

static void apply_font_replacement(uint64_t start, history_change &change)
{
    swap_with_ring(start + 1, font_buffer.data(), font_size);
    for (size_t i = 0; i < label_capacity && ring_byte(start + 1 + font_size + i); ++i)
        change.label += static_cast<char>(ring_byte(start + 1 + font_size + i));
}

// Carries out the step at `start` on the font, either way, and says what it was.
static history_change apply_step(uint64_t start, glyph_stack &stack, bool undoing)
{
    history_change change;
    change.kind = kind_at(start);
    switch (change.kind) {
    case step_kind::toggle: apply_toggle(start, change); break;
    case step_kind::pop: apply_pop(start, change, stack, undoing); break;
    case step_kind::whole_font: apply_font_replacement(start, change); break;
    }
    return change;
}

std::optional<history_change> undo_change(glyph_stack &stack)
{
    undo_history &h = font_history;
    if (h.undo_count == 0)
        return std::nullopt;
    const uint64_t start = h.undo_end - step_size(kind_at(h.undo_end - 1));
    history_change change = apply_step(start, stack, true);
    h.undo_end = start;
    --h.undo_count;
    ++h.redo_count;
    update_unsaved_flag();
    change.steps_left = h.undo_count;
    return change;
}

std::optional<history_change> redo_change(glyph_stack &stack)
{
    undo_history &h = font_history;
    if (h.redo_count == 0)
        return std::nullopt;
    history_change change = apply_step(h.undo_end, stack, false);
    h.undo_end += step_size(change.kind);
    --h.redo_count;
    ++h.undo_count;
    update_unsaved_flag();
    change.steps_left = h.redo_count;
    return change;
}

// ======== Messages ========

static std::string what_changed(const history_change &change)
{
    char text[64];
    switch (change.kind) {
    case step_kind::toggle:
        std::snprintf(text, sizeof text, "pixel at row %d, column %d of char %03d", change.row,
                      change.col, change.char_index);
        return text;
    case step_kind::pop:
        std::snprintf(text, sizeof text, "pop into char %03d", change.char_index);
        return text;
    case step_kind::whole_font:
        return change.label;
    }
    return "";
}

std::string change_message(const history_change &change, bool undone)
{
    const char *direction = undone ? "undo" : "redo";
    char left[48];
    if (change.steps_left == 0)
        std::snprintf(left, sizeof left, "nothing more to %s", direction);
    else
        std::snprintf(left, sizeof left, "%lld more to %s",
                      static_cast<long long>(change.steps_left), direction);
    return std::string(undone ? "Undone: " : "Redone: ") + what_changed(change) + " (" + left + ").";
}
