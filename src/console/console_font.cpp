#include "console/console_font.h"

#include "console/kernel_console.h"
#include "glyph/font.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

// The kernel hands fonts over in slots of 32 rows of (width+7)/8 bytes,
// whatever the glyphs' height, and knows at most 512 glyphs of 32x32.
constexpr unsigned slot_rows = 32;
constexpr unsigned max_width = 32;
constexpr unsigned max_glyphs = 512;
constexpr unsigned editor_glyphs = glyph_count;

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

static bool is_8x16(const kernel_font &font)
{
    return font.width == glyph_width && font.height == glyph_height;
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

// "The console font is 8x14 with 512 glyphs: " followed by `consequence`.
static std::string unusable_font_text(const kernel_font &font, const char *consequence)
{
    char text[160];
    std::snprintf(text, sizeof text, "The console font is %ux%u with %u glyphs: %s", font.width,
                  font.height, font.glyphs, consequence);
    return text;
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

console_outcome take_console_font(int fd, unsigned char *font)
{
    kernel_font console;
    if (int error = read_console_font(fd, console))
        return failure(kernel_error_text(error, false));
    if (!is_8x16(console) || (console.glyphs != editor_glyphs && console.glyphs != max_glyphs))
        return failure(unusable_font_text(console, "only 8x16 fonts can be edited."));
    for (unsigned c = 0; c < editor_glyphs; ++c)
        std::memcpy(font + c * glyph_height, &console.slots[c * slot_rows], glyph_height);
    return {true, "Font loaded from console."};
}

// The slots to set: the console's own, with glyphs 0-255 replaced by `font`.
static std::vector<unsigned char> slots_with_font(kernel_font &console, unsigned glyphs,
                                                  const unsigned char *font)
{
    std::vector<unsigned char> slots = glyphs == max_glyphs ? std::move(console.slots)
                                                            : std::vector<unsigned char>(glyphs * slot_rows);
    for (unsigned c = 0; c < editor_glyphs; ++c) {
        unsigned char *slot = &slots[c * slot_rows];
        std::fill(slot, slot + slot_rows, 0);
        std::memcpy(slot, font + c * glyph_height, glyph_height);
    }
    return slots;
}

// The kernel clears the screen with glyph 32.
static const char *saved_text(const unsigned char *font)
{
    const unsigned char *space = font + ' ' * glyph_height;
    const bool blank = std::all_of(space, space + glyph_height, [](unsigned char row) { return row == 0; });
    return blank ? "Font saved to console." : "Font saved to console. Glyph 32 is not blank: it fills the background.";
}

console_outcome give_console_font(int fd, const unsigned char *font)
{
    kernel_font console;
    if (int error = read_console_font(fd, console))
        return failure(kernel_error_text(error, false));
    // Setting fewer glyphs than the console has would leave its Unicode map
    // pointing past the end, and those characters would turn into '?'.
    // Glyphs 256-511 can stay as they are only in an 8x16 font.
    const unsigned glyphs = console.glyphs == max_glyphs ? max_glyphs : editor_glyphs;
    if (glyphs == max_glyphs && !is_8x16(console))
        return failure(unusable_font_text(console, "its glyphs 256-511 cannot be kept."));
    std::vector<unsigned char> slots = slots_with_font(console, glyphs, font);
    console_font_op op{KD_FONT_OP_SET, 0, glyph_width, glyph_height, glyphs, slots.data()};
    if (int error = kd_font_op(fd, op))
        return failure(kernel_error_text(error, true));
    return {true, saved_text(font)};
}
