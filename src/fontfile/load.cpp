// Reading a font in any form. Each reader decodes into scratch memory and
// copies into the destination only on success, so a failed load leaves the
// font being edited as it was.
#include "fontfile/bdf.h"
#include "fontfile/fontfile.h"
#include "fontfile/forms.h"

#include "glyph/font.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

char error_text[error_text_size];

// ======== Uuencoded form ========

constexpr int line_buffer_size = 1024;

// Past this many bytes without a begin line a file counts as having none, so
// /dev/zero or a huge file that is not a font cannot stall the editor.
constexpr long header_search_limit = 1L << 20;

using line_buffer = char[line_buffer_size];

struct file_closer {
    void operator()(FILE *file) const { fclose(file); }
};
using open_stream = std::unique_ptr<FILE, file_closer>;

// Reads one line, or one piece of a longer line, with fgets. Gives how many
// bytes it took from the file, NUL bytes inside the line included, or -1
// when nothing was left to read.
static int read_line(FILE *file, line_buffer &line)
{
    // fgets ends what it read with a NUL; a filler without NULs behind it
    // makes that the last NUL in the buffer.
    std::fill(std::begin(line), std::end(line), '\n');
    if (!fgets(line, line_buffer_size, file))
        return -1;
    auto terminator = std::find(std::rbegin(line), std::rend(line), '\0');
    return static_cast<int>(std::rend(line) - terminator) - 1;
}

static bool is_header(const line_buffer &line)
{
    unsigned int mode;
    char name[513];
    return sscanf(line, "begin %o %512s", &mode, name) == 2;
}

// Skips lines up to and including the begin line; false when there is none
// within the search limit.
static bool find_header(FILE *file)
{
    line_buffer line;
    for (long searched = 0; searched < header_search_limit;) {
        int length = read_line(file, line);
        if (length < 0)
            return false;
        if (is_header(line))
            return true;
        searched += length;
    }
    return false;
}

// The six-bit value of character `i` of a line holding `length` characters.
// Characters past what was read count as 0, so a line shorter than its count
// still decodes to defined bytes.
static int six_bits(const line_buffer &line, int length, int i)
{
    return i < length ? (static_cast<unsigned char>(line[i]) - 32) & 63 : 0;
}

// Byte j of a data line: group j / 3 of four characters after the count
// character gives three bytes, each from two neighbouring characters.
static unsigned char decode_byte(const line_buffer &line, int length, int j)
{
    int first = 4 * (j / 3) + 1 + j % 3;
    int shift = 2 * (j % 3 + 1);
    int high = six_bits(line, length, first);
    int low = six_bits(line, length, first + 1);
    return static_cast<unsigned char>(((high << shift) | (low >> (6 - shift))) & 0xff);
}

// Decodes data lines into `scratch` until it is full.
static int decode_data(FILE *file, std::vector<unsigned char> &scratch)
{
    line_buffer line;
    size_t decoded = 0;
    for (;;) {
        int length = read_line(file, line);
        if (length < 0) {
            snprintf(error_text, sizeof error_text, "uudecode: unexpected end of file");
            return -2;
        }
        int count = six_bits(line, length, 0);
        if (count == 0) {
            snprintf(error_text, sizeof error_text, "file is too short");
            return -2;
        }
        for (int j = 0; j < count; ++j) {
            scratch[decoded++] = decode_byte(line, length, j);
            if (decoded == scratch.size())
                return 0;
        }
    }
}

static int no_uuencoded_header()
{
    snprintf(error_text, sizeof error_text, "not a uuencoded file (no begin)");
    return -1;
}

static int decode_uuencoded(FILE *file, unsigned char *dest, int32_t size)
{
    if (!find_header(file))
        return no_uuencoded_header();
    std::vector<unsigned char> scratch(static_cast<size_t>(size));
    int result = decode_data(file, scratch);
    if (result == 0)
        std::copy(scratch.begin(), scratch.end(), dest);
    return result;
}

int open_without_waiting(const char *path, int flags)
{
    int fd = open(path, flags | O_NONBLOCK, 0644);
    if (fd < 0) {
        int error = errno;
        snprintf(error_text, sizeof error_text, "open: %s", strerror(error));
        errno = error;
        return -1;
    }
    if (isatty(fd)) {
        snprintf(error_text, sizeof error_text, "a terminal cannot be a font file");
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// A pipe without a writer reads as empty.
static int open_for_reading(const char *path)
{
    return open_without_waiting(path, O_RDONLY | O_CLOEXEC);
}

int load_uuencoded_font(const char *path, unsigned char *dest, int32_t size)
{
    int fd = open_for_reading(path);
    if (fd < 0)
        return -1;
    open_stream file(fdopen(fd, "r"));
    if (!file) {
        snprintf(error_text, sizeof error_text, "open: %s", strerror(errno));
        close(fd);
        return -1;
    }
    return decode_uuencoded(file.get(), dest, size);
}

// The same for a file read whole.
static int load_uuencoded_image(file_image &image, unsigned char *dest, int32_t size)
{
    if (image.empty())
        return no_uuencoded_header();
    open_stream file(fmemopen(image.data(), image.size(), "r"));
    if (!file)
        return no_uuencoded_header();
    return decode_uuencoded(file.get(), dest, size);
}

// ======== Raw form ========

bool is_raw_font_size(size_t size)
{
    return size == classic_font_size;
}

// Sets the error text for a raw read that gave `length`; 0 when it loads.
static int check_raw_read(ssize_t length)
{
    if (length < 0)
        snprintf(error_text, sizeof error_text, "read: %s", strerror(errno));
    else if (length == 0)
        snprintf(error_text, sizeof error_text, "file is empty");
    else if (length < 8)
        snprintf(error_text, sizeof error_text, "file is too short");
    return length < 8 ? -1 : 0;
}

int load_raw_font(const char *path, unsigned char *dest, int32_t size)
{
    int fd = open_for_reading(path);
    if (fd < 0)
        return -1;
    // Zeroed, so a short file leaves the rest of the font blank.
    std::vector<unsigned char> scratch(static_cast<size_t>(size));
    int result = check_raw_read(read(fd, scratch.data(), scratch.size()));
    close(fd);
    if (result == 0)
        std::copy(scratch.begin(), scratch.end(), dest);
    return result;
}

// The same for a file read whole: as if read in one read.
static int load_raw_image(const file_image &image, unsigned char *dest, int32_t size)
{
    auto length = std::min(image.size(), static_cast<size_t>(size));
    int result = check_raw_read(static_cast<ssize_t>(length));
    if (result == 0) {
        std::copy_n(image.begin(), length, dest);
        std::fill(dest + length, dest + size, 0);
    }
    return result;
}

// ======== Any form ========

int read_uuencoded_image(file_image &image, font_value &found)
{
    int result = load_uuencoded_image(image, found.bytes.data(), classic_font_size);
    return result == 0 ? 1 : result == -1 ? 0 : result;
}

// A longer file is kept whole, as far as it was read: the font is its first
// 4096 bytes, and a save over the file keeps the rest.
int read_raw_image(file_image &image, font_value &found)
{
    if (image.size() <= classic_font_size)
        return load_raw_image(image, found.bytes.data(), classic_font_size) == 0 ? 1 : -1;
    found.bytes = std::move(image);
    return 1;
}

// A font read from a longer file is tied to that file by its full name: a
// save over it keeps the rest, held in the font as far as the limit, or is
// refused when the file goes beyond. Read from a pipe or a device (`path`
// null), which no save gives the rest back to, it keeps its glyphs alone.
static void tie_to_file(font_value &found, const char *path)
{
    char full_name[PATH_MAX];
    if (path && realpath(path, full_name)) {
        found.enclosing_file = full_name;
        return;
    }
    found.bytes = glyphs_alone(found);
    found.glyph_offset = 0;
}

static bool is_longer_than_raw(const char *path)
{
    struct stat status {};
    return stat(path, &status) == 0 && static_cast<size_t>(status.st_size) > classic_font_size;
}

// Only a file beyond the limit is read here as raw and yet longer: see
// read_whole_font_file.
static int read_uuencoded_or_raw_file(const char *path, font_value &found)
{
    int result = load_uuencoded_font(path, found.bytes.data(), classic_font_size);
    if (result != -1)
        return result;
    result = load_raw_font(path, found.bytes.data(), classic_font_size);
    if (result == 0 && is_longer_than_raw(path))
        tie_to_file(found, path);
    return result;
}

static bool is_regular_file(const char *path)
{
    struct stat status {};
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

// A regular file is read as far as its form needs; any other file only once.
static int read_font(const char *path, font_value &found)
{
    file_image image;
    const bool regular = is_regular_file(path);
    int whole = regular ? read_whole_font_file(path, image) : read_font_stream(path, image);
    if (whole < 0)
        return -1;
    if (whole == 0)
        return read_uuencoded_or_raw_file(path, found);
    int result = read_font_image(image, found);
    if (result == 0 && !found.is_file && !found.source && found.bytes.size() > glyphs_size(found))
        tie_to_file(found, regular ? path : nullptr);
    return result;
}

// The file is read with the end signals let in, as it may keep the editor
// waiting; the font being edited changes only after that, with them held.
int load_font(const char *path)
{
    font_value found;
    int result;
    {
        end_signals_let_in waiting;
        result = read_font(path, found);
    }
    if (result != 0)
        return result;
    font_buffer = std::move(found);
    return 0;
}
