// Every key of the command loop in a line of its own: what --help prints and
// what `?` shows.
#pragma once

#include <curses.h>
#include <span>

struct key_help {
    const char *keys;  // as the user names them: "PgUp, PgDown", "Ctrl-R"
    const char *what;
};

// In the README's words, each line within 78 columns.
std::span<const key_help> every_key();

// Covers the whole terminal with the list of every key, from which the key
// that ends it is read; what does not fit is left out. Null when there is
// no memory for it.
WINDOW *open_key_list();

// Deletes the list and puts the editor's screen back as it was under it,
// status line and cursor included.
void close_key_list(WINDOW *list);
