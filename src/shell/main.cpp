#include "console/console.h"
#include "fontfile/fontfile.h"
#include "glyph/font.h"
#include "glyph/glyph_stack.h"
#include "glyph/undo_history.h"
#include "prompt/prompts.h"
#include "screen/key_help.h"
#include "screen/screen.h"
#include "shell/shell.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

[[noreturn]] static void print_usage(char **argv)
{
    std::puts("Full screen font editor v" QUORVALEN_VERSION " by the quorvalen developers");
    std::printf("Usage: %s fontfile\n", argv[0]);
    std::exit(1);
}

[[noreturn]] static void print_help(const char *program)
{
    std::printf("Usage: %s [--help | --version] [--] [fontfile]\n\n", program);
    std::puts("Keys (letters work in either case):");
    for (const key_help &key : every_key())
        std::printf("  %s - %s\n", key.keys, key.what);
    std::exit(0);
}

[[noreturn]] static void print_version()
{
    std::puts("quorvalen " QUORVALEN_VERSION);
    std::exit(0);
}

// --help and --version act alone; `--` makes the next argument a file name
// even when it looks like an option. Anything else is as it always was.
static const char *font_argument(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0)
        print_help(argv[0]);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        print_version();
    const int first = argc > 1 && std::strcmp(argv[1], "--") == 0 ? 2 : 1;
    if (argc - first > 1)
        print_usage(argv);
    return first < argc ? argv[first] : nullptr;
}

[[noreturn]] static void fail_start_up_load(const char *path, const char *reason)
{
    std::printf("Load font: %s: %s", path, reason);
    std::exit(1);
}

// The name is refused rather than cut: a later save would silently go to
// another file.
static void open_start_up_font(const char *path)
{
    if (std::strlen(path) > file_name_max)
        fail_start_up_load(path, "file name is too long (more than 256 characters)");
    std::strcpy(font_file_name, path);
    if (load_font(path) != 0)
        fail_start_up_load(path, error_text);
    // Glyph 65, where the editor starts, may lie beyond a small font.
    clamp_position();
    // A pipe such as <(...) came as an inherited descriptor; kept open, it
    // would leave the editor its only reader, and a save to its name would
    // vanish into it while saying "Font saved.".
    close_range(3, ~0U, 0);
}

static void set_up_terminal()
{
    initscr();
    cbreak();
    noecho();
    intrflush(stdscr, FALSE);
    keypad(stdscr, TRUE);
    teach_other_key_forms();
    nonl();
    idcok(stdscr, FALSE);
    // Until the screen has once been resumed, the library flushes its output
    // at every cursor jump: one command went out in a dozen writes, each a
    // packet over ssh. Resuming once, before anything is drawn, ends that.
    endwin();
    doupdate();
    // A lone Escape cancels a prompt; the library's default wait of a second
    // to tell it from a key sequence feels like a hang.
    if (!std::getenv("ESCDELAY"))
        set_escdelay(25);
}

// The layout needs 80x24; a smaller terminal would get a broken screen.
static bool terminal_too_small()
{
    if (terminal_fits_layout())
        return false;
    endwin();
    std::fprintf(stderr, "quorvalen: the terminal is %dx%d, but it needs at least %dx%d.\n",
                 COLS, LINES, min_cols, min_lines);
    return true;
}

int main(int argc, char **argv)
{
    // The user's character set decides whether the terminal can show full
    // blocks and real lines; messages stay as the program words them.
    std::setlocale(LC_CTYPE, "");
    if (const char *path = font_argument(argc, argv))
        open_start_up_font(path);
    // Made before the terminal is touched, so a failure is a plain message.
    pushed_glyphs = stack_create();
    if (!pushed_glyphs) {
        std::fprintf(stderr, "quorvalen: not enough memory for the glyph stack\n");
        return 1;
    }
    if (!terminal_usable())
        return 1;
    make_input_blocking();
    remember_shell_modes();
    set_up_terminal();
    if (terminal_too_small())
        return 1;
    prepare_terminal_restore();
    install_end_handlers();
    watch_size_across_stops();
    draw_screen();
    // Without a file: the font of the console the editor runs on, if any.
    if (font_file_name[0] == '\0')
        start_with_console_font();
    // The font the run starts with is the saved state the overview's "*" compares with.
    mark_font_saved();
    if (command_loop() == loop_end::input_gone)
        end_abruptly(1);
    endwin();
    return 0;
}
