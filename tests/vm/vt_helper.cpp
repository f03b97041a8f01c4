// A small static helper for the scenarios run on a virtual machine's text
// console: it sets and gets the console font of tty1 with KDFONTOP, types
// keys into tty1 and waits for text on its screen. Exits 0 on success, 1
// with a message otherwise.
#include <linux/kd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

constexpr const char *console = "/dev/tty1";
constexpr const char *console_screen = "/dev/vcs1";
constexpr unsigned slot = 32;  // bytes per glyph slot at width 8

[[noreturn]] static void fail(const char *what)
{
    std::fprintf(stderr, "vt_helper: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

static int open_console()
{
    const int fd = open(console, O_RDWR | O_NOCTTY);
    if (fd < 0)
        fail(console);
    return fd;
}

// 8x16 glyphs, 16 bytes each; every byte depends on its place and the seed.
static std::vector<unsigned char> patterned_font(unsigned glyphs, unsigned seed)
{
    std::vector<unsigned char> font(glyphs * 16);
    for (size_t i = 0; i < font.size(); ++i)
        font[i] = static_cast<unsigned char>((i * 37 + i / 16 * 11 + seed * 101) % 251);
    return font;
}

static void write_file(const char *path, const std::vector<unsigned char> &bytes)
{
    FILE *file = std::fopen(path, "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0)
        fail(path);
}

static void set_font(unsigned seed, unsigned glyphs)
{
    const std::vector<unsigned char> font = patterned_font(glyphs, seed);
    std::vector<unsigned char> slots(glyphs * slot);
    for (unsigned c = 0; c < glyphs; ++c)
        std::memcpy(&slots[c * slot], &font[c * 16], 16);
    console_font_op op{KD_FONT_OP_SET, 0, 8, 16, glyphs, slots.data()};
    if (ioctl(open_console(), KDFONTOP, &op) != 0)
        fail("KDFONTOP SET");
}

// Writes rows 0-15 of every glyph to `path` and prints "WxH COUNT".
static void get_font(const char *path)
{
    std::vector<unsigned char> slots(512 * 32 * 4);
    console_font_op op{KD_FONT_OP_GET, 0, 32, 32, 512, slots.data()};
    if (ioctl(open_console(), KDFONTOP, &op) != 0)
        fail("KDFONTOP GET");
    const unsigned slot_size = (op.width + 7) / 8 * 32;
    std::vector<unsigned char> glyphs;
    for (unsigned c = 0; c < op.charcount; ++c)
        glyphs.insert(glyphs.end(), &slots[c * slot_size], &slots[c * slot_size + 16]);
    write_file(path, glyphs);
    std::printf("%ux%u %u\n", op.width, op.height, op.charcount);
}

static void type_keys(const char *keys)
{
    const int fd = open_console();
    for (const char *key = keys; *key; ++key)
        if (ioctl(fd, TIOCSTI, key) != 0)
            fail("TIOCSTI");
}

// Drops keys typed for an editor that is gone.
static void flush_keys()
{
    if (tcflush(open_console(), TCIFLUSH) != 0)
        fail("tcflush");
}

static std::string screen_text()
{
    char cells[16384];
    const int fd = open(console_screen, O_RDONLY);
    const ssize_t size = fd < 0 ? -1 : read(fd, cells, sizeof cells);
    if (size < 0)
        fail(console_screen);
    close(fd);
    return std::string(cells, static_cast<size_t>(size));
}

// Polls the screen until `text` shows, for at most `seconds`; on a timeout
// prints the screen, 80 cells a line.
static void wait_for_text(const char *text, int seconds)
{
    const time_t deadline = time(nullptr) + seconds;
    std::string screen = screen_text();
    while (screen.find(text) == std::string::npos) {
        if (time(nullptr) > deadline) {
            std::fprintf(stderr, "vt_helper: \"%s\" not on the screen:\n", text);
            for (size_t at = 0; at < screen.size(); at += 80)
                std::fprintf(stderr, "|%s|\n", screen.substr(at, 80).c_str());
            std::exit(1);
        }
        usleep(50000);
        screen = screen_text();
    }
}

static void run_as_nobody(char **command)
{
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
        fail("dropping to nobody");
    execv(command[0], command);
    fail(command[0]);
}

int main(int argc, char **argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "set" && argc == 4)
        set_font(static_cast<unsigned>(std::atoi(argv[2])), static_cast<unsigned>(std::atoi(argv[3])));
    else if (command == "get" && argc == 3)
        get_font(argv[2]);
    else if (command == "type" && argc == 3)
        type_keys(argv[2]);
    else if (command == "flush" && argc == 2)
        flush_keys();
    else if (command == "wait" && argc == 4)
        wait_for_text(argv[2], std::atoi(argv[3]));
    else if (command == "as-nobody" && argc > 2)
        run_as_nobody(argv + 2);
    else {
        std::fprintf(stderr, "usage: vt_helper set SEED GLYPHS | get FILE | type KEYS | flush |"
                             " wait TEXT SECONDS | as-nobody COMMAND...\n");
        return 1;
    }
    return 0;
}
