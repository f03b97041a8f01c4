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
