// Ending the run when the terminal goes away or a signal asks: unsaved
// changes are written to a new file first, and the terminal is put back.
// The handlers use only async-signal-safe calls and what was prepared
// beforehand. The key reader lives here too: it is the one place where those
// signals are let in.
#include "fontfile/fontfile.h"
#include "glyph/font.h"
#include "shell/shell.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

static sigset_t end_signals;
static sigset_t key_wait_signals;  // the end signals and Ctrl-Z's: let in only while reading a key
static termios shell_modes;
static char restore_sequence[512];
static size_t restore_length;

void remember_shell_modes()
{
    tcgetattr(STDIN_FILENO, &shell_modes);
}

// Terminfo strings may hold padding such as $<5>, which only the library's
// output routine understands; a plain write must leave it out.
static void append_without_padding(const char *text)
{
    if (!text || text == reinterpret_cast<const char *>(-1))
        return;
    for (const char *p = text; *p && restore_length < sizeof restore_sequence; ++p) {
        if (p[0] == '$' && p[1] == '<' && std::strchr(p, '>')) {
            p = std::strchr(p, '>');
            continue;
        }
        restore_sequence[restore_length++] = *p;
    }
}

void prepare_terminal_restore()
{
    restore_length = 0;
    const char *cursor_to = tigetstr("cup");
    if (cursor_to && cursor_to != reinterpret_cast<const char *>(-1))
        append_without_padding(tiparm(cursor_to, LINES - 1, 0));
    for (const char *capability : {"sgr0", "cnorm", "rmkx", "rmcup"})
        append_without_padding(tigetstr(capability));
}

static void write_text(int fd, const char *text)
{
    write_all(fd, reinterpret_cast<const unsigned char *>(text),
              static_cast<int32_t>(std::strlen(text)));
}

static void append_number(char *text, int number)
{
    char digits[12];
    char *first = digits + sizeof digits - 1;
    *first = '\0';
    do {
        *--first = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    std::strcat(text, first);
}

// `base`.save, or `base`.save.N for the first N that names no file yet:
// an existing file is never overwritten.
static int create_new_file(const char *base, char *name)
{
    for (int n = 0; n < 1000; ++n) {
        std::strcpy(name, base);
        std::strcat(name, n > 0 ? ".save." : ".save");
        if (n > 0)
            append_number(name, n);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Next to the remembered file, or in the working directory when there is
// none or its directory takes no new file.
static bool write_emergency_copy(char *name)
{
    int fd = font_file_name[0] ? create_new_file(font_file_name, name) : -1;
    if (fd < 0)
        fd = create_new_file("quorvalen", name);
    if (fd < 0)
        return false;
    bool written = write_emergency_font(fd) && fsync(fd) == 0;
    if (close(fd) != 0 || !written) {
        unlink(name);
        return false;
    }
    return true;
}

static void rescue_font_and_restore_terminal()
{
    char name[file_name_max + sizeof "quorvalen.save.999"];
    bool rescued = font_has_unsaved_changes && write_emergency_copy(name);
    write_all(STDOUT_FILENO, reinterpret_cast<const unsigned char *>(restore_sequence),
              static_cast<int32_t>(restore_length));
    tcsetattr(STDIN_FILENO, TCSANOW, &shell_modes);
    if (rescued) {
        write_text(STDERR_FILENO, "\r\nquorvalen: the unsaved font was written to ");
        write_text(STDERR_FILENO, name);
        write_text(STDERR_FILENO, "\n");
    } else if (font_has_unsaved_changes) {
        write_text(STDERR_FILENO, "\r\nquorvalen: the unsaved font could not be written anywhere\n");
    }
}

void end_abruptly(int exit_status)
{
    rescue_font_and_restore_terminal();
    _exit(exit_status);
}

// Ends the way the signal would have ended the editor, after the rescue;
// but Ctrl-\ pressed to leave should not leave a core dump behind.
static void end_on_signal(int signal_number)
{
    rescue_font_and_restore_terminal();
    if (signal_number == SIGQUIT)
        _exit(128 + signal_number);
    signal(signal_number, SIG_DFL);
    sigset_t just_this;
    sigemptyset(&just_this);
    sigaddset(&just_this, signal_number);
    raise(signal_number);
    sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
    _exit(128 + signal_number);
}

// Under a file size limit, or with a pipe's reader gone, a write then fails
// and is reported, instead of the editor ending with the font unsaved.
static void let_writes_fail_instead_of_ending()
{
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
}

// A signal ignored by whoever started the editor (as under nohup) stays
// ignored. A stop, too, waits for a key read: the library's stop handler
// must not find the screen half drawn.
void install_end_handlers()
{
    let_writes_fail_instead_of_ending();
    constexpr int handled[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT};
    sigemptyset(&end_signals);
    for (int signal_number : handled)
        sigaddset(&end_signals, signal_number);
    key_wait_signals = end_signals;
    sigaddset(&key_wait_signals, SIGTSTP);
    struct sigaction action {};
    action.sa_handler = end_on_signal;
    action.sa_mask = key_wait_signals;
    for (int signal_number : handled) {
        struct sigaction inherited {};
        sigaction(signal_number, nullptr, &inherited);
        if (inherited.sa_handler != SIG_IGN)
            sigaction(signal_number, &action, nullptr);
    }
    sigprocmask(SIG_BLOCK, &key_wait_signals, nullptr);
}

int read_key(WINDOW *window)
{
    sigprocmask(SIG_UNBLOCK, &key_wait_signals, nullptr);
    int key = wgetch_across_stops(window);
    sigprocmask(SIG_BLOCK, &key_wait_signals, nullptr);
    if (key == KEY_RESIZE)
        note_terminal_resized();
    return key;
}
