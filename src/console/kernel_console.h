// The kernel's console ioctls, one call each, on the terminal `fd`. Each
// returns 0 or the errno value. Tests link a fake in place of these.
#pragma once

#include <linux/kd.h>
#include <sys/ioctl.h>

int kd_keyboard_type(int fd, unsigned char &type);
int kd_mode(int fd, int &mode);
int kd_font_op(int fd, console_font_op &op);
// The console's size in characters.
int kd_window_size(int fd, winsize &size);
