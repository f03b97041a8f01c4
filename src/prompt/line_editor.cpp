#include "prompt/line_editor.h"

#include "screen/screen.h"

#include <algorithm>
#include <cstring>
#include <curses.h>

// The field of the edit in progress; there is at most one at a time.
struct line_field {
    WINDOW *pad;       // one row of `capacity` columns: the text as shown
    char *text;        // the caller's buffer, edited in place
    int capacity;      // buffer size; the text holds at most capacity - 1
    int len;           // current length; bytes from len on may be left-overs
    int screen_row;    // where the field stands on the screen
    int screen_col;
    int width;         // columns of the screen the field covers
    bool digits_only;  // only 0 to 9 may be typed
    int insert_mode;   // 1: typing inserts, 0: typing overwrites; Insert switches
    int view_start;    // the first pad column shown
};

static line_field field;

constexpr int key_ctrl_l = 12;
constexpr int key_ctrl_u = 21;
constexpr int key_escape = 27;

// ---- showing the field ----

// While the library takes the terminal for too small to hold the field,
// prefresh fails before its update; the update is made anyway, since that is
// where the library notices a change of size and queues KEY_RESIZE.
static void refresh_view()
{
    if (prefresh(field.pad, 0, field.view_start, field.screen_row, field.screen_col,
                 field.screen_row, field.screen_col + field.width - 1) == ERR)
        doupdate();
}

// The view moves in jumps of width - 10 columns, so the cursor stays at
// least 10 columns from the left edge once the text has scrolled.
static void show_view(int c)
{
    const int step = field.width - 10;
    field.view_start = step > 0 ? std::max(0, c / step * step - 10) : 0;
    refresh_view();
}

// Every byte takes one column, so a cursor column is also an index into the
// text. Bytes outside printable ASCII would reach the terminal as controls or
// pieces of multi-byte characters, so they show as a reverse '?'.
static void show_byte(char byte)
{
    const auto code = static_cast<unsigned char>(byte);
    waddch(field.pad, code >= 32 && code < 127 ? code : '?' | A_REVERSE);
}

static void show_text_from(int from)
{
    for (int i = from; i < field.len; ++i)
        show_byte(field.text[i]);
}

static void open_field()
{
    keypad(field.pad, TRUE);
    wattrset(field.pad, A_BOLD);
    wclear(field.pad);
    show_text_from(0);
    show_view(field.len);
}

// Blanks the field on the screen where it was last shown, and lets the pad go.
static void close_field()
{
    wattrset(field.pad, A_NORMAL);
    wmove(field.pad, 0, 0);
    wclear(field.pad);
    refresh_view();
    delwin(field.pad);
}

// ---- changing the text ----

static void move_to(int c)
{
    wmove(field.pad, 0, c);
}

static void move_left(int c)
{
    if (c > 0)
        move_to(c - 1);
    else
        beep();
}

static void move_right(int c)
{
    if (c < field.len)
        move_to(c + 1);
    else
        beep();
}

static void clear_text()
{
    wclear(field.pad);
    field.len = 0;
}

// At the end nothing follows, so blanking the last cell is enough.
static void erase_last_char()
{
    move_to(field.len - 1);
    waddch(field.pad, ' ');
    move_to(field.len - 1);
    field.len -= 1;
}

static void remove_char(int at)
{
    move_to(at);
    std::memmove(field.text + at, field.text + at + 1, static_cast<size_t>(field.len - at - 1));
    field.len -= 1;
    field.text[field.len] = '\0';
    show_text_from(at);
    wclrtoeol(field.pad);
    move_to(at);
}

static void backspace(int c)
{
    if (field.len == 0 || c == 0)
        beep();
    else if (c == field.len)
        erase_last_char();
    else
        remove_char(c - 1);
}

// At the end of the text Delete takes the last character.
static void delete_char(int c)
{
    if (field.len == 0)
        beep();
    else
        remove_char(std::min(c, field.len - 1));
}

static void put_char(int c, int key)
{
    field.text[c] = static_cast<char>(key);
    show_byte(field.text[c]);
}

static void insert_char(int c, int key)
{
    std::memmove(field.text + c + 1, field.text + c, static_cast<size_t>(field.len - c));
    field.text[c] = static_cast<char>(key);
    field.len += 1;
    field.text[field.len] = '\0';
    show_text_from(c);
    move_to(c + 1);
}

static bool is_typeable(int key)
{
    if (key < 32 || key > 255)
        return false;
    return !field.digits_only || (key >= '0' && key <= '9');
}

// Every code without an action of its own lands here, a terminal resize
// among them; those that are no character beep.
static void type_char(int c, int key)
{
    if (!is_typeable(key) || field.len >= field.capacity - 1) {
        beep();
    } else if (c == field.len) {
        put_char(c, key);
        field.len += 1;
    } else if (field.insert_mode) {
        insert_char(c, key);
    } else {
        put_char(c, key);
    }
}

// ---- the edit ----

enum class edit_step { go_on, go_on_unshown, accept, cancel, read_failed };

static edit_step handle_key(int key, int c)
{
    switch (key) {
    case '\r': case '\n': return edit_step::accept;
    case key_escape: return edit_step::cancel;
    case ERR: return edit_step::read_failed;
    case KEY_IC: field.insert_mode = 1 - field.insert_mode; return edit_step::go_on_unshown;
    case key_ctrl_l: redrawwin(field.pad); break;
    case key_ctrl_u: clear_text(); break;
    case KEY_HOME: move_to(0); break;
    case KEY_END: move_to(field.len); break;
    case KEY_LEFT: move_left(c); break;
    case KEY_RIGHT: move_right(c); break;
    case KEY_BACKSPACE: backspace(c); break;
    case KEY_DC: delete_char(c); break;
    default: type_char(c, key); break;
    }
    return edit_step::go_on;
}

char *edit_line(char *text, int capacity, int screen_row, int screen_col, int width,
                bool digits_only)
{
    field = {.pad = newpad(1, capacity), .text = text, .capacity = capacity,
             .len = static_cast<int>(std::strlen(text)), .screen_row = screen_row,
             .screen_col = screen_col, .width = width, .digits_only = digits_only,
             .insert_mode = 1, .view_start = 0};
    if (!field.pad)
        return nullptr;
    open_field();
    for (;;) {
        const int c = getcurx(field.pad);
        switch (handle_key(read_key(field.pad), c)) {
        case edit_step::go_on: show_view(getcurx(field.pad)); break;
        case edit_step::go_on_unshown: break;
        case edit_step::accept: close_field(); text[field.len] = '\0'; return text;
        case edit_step::cancel: close_field(); return nullptr;
        case edit_step::read_failed: delwin(field.pad); return nullptr;
        }
    }
}
