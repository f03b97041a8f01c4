// Reading keys: the one place where the signals that end the editor, and
// Ctrl-Z, get in, and where a stop and resume are made good.
#include "fontfile/fontfile.h"
#include "screen/screen.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

sigset_t key_wait_signal_set()
{
    sigset_t signals = end_signal_set();
    sigaddset(&signals, SIGTSTP);
    return signals;
}


// An earlier program may have left the terminal non-blocking: every read
// would then fail at once and the idle editor would spin. Async-signal-safe.
void make_input_blocking()
{
    int flags = fcntl(STDIN_FILENO, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK))
        fcntl(STDIN_FILENO, F_SETFL, flags & ~O_NONBLOCK);
}

// A program running beside the editor may make the terminal non-blocking
// at any time; a read that fails at once for that waits for a key instead.
static bool waited_for_input_after_failed_read()
{
    if (errno != EAGAIN && errno != EWOULDBLOCK)
        return false;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    poll(&input, 1, -1);
    return true;
}

// ======== Stopping with Ctrl-Z ========

static void (*library_stop_handler)(int);  // puts the terminal back, stops, repaints on resume
// Set on resume: the key read cut short, and the library's first read
// after a stop, fail at once; neither is a failure of the terminal.
static volatile sig_atomic_t failed_reads_to_forgive;

static bool terminal_size_is_not(int rows, int width)
{
    winsize size{};
    return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && (size.ws_row != rows || size.ws_col != width);
}

// While the editor was stopped its shell, not the editor, was told of any
// change of size. So after the library's own resume (which may take in the
// new size, but tells no one) a new size is passed on as a resize; and the
// key read is not restarted, so that happens now.
// A program run while the editor was stopped may have left the terminal
// non-blocking, so that is undone on every resume too.
static void stop_and_look_at_size(int signal_number)
{
    const int saved_errno = errno;
    const int rows = LINES;
    const int width = COLS;
    library_stop_handler(signal_number);
    make_input_blocking();
    failed_reads_to_forgive = 2;
    if (terminal_size_is_not(rows, width))
        raise(SIGWINCH);
    errno = saved_errno;
}

void watch_size_across_stops()
{
    struct sigaction library {};
    sigaction(SIGTSTP, nullptr, &library);
    if (library.sa_handler == SIG_DFL || library.sa_handler == SIG_IGN ||
        (library.sa_flags & SA_SIGINFO))
        return;
    library_stop_handler = library.sa_handler;
    struct sigaction action = library;
    action.sa_handler = stop_and_look_at_size;
    action.sa_flags &= ~SA_RESTART;
    sigaction(SIGTSTP, &action, nullptr);
}

// KEY_RESIZE may come first, once or twice, when the size changed.
static int wgetch_across_stops(WINDOW *window)
{
    int key;
    for (;;) {
        errno = 0;
        key = wgetch(window);
        if (key != ERR)
            break;
        if (waited_for_input_after_failed_read())
            continue;
        if (failed_reads_to_forgive == 0)
            break;
        failed_reads_to_forgive = failed_reads_to_forgive - 1;
    }
    if (key != KEY_RESIZE)
        failed_reads_to_forgive = 0;
    return key;
}

// ======== Keys as other terminals send them ========

// Terminals and multiplexers send these whatever TERM says (tmux, PuTTY and
// the Linux console send ESC [1~ for Home, which xterm's entry calls Find).
static const struct {
    const char *sequence;
    int key;
} other_key_forms[] = {
    {"\033[1~", KEY_HOME}, {"\033[7~", KEY_HOME}, {"\033[H", KEY_HOME}, {"\033OH", KEY_HOME},
    {"\033[4~", KEY_END},  {"\033[8~", KEY_END},  {"\033[F", KEY_END},  {"\033OF", KEY_END},
    {"\033[2~", KEY_IC},   {"\033[3~", KEY_DC},   {"\033[5~", KEY_PPAGE}, {"\033[6~", KEY_NPAGE},
    {"\033[A", KEY_UP},    {"\033[B", KEY_DOWN},  {"\033[C", KEY_RIGHT}, {"\033[D", KEY_LEFT},
    {"\033OA", KEY_UP},    {"\033OB", KEY_DOWN},  {"\033OC", KEY_RIGHT}, {"\033OD", KEY_LEFT},
};

void teach_other_key_forms()
{
    for (const auto &form : other_key_forms)
        define_key(form.sequence, form.key);
}

// ======== Escape sequences no one taught the library ========

constexpr int key_escape = 27;
// Longer runs of parameter and intermediate bytes are no key's sequence.
constexpr size_t longest_sequence = 32;

// The next byte when it is there already, or follows within `wait_ms`.
static int key_within(WINDOW *window, int wait_ms)
{
    wtimeout(window, wait_ms);
    const int key = wgetch(window);
    wtimeout(window, -1);
    return key;
}

// After ESC [ or ESC O: parameter bytes, then intermediate bytes, then the
// final byte, each arriving within the Escape delay of the one before.
static bool read_rest_of_sequence(WINDOW *window, std::vector<int> &read)
{
    bool past_parameters = false;
    while (read.size() < longest_sequence) {
        const int key = key_within(window, get_escdelay());
        if (key == ERR)
            return false;
        read.push_back(key);
        if (key >= 0x40 && key <= 0x7e)
            return true;
        if (key >= 0x20 && key <= 0x2f)
            past_parameters = true;
        else if (key < 0x30 || key > 0x3f || past_parameters)
            return false;
    }
    return false;
}

// Stands for a whole sequence taken and ignored; no key has this code.
constexpr int ignored_sequence = -2;

// ESC that begins a sequence is taken with the whole sequence, so that none
// of it cancels a prompt or acts as a command. Anything else leaves ESC a
// lone Escape, and what was read after it is read again as keys.
static int escape_or_sequence(WINDOW *window)
{
    std::vector<int> read{key_within(window, 0)};
    if (read[0] == ERR)
        return key_escape;
    if ((read[0] == '[' || read[0] == 'O') && read_rest_of_sequence(window, read))
        return ignored_sequence;
    for (auto key = read.rbegin(); key != read.rend(); ++key)
        ungetch(*key);
    return key_escape;
}

// ======== Reading a key ========

static int read_key_or_sequence(WINDOW *window)
{
    static const sigset_t key_wait_signals = key_wait_signal_set();
    sigprocmask(SIG_UNBLOCK, &key_wait_signals, nullptr);
    const int key = wgetch_across_stops(window);
    sigprocmask(SIG_BLOCK, &key_wait_signals, nullptr);
    return key == key_escape ? escape_or_sequence(window) : key;
}

int read_key(WINDOW *window)
{
    int key = read_key_or_sequence(window);
    while (key == ignored_sequence)
        key = read_key_or_sequence(window);
    if (key == KEY_RESIZE)
        note_terminal_resized();
    return key;
}
