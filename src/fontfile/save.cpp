// Writing a font file. A regular file is replaced only by a complete,
// flushed copy that keeps the old file's owner and access, so a save that
// fails half way never costs the user the font already on disk. Where no
// such copy can take the file's place, the file is written over, and put
// back as it was if that fails.
#include "fontfile/file_calls.h"
#include "fontfile/fontfile.h"
#include "fontfile/forms.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

// A file descriptor closed at the end of its scope unless closed before.
struct open_file {
    int fd = -1;
    ~open_file()
    {
        if (fd >= 0)
            close(fd);
    }
    int close_now() { return file_close(std::exchange(fd, -1)); }
};

// A new file beside the target, removed unless it was renamed over it.
struct temp_file {
    std::string path;
    std::string target;  // the file the saved name finally points to
    open_file file;
    ~temp_file()
    {
        if (!path.empty())
            unlink(path.c_str());
    }
};

// Sets error_text to what `step` failed with; always false.
static bool fail(const char *step)
{
    snprintf(error_text, sizeof error_text, "%s: %s", step, strerror(errno));
    return false;
}

// Writes `data` at `offset`, or at the file's own position when `offset` is
// -1, going on after short writes. Gives how many bytes went out: fewer than
// `size` only when a write failed, with errno saying why.
static size_t write_out(int fd, const unsigned char *data, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        ssize_t written = offset < 0 ? file_write(fd, data + done, size - done)
                                     : file_pwrite(fd, data + done, size - done,
                                                   offset + static_cast<off_t>(done));
        if (written < 0 && errno == EINTR)
            continue;
        // Nothing written and no error: say so, rather than leave a stale errno.
        if (written == 0)
            errno = EIO;
        if (written <= 0)
            break;
        done += static_cast<size_t>(written);
    }
    return done;
}

bool write_all(int fd, const unsigned char *data, int32_t size)
{
    auto length = static_cast<size_t>(size);
    return write_out(fd, data, length, -1) == length;
}

// ======== A pipe or a device ========

// Written straight to; a reader that takes its time keeps the save waiting,
// so the signals that end the editor are let in meanwhile.
static bool write_to_device(open_file &target, const unsigned char *data, int32_t size)
{
    end_signals_let_in waiting;
    if (!write_all(target.fd, data, size))
        return fail("write");
    return target.close_now() == 0 || fail("write");
}

// ======== Writing over a regular file ========

// The content of the file `path` names, which must be the file `status`
// describes (the target was opened for writing only), into `old`, sized to
// the file.
static bool read_old_content(const char *path, const struct stat &status, std::vector<unsigned char> &old)
{
    open_file source{open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat now {};
    if (source.fd < 0 || fstat(source.fd, &now) != 0)
        return fail("read");
    if (now.st_dev != status.st_dev || now.st_ino != status.st_ino) {
        errno = EAGAIN;
        return fail("read");
    }
    for (size_t got = 0; got < old.size();) {
        ssize_t length = pread(source.fd, old.data() + got, old.size() - got, static_cast<off_t>(got));
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            return fail("read");
        got += static_cast<size_t>(length);
    }
    return true;
}

// After a failed write over the file: its first `changed` bytes and its
// length as they were. Only what changed is written back, so a size limit
// the new bytes ran into does not stop it.
static bool put_old_content_back(int fd, const std::vector<unsigned char> &old, size_t changed)
{
    changed = std::min(changed, old.size());
    return write_out(fd, old.data(), changed, 0) == changed &&
           file_ftruncate(fd, static_cast<off_t>(old.size())) == 0 && file_fsync(fd) == 0;
}

// The new bytes, then the new length, each flushed to the disk: the save is
// done only when the disk holds the whole new file and nothing of the old
// one past its end. `changed` says how many leading bytes may differ now. A
// close that fails after all this cannot undo it, so it does not fail the
// save.
static bool write_new_content(int fd, const unsigned char *data, int32_t size, size_t &changed)
{
    auto length = static_cast<size_t>(size);
    changed = write_out(fd, data, length, 0);
    if (changed != length || file_fsync(fd) != 0)
        return false;
    changed = SIZE_MAX;  // shortening may cut off all that followed
    return file_ftruncate(fd, size) == 0 && file_fsync(fd) == 0;
}

// The old content is kept in memory, to put back on any failure; a file too
// large for that is not written over.
static bool write_over(const char *path, open_file &target, const struct stat &status,
                       const unsigned char *data, int32_t size)
{
    if (static_cast<size_t>(status.st_size) > file_image_limit) {
        errno = EFBIG;
        return fail("write");
    }
    std::vector<unsigned char> old(static_cast<size_t>(status.st_size));
    if (!read_old_content(path, status, old))
        return false;
    size_t changed = 0;
    if (write_new_content(target.fd, data, size, changed))
        return true;
    int error = errno;
    bool restored = put_old_content_back(target.fd, old, changed);
    errno = error;
    fail("write");
    if (!restored)
        strncat(error_text, "; the old file could not be restored",
                sizeof error_text - strlen(error_text) - 1);
    return false;
}

// ======== Replacing a regular file ========

enum class temp_outcome { made, write_over, failed };

// Gives the temporary file the old file's owner and group, then its ACL,
// which sets the permission bits, and its extended attributes, and last its
// set-ID and sticky bits, which a change of owner clears. Until the ACL comes
// the file gives group and others nothing; a chmod before it would give the
// owning group, for a moment, the access of the ACL's mask, which is what
// the group bits hold. What cannot be copied is a reason to write over the
// old file instead, which keeps it all.
static temp_outcome copy_owner_and_access(const char *path, int old_fd, const struct stat &old,
                                          const temp_file &temp)
{
    int fd = temp.file.fd;
    struct stat made {};
    if (fstat(fd, &made) != 0)
        return temp_outcome::failed;
    if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
        fchown(fd, old.st_uid, old.st_gid) != 0)
        return temp_outcome::write_over;
    if (file_copy_acl(path, old_fd, temp.path.c_str(), fd) != 0 ||
        file_copy_xattrs(path, old_fd, temp.path.c_str(), fd) != 0)
        return temp_outcome::write_over;
    return fchmod(fd, old.st_mode & 07777) == 0 ? temp_outcome::made : temp_outcome::failed;
}

// An append-only directory (chattr +a) lets a temporary file be made, but
// neither renamed over the old file nor removed again.
static bool is_append_only_directory(const std::string &directory)
{
    open_file listing{open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    int flags = 0;
    return listing.fd >= 0 && ioctl(listing.fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_APPEND_FL);
}

// Makes `temp` in the directory of the file `path` resolves to, through any
// symbolic links, like the old file open as `old_fd`. A directory that does
// not allow the file, or an owner or access the file cannot be given, is a
// reason to write over the old file; any other failure (no file
// descriptors, no space) fails the save, so the old font stays whole.
static temp_outcome make_temp_beside(const char *path, int old_fd, const struct stat &old,
                                     temp_file &temp)
{
    char resolved[PATH_MAX];
    if (!realpath(path, resolved))
        return temp_outcome::failed;
    temp.target = resolved;
    const std::string directory = temp.target.substr(0, temp.target.rfind('/') + 1);
    if (is_append_only_directory(directory))
        return temp_outcome::write_over;
    std::string name = directory + ".quorvalen-XXXXXX";
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM || errno == EROFS ? temp_outcome::write_over
                                                                   : temp_outcome::failed;
    temp.path = std::move(name);
    temp.file.fd = fd;
    return copy_owner_and_access(path, old_fd, old, temp);
}

static bool rename_refused(int error)
{
    return error == EACCES || error == EPERM || error == EBUSY;
}

static bool write_regular_file(const char *path, open_file &target, const struct stat &status,
                               const unsigned char *data, int32_t size)
{
    // A new file would leave the other names of the old one on the old bytes.
    if (status.st_nlink > 1)
        return write_over(path, target, status, data, size);
    temp_file temp;
    switch (make_temp_beside(path, target.fd, status, temp)) {
    case temp_outcome::made: break;
    case temp_outcome::write_over: return write_over(path, target, status, data, size);
    case temp_outcome::failed: return fail("write");
    }
    if (!write_all(temp.file.fd, data, size) || file_fsync(temp.file.fd) != 0 ||
        temp.file.close_now() != 0)
        return fail("write");
    if (rename(temp.path.c_str(), temp.target.c_str()) == 0) {
        temp.path.clear();
        return true;
    }
    // Such as another user's file in a sticky directory, or a file mounted
    // over.
    return rename_refused(errno) ? write_over(path, target, status, data, size) : fail("write");
}

// ======== Any file ========

// A save that fails under a new name leaves no empty file behind, also
// where a dangling link led to it.
static void remove_created_file(const char *path)
{
    char resolved[PATH_MAX];
    if (realpath(path, resolved))
        unlink(resolved);
}

// Opening without truncating refuses a file the user may not write, as a
// rewrite would, and gives a new file its mode to copy.
static bool open_target(const char *path, bool is_pipe, open_file &target)
{
    target.fd = open_without_waiting(path, O_WRONLY | O_CREAT | O_CLOEXEC);
    if (target.fd < 0 && is_pipe && errno == ENXIO)
        snprintf(error_text, sizeof error_text, "open: nothing reads from this pipe");
    return target.fd >= 0;
}

static bool write_font(const char *path, open_file &target, const unsigned char *data, int32_t size)
{
    struct stat status {};
    if (fstat(target.fd, &status) != 0)
        return fail("write");
    if (!S_ISREG(status.st_mode))
        return write_to_device(target, data, size);
    return write_regular_file(path, target, status, data, size);
}

int save_file_bytes(const char *path, const unsigned char *data, int32_t size)
{
    struct stat before {};
    bool existed = stat(path, &before) == 0;
    open_file target;
    if (!open_target(path, existed && S_ISFIFO(before.st_mode), target))
        return -1;
    if (!write_font(path, target, data, size)) {
        if (!existed)
            remove_created_file(path);
        return -1;
    }
    return 0;
}
