// The prompts of the Unicode table: finding a glyph by the character it
// draws, and changing the characters a glyph draws, which gives a font
// without a table its first.
#include "fontfile/characters.h"
#include "fontfile/unicode_text.h"
#include "glyph/undo_history.h"
#include "prompt/line_editor.h"
#include "prompt/prompts.h"
#include "screen/screen.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

// Room to type beyond the starting text.
constexpr size_t field_room = 1024;

// A field is a curses pad, which has at most this many columns; the text
// takes one less, as the cursor may stand after it.
constexpr size_t pad_columns_max = 32767;
constexpr size_t field_text_max = pad_columns_max - 1;

// Asks after `prompt` on the status line, starting from `start`, of at most
// field_text_max bytes: the text accepted, or nothing on Escape. The field
// holds all of `start`, so a long list is never cut short.
std::optional<std::string> ask_text(const char *prompt, const std::string &start)
{
    std::vector<char> text(std::min(start.size() + field_room, pad_columns_max));
    start.copy(text.data(), start.size());
    print_status("%s", prompt);
    const int field_col = static_cast<int>(std::strlen(prompt));
    if (!edit_line(text.data(), static_cast<int>(text.size()), LINES - 1, field_col, COLS - field_col, false))
        return std::nullopt;
    return std::string(text.data());
}

constexpr char unreadable_table[] = "This font's Unicode table cannot be read; it is kept as it is.";

int ask_glyph_by_character()
{
    const std::optional<unicode_table> table = font_characters(font_buffer);
    if (!table) {
        show_status(has_unicode_table(font_buffer)
                        ? unreadable_table
                        : "This font has no Unicode table. Press = to give the current glyph characters.");
        return -1;
    }
    const std::optional<std::string> text = ask_text("Find character: ", "");
    if (!text) {
        show_status("");
        return -1;
    }
    const parsed_character wanted = parse_find_field(*text);
    if (!wanted.error.empty()) {
        show_status(wanted.error.c_str());
        return -1;
    }
    const int found = glyph_drawing(*table, wanted.entry);
    if (found < 0)
        show_status((short_entry(wanted.entry) + " is not in this font.").c_str());
    return found;
}

void prompt_find_character()
{
    const int found = ask_glyph_by_character();
    if (found < 0)
        return;
    editor_state.current_char = found;
    show_current_glyph();
    show_status("");
}

// "Taken from char 065." or "Taken from chars 065, 300 and 2 more."
static std::string taken_text(const std::vector<int> &taken_from)
{
    constexpr size_t named = 4;
    char number[8];
    std::string text = taken_from.size() == 1 ? " Taken from char " : " Taken from chars ";
    for (size_t i = 0; i < taken_from.size() && i < named; ++i) {
        std::snprintf(number, sizeof number, "%03d", taken_from[i]);
        text += (i == 0 ? "" : i + 1 == taken_from.size() ? " and " : ", ") + std::string(number);
    }
    if (taken_from.size() > named)
        text += " and " + std::to_string(taken_from.size() - named) + " more";
    return taken_from.empty() ? "" : text + ".";
}

// A list too long for a field is not opened, and what was typed after the
// key is dropped: it was meant for the prompt, not as commands.
static void refuse_long_list(int c, size_t columns)
{
    print_status("Char %03d's characters take %zu columns; = can edit at most %zu.", c, columns, field_text_max);
    flushinp();
}

void prompt_glyph_characters()
{
    const std::optional<unicode_table> table = font_characters(font_buffer);
    if (!table && has_unicode_table(font_buffer)) {
        show_status(unreadable_table);
        return;
    }
    const int c = editor_state.current_char;
    const std::string shown = table ? format_entries((*table)[static_cast<size_t>(c)]) : "";
    if (shown.size() > field_text_max) {
        refuse_long_list(c, shown.size());
        return;
    }
    const std::optional<std::string> text = ask_text("Characters: ", shown);
    if (!text || *text == shown) {
        show_status("");
        return;
    }
    const parsed_entries typed = parse_entries(*text);
    if (!typed.error.empty()) {
        show_status(typed.error.c_str());
        return;
    }
    font_value before = font_buffer;
    const characters_change change = set_glyph_characters(font_buffer, c, typed.entries);
    if (!change.error.empty() || font_buffer.bytes == before.bytes) {
        show_status(change.error.c_str());
        return;
    }
    record_characters_change(c, std::move(before));
    show_current_glyph();
    print_status("Characters of char %03d set.%s", c, taken_text(change.taken_from).c_str());
    wrefresh(glyph_window);
}
