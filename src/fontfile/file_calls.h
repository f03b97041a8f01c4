// The kernel's file calls under every save and the emergency copy, one call
// each, as the C library gives them, and the library calls that copy a
// file's ACL and extended attributes. Tests link a fake in place of these, to
// make a disk fail where a real one cannot be made to (EIO, a failed fsync).
#pragma once

#include <sys/types.h>

ssize_t file_write(int fd, const void *data, size_t size);
ssize_t file_pwrite(int fd, const void *data, size_t size, off_t offset);
int file_fsync(int fd);
int file_ftruncate(int fd, off_t length);
int file_close(int fd);

// The ACL of the file open as `from_fd`, and with it its permission bits,
// then its other extended attributes, onto the file open as `to_fd`. The
// paths only name the files. 0, or -1 on failure.
int file_copy_acl(const char *from_path, int from_fd, const char *to_path, int to_fd);
int file_copy_xattrs(const char *from_path, int from_fd, const char *to_path, int to_fd);
