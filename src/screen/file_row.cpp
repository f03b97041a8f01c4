// Row 1: the file S would offer, the font's size and glyph count, the form
// S would write there, and whether the font has unsaved changes.
#include "fontfile/fontfile.h"
#include "glyph/font.h"
#include "screen/screen.h"

#include <algorithm>
#include <string>

constexpr int file_row = 1;
constexpr int file_row_col = 5;  // under the keys window's left edge

static std::string shown_file_row;  // what row 1 holds now; empty: blank

// Telling the form builds the file a save would write, and may read the file
// it replaces: done again only when the name or the font's make-up changes,
// not on every toggle.
static std::string form_key;
static std::string form_shown;

static const std::string &form_for(const char *file_name)
{
    const font_value &font = font_buffer;
    std::string key = std::string(file_name) + '\n' + std::to_string(font.width) + 'x' +
                      std::to_string(font.height) + 'x' + std::to_string(font.count) + ' ' +
                      std::to_string(font.bytes.size()) + ' ' + std::to_string(font.glyph_offset) +
                      (font.is_file ? "f" : "") + (font.is_new_file ? "n" : "") + font.enclosing_file;
    if (key != form_key) {
        form_shown = saved_form(file_name);
        form_key = std::move(key);
    }
    return form_shown;
}

// Bytes outside printable ASCII show as '?', as in the prompts, so a name
// never sends controls or half characters to the terminal.
static std::string printable(const char *name)
{
    std::string text = *name ? name : "(no file)";
    for (char &byte : text)
        if (byte < 32 || byte == 127)
            byte = '?';
    return text;
}

// The name gives way from its left, so its end, which tells files apart,
// stays in view.
static std::string file_row_text(const char *file_name, int width)
{
    std::string facts = "  " + std::to_string(font_buffer.width) + "x" + std::to_string(font_buffer.height) +
                        "  " + std::to_string(font_buffer.count) + " glyphs  " + form_for(file_name);
    if (font_has_unsaved_changes)
        facts += "  modified";
    std::string name = printable(file_name);
    const int room = std::max(width - static_cast<int>(facts.size()), 4);
    if (static_cast<int>(name.size()) > room)
        name = "..." + name.substr(name.size() - static_cast<size_t>(room - 3));
    return (name + facts).substr(0, static_cast<size_t>(std::max(width, 0)));
}

void forget_file_row()
{
    shown_file_row.clear();
    form_key.clear();
}

// The terminal cursor stays where the last command left it.
void show_file_row(const char *file_name)
{
    const std::string text = file_row_text(file_name, COLS - file_row_col);
    if (text == shown_file_row)
        return;
    shown_file_row = text;
    int cursor_row = -1;
    int cursor_col = -1;
    getsyx(cursor_row, cursor_col);
    wattrset(stdscr, A_NORMAL);
    wmove(stdscr, file_row, file_row_col);
    waddnstr(stdscr, text.c_str(), static_cast<int>(text.size()));
    wclrtoeol(stdscr);
    wnoutrefresh(stdscr);
    setsyx(cursor_row, cursor_col);
    doupdate();
}
