#include "console/kernel_console.h"

#include <cerrno>
#include <sys/ioctl.h>

static int ioctl_error(int result)
{
    return result == 0 ? 0 : errno;
}

int kd_keyboard_type(int fd, unsigned char &type)
{
    return ioctl_error(ioctl(fd, KDGKBTYPE, &type));
}

int kd_mode(int fd, int &mode)
{
    return ioctl_error(ioctl(fd, KDGETMODE, &mode));
}

int kd_font_op(int fd, console_font_op &op)
{
    return ioctl_error(ioctl(fd, KDFONTOP, &op));
}

int kd_window_size(int fd, winsize &size)
{
    return ioctl_error(ioctl(fd, TIOCGWINSZ, &size));
}
