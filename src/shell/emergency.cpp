// Ending the run when the terminal goes away or a signal asks: unsaved
// changes are written to a new file first, and the terminal is put back.
// The handlers use only async-signal-safe calls and what was prepared
// beforehand. They get in only while a key is read, or a load or save
// waits on a file.
#include "fontfile/fontfile.h"
#include "glyph/font.h"
#include "prompt/prompts.h"
#include "screen/screen.h"
#include "shell/shell.h"

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <span>
#include <term.h>
#include <termios.h>
#include <unistd.h>

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

// Read once at start, before a handler can run: getenv is not safe in one.
static const char *const home_directory = std::getenv("HOME");

// Where the emergency copy may go, in this order: beside the remembered
// file, in the working directory, in the home directory.
struct rescue_places {
    const char *bases[3];
    size_t count = 0;
    char home_base[PATH_MAX];
};

static void list_rescue_places(rescue_places &places)
{
    if (font_file_name[0])
        places.bases[places.count++] = font_file_name;
    places.bases[places.count++] = "quorvalen";
    constexpr char home_name[] = "/quorvalen";
    if (home_directory && home_directory[0] &&
        std::strlen(home_directory) + sizeof home_name <= sizeof places.home_base) {
        std::strcpy(places.home_base, home_directory);
        std::strcat(places.home_base, home_name);
        places.bases[places.count++] = places.home_base;
    }
}

static void report_places_tried(const rescue_places &places)
{
    write_text(STDERR_FILENO, "\r\nquorvalen: the unsaved font could not be written anywhere; tried ");
    for (size_t i = 0; i < places.count; ++i) {
        write_text(STDERR_FILENO, i == 0 ? "" : i + 1 < places.count ? ", " : " and ");
        write_text(STDERR_FILENO, places.bases[i]);
        write_text(STDERR_FILENO, ".save");
    }
    write_text(STDERR_FILENO, "\n");
}

static void rescue_font_and_restore_terminal()
{
    rescue_places places;
    list_rescue_places(places);
    char name[PATH_MAX + emergency_suffix_size];
    bool rescued = font_has_unsaved_changes &&
                   write_emergency_copy(std::span(places.bases, places.count), name);
    write_all(STDOUT_FILENO, reinterpret_cast<const unsigned char *>(restore_sequence),
              static_cast<int32_t>(restore_length));
    tcsetattr(STDIN_FILENO, TCSANOW, &shell_modes);
    if (rescued) {
        write_text(STDERR_FILENO, "\r\nquorvalen: the unsaved font was written to ");
        write_text(STDERR_FILENO, name);
        write_text(STDERR_FILENO, "\n");
    } else if (font_has_unsaved_changes) {
        report_places_tried(places);
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
    const sigset_t key_wait_signals = key_wait_signal_set();
    struct sigaction action {};
    action.sa_handler = end_on_signal;
    action.sa_mask = key_wait_signals;
    for (int signal_number : end_signal_numbers) {
        struct sigaction inherited {};
        sigaction(signal_number, nullptr, &inherited);
        if (inherited.sa_handler != SIG_IGN)
            sigaction(signal_number, &action, nullptr);
    }
    sigprocmask(SIG_BLOCK, &key_wait_signals, nullptr);
}
