#include "fake_file_calls.h"

#include "fontfile/file_calls.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

static file_fault fault;
static int calls_seen;  // of the kind that fails

void inject_file_fault(const file_fault &injected)
{
    fault = injected;
    calls_seen = 0;
}

// True, with errno set, when this call is the one to fail.
static bool fails_now(file_call call)
{
    if (call != fault.call || ++calls_seen < fault.nth || (calls_seen > fault.nth && !fault.and_after))
        return false;
    errno = fault.error;
    return true;
}

static size_t allowed_size(size_t size)
{
    return fault.call == file_call::write && fault.short_before && calls_seen < fault.nth && size > 1
               ? size / 2
               : size;
}

ssize_t file_write(int fd, const void *data, size_t size)
{
    if (fails_now(file_call::write))
        return fault.error ? -1 : 0;
    return write(fd, data, allowed_size(size));
}

ssize_t file_pwrite(int fd, const void *data, size_t size, off_t offset)
{
    if (fails_now(file_call::write))
        return fault.error ? -1 : 0;
    return pwrite(fd, data, allowed_size(size), offset);
}

int file_fsync(int fd)
{
    return fails_now(file_call::fsync) ? -1 : fsync(fd);
}

int file_ftruncate(int fd, off_t length)
{
    return fails_now(file_call::ftruncate) ? -1 : ftruncate(fd, length);
}

int file_close(int fd)
{
    return close(fd);
}

// The save promises that the temporary file gives group and others nothing
// until the old file's ACL comes; where it would, the copy is refused, and
// the test sees the file written in place.
int file_copy_acl(const char *from_path, int from_fd, const char *to_path, int to_fd)
{
    struct stat temporary {};
    if (fstat(to_fd, &temporary) != 0 || (temporary.st_mode & 077) != 0) {
        errno = EPERM;
        return -1;
    }
    return fails_now(file_call::copy_acl) ? -1 : perm_copy_fd(from_path, from_fd, to_path, to_fd, nullptr);
}

int file_copy_xattrs(const char *from_path, int from_fd, const char *to_path, int to_fd)
{
    return attr_copy_fd(from_path, from_fd, to_path, to_fd, nullptr, nullptr);
}
