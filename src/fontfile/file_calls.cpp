#include "fontfile/file_calls.h"

#include <unistd.h>

ssize_t file_write(int fd, const void *data, size_t size)
{
    return write(fd, data, size);
}

ssize_t file_pwrite(int fd, const void *data, size_t size, off_t offset)
{
    return pwrite(fd, data, size, offset);
}

int file_fsync(int fd)
{
    return fsync(fd);
}

int file_ftruncate(int fd, off_t length)
{
    return ftruncate(fd, length);
}

int file_close(int fd)
{
    return close(fd);
}
