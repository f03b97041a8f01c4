// Reading keys: the one place where the signals that end the editor, and
// Ctrl-Z, get in, and where a stop and resume are made good.
#include "fontfile/fontfile.h"
#include "screen/screen.h"

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

sigset_t key_wait_signal_set()
{
    sigset_t signals = end_signal_set();
    sigaddset(&signals, SIGTSTP);
    return signals;
}


// An earlier program may have left the terminal non-blocking: every read
// would then fail at once and the idle editor would spin.
void make_input_blocking()
{
    int flags = fcntl(STDIN_FILENO, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK))
        fcntl(STDIN_FILENO, F_SETFL, flags & ~O_NONBLOCK);
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
static void stop_and_look_at_size(int signal_number)
{
    const int rows = LINES;
    const int width = COLS;
    library_stop_handler(signal_number);
    failed_reads_to_forgive = 2;
    if (terminal_size_is_not(rows, width))
        raise(SIGWINCH);
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
    while ((key = wgetch(window)) == ERR && failed_reads_to_forgive > 0)
        failed_reads_to_forgive = failed_reads_to_forgive - 1;
    if (key != KEY_RESIZE)
        failed_reads_to_forgive = 0;
    return key;
}

// ======== Reading a key ========

int read_key(WINDOW *window)
{
    static const sigset_t key_wait_signals = key_wait_signal_set();
    sigprocmask(SIG_UNBLOCK, &key_wait_signals, nullptr);
    int key = wgetch_across_stops(window);
    sigprocmask(SIG_BLOCK, &key_wait_signals, nullptr);
    if (key == KEY_RESIZE)
        note_terminal_resized();
    return key;
}
