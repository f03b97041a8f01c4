// PSF fonts, as the Linux console keeps them. Glyphs 0-255 are what the
// editor edits; the header, any further glyphs, the Unicode table and any
// trailing bytes are kept exactly as they were read.
#include "fontfile/fontfile.h"
#include "fontfile/forms.h"
#include "glyph/font.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

constexpr unsigned char psf1_magic[] = {0x36, 0x04};
constexpr unsigned char psf2_magic[] = {0x72, 0xb5, 0x4a, 0x86};
constexpr size_t psf1_header_size = 4;
constexpr size_t psf2_header_size = 32;
constexpr unsigned psf1_max_mode = 5;
constexpr unsigned psf1_mode_512 = 0x01;
constexpr unsigned psf1_mode_table = 0x06;  // a Unicode table, with or without sequences
constexpr unsigned psf2_flag_table = 0x01;
constexpr unsigned psf1_table_end = 0xffff;  // ends the entry of one glyph
constexpr unsigned psf2_table_end = 0xff;
// Real fonts may carry a stray byte or two after their table.
constexpr size_t psf_stray_bytes = 2;

// The last font loaded from PSF; empty when the last load was of another
// form. Changed only by loads; read by saves and the emergency copy.
static psf_template last_loaded_psf;

static bool begins_psf1(const unsigned char *data, size_t size)
{
    return size >= sizeof psf1_magic && std::memcmp(data, psf1_magic, sizeof psf1_magic) == 0;
}

static bool begins_psf2(const unsigned char *data, size_t size)
{
    return size >= sizeof psf2_magic && std::memcmp(data, psf2_magic, sizeof psf2_magic) == 0;
}

bool begins_psf(const unsigned char *data, size_t size)
{
    return begins_psf1(data, size) || begins_psf2(data, size);
}

// What a PSF header says, whichever version it is.
struct psf_header {
    uint64_t version, header_size, glyph_count, glyph_bytes, height, width;
    bool has_table;
    size_t table_unit;  // bytes in one unit of the Unicode table
};

static uint64_t u32_at(const file_image &image, size_t at)
{
    return uint64_t{image[at]} | uint64_t{image[at + 1]} << 8 | uint64_t{image[at + 2]} << 16 |
           uint64_t{image[at + 3]} << 24;
}

// The whole fixed part must be in `image`.
static psf_header read_header(const file_image &image)
{
    if (begins_psf1(image.data(), image.size())) {
        uint64_t rows = image[3];
        return {0, psf1_header_size, image[2] & psf1_mode_512 ? 512u : 256u, rows, rows, 8,
                (image[2] & psf1_mode_table) != 0, 2};
    }
    return {u32_at(image, 4),  u32_at(image, 8),  u32_at(image, 16),           u32_at(image, 20),
            u32_at(image, 24), u32_at(image, 28), (u32_at(image, 12) & psf2_flag_table) != 0, 1};
}

static size_t fixed_part_of(const file_image &image)
{
    return begins_psf1(image.data(), image.size()) ? psf1_header_size : psf2_header_size;
}

static int refuse(const char *reason)
{
    snprintf(error_text, sizeof error_text, "%s", reason);
    return -1;
}

static bool is_damaged(const psf_header &header, size_t fixed_part)
{
    return header.version != 0 || header.header_size < fixed_part ||
           header.glyph_bytes != header.height * ((header.width + 7) / 8);
}

// A PSF1 mode this reader does not know; 0 when it knows the mode or the file is PSF2.
static unsigned unknown_psf1_mode(const file_image &image)
{
    return begins_psf1(image.data(), image.size()) && image[2] > psf1_max_mode ? image[2] : 0;
}

// 0 when the header is one the editor can take, else -1 with the reason.
static int check_header(const psf_header &header, size_t fixed_part, size_t file_size)
{
    if (is_damaged(header, fixed_part))
        return refuse("damaged PSF header");
    if (header.width != glyph_width || header.height != glyph_height) {
        snprintf(error_text, sizeof error_text,
                 "PSF font of %llux%llu pixels, %llu glyphs: only 8x16 fonts can be edited",
                 static_cast<unsigned long long>(header.width),
                 static_cast<unsigned long long>(header.height),
                 static_cast<unsigned long long>(header.glyph_count));
        return -1;
    }
    if (header.glyph_count < glyph_count) {
        snprintf(error_text, sizeof error_text, "PSF font of 8x16 pixels, %llu glyphs: 256 are needed",
                 static_cast<unsigned long long>(header.glyph_count));
        return -1;
    }
    if (header.header_size + header.glyph_count * header.glyph_bytes > file_size)
        return refuse("file is too short");
    return 0;
}

int find_psf_glyphs(const file_image &image, size_t &glyph_offset)
{
    if (!begins_psf(image.data(), image.size()))
        return 0;
    size_t fixed_part = fixed_part_of(image);
    if (image.size() < fixed_part)
        return refuse("file is too short");
    if (unsigned mode = unknown_psf1_mode(image)) {
        snprintf(error_text, sizeof error_text, "unsupported PSF1 mode %u", mode);
        return -1;
    }
    psf_header header = read_header(image);
    if (check_header(header, fixed_part, image.size()) != 0)
        return -1;
    glyph_offset = header.header_size;
    return 1;
}

// Where the Unicode table that starts at `start` ends: after the terminator
// of the last glyph's entry. 0 when the image ends first.
static size_t end_of_table(const file_image &image, const psf_header &header, size_t start)
{
    uint64_t entries = 0;
    size_t at = start;
    while (entries < header.glyph_count && at + header.table_unit <= image.size()) {
        unsigned unit = header.table_unit == 1 ? image[at] : image[at] | unsigned{image[at + 1]} << 8;
        entries += unit == (header.table_unit == 1 ? psf2_table_end : psf1_table_end);
        at += header.table_unit;
    }
    return entries == header.glyph_count ? at : 0;
}

bool psf_accounts_for_file(const file_image &image)
{
    size_t fixed_part = fixed_part_of(image);
    if (image.size() < fixed_part || unknown_psf1_mode(image))
        return false;
    psf_header header = read_header(image);
    if (is_damaged(header, fixed_part) || header.glyph_count > image.size() ||
        header.header_size + header.glyph_count * header.glyph_bytes > image.size())
        return false;
    size_t end = header.header_size + header.glyph_count * header.glyph_bytes;
    if (header.has_table)
        end = end_of_table(image, header, end);
    return end > 0 && image.size() - end <= psf_stray_bytes;
}

void remember_loaded_psf(psf_template loaded)
{
    last_loaded_psf = std::move(loaded);
}

void forget_loaded_psf()
{
    last_loaded_psf = {};
}

const psf_template *loaded_psf()
{
    return last_loaded_psf.image.empty() ? nullptr : &last_loaded_psf;
}

psf_template new_psf1()
{
    psf_template psf{{psf1_magic[0], psf1_magic[1], 0, glyph_height}, psf1_header_size};
    psf.image.resize(psf1_header_size + font_size);
    return psf;
}

file_image with_font_glyphs(const psf_template &psf)
{
    file_image image = psf.image;
    std::copy(font_buffer.begin(), font_buffer.end(),
              image.begin() + static_cast<std::ptrdiff_t>(psf.glyph_offset));
    return image;
}

// The PSF template was made at load time, so this is three plain writes.
bool write_emergency_font(int fd)
{
    const file_image &image = last_loaded_psf.image;
    if (image.empty())
        return write_all(fd, font_buffer.data(), font_size);
    size_t suffix_start = last_loaded_psf.glyph_offset + font_size;
    return write_all(fd, image.data(), static_cast<int32_t>(last_loaded_psf.glyph_offset)) &&
           write_all(fd, font_buffer.data(), font_size) &&
           write_all(fd, image.data() + suffix_start, static_cast<int32_t>(image.size() - suffix_start));
}
