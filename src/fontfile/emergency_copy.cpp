// The emergency copy written when the editor must end with unsaved changes.
// It runs inside a signal handler: only async-signal-safe calls, no memory
// taken, nothing from stdio.
#include "fontfile/bdf.h"
#include "fontfile/file_calls.h"
#include "fontfile/fontfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

bool write_emergency_font(int fd)
{
    if (font_buffer.source)
        return write_bdf(fd, font_buffer);
    return write_all(fd, font_buffer.bytes.data(), static_cast<int32_t>(font_buffer.bytes.size()));
}

static void append_number(char *text, int number)
{
    char digits[12];
    char *first = digits + sizeof digits - 1;
    *first = '\0';
    do {
        *--first = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    std::strcat(text, first);
}

// `base`.save, or `base`.save.N for the first N that names no file yet:
// an existing file is never overwritten.
static int create_new_file(const char *base, char *name)
{
    for (int n = 0; n < 1000; ++n) {
        std::strcpy(name, base);
        std::strcat(name, n > 0 ? ".save." : ".save");
        if (n > 0)
            append_number(name, n);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// A copy cut short by a full disk or a size limit is removed: half a font
// found later could pass for the rescued one.
static bool write_copy_at(const char *base, char *name)
{
    int fd = create_new_file(base, name);
    if (fd < 0)
        return false;
    bool written = write_emergency_font(fd) && file_fsync(fd) == 0;
    if (file_close(fd) != 0 || !written) {
        unlink(name);
        return false;
    }
    return true;
}

bool write_emergency_copy(std::span<const char *const> bases, char *name)
{
    for (const char *base : bases)
        if (write_copy_at(base, name))
            return true;
    return false;
}
