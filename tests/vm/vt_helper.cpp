// A small static helper for the scenarios run on a virtual machine's text
// console: it sets and gets the console font of tty1 with KDFONTOP, writes
// patterned fonts as PSF files, types keys into tty1 and waits for text on
// its screen. Exits 0 on success, 1 with a message otherwise.
#include <linux/kd.h>

#include <algorithm>
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
constexpr const char *console_screen = "/dev/vcsa1";
constexpr unsigned slot_rows = 32;  // the kernel's glyph slots, whatever the height

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

struct font_shape {
    unsigned width = 8;
    unsigned height = 16;
    unsigned glyphs = 256;
    unsigned row_bytes() const { return (width + 7) / 8; }
    unsigned glyph_bytes() const { return row_bytes() * height; }
};

// "WxH" and a count, as the scenarios write them.
static font_shape shape_of(const char *size, const char *glyphs)
{
    font_shape shape;
    if (std::sscanf(size, "%ux%u", &shape.width, &shape.height) != 2)
        fail(size);
    shape.glyphs = static_cast<unsigned>(std::atoi(glyphs));
    return shape;
}

// Glyphs as PSF stores them; every byte depends on its place and the seed.
static std::vector<unsigned char> patterned_font(const font_shape &shape, unsigned seed)
{
    std::vector<unsigned char> font(shape.glyphs * shape.glyph_bytes());
    for (size_t i = 0; i < font.size(); ++i)
        font[i] = static_cast<unsigned char>((i * 37 + i / shape.glyph_bytes() * 11 + seed * 101) % 251);
    return font;
}

static void write_file(const char *path, const std::vector<unsigned char> &bytes)
{
    FILE *file = std::fopen(path, "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0)
        fail(path);
}

static void set_font(unsigned seed, const font_shape &shape)
{
    const std::vector<unsigned char> font = patterned_font(shape, seed);
    const unsigned slot = shape.row_bytes() * slot_rows;
    std::vector<unsigned char> slots(shape.glyphs * slot);
    for (unsigned c = 0; c < shape.glyphs; ++c)
        std::memcpy(&slots[c * slot], &font[c * shape.glyph_bytes()], shape.glyph_bytes());
    console_font_op op{KD_FONT_OP_SET, 0, shape.width, shape.height, shape.glyphs, slots.data()};
    if (ioctl(open_console(), KDFONTOP, &op) != 0)
        fail("KDFONTOP SET");
}

static void put_le32(std::vector<unsigned char> &bytes, unsigned value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<unsigned char>(value >> shift));
}

// The patterned font as a PSF2 file without a table.
static void write_psf(unsigned seed, const font_shape &shape, const char *path)
{
    std::vector<unsigned char> file{0x72, 0xb5, 0x4a, 0x86};
    for (unsigned field : {0u, 32u, 0u, shape.glyphs, shape.glyph_bytes(), shape.height, shape.width})
        put_le32(file, field);
    const std::vector<unsigned char> font = patterned_font(shape, seed);
    file.insert(file.end(), font.begin(), font.end());
    write_file(path, file);
}

// Writes every glyph, as PSF stores it, to `path` and prints "WxH COUNT".
static void get_font(const char *path)
{
    std::vector<unsigned char> slots(512 * slot_rows * 4);
    console_font_op op{KD_FONT_OP_GET, 0, 32, 32, 512, slots.data()};
    if (ioctl(open_console(), KDFONTOP, &op) != 0)
        fail("KDFONTOP GET");
    const font_shape shape{op.width, op.height, op.charcount};
    const unsigned slot = shape.row_bytes() * slot_rows;
    std::vector<unsigned char> glyphs;
    for (unsigned c = 0; c < op.charcount; ++c)
        glyphs.insert(glyphs.end(), &slots[c * slot], &slots[c * slot + shape.glyph_bytes()]);
    write_file(path, glyphs);
    std::printf("%ux%u %u\n", op.width, op.height, op.charcount);
}

// The console's size in characters, which follows its font.
static void print_size()
{
    winsize size{};
    if (ioctl(open_console(), TIOCGWINSZ, &size) != 0)
        fail("TIOCGWINSZ");
    std::printf("%ux%u\n", size.ws_col, size.ws_row);
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

// The screen as /dev/vcsa1 gives it: its size and its characters at once,
// so that a resize cannot come between them.
struct screen_t {
    unsigned rows = 0;
    unsigned cols = 0;
    std::string text;  // rows * cols characters
};

static screen_t read_screen()
{
    std::vector<char> cells(4 + 2 * 256 * 256);
    const int fd = open(console_screen, O_RDONLY);
    const ssize_t size = fd < 0 ? -1 : read(fd, cells.data(), cells.size());
    if (size < 4)
        fail(console_screen);
    close(fd);
    screen_t screen{static_cast<unsigned char>(cells[0]), static_cast<unsigned char>(cells[1]), {}};
    for (ssize_t at = 4; at + 1 < size; at += 2)
        screen.text += cells[static_cast<size_t>(at)];
    return screen;
}

// Where `text` shows: anywhere, or only on the bottom line.
static bool shows(const screen_t &screen, const char *text, bool on_bottom_line)
{
    const size_t found = screen.text.rfind(text);
    return found != std::string::npos && (!on_bottom_line || found >= (screen.rows - 1) * screen.cols);
}

// Polls the screen until `text` shows, for at most `seconds`; on a timeout
// prints the screen, a line of the console a line.
static void wait_for_text(const char *text, int seconds, bool on_bottom_line)
{
    const time_t deadline = time(nullptr) + seconds;
    screen_t screen = read_screen();
    while (!shows(screen, text, on_bottom_line)) {
        if (time(nullptr) > deadline) {
            std::fprintf(stderr, "vt_helper: \"%s\" not on the %s:\n", text,
                         on_bottom_line ? "bottom line" : "screen");
            for (size_t at = 0; at < screen.text.size(); at += std::max(screen.cols, 1u))
                std::fprintf(stderr, "|%s|\n", screen.text.substr(at, screen.cols).c_str());
            std::exit(1);
        }
        usleep(50000);
        screen = read_screen();
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
    if (command == "set" && argc == 5)
        set_font(static_cast<unsigned>(std::atoi(argv[2])), shape_of(argv[3], argv[4]));
    else if (command == "psf" && argc == 6)
        write_psf(static_cast<unsigned>(std::atoi(argv[2])), shape_of(argv[3], argv[4]), argv[5]);
    else if (command == "get" && argc == 3)
        get_font(argv[2]);
    else if (command == "size" && argc == 2)
        print_size();
    else if (command == "type" && argc == 3)
        type_keys(argv[2]);
    else if (command == "flush" && argc == 2)
        flush_keys();
    else if (command == "wait" && argc == 4)
        wait_for_text(argv[2], std::atoi(argv[3]), false);
    else if (command == "wait-bottom" && argc == 4)
        wait_for_text(argv[2], std::atoi(argv[3]), true);
    else if (command == "as-nobody" && argc > 2)
        run_as_nobody(argv + 2);
    else {
        std::fprintf(stderr, "usage: vt_helper set SEED WxH GLYPHS | psf SEED WxH GLYPHS FILE |"
                             " get FILE | size | type KEYS | flush | wait[-bottom] TEXT SECONDS |"
                             " as-nobody COMMAND...\n");
        return 1;
    }
    return 0;
}
