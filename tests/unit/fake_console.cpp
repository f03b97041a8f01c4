#include "fake_console.h"

#include "console/kernel_console.h"

#include <cerrno>
#include <cstring>

fake_console_t fake_console;

constexpr unsigned max_font_width = 64;
constexpr unsigned max_font_height = 128;
constexpr unsigned max_font_glyphs = 512;

static size_t glyph_bytes(unsigned width, unsigned rows)
{
    return (width + 7) / 8 * size_t{rows};
}

static bool is_tall(const console_font_op &op)
{
    return op.op == KD_FONT_OP_GET_TALL || op.op == KD_FONT_OP_SET_TALL;
}

// The rows per glyph in the caller's buffer.
static unsigned pitch_of(const console_font_op &op)
{
    return is_tall(op) ? op.height : 32;
}

void make_fake_console(unsigned glyphs, unsigned width, unsigned height, int seed)
{
    fake_console = {};
    fake_console.width = width;
    fake_console.height = height;
    fake_console.glyphs = glyphs;
    fake_console.rows.resize(glyphs * glyph_bytes(width, height));
    for (size_t i = 0; i < fake_console.rows.size(); ++i)
        fake_console.rows[i] = static_cast<unsigned char>((i * 7 + i / 32 + static_cast<size_t>(seed) * 13) % 253);
}

void make_framebuffer_console(unsigned glyphs, unsigned width, unsigned height, int seed,
                              unsigned pixel_width, unsigned pixel_height)
{
    make_fake_console(glyphs, width, height, seed);
    fake_console.vga_text = false;
    fake_console.pixel_width = pixel_width;
    fake_console.pixel_height = pixel_height;
}

int kd_keyboard_type(int, unsigned char &type)
{
    if (!fake_console.is_console)
        return ENOTTY;
    type = fake_console.keyboard;
    return 0;
}

int kd_mode(int, int &mode)
{
    if (!fake_console.is_console)
        return ENOTTY;
    mode = fake_console.mode;
    return 0;
}

static int get_font(console_font_op &op)
{
    const unsigned pitch = pitch_of(op);
    if (pitch > max_font_height || (fake_console.vga_text && pitch != 32))
        return EINVAL;
    ++fake_console.gets;
    if (fake_console.height > pitch)
        return ENOSPC;
    if (op.data && fake_console.glyphs > op.charcount)
        return ENOSPC;
    if (fake_console.width > op.width || fake_console.height > op.height)
        return ENOSPC;
    op.width = fake_console.width;
    op.height = fake_console.height;
    op.charcount = fake_console.glyphs;
    const size_t size = glyph_bytes(op.width, op.height);
    for (size_t c = 0; op.data && c < op.charcount; ++c)
        std::memcpy(op.data + c * glyph_bytes(op.width, pitch), &fake_console.rows[c * size], size);
    return 0;
}

static bool driver_takes(const console_font_op &op, unsigned pitch)
{
    if (op.charcount != 256 && op.charcount != 512)
        return false;
    return !fake_console.vga_text || (op.width == 8 && op.height <= 32 && pitch == 32);
}

static int set_font(const console_font_op &op)
{
    const unsigned pitch = pitch_of(op);
    if (!op.data || op.charcount > max_font_glyphs || op.width == 0 || op.width > max_font_width ||
        op.height == 0 || op.height > max_font_height || pitch < op.height)
        return EINVAL;
    if (fake_console.refuses_set || !driver_takes(op, pitch))
        return EINVAL;
    ++fake_console.sets;
    fake_console.width = op.width;
    fake_console.height = op.height;
    fake_console.glyphs = op.charcount;
    const size_t size = glyph_bytes(op.width, op.height);
    fake_console.rows.resize(op.charcount * size);
    for (size_t c = 0; c < op.charcount; ++c)
        std::memcpy(&fake_console.rows[c * size], op.data + c * glyph_bytes(op.width, pitch), size);
    return 0;
}

int kd_font_op(int, console_font_op &op)
{
    if (!fake_console.is_console)
        return ENOTTY;
    // Only the plain GET is open to everyone, and the permission comes
    // before the kernel looks at the call.
    if (op.op != KD_FONT_OP_GET && !fake_console.may_set)
        return EPERM;
    if (is_tall(op) && !fake_console.knows_tall_ops)
        return ENOSYS;
    const bool getting = op.op == KD_FONT_OP_GET || op.op == KD_FONT_OP_GET_TALL;
    if (fake_console.mode != KD_TEXT)
        return EINVAL;
    if (!fake_console.has_font)
        return ENOSYS;
    if (getting)
        return get_font(op);
    if (op.op == KD_FONT_OP_SET || op.op == KD_FONT_OP_SET_TALL)
        return set_font(op);
    return EINVAL;
}

// As many whole glyphs as fit the screen, VGA text mode's 8-pixel-wide
// ones included.
int kd_window_size(int, winsize &size)
{
    if (!fake_console.is_console)
        return ENOTTY;
    size.ws_row = static_cast<unsigned short>(fake_console.pixel_height / fake_console.height);
    size.ws_col = static_cast<unsigned short>(fake_console.pixel_width / fake_console.width);
    return 0;
}
