// The kernel's file calls under every save and the emergency copy, one call
// each, as the C library gives them. Tests link a fake in place of these, to
// make a disk fail where a real one cannot be made to (EIO, a failed fsync).
#pragma once

#include <sys/types.h>

ssize_t file_write(int fd, const void *data, size_t size);
ssize_t file_pwrite(int fd, const void *data, size_t size, off_t offset);
int file_fsync(int fd);
int file_ftruncate(int fd, off_t length);
int file_close(int fd);
