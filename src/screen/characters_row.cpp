// Row 3: the characters the current glyph draws, for a font with a Unicode
// table. A font without one leaves the row, and every byte sent, as they
// were before fonts had tables.
#include "fontfile/characters.h"
#include "fontfile/unicode_text.h"
#include "screen/screen.h"

#include <climits>
#include <cwchar>
#include <string>
#include <vector>

constexpr int characters_row = 3;
constexpr int characters_col = 5;
constexpr int characters_end = 80;  // within 80 columns whatever the terminal's width

static bool row_has_text;

// The code, then the character itself where the locale can draw it in one column.
static std::string shown_entry(const table_entry &entry)
{
    std::string text = format_entry(entry);
    char bytes[MB_LEN_MAX];
    std::mbstate_t state{};
    const auto code = static_cast<wchar_t>(entry.front());
    if (entry.size() == 1 && wcwidth(code) == 1) {
        const size_t length = std::wcrtomb(bytes, code, &state);
        if (length != static_cast<size_t>(-1))
            text.append(" ").append(bytes, length);
    }
    return text;
}

// Columns a shown entry takes: every byte of the code, one for the character.
static int columns_of(const std::string &shown, const table_entry &entry)
{
    const size_t code_length = format_entry(entry).size();
    return static_cast<int>(code_length + (shown.size() > code_length ? 2 : 0));
}

// " +N more", built up piece by piece.
static std::string more_text(size_t count)
{
    std::string text = " +";
    text.append(std::to_string(count));
    text.append(" more");
    return text;
}

// The entries in table order, two blanks apart, as many as fit; "+N more"
// says how many did not.
static std::string characters_text(const glyph_entries &entries)
{
    if (entries.empty())
        return "no character";
    const int room = characters_end - characters_col;
    std::string text;
    int used = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string shown = shown_entry(entries[i]);
        const int width = columns_of(shown, entries[i]) + (i > 0 ? 2 : 0);
        const int reserve = i + 1 < entries.size() ? static_cast<int>(more_text(entries.size() - i - 1).size()) : 0;
        if (used + width + reserve > room)
            return text.append(more_text(entries.size() - i), i > 0 ? 0 : 1);
        if (i > 0)
            text.append("  ");
        text.append(shown);
        used += width;
    }
    return text;
}

void show_glyph_characters()
{
    const std::optional<unicode_table> table = font_characters(font_buffer);
    if (!table && !row_has_text)
        return;
    // Plain text: the title bar left the standard screen in standout.
    wattrset(stdscr, A_NORMAL);
    wmove(stdscr, characters_row, characters_col);
    wclrtoeol(stdscr);
    if (table)
        waddstr(stdscr, characters_text((*table)[static_cast<size_t>(editor_state.current_char)]).c_str());
    row_has_text = table.has_value();
    wnoutrefresh(stdscr);
}
