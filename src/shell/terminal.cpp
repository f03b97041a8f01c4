// The terminal as the editor finds it: what is refused before curses starts.
#include "shell/shell.h"

#include <cstdio>
#include <cstdlib>
#include <curses.h>
#include <term.h>
#include <unistd.h>
#include <utility>

// ======== Refusals before the screen is set up ========

// Curses would set up one file and read the other, leaving the real
// terminal's modes changed when the editor ends.
static bool standard_streams_are_terminals()
{
    for (auto [fd, name] : {std::pair{STDIN_FILENO, "input"}, {STDOUT_FILENO, "output"}}) {
        if (!isatty(fd)) {
            std::fprintf(stderr, "quorvalen: standard %s is not a terminal\n", name);
            return false;
        }
    }
    return true;
}

// Without cursor addressing the screen cannot be drawn. A terminal type
// without any terminfo entry is left to the library, which says so itself.
static bool terminal_can_move_cursor()
{
    int status = 0;
    if (setupterm(nullptr, STDOUT_FILENO, &status) != OK)
        return true;
    const char *cursor_to = tigetstr("cup");
    bool can = cursor_to && cursor_to != reinterpret_cast<const char *>(-1);
    del_curterm(cur_term);
    if (!can) {
        const char *type = std::getenv("TERM");
        std::fprintf(stderr,
                     "quorvalen: the terminal (TERM=%s) cannot move its cursor; the editor needs one "
                     "that can\n",
                     type ? type : "");
    }
    return can;
}

bool terminal_usable()
{
    return standard_streams_are_terminals() && terminal_can_move_cursor();
}
