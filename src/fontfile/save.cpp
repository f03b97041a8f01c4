// Writing a font file. A regular file is replaced only by a complete,
// flushed copy, so a save that fails half way never costs the user the font
// already on disk.
#include "fontfile/fontfile.h"
#include "fontfile/forms.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// A file descriptor closed at the end of its scope unless closed before.
struct open_file {
    int fd = -1;
    ~open_file()
    {
        if (fd >= 0)
            close(fd);
    }
    int close_now() { return close(std::exchange(fd, -1)); }
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

bool write_all(int fd, const unsigned char *data, int32_t size)
{
    auto left = static_cast<size_t>(size);
    while (left > 0) {
        ssize_t written = write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// Writes all of `data`, flushes it to the disk when the file is a regular
// one (devices and pipes cannot be flushed), and closes the file.
static bool write_through(open_file &file, bool regular, const unsigned char *data, int32_t size)
{
    return write_all(file.fd, data, size) && (!regular || fsync(file.fd) == 0) &&
           file.close_now() == 0;
}

enum class temp_outcome { made, directory_refuses, failed };

// Makes `temp` in the directory of the file `path` resolves to, through any
// symbolic links, with permission bits `mode`. Only a directory that does not
// allow the file is a reason to write in place; any other failure (no file
// descriptors, no space) fails the save, so the old font stays whole.
static temp_outcome make_temp_beside(const char *path, mode_t mode, temp_file &temp)
{
    char resolved[PATH_MAX];
    if (!realpath(path, resolved))
        return temp_outcome::failed;
    temp.target = resolved;
    std::string name = temp.target.substr(0, temp.target.rfind('/') + 1) + ".quorvalen-XXXXXX";
    int fd = mkstemp(name.data());
    if (fd < 0)
        return errno == EACCES || errno == EPERM || errno == EROFS ? temp_outcome::directory_refuses
                                                                   : temp_outcome::failed;
    temp.path = std::move(name);
    temp.file.fd = fd;
    return fchmod(fd, mode) == 0 ? temp_outcome::made : temp_outcome::failed;
}

static bool replace_with_temp(temp_file &temp, const unsigned char *data, int32_t size)
{
    if (!write_through(temp.file, true, data, size) ||
        rename(temp.path.c_str(), temp.target.c_str()) != 0)
        return false;
    temp.path.clear();
    return true;
}

static bool write_in_place(open_file &target, bool regular, const unsigned char *data,
                           int32_t size)
{
    return (!regular || ftruncate(target.fd, 0) == 0) &&
           write_through(target, regular, data, size);
}

static bool write_font(const char *path, open_file &target, const unsigned char *data,
                       int32_t size)
{
    struct stat status {};
    if (fstat(target.fd, &status) != 0)
        return false;
    if (!S_ISREG(status.st_mode))
        return write_in_place(target, false, data, size);
    temp_file temp;
    switch (make_temp_beside(path, status.st_mode & 07777, temp)) {
    case temp_outcome::made: return replace_with_temp(temp, data, size);
    case temp_outcome::directory_refuses: return write_in_place(target, true, data, size);
    case temp_outcome::failed: return false;
    }
    return false;
}

// A save that fails under a new name leaves no empty file behind, also
// where a dangling link led to it.
static void remove_created_file(const char *path)
{
    char resolved[PATH_MAX];
    if (realpath(path, resolved))
        unlink(resolved);
}

int save_file_bytes(const char *path, const unsigned char *data, int32_t size)
{
    // Opening without truncating refuses a file the user may not write, as a
    // rewrite would, and gives a new file 0644 less the umask to copy.
    struct stat before {};
    bool existed = stat(path, &before) == 0;
    open_file target{open(path, O_WRONLY | O_CREAT, 0644)};
    if (target.fd < 0) {
        snprintf(error_text, sizeof error_text, "open: %s", strerror(errno));
        return -1;
    }
    if (!write_font(path, target, data, size)) {
        snprintf(error_text, sizeof error_text, "write: %s", strerror(errno));
        if (!existed)
            remove_created_file(path);
        return -1;
    }
    return 0;
}
