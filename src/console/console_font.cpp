#include "console/console_font.h"

#include "console/kernel_console.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

// The kernel hands fonts over in slots of 32 rows of (width+7)/8 bytes,
// whatever the glyphs' height, up to 32x32; its tall calls (Linux 6.2) take
// up to 64x128, in slots of as many rows as the caller says. A console takes
// 256 or 512 glyphs.
constexpr unsigned slot_rows = 32;
constexpr unsigned max_slot_width = 32;
constexpr unsigned max_tall_width = 64;
constexpr unsigned max_tall_height = 128;
constexpr unsigned max_glyphs = 512;
constexpr unsigned min_glyphs = 256;

// The editor's screen needs this many characters of the console.
constexpr unsigned needed_rows = 24;
constexpr unsigned needed_cols = 80;

// A font as the kernel hands it over, its glyphs one after the other at
// their own height.
struct kernel_font {
    unsigned width = 0;
    unsigned height = 0;
    unsigned glyphs = 0;
    std::vector<unsigned char> rows;
};

static size_t glyph_bytes(unsigned width, unsigned height)
{
    return (width + 7) / 8 * size_t{height};
}

// The glyphs of `glyphs` slots of `pitch` rows, without the rows past `height`.
static std::vector<unsigned char> unslotted(const std::vector<unsigned char> &slots, unsigned width,
                                            unsigned height, unsigned pitch, unsigned glyphs)
{
    const size_t size = glyph_bytes(width, height);
    std::vector<unsigned char> rows(size * glyphs);
    for (size_t c = 0; c < glyphs; ++c)
        std::memcpy(&rows[c * size], &slots[c * glyph_bytes(width, pitch)], size);
    return rows;
}

// Glyphs `rows` in slots of `pitch` rows, zero below each glyph.
static std::vector<unsigned char> slotted(const std::vector<unsigned char> &rows, unsigned width,
                                          unsigned height, unsigned pitch)
{
    const size_t size = glyph_bytes(width, height);
    const size_t slot = glyph_bytes(width, pitch);
    std::vector<unsigned char> slots(rows.size() / size * slot);
    for (size_t c = 0; c < rows.size() / size; ++c)
        std::memcpy(&slots[c * slot], &rows[c * size], size);
    return slots;
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

static int get_font(int fd, unsigned op_code, unsigned width, unsigned pitch, kernel_font &font)
{
    std::vector<unsigned char> slots(max_glyphs * glyph_bytes(width, pitch));
    console_font_op op{op_code, 0, width, pitch, max_glyphs, slots.data()};
    if (int error = kd_font_op(fd, op))
        return error;
    font = {op.width, op.height, op.charcount, unslotted(slots, op.width, op.height, pitch, op.charcount)};
    return 0;
}

// The kernel itself refuses a font outside text mode; asking first gives
// the same answer without a half-done exchange. A font too large for the
// 32-row call is asked for again with the tall one, which a VGA console and
// older kernels do not take.
static int read_console_font(int fd, kernel_font &font)
{
    int mode = KD_TEXT;
    if (int error = kd_mode(fd, mode))
        return error;
    if (mode != KD_TEXT)
        return EINVAL;
    const int error = get_font(fd, KD_FONT_OP_GET, max_slot_width, slot_rows, font);
    if (error != ENOSPC || get_font(fd, KD_FONT_OP_GET_TALL, max_tall_width, max_tall_height, font) != 0)
        return error;
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
    taken.bytes = std::move(console.rows);
    font = std::move(taken);
    return {true, "Font loaded from console."};
}

// The glyphs to set: the font's, after which a 512-glyph console keeps its
// own glyphs 256-511.
static std::vector<unsigned char> glyphs_with_font(kernel_font &console, unsigned glyphs, const font_value &font)
{
    const bool keeps_console_glyphs = glyphs == console.glyphs && console.width == static_cast<unsigned>(font.width) &&
                                      console.height == static_cast<unsigned>(font.height);
    std::vector<unsigned char> rows = keeps_console_glyphs ? std::move(console.rows)
                                                           : std::vector<unsigned char>(glyphs * static_cast<size_t>(glyph_size(font)));
    std::copy(font.bytes.begin() + static_cast<std::ptrdiff_t>(font.glyph_offset),
              font.bytes.begin() + static_cast<std::ptrdiff_t>(font.glyph_offset + glyphs_size(font)), rows.begin());
    return rows;
}

static bool needs_tall_call(const font_value &font)
{
    return static_cast<unsigned>(font.width) > max_slot_width || static_cast<unsigned>(font.height) > slot_rows;
}

// VGA text mode draws glyphs 8 pixels wide and refuses any other width.
// A kernel before 6.2 does not know the tall call.
static std::string set_error_text(int error, const font_value &font)
{
    if (error == ENOSYS && needs_tall_call(font))
        return "The console refused the font: fonts over 32x32 need Linux 6.2 or later.";
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
    const auto width = static_cast<unsigned>(font.width);
    const auto height = static_cast<unsigned>(font.height);
    const bool tall = needs_tall_call(font);
    std::vector<unsigned char> slots = slotted(glyphs_with_font(console, glyphs, font), width, height,
                                               tall ? height : slot_rows);
    const unsigned op_code = tall ? KD_FONT_OP_SET_TALL : KD_FONT_OP_SET;
    console_font_op op{op_code, 0, width, height, glyphs, slots.data()};
    if (int error = kd_font_op(fd, op))
        return failure(set_error_text(error, font));
    return {true, saved_text(font)};
}
