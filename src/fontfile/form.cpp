// Which form a file is in, told by its content, and which form a save
// writes: the form follows the file, so that saving loses nothing of it.
#include "fontfile/bdf.h"
#include "fontfile/fontfile.h"
#include "fontfile/forms.h"
#include "glyph/font.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

// ======== Reading a file whole ========

void grow_image(file_image &image)
{
    constexpr size_t first_size = size_t{16} << 10;
    image.resize(std::min(std::max(image.size() * 2, first_size), file_image_limit + 1));
}

// The length of the open file now, as far as the limit.
static size_t length_up_to_limit(int fd)
{
    struct stat status {};
    if (fstat(fd, &status) != 0 || status.st_size < 0)
        return 0;
    return std::min(static_cast<size_t>(status.st_size), file_image_limit);
}

// Reads at most `limit` bytes, sized by the file's length, one byte over to
// see its end; a file that grows while it is read is followed.
static int read_up_to(int fd, file_image &image, size_t limit)
{
    image.resize(length_up_to_limit(fd) + 1);
    size_t length = 0;
    while (length < limit) {
        if (length == image.size())
            grow_image(image);
        ssize_t got = read(fd, image.data() + length, std::min(image.size(), limit) - length);
        if (got == 0)
            break;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            snprintf(error_text, sizeof error_text, "read: %s", strerror(errno));
            return -1;
        }
        length += static_cast<size_t>(got);
    }
    image.resize(length);
    image.shrink_to_fit();
    return 0;
}

static int refuse_too_large()
{
    snprintf(error_text, sizeof error_text, "file is larger than %zu MiB", file_image_limit_mib);
    return -1;
}

static int read_plain(int fd, file_image &image)
{
    if (read_up_to(fd, image, file_image_limit + 1) != 0)
        return -1;
    return image.size() > file_image_limit ? refuse_too_large() : 0;
}

// A gzip stream that does not unpack: 0 when the file may be a raw font
// (see is_raw_font_size), else -1.
static int failed_gzip(size_t file_size)
{
    return is_raw_font_size(file_size) ? 0 : -1;
}

// Only a regular file is looked into: opening a pipe or a device, or reading
// from it, would take bytes from or wait on whoever is at its other end.
int read_whole_font_file(const char *path, file_image &image)
{
    struct stat status {};
    if (stat(path, &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    unsigned char head[9];
    ssize_t length = pread(fd, head, sizeof head, 0);
    size_t got = length > 0 ? static_cast<size_t>(length) : 0;
    int result = 0;
    if (begins_gzip(head, got))
        result = gunzip_file(fd, image) == 0 ? 1 : failed_gzip(static_cast<size_t>(status.st_size));
    else if (begins_psf(head, got) || begins_bdf(head, got))
        result = read_plain(fd, image) == 0 ? 1 : -1;
    else if (auto size = static_cast<size_t>(status.st_size); size > classic_font_size && size <= file_image_limit)
        result = read_up_to(fd, image, file_image_limit) == 0 ? 1 : -1;
    close(fd);
    return result;
}

// A pipe may not give its bytes a second time, and a device such as
// /dev/zero never ends: read once, and judged by as much as the limit.
int read_font_stream(const char *path, file_image &image)
{
    int fd = open_without_waiting(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    file_image packed;
    int result = read_up_to(fd, packed, file_image_limit + 1);
    close(fd);
    if (result != 0)
        return -1;
    // A PSF font cut at the limit would be saved without the rest of its table.
    if (packed.size() > file_image_limit && begins_psf(packed.data(), packed.size()))
        return refuse_too_large();
    packed.resize(std::min(packed.size(), file_image_limit));
    if (begins_gzip(packed.data(), packed.size())) {
        if (gunzip_image(packed, image) == 0)
            return 1;
        if (failed_gzip(packed.size()) != 0)
            return -1;
    }
    image = std::move(packed);
    return 1;
}

// ======== The forms a file is read in ========

// Tried in this order; the raw form takes any file the others leave.
constexpr image_reader image_readers[] = {read_bdf_image, read_psf_image, read_codepage_image, read_uuencoded_image,
                                          read_raw_image};

int read_font_image(file_image &image, font_value &found)
{
    for (image_reader read : image_readers)
        if (int result = read(image, found); result != 0)
            return result > 0 ? 0 : result;
    return -1;
}

// ======== The form of a save ========

// As many symbolic links in a row as the kernel follows.
constexpr int max_link_hops = 40;

static bool ends_with(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

file_image glyphs_alone(const font_value &font)
{
    const unsigned char *first = glyph_at(font, 0);
    return file_image(first, first + glyphs_size(font));
}

file_image new_psf_file(const font_value &font)
{
    file_image image = new_psf_header(font);
    const file_image glyphs = glyphs_alone(font);
    image.insert(image.end(), glyphs.begin(), glyphs.end());
    return image;
}

// Where a save goes: the name given, and the name of the file it finally
// leads to, less any .gz, whose ending rules the form.
struct save_target {
    const char *path;
    std::string name;
    bool compressed;
};

using saved_image = std::optional<file_image>;

static bool is_enclosing_file(const char *path)
{
    char full_name[PATH_MAX];
    return !font_buffer.enclosing_file.empty() && realpath(path, full_name) &&
           font_buffer.enclosing_file == full_name;
}

// The file the font sits in gets all of it back, the edited glyphs in place.
static saved_image enclosing_file_image(const save_target &target)
{
    return is_enclosing_file(target.path) ? saved_image(font_buffer.bytes) : std::nullopt;
}

static saved_image loaded_psf_image(const save_target &)
{
    return font_buffer.is_file && !font_buffer.is_new_file ? saved_image(font_buffer.bytes) : std::nullopt;
}

// The regular file a save replaces, when it holds a PSF font of the same
// size with at least as many glyphs: its image, with the font's glyphs put
// over its first ones, so its other glyphs and its table stay.
static saved_image replaced_psf_image(const save_target &target)
{
    file_image image;
    psf_shape shape;
    if (read_whole_font_file(target.path, image) != 1 || find_psf_glyphs(image, shape) != 1 ||
        shape.width != font_buffer.width || shape.height != font_buffer.height ||
        shape.count < font_buffer.count)
        return std::nullopt;
    const file_image glyphs = glyphs_alone(font_buffer);
    std::copy(glyphs.begin(), glyphs.end(), image.begin() + static_cast<std::ptrdiff_t>(shape.glyph_offset));
    return image;
}

// The PSF file made for a font raw cannot hold.
static saved_image made_psf_image(const save_target &)
{
    return font_buffer.is_file ? saved_image(font_buffer.bytes) : std::nullopt;
}

static bool is_psf_name(std::string_view name)
{
    return ends_with(name, ".psf") || ends_with(name, ".psfu");
}

static saved_image psf_by_name(const save_target &target)
{
    return is_psf_name(target.name) ? saved_image(new_psf_file(font_buffer)) : std::nullopt;
}

// A name ending .bdf takes BDF from any font; a font read from BDF stays
// BDF under any other name but a PSF one.
static saved_image bdf_image(const save_target &target)
{
    if (ends_with(target.name, ".bdf"))
        return font_buffer.source ? bdf_file_image(font_buffer)
                                  : new_bdf_file(font_buffer, target.name, characters_left_out);
    if (!font_buffer.source || is_psf_name(target.name))
        return std::nullopt;
    return bdf_file_image(font_buffer);
}

static saved_image psf_of_bdf(const save_target &)
{
    return font_buffer.source ? saved_image(psf_file_of_bdf(font_buffer, characters_left_out)) : std::nullopt;
}

static saved_image raw_glyphs(const save_target &)
{
    return glyphs_alone(font_buffer);
}

// What a save writes: the first of these that gives an image. A .bdf name
// or a font read from BDF choose BDF, or PSF from BDF by name; else the form
// follows the file the font came from, then the PSF file it replaces, then
// its name; raw takes the rest.
constexpr saved_image (*save_rules[])(const save_target &) = {
    bdf_image, psf_of_bdf, enclosing_file_image, loaded_psf_image, replaced_psf_image, made_psf_image, psf_by_name, raw_glyphs,
};

static file_image font_file_image(const save_target &target)
{
    characters_left_out = 0;
    for (auto rule : save_rules)
        if (saved_image image = rule(target))
            return std::move(*image);
    return {};
}

// A save over the file the font sits in would cut off the rest of it once
// the font has become a PSF file, or when the file is longer than what was
// read of it: refused, naming a PSF file to save in instead.
static bool save_would_cut_enclosing_file(const char *path)
{
    struct stat status {};
    if (!is_enclosing_file(path) ||
        (!font_buffer.is_file && stat(path, &status) == 0 &&
         static_cast<size_t>(status.st_size) <= file_image_limit))
        return false;
    std::string name = font_buffer.enclosing_file.substr(font_buffer.enclosing_file.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    snprintf(error_text, sizeof error_text, "the rest of the file would be lost; use %s.psf", name.c_str());
    return true;
}

font_value with_fresh_form(font_value glyphs_only)
{
    font_value &font = glyphs_only;
    if (font.width == classic_width && font.height == classic_height && font.count == classic_count)
        return font;
    font.bytes = new_psf_file(font);
    font.glyph_offset = font.bytes.size() - glyphs_size(font);
    font.is_file = font.is_new_file = true;
    return font;
}

// The name of the file `path` finally points to through symbolic links, as
// far as they lead (a dangling link names the file a save creates): the save
// goes there, so its suffixes rule the form.
static std::string final_name(const char *path)
{
    std::string name = path;
    char target[PATH_MAX];
    for (int hop = 0; hop < max_link_hops; ++hop) {
        ssize_t length = readlink(name.c_str(), target, sizeof target);
        if (length < 0 || static_cast<size_t>(length) == sizeof target)
            break;
        std::string_view next(target, static_cast<size_t>(length));
        name = next.starts_with('/') ? std::string(next)
                                     : name.substr(0, name.rfind('/') + 1) + std::string(next);
    }
    return name;
}

int characters_left_out;
bool saved_as_psf;

static save_target target_of(const char *path)
{
    save_target target{path, final_name(path), false};
    target.compressed = ends_with(target.name, ".gz");
    if (target.compressed)
        target.name.resize(target.name.size() - 3);
    return target;
}

static const char *form_name(const file_image &image)
{
    switch (psf_version(image.data(), image.size())) {
    case 1: return "PSF1";
    case 2: return "PSF2";
    default: break;
    }
    if (std::string_view(reinterpret_cast<const char *>(image.data()), image.size()).starts_with("STARTFONT"))
        return "BDF";
    return is_codepage_image(image) ? "codepage" : "raw";
}

std::string saved_form(const char *path)
{
    const save_target target = target_of(path);
    const std::string form = form_name(font_file_image(target));
    return target.compressed ? form + ".gz" : form;
}

int save_font(const char *path)
{
    if (save_would_cut_enclosing_file(path))
        return -1;
    const save_target target = target_of(path);
    file_image image = font_file_image(target);
    saved_as_psf = psf_version(image.data(), image.size()) != 0;
    if (target.compressed && !gzip_image(image))
        return -1;
    return save_file_bytes(path, image.data(), static_cast<int32_t>(image.size()));
}
