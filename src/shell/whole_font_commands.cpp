// V and T: the whole font at a glance, and a text set in it. Both show
// over the editor and give it back as it was.
#include "fontfile/characters.h"
#include "fontfile/unicode_text.h"
#include "glyph/font.h"
#include "prompt/prompts.h"
#include "screen/font_screens.h"
#include "screen/screen.h"
#include "shell/shell.h"

#include <climits>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

constexpr int key_escape = 27;

// ======== V: the overview ========

// What a key did in the overview: kept it open, or closed it on a glyph.
enum class overview_step { go_on, edit_selected, go_back };

// # and / as in the editor: the glyph asked for is selected, and the status
// line is left empty, or with the reason / found none.
static overview_step jump_by_number()
{
    const int glyph = ask_char_number();
    if (glyph >= 0)
        select_in_overview(glyph);
    print_status("%s", "");
    return overview_step::go_on;
}

static overview_step jump_by_character()
{
    const int glyph = ask_glyph_by_character();
    if (glyph >= 0) {
        select_in_overview(glyph);
        print_status("%s", "");
    }
    return overview_step::go_on;
}

static overview_step move_selection(overview_move move)
{
    move_overview_selection(move);
    return overview_step::go_on;
}

static overview_step overview_key(int key)
{
    switch (key) {
    case KEY_LEFT: return move_selection(overview_move::left);
    case KEY_RIGHT: return move_selection(overview_move::right);
    case KEY_UP: return move_selection(overview_move::up);
    case KEY_DOWN: return move_selection(overview_move::down);
    case KEY_PPAGE: return move_selection(overview_move::page_up);
    case KEY_NPAGE: return move_selection(overview_move::page_down);
    case KEY_HOME: return move_selection(overview_move::first);
    case KEY_END: return move_selection(overview_move::last);
    case '#': return jump_by_number();
    case '/': return jump_by_character();
    case '\r': case '\n': case KEY_ENTER: return overview_step::edit_selected;
    case key_escape: case 'V': case 'v': case 'Q': case 'q': case ERR: return overview_step::go_back;
    default: return overview_step::go_on;
    }
}

// A change of size lays the overview out again, row 1 too; a terminal too
// small for the editor leaves only the notice, and the overview goes, its
// hint with it.
static bool overview_fits_new_size()
{
    if (!terminal_fits_layout())
        werase(status_line);
    fit_screen_to_terminal();
    prepare_terminal_restore();
    if (!editor_shown()) {
        drop_overview();
        return false;
    }
    show_file_row(font_file_name);
    lay_out_overview_again();
    return true;
}

void show_overview()
{
    const int opened_on = editor_state.current_char;
    open_overview(opened_on);
    print_status("Overview: Enter edits the selected glyph, Escape goes back.");
    overview_step step = overview_step::go_on;
    while (step == overview_step::go_on) {
        step = overview_key(read_overview_key());
        if (screen_needs_new_layout() && !overview_fits_new_size())
            return;
    }
    editor_state.current_char = step == overview_step::edit_selected ? overview_selection() : opened_on;
    close_overview();
    show_status("");
}

// ======== T: sample text ========

// Kept for the rest of the run.
static std::string sample_text = "The quick brown fox jumps over the lazy dog.";

// The text's characters in the locale's encoding; a byte that starts none
// stands for U+FFFD.
static std::u32string decoded(const std::string &bytes)
{
    std::u32string codes;
    std::mbstate_t state{};
    for (size_t at = 0; at < bytes.size();) {
        wchar_t code = 0;
        size_t length = std::mbrtowc(&code, bytes.data() + at, bytes.size() - at, &state);
        if (length == 0 || length > bytes.size() - at) {
            code = 0xfffd;
            length = 1;
            state = {};
        }
        codes.push_back(static_cast<char32_t>(code));
        at += length;
    }
    return codes;
}

// The glyph `/` finds; a font without a table draws 32-126 with those glyphs.
static int glyph_for(const std::optional<unicode_table> &table, char32_t code)
{
    if (table)
        return glyph_drawing(*table, table_entry{code});
    return code >= 32 && code <= 126 && static_cast<int>(code) < font_buffer.count ? static_cast<int>(code) : -1;
}

// The character itself where the locale shows it in one column, else its code.
static std::string character_name(char32_t code)
{
    char bytes[MB_LEN_MAX];
    std::mbstate_t state{};
    const auto wide = static_cast<wchar_t>(code);
    const size_t length = code > ' ' && wcwidth(wide) == 1 ? std::wcrtomb(bytes, wide, &state) : 0;
    return length > 0 && length <= MB_LEN_MAX ? std::string(bytes, length) : code_name(code);
}

// "Not in this font: ą ł", as many as fit on the status line.
static std::string missing_text(const std::u32string &missing)
{
    std::string text = "Not in this font:";
    int columns = static_cast<int>(text.size());
    for (char32_t code : missing) {
        const std::string name = character_name(code);
        const int width = 1 + (name.starts_with("U+") ? static_cast<int>(name.size()) : 1);
        if (columns + width > COLS - 1)
            break;
        text += " " + name;
        columns += width;
    }
    return missing.empty() ? "" : text;
}

void show_sample_text()
{
    const std::optional<std::string> typed = ask_text("Sample text: ", sample_text);
    if (!typed) {
        show_status("");
        return;
    }
    sample_text = *typed;
    const std::optional<unicode_table> table = font_characters(font_buffer);
    const int replacement = glyph_for(table, 0xfffd);
    std::vector<sample_glyph> glyphs;
    std::u32string missing;
    for (char32_t code : decoded(sample_text)) {
        int glyph = glyph_for(table, code);
        if (glyph < 0 && missing.find(code) == std::u32string::npos)
            missing.push_back(code);
        glyphs.push_back({glyph < 0 ? replacement : glyph, code == ' '});
    }
    WINDOW *cover = cover_editor();
    draw_sample_text(cover, glyphs);
    print_status("%s", missing_text(missing).c_str());
    read_key(cover);
    uncover_editor(cover);
    show_status("");
}
