#include "prompt/prompts.h"

#include "fontfile/fontfile.h"
#include "glyph/font.h"
#include "glyph/undo_history.h"
#include "prompt/line_editor.h"
#include "screen/screen.h"

#include <cstdlib>
#include <cstring>
#include <string>

constexpr int char_number_col = 17;  // after "New character #:" and a blank

int ask_char_number()
{
    // As many digits as the last glyph's number, three at least, and the terminator.
    const int capacity = char_number_digits(font_buffer.count - 1) + 1;
    char text[char_number_digits(max_glyph_count - 1) + 1] = "";
    print_status("New character #:");
    if (!edit_line(text, capacity, LINES - 1, char_number_col, capacity, true))
        return -1;
    return static_cast<int>(std::atol(text) % font_buffer.count);
}

void prompt_char_number()
{
    const int c = ask_char_number();
    if (c >= 0) {
        editor_state.current_char = c;
        show_current_glyph();
    }
    show_status("");
}

// Asks for a file name after `prompt`, starting from font_file_name. The
// accepted name is remembered before it is tried, so a failed load or save
// still offers it again next time.
static bool ask_file_name(const char *prompt, char *name)
{
    std::strcpy(name, font_file_name);
    print_status("%s", prompt);
    const int field_col = static_cast<int>(std::strlen(prompt)) + 1;
    if (!edit_line(name, file_name_max + 1, LINES - 1, field_col, COLS - field_col, false))
        return false;
    std::strcpy(font_file_name, name);
    return true;
}

// The name without its directories: enough to tell loads apart in a message.
static const char *file_part(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void prompt_load()
{
    char name[file_name_max + 1];
    std::string name_before = font_file_name;
    if (!ask_file_name("Load from file:", name)) {
        show_status("Load canceled.");
        return;
    }
    font_value before = font_buffer;
    if (load_font(name) == 0) {
        record_font_replacement(std::string("load of ") + file_part(name), std::move(before),
                                std::move(name_before));
        mark_font_saved();
        clamp_position();
        print_status("Font loaded.");
        draw_current_glyph();
    } else {
        print_status("Load error: %s", error_text);
    }
    wrefresh(glyph_window);
}

void prompt_save()
{
    char name[file_name_max + 1];
    if (!ask_file_name("Save to file:", name)) {
        show_status("Save canceled.");
        return;
    }
    if (save_font(name) == 0) {
        mark_font_saved();
        // A font = gave a table may still go to BDF, which holds characters too.
        if (font_buffer.became_psf && saved_as_psf)
            print_status("Font saved. Written as PSF: only PSF holds a Unicode table.");
        else if (characters_left_out > 0)
            print_status("Font saved. %d character%s left out: the form holds no more.", characters_left_out,
                         characters_left_out == 1 ? "" : "s");
        else
            print_status("Font saved.");
    } else {
        print_status("Save error: %s", error_text);
    }
    wrefresh(glyph_window);
}
