// Each step in the ring is stored as its kind, its data and its kind again,
// so the ring can be walked from the oldest end (to drop steps) and from the
// newest (to undo); a pop, whose size follows its glyphs', also has its
// length inside both kinds. A whole-font step holds no data in the ring:
// its font is kept beside it, and undoing or redoing it swaps that font
// with the one being edited. A change of a glyph's characters is kept the
// same way, with the glyph's number in the ring.
#include "glyph/undo_history.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <span>
#include <utility>

undo_history font_history;

// ======== The ring ========

constexpr size_t toggle_step = 6;      // kind, glyph in 2 bytes, row, column, kind
constexpr size_t pop_framing = 6;      // kind and length at each end
constexpr size_t whole_font_step = 2;  // kind, kind
constexpr size_t characters_step = 4;  // kind, glyph in 2 bytes, kind

static unsigned char &ring_byte(uint64_t offset)
{
    return font_history.ring[offset % font_history.budget];
}

static step_kind kind_at(uint64_t offset)
{
    return static_cast<step_kind>(ring_byte(offset));
}

static size_t u16_at(uint64_t offset)
{
    return size_t{ring_byte(offset)} | size_t{ring_byte(offset + 1)} << 8;
}

static size_t step_size(step_kind kind, size_t pop_length)
{
    switch (kind) {
    case step_kind::toggle: return toggle_step;
    case step_kind::pop: return pop_length + pop_framing;
    case step_kind::whole_font: return whole_font_step;
    case step_kind::characters: return characters_step;
    }
    return 0;
}

static size_t size_of_step_at(uint64_t start)
{
    return step_size(kind_at(start), u16_at(start + 1));
}

static size_t size_of_step_before(uint64_t end)
{
    return step_size(kind_at(end - 1), u16_at(end - 3));
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

// The glyphs alone, as the last load or save left them, for
// glyph_changed_since_saved.
static font_value saved_glyphs;

static void keep_saved_glyphs()
{
    const unsigned char *first = glyph_at(font_buffer, 0);
    saved_glyphs = {.width = font_buffer.width, .height = font_buffer.height,
                    .count = font_buffer.count,
                    .bytes = std::vector<unsigned char>(first, first + glyphs_size(font_buffer))};
}

void history_restart(size_t budget)
{
    font_history = undo_history{};
    font_history.budget = budget;
    update_unsaved_flag();
    keep_saved_glyphs();
}

void mark_font_saved()
{
    font_history.saved_at = font_history.undo_end;
    update_unsaved_flag();
    keep_saved_glyphs();
}

bool glyph_changed_since_saved(int c)
{
    if (font_buffer.width != saved_glyphs.width || font_buffer.height != saved_glyphs.height ||
        font_buffer.count != saved_glyphs.count)
        return true;
    const unsigned char *now = glyph_at(font_buffer, c);
    return !std::equal(now, now + glyph_size(font_buffer), glyph_at(saved_glyphs, c));
}

// ======== The fonts kept ========

static size_t kept_size(const kept_font &kept)
{
    return kept.font.bytes.size() + kept.label.size() + (kept.whole ? kept.font.source_size : 0);
}

// Eight fonts the size of the largest of the one being edited, `added` and
// those kept, within the cap: a load of a smaller font leaves the larger
// ones kept.
static size_t font_allowance(size_t added)
{
    size_t largest = std::max(font_buffer.bytes.size() + font_buffer.source_size + label_capacity, added);
    for (const kept_font &kept : font_history.fonts)
        largest = std::max(largest, kept_size(kept));
    return std::min(kept_fonts_cap, std::max(history_budget, whole_fonts_kept * largest));
}

static void drop_undone_fonts()
{
    undo_history &h = font_history;
    while (h.fonts.size() > h.fonts_in_force) {
        h.font_bytes -= kept_size(h.fonts.back());
        h.fonts.pop_back();
    }
}

static bool keeps_a_font(step_kind kind)
{
    return kind == step_kind::whole_font || kind == step_kind::characters;
}

static void drop_oldest_step()
{
    undo_history &h = font_history;
    if (keeps_a_font(kind_at(h.oldest))) {
        h.font_bytes -= kept_size(h.fonts.front());
        h.fonts.pop_front();
        --h.fonts_in_force;
    }
    h.oldest += size_of_step_at(h.oldest);
    --h.undo_count;
}

// Drops what could be redone, then the oldest steps until `size` bytes fit
// in the ring and `font_size` beside it. A step that cannot be kept at all
// still makes a new state: the history starts over after it, and the saved
// state is out of reach.
static uint64_t make_room(size_t size, size_t font_size)
{
    undo_history &h = font_history;
    if (h.saved_at > h.undo_end)
        h.saved_at = UINT64_MAX;
    h.redo_count = 0;
    drop_undone_fonts();
    // Only a step that keeps a font can make the fonts kept too many.
    const size_t allowance = font_size > 0 ? font_allowance(font_size) : SIZE_MAX;
    if (size > h.budget || font_size > allowance || !ring_ready()) {
        h.oldest = h.undo_end = h.undo_end + size;
        h.undo_count = 0;
        h.fonts.clear();
        h.fonts_in_force = h.font_bytes = 0;
        return UINT64_MAX;
    }
    while (h.undo_end + size - h.oldest > h.budget || h.font_bytes + font_size > allowance)
        drop_oldest_step();
    return h.undo_end;
}

// Adds a step whose ring bytes are `bytes`, its kind at both ends; the
// caller has made the change.
static bool add_step(std::span<const unsigned char> bytes, size_t font_size = 0)
{
    const uint64_t start = make_room(bytes.size(), font_size);
    const bool kept = start != UINT64_MAX;
    if (kept) {
        write_to_ring(start, bytes.data(), bytes.size());
        font_history.undo_end = start + bytes.size();
        ++font_history.undo_count;
    }
    update_unsaved_flag();
    return kept;
}

// ======== Recording ========

static unsigned char byte_of(size_t value)
{
    return static_cast<unsigned char>(value & 0xff);
}

void record_toggle(int char_index, int row, int col)
{
    const auto c = static_cast<size_t>(char_index);
    const auto kind = static_cast<unsigned char>(step_kind::toggle);
    const unsigned char bytes[toggle_step] = {kind, byte_of(c), byte_of(c >> 8), byte_of(static_cast<size_t>(row)),
                                              byte_of(static_cast<size_t>(col)), kind};
    add_step(bytes);
}

// Pop data: the glyph number, the copy's size and rows, then the glyph's
// rows as they were.
void record_pop(int char_index, const glyph_copy &before, const glyph_copy &copy)
{
    const size_t length = 4 + copy.rows.size() + before.rows.size();
    const auto c = static_cast<size_t>(char_index);
    const auto kind = static_cast<unsigned char>(step_kind::pop);
    std::vector<unsigned char> bytes{kind, byte_of(length), byte_of(length >> 8), byte_of(c), byte_of(c >> 8),
                                     byte_of(static_cast<size_t>(copy.width)),
                                     byte_of(static_cast<size_t>(copy.height))};
    bytes.insert(bytes.end(), copy.rows.begin(), copy.rows.end());
    bytes.insert(bytes.end(), before.rows.begin(), before.rows.end());
    bytes.insert(bytes.end(), {byte_of(length), byte_of(length >> 8), kind});
    add_step(bytes);
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

// The font goes beside the ring only when the step made it into the ring.
static void add_font_step(std::span<const unsigned char> bytes, kept_font kept)
{
    const size_t size = kept_size(kept);
    if (add_step(bytes, size)) {
        font_history.fonts.push_back(std::move(kept));
        font_history.font_bytes += size;
        ++font_history.fonts_in_force;
    }
}

void record_font_replacement(const std::string &label, font_value before, std::string name_before)
{
    const auto kind = static_cast<unsigned char>(step_kind::whole_font);
    const unsigned char bytes[whole_font_step] = {kind, kind};
    add_font_step(bytes, {std::move(before), fitted_label(label), 0, std::move(name_before), true});
}

void record_characters_change(int char_index, font_value before)
{
    char label[32];
    std::snprintf(label, sizeof label, "characters of char %03d", char_index);
    const std::vector<unsigned char> &now = font_buffer.bytes;
    const auto differs = std::mismatch(before.bytes.begin(), before.bytes.end(), now.begin(), now.end()).first;
    const auto from = static_cast<size_t>(differs - before.bytes.begin());
    before.bytes = std::vector<unsigned char>(differs, before.bytes.end());
    const auto c = static_cast<size_t>(char_index);
    const auto kind = static_cast<unsigned char>(step_kind::characters);
    const unsigned char bytes[characters_step] = {kind, byte_of(c), byte_of(c >> 8), kind};
    add_font_step(bytes, {std::move(before), label, from});
}

// ======== Undoing and redoing ========

static void apply_toggle(uint64_t start, history_change &change)
{
    change.char_index = static_cast<int>(u16_at(start + 1));
    change.row = ring_byte(start + 3);
    change.col = ring_byte(start + 4);
    flip_pixel(font_buffer, change.char_index, change.row, change.col);
}

static std::vector<unsigned char> ring_bytes(uint64_t offset, size_t length)
{
    std::vector<unsigned char> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = ring_byte(offset + i);
    return bytes;
}

// Undone, the glyph gets its old rows back and the copy goes back on the
// stack. Redone, the copy is put in again and taken off the stack if it is
// still on top: pushes made since the undo stay where they are, and the
// copy under them rather than be taken from the middle of the stack.
static void apply_pop(uint64_t start, history_change &change, glyph_stack &stack, bool undoing)
{
    const size_t length = u16_at(start + 1);
    change.char_index = static_cast<int>(u16_at(start + 3));
    glyph_copy copy{ring_byte(start + 5), ring_byte(start + 6), {}};
    const size_t copy_size = static_cast<size_t>(copy.height * row_bytes(copy.width));
    copy.rows = ring_bytes(start + 7, copy_size);
    if (undoing) {
        const std::vector<unsigned char> before = ring_bytes(start + 7 + copy_size, length - 4 - copy_size);
        std::copy(before.begin(), before.end(), glyph_at(font_buffer, change.char_index));
        stack_push(stack, copy);
    } else {
        paste_glyph(font_buffer, change.char_index, copy);
        if (stack_top(stack) == copy)
            stack_pop(stack);
    }
}

// The bytes of font_buffer from `from` on, and its other fields, change
// places with those kept.
static void swap_from(font_value &kept, size_t from)
{
    std::vector<unsigned char> &bytes = font_buffer.bytes;
    std::vector<unsigned char> end(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
    bytes.resize(from);
    bytes.insert(bytes.end(), kept.bytes.begin(), kept.bytes.end());
    kept.bytes = std::move(end);
    std::swap(kept, font_buffer);
    std::swap(kept.bytes, font_buffer.bytes);
}

// The font and the file name offered with it go together, so that S after
// an undo writes the font that is back to its own file.
static void swap_whole_font(kept_font &kept)
{
    std::swap(kept.font, font_buffer);
    std::string name_now = font_file_name;
    std::snprintf(font_file_name, sizeof font_file_name, "%s", kept.file_name.c_str());
    kept.file_name = std::move(name_now);
}

// The kept font, or the kept end of one, and the one being edited change
// places.
static void apply_font_replacement(history_change &change, bool undoing)
{
    undo_history &h = font_history;
    if (undoing)
        --h.fonts_in_force;
    kept_font &kept = h.fonts[h.fonts_in_force];
    if (!undoing)
        ++h.fonts_in_force;
    h.font_bytes -= kept_size(kept);
    if (change.kind == step_kind::characters)
        swap_from(kept.font, kept.from);
    else
        swap_whole_font(kept);
    h.font_bytes += kept_size(kept);
    change.label = kept.label;
}

// Carries out the step at `start` on the font, either way, and says what it was.
static history_change apply_step(uint64_t start, glyph_stack &stack, bool undoing)
{
    history_change change;
    change.kind = kind_at(start);
    switch (change.kind) {
    case step_kind::toggle: apply_toggle(start, change); break;
    case step_kind::pop: apply_pop(start, change, stack, undoing); break;
    case step_kind::whole_font: apply_font_replacement(change, undoing); break;
    case step_kind::characters:
        change.char_index = static_cast<int>(u16_at(start + 1));
        apply_font_replacement(change, undoing);
        break;
    }
    return change;
}

std::optional<history_change> undo_change(glyph_stack &stack)
{
    undo_history &h = font_history;
    if (h.undo_count == 0)
        return std::nullopt;
    const uint64_t start = h.undo_end - size_of_step_before(h.undo_end);
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
    const uint64_t start = h.undo_end;
    history_change change = apply_step(start, stack, false);
    h.undo_end += size_of_step_at(start);
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
    case step_kind::characters:
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
