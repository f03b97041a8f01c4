#include "fake_console.h"

#include "console/kernel_console.h"

#include <cerrno>
#include <cstring>

fake_console_t fake_console;

static unsigned slot_bytes(unsigned width)
{
    return (width + 7) / 8 * 32;
}

void make_fake_console(unsigned glyphs, unsigned width, unsigned height, int seed)
{
    fake_console = {};
    fake_console.width = width;
    fake_console.height = height;
    fake_console.glyphs = glyphs;
    fake_console.slots.resize(glyphs * slot_bytes(width));
    for (size_t i = 0; i < fake_console.slots.size(); ++i)
        fake_console.slots[i] = static_cast<unsigned char>((i * 7 + i / 32 + static_cast<size_t>(seed) * 13) % 253);
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
    ++fake_console.gets;
    if (op.data && fake_console.glyphs > op.charcount)
        return ENOSPC;
    if (fake_console.width > op.width || fake_console.height > op.height)
        return ENOSPC;
    op.width = fake_console.width;
    op.height = fake_console.height;
    op.charcount = fake_console.glyphs;
    if (op.data)
        std::memcpy(op.data, fake_console.slots.data(), fake_console.slots.size());
    return 0;
}

static int set_font(const console_font_op &op)
{
    if (fake_console.refuses_set || !op.data || (op.charcount != 256 && op.charcount != 512))
        return EINVAL;
    if (op.width == 0 || op.width > 32 || op.height == 0 || op.height > 32)
        return EINVAL;
    if (fake_console.vga_text && op.width != 8)
        return EINVAL;
    ++fake_console.sets;
    fake_console.width = op.width;
    fake_console.height = op.height;
    fake_console.glyphs = op.charcount;
    fake_console.slots.assign(op.data, op.data + op.charcount * slot_bytes(op.width));
    return 0;
}

int kd_font_op(int, console_font_op &op)
{
    if (!fake_console.is_console)
        return ENOTTY;
    if (op.op != KD_FONT_OP_GET && !fake_console.may_set)
        return EPERM;
    if (fake_console.mode != KD_TEXT)
        return EINVAL;
    if (!fake_console.has_font)
        return ENOSYS;
    if (op.op == KD_FONT_OP_GET)
        return get_font(op);
    if (op.op == KD_FONT_OP_SET)
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
