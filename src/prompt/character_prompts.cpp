// The prompts of a font with a Unicode table: finding a glyph by the
// character it draws, and changing the characters a glyph draws. A font
// without a table ignores both keys.
#include "fontfile/characters.h"
#include "fontfile/unicode_text.h"
#include "glyph/undo_history.h"
#include "prompt/line_editor.h"
#include "prompt/prompts.h"
#include "screen/screen.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

// Room to type beyond the starting text.
constexpr size_t field_room = 1024;

// Asks after `prompt` on the status line, starting from `start`: the text
// accepted, or nothing on Escape. The field holds all of `start`, so a long
// list is never cut short.
std::optional<std::string> ask_text(const char *prompt, const std::string &start)
{
    std::vector<char> text(start.size() + field_room);
    start.copy(text.data(), start.size());
    print_status("%s", prompt);
    const int field_col = static_cast<int>(std::strlen(prompt));
    if (!edit_line(text.data(), static_cast<int>(text.size()), LINES - 1, field_col, COLS - field_col, false))
        return std::nullopt;
    return std::string(text.data());
}

int ask_glyph_by_character()
{
    const std::optional<unicode_table> table = font_characters(font_buffer);
    if (!table)
        return -1;
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
    const int found = glyph_drawing(*table, wanted.code);
    if (found < 0)
        show_status((code_name(wanted.code) + " is not in this font.").c_str());
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

void prompt_glyph_characters()
{
    const std::optional<unicode_table> table = font_characters(font_buffer);
    if (!table)
        return;
    const int c = editor_state.current_char;
    const std::string shown = format_entries((*table)[static_cast<size_t>(c)]);
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
    record_characters_change(c, before);
    show_current_glyph();
    print_status("Characters of char %03d set.%s", c, taken_text(change.taken_from).c_str());
    wrefresh(glyph_window);
}
