// The kernel's console ioctls, one call each, on the terminal `fd`. Each
// returns 0 or the errno value. Tests link a fake in place of these.
#pragma once

#include <linux/kd.h>
#include <sys/ioctl.h>

// Linux 6.2's font calls for fonts up to 64x128, whose glyphs follow each
// other at the height the caller gives rather than in 32-row slots. Older
// kernels answer them with ENOSYS; older headers lack them.
#ifndef KD_FONT_OP_SET_TALL
#define KD_FONT_OP_SET_TALL 4
#endif
#ifndef KD_FONT_OP_GET_TALL
#define KD_FONT_OP_GET_TALL 5
#endif

int kd_keyboard_type(int fd, unsigned char &type);
int kd_mode(int fd, int &mode);
int kd_font_op(int fd, console_font_op &op);
// The console's size in characters.
int kd_window_size(int fd, winsize &size);
