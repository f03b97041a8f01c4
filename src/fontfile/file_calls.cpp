#include "fontfile/file_calls.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
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

int file_copy_acl(const char *from_path, int from_fd, const char *to_path, int to_fd)
{
    return perm_copy_fd(from_path, from_fd, to_path, to_fd, nullptr);
}

// The default check leaves out the ACL, and what the system's xattr.conf
// says never to copy.
int file_copy_xattrs(const char *from_path, int from_fd, const char *to_path, int to_fd)
{
    return attr_copy_fd(from_path, from_fd, to_path, to_fd, nullptr, nullptr);
}
