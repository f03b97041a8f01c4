// Every change to font_buffer, kept so it can be undone and redone: pixel
// toggles, pops and whole-font replacements such as loads. Toggles and pops
// live in one ring of bytes of a fixed budget; the fonts a whole-font
// change or a change of a glyph's characters replaced are kept beside it,
// within a budget of their own that grows with the font. The oldest steps
// are dropped to make room.
// No curses here: the U and Ctrl-R commands show what these functions did.
#pragma once

#include "glyph/font.h"
#include "glyph/glyph_stack.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

// The ring's budget: 10,922 toggles or 1,560 pops of 8x16 glyphs.
// The fonts replaced may take this much too, or eight times the font being
// edited when that is more, so at least eight loads can always be undone;
// but never more than the cap: eight fonts of up to 1 MiB each, which holds
// the largest a console takes (64x128, 512 glyphs: 512 KiB) with its table.
// A larger font is kept only while it fits, and one over the cap not at all.
// A font read from text (BDF) counts that text too.
constexpr size_t history_budget = 64 * 1024;
constexpr size_t whole_fonts_kept = 8;
constexpr size_t kept_fonts_cap = size_t{8} << 20;

// A label longer than this is shortened in the middle, so that a message
// naming it fits on one 80-column line.
constexpr size_t label_capacity = 40;

enum class step_kind : unsigned char { toggle = 1, pop = 2, whole_font = 3, characters = 4 };

// A font a whole-font step replaced, or brought back by undoing it. A
// change of characters keeps only the bytes from where the two fonts first
// differ, with all the other fields.
struct kept_font {
    font_value font;
    std::string label;
    size_t from = 0;  // a change of characters: the offset its bytes start at
    std::string file_name = {};  // a whole-font change: the name offered with `font`
    // A whole-font change: `font` is its own, text and all; a change of
    // characters shares its text with a font counted elsewhere.
    bool whole = false;
};

// Offsets count bytes ever written to the ring, so they only grow while
// steps are added; a step's bytes sit at offset modulo the budget.
struct undo_history {
    size_t budget = history_budget;
    std::unique_ptr<unsigned char[]> ring;  // made on the first step
    uint64_t oldest = 0;     // start of the oldest step kept
    uint64_t undo_end = 0;   // end of the newest step in force: the font's state
    uint64_t saved_at = 0;   // the state at the last load or save, if still reachable
    int64_t undo_count = 0;  // steps between oldest and undo_end
    int64_t redo_count = 0;  // undone steps from undo_end on, newest undone last
    // One per whole-font step in the ring, oldest first: those in force
    // hold the font before the step, those undone the font after it.
    std::deque<kept_font> fonts;
    size_t fonts_in_force = 0;  // whole-font steps between oldest and undo_end
    size_t font_bytes = 0;      // the bytes all of `fonts` hold
};

// The run's history, of every change made through the functions below.
extern undo_history font_history;

// Empties the history and makes the font as it is now the saved state.
void history_restart(size_t budget);

// Record a change just made to font_buffer. Each drops what could be redone.
void record_toggle(int char_index, int row, int col);
// `before` is the glyph as it was, `copy` what was popped onto it.
void record_pop(int char_index, const glyph_copy &before, const glyph_copy &copy);
// A change of the whole font, named by `label` ("load of font.raw",
// "console load"); `before` is the whole font as it was, and `name_before`
// the file name offered with it, by default the one offered now.
void record_font_replacement(const std::string &label, font_value before,
                             std::string name_before = font_file_name);

// A change of the characters glyph `char_index` draws, which changed the
// bytes of font_buffer (mostly the table near the file's end) and, when it
// gave a font its first table, the form it is held in: `before` is the
// whole font as it was, of which the bytes from the first that differs and
// the other fields are kept.
void record_characters_change(int char_index, font_value before);

// The font as it is now is what a load, a save or a console load left:
// not unsaved, until a change, undo or redo moves away from this state.
void mark_font_saved();

// Whether glyph `c` of font_buffer differs from the same glyph at the last
// load or save; every glyph does when the font's size or count differs.
// Compared with a copy of the glyphs taken then, so it follows undo and redo.
bool glyph_changed_since_saved(int c);

// What an undo or redo changed.
struct history_change {
    step_kind kind = step_kind::toggle;
    int char_index = 0;  // the glyph changed; not a whole-font change's
    int row = 0;         // a toggle's pixel
    int col = 0;
    std::string label;   // a whole-font change's
    int64_t steps_left = 0;  // how many more can be undone (after an undo) or redone
};

// Take back the newest change in force, or carry out again the newest undone
// one, on font_buffer; the copy a pop took goes back onto `stack` and off it
// again. Nothing, and nothing changed, when there is no such step.
std::optional<history_change> undo_change(glyph_stack &stack);
std::optional<history_change> redo_change(glyph_stack &stack);

// One line under 80 columns, such as "Undone: pop into char 066 (3 more to undo)."
std::string change_message(const history_change &change, bool undone);
