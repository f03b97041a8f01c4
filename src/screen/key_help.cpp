// The list of every key, for --help and for the `?` screen.
#include "screen/key_help.h"

#include "screen/screen.h"

static const key_help keys_of_the_command_loop[] = {
    {"Left, Up, Right, Down", "move the pixel cursor; it wraps around at the edges"},
    {"Space", "toggle the pixel under the cursor"},
    {"PgUp, PgDown", "previous or next glyph"},
    {"#", "jump to a glyph by its number"},
    {"/", "find a glyph by the character it draws"},
    {"=", "change the characters the current glyph draws"},
    {"V", "overview of the whole font"},
    {"T", "sample text in the font"},
    {"W", "wide mode on or off: each pixel two cells wide"},
    {"P", "push a copy of the current glyph onto the glyph stack"},
    {"O", "pop the newest copy from the stack over the current glyph"},
    {"U", "undo the newest change not yet undone"},
    {"Ctrl-R", "redo the newest undone change"},
    {"L", "load a font from a file"},
    {"S", "save the font in the form the file calls for"},
    {"C", "put the font on the Linux console"},
    {"D", "load the Linux console's font"},
    {"R", "redraw the screen"},
    {"?", "list every key"},
    {"Q", "quit at once; nothing is saved"},
};

std::span<const key_help> every_key()
{
    return keys_of_the_command_loop;
}

// ======== The `?` screen ========

WINDOW *open_key_list()
{
    WINDOW *list = newwin(LINES, COLS, 0, 0);
    if (!list)
        return nullptr;
    keypad(list, TRUE);
    mvwaddstr(list, 0, 2, "Keys (letters work in either case)");
    int row = 2;
    for (const key_help &key : every_key())
        mvwprintw(list, row++, 2, "%s - %s", key.keys, key.what);
    mvwaddstr(list, LINES - 1, 2, "Press any key to return.");
    wrefresh(list);
    return list;
}

void close_key_list(WINDOW *list)
{
    delwin(list);
    for (WINDOW *window : {stdscr, keys_window, status_line, glyph_window}) {
        touchwin(window);
        wnoutrefresh(window);
    }
    doupdate();
}
