// A console behind the kernel seam that keeps the kernel's rules (Linux
// 6.2's vt.c, fbcon and vgacon): the plain calls hand glyphs over in 32-row
// slots, up to 32x32; the tall ones in slots of the height the caller gives,
// up to 64x128, and an older kernel answers them ENOSYS. Only 256 or 512
// glyphs set; a VGA text console takes only 8-pixel-wide glyphs in 32-row
// slots. ENOSPC for a buffer too small, EPERM for a SET on someone else's
// console, ENOSYS where the driver has no font, EINVAL outside text mode,
// ENOTTY off a console. Its size in characters follows its font, as the
// kernel resizes a console when its font is set.
#pragma once

#include <linux/kd.h>

#include <vector>

struct fake_console_t {
    bool is_console = true;           // false: a pty, a serial line, a file
    unsigned char keyboard = KB_101;
    int mode = KD_TEXT;
    bool has_font = true;             // false: the dummy driver
    bool may_set = true;              // false: not our console, and not root
    bool refuses_set = false;         // a driver that will not take the font
    bool vga_text = true;             // false: a framebuffer console
    bool knows_tall_ops = true;       // false: a kernel before 6.2
    unsigned pixel_width = 640;       // the screen the characters fill
    unsigned pixel_height = 400;
    unsigned width = 8;
    unsigned height = 16;
    unsigned glyphs = 256;
    std::vector<unsigned char> rows = std::vector<unsigned char>(256 * 16);  // glyphs * height rows of (width+7)/8 bytes
    int gets = 0;
    int sets = 0;
};

extern fake_console_t fake_console;

// A VGA text console of 640x400 pixels (80x25 with 8x16 glyphs) showing a
// font of `glyphs` glyphs, `width` x `height`, whose every slot byte
// depends on its place and on `seed`.
void make_fake_console(unsigned glyphs, unsigned width, unsigned height, int seed);

// The same on a framebuffer console of `pixel_width` x `pixel_height`.
void make_framebuffer_console(unsigned glyphs, unsigned width, unsigned height, int seed,
                              unsigned pixel_width = 1280, unsigned pixel_height = 1024);
