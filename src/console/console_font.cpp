#include "console/console_font.h"

#include "console/kernel_console.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

// The kernel hands fonts over in slots of 32 rows of (width+7)/8 bytes,
// whatever the glyphs' height, and knows at most 512 glyphs of 32x32.
constexpr unsigned slot_rows = 32;
constexpr unsigned max_width = max_glyph_width;
constexpr unsigned max_glyphs = max_glyph_count;
constexpr unsigned min_glyphs = 256;

// The editor's screen needs this many characters of the console.
constexpr unsigned needed_rows = 24;
constexpr unsigned needed_cols = 80;

// A font as the kernel hands it over.
struct kernel_font {
    unsigned width = 0;
    unsigned height = 0;
    unsigned glyphs = 0;
    std::vector<unsigned char> slots;
};

static unsigned slot_size(unsigned width)
{
    return (width + 7) / 8 * slot_rows;
}

static console_outcome failure(std::string message)
{
    return {false, std::move(message)};
}

// `setting`: the error came from putting a font on the console.
static std::string kernel_error_text(int error, bool setting)
{
    switch (error) {
    case EINVAL: return setting ? "The console refused the font." : "The console is not in text mode.";
    case ENOSYS: return "This console has no loadable font.";
    case EPERM: return "Not allowed to change this console's font.";
    case ENOSPC: return "The console font is too large to read.";
    default: return std::strerror(error);
    }
}

// The kernel itself refuses a font outside text mode; asking first gives
// the same answer without a half-done exchange.
static int read_console_font(int fd, kernel_font &font)
{
    int mode = KD_TEXT;
    if (int error = kd_mode(fd, mode))
        return error;
    if (mode != KD_TEXT)
        return EINVAL;
    font.slots.assign(max_glyphs * slot_size(max_width), 0);
    console_font_op op{KD_FONT_OP_GET, 0, max_width, slot_rows, max_glyphs, font.slots.data()};
    if (int error = kd_font_op(fd, op))
        return error;
    font.width = op.width;
    font.height = op.height;
    font.glyphs = op.charcount;
    font.slots.resize(font.glyphs * slot_size(font.width));
    return 0;
}

bool is_virtual_console(int fd)
{
    unsigned char type = 0;
    return kd_keyboard_type(fd, type) == 0 && (type == KB_84 || type == KB_101);
}

console_outcome take_console_font(int fd, font_value &font)
{
    kernel_font console;
    if (int error = read_console_font(fd, console))
        return failure(kernel_error_text(error, false));
    font_value taken;
    taken.width = static_cast<int>(console.width);
    taken.height = static_cast<int>(console.height);
    taken.count = static_cast<int>(console.glyphs);
    const auto size = static_cast<size_t>(glyph_size(taken));
    taken.bytes.assign(size * console.glyphs, 0);
    for (size_t c = 0; c < console.glyphs; ++c)
        std::memcpy(glyph_at(taken, static_cast<int>(c)), &console.slots[c * slot_size(console.width)], size);
    font = std::move(taken);
    return {true, "Font loaded from console."};
}

// The slots to set: the font's glyphs, after which a 512-glyph console
// keeps its own glyphs 256-511.
static std::vector<unsigned char> slots_with_font(kernel_font &console, unsigned glyphs, const font_value &font)
{
    const unsigned slot = slot_size(static_cast<unsigned>(font.width));
    const bool keeps_console_glyphs = glyphs == console.glyphs && console.width == static_cast<unsigned>(font.width) &&
                                      console.height == static_cast<unsigned>(font.height);
    std::vector<unsigned char> slots = keeps_console_glyphs ? std::move(console.slots)
                                                            : std::vector<unsigned char>(glyphs * slot);
    const auto size = static_cast<size_t>(glyph_size(font));
    for (unsigned c = 0; c < static_cast<unsigned>(font.count); ++c) {
        unsigned char *start = &slots[c * slot];
        std::fill(start, start + slot, 0);
        std::memcpy(start, glyph_at(font, static_cast<int>(c)), size);
    }
    return slots;
}

// VGA text mode draws glyphs 8 pixels wide and refuses any other width.
static std::string set_error_text(int error, const font_value &font)
{
    if (error == EINVAL && font.width != 8)
        return "The console refused the font: a VGA console takes only 8-pixel-wide fonts.";
    return kernel_error_text(error, true);
}

// The kernel clears the screen with glyph 32.
static const char *saved_text(const font_value &font)
{
    const unsigned char *space = glyph_at(font, ' ');
    const bool blank = std::all_of(space, space + glyph_size(font), [](unsigned char row) { return row == 0; });
    return blank ? "Font saved to console." : "Font saved to console. Glyph 32 is not blank: it fills the background.";
}

template <typename... Numbers>
static std::string text_of(const char *format, Numbers... numbers)
{
    char text[160];
    std::snprintf(text, sizeof text, format, numbers...);
    return text;
}

// Why the console cannot take `font`; empty when it can. Setting fewer
// glyphs than the console has would leave its Unicode map pointing past
// the end, and those characters would turn into '?', so glyphs 256-511 can
// stay only when the sizes match.
static std::string refusal(const kernel_font &console, const font_value &font, winsize size)
{
    const auto width = static_cast<unsigned>(font.width);
    const auto height = static_cast<unsigned>(font.height);
    const auto count = static_cast<unsigned>(font.count);
    if (count != min_glyphs && count != max_glyphs)
        return text_of("The font has %u glyphs: a console takes only %u or %u.", count, min_glyphs, max_glyphs);
    const bool same_size = console.width == width && console.height == height;
    if (console.glyphs == max_glyphs && count == min_glyphs && !same_size)
        return text_of("The console font is %ux%u with %u glyphs: its glyphs 256-511 cannot be kept.",
                       console.width, console.height, console.glyphs);
    if (same_size || size.ws_row == 0)
        return "";
    const unsigned rows = size.ws_row * console.height / height;
    const unsigned cols = size.ws_col * console.width / width;
    if (rows < needed_rows || cols < needed_cols)
        return text_of("The font would make the console %ux%u; the editor needs %ux%u.", cols, rows,
                       needed_cols, needed_rows);
    return "";
}

console_outcome give_console_font(int fd, const font_value &font)
{
    kernel_font console;
    if (int error = read_console_font(fd, console))
        return failure(kernel_error_text(error, false));
    // A console whose size cannot be read is not measured; the kernel's
    // own checks still apply.
    winsize size{};
    if (kd_window_size(fd, size) != 0)
        size = {};
    if (std::string reason = refusal(console, font, size); !reason.empty())
        return failure(reason);
    const unsigned glyphs = std::max(console.glyphs, static_cast<unsigned>(font.count));
    std::vector<unsigned char> slots = slots_with_font(console, glyphs, font);
    console_font_op op{KD_FONT_OP_SET, 0, static_cast<unsigned>(font.width), static_cast<unsigned>(font.height),
                       glyphs, slots.data()};
    if (int error = kd_font_op(fd, op))
        return failure(set_error_text(error, font));
    return {true, saved_text(font)};
}
