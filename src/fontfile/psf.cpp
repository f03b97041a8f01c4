// PSF fonts, as the Linux console keeps them, of any size the console
// takes. A font loaded from PSF is edited inside its file image, so the
// header, the Unicode table and any trailing bytes stay exactly as read.
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
constexpr unsigned psf1_mode_plain_table = 0x02;
constexpr unsigned psf2_flag_table = 0x01;
constexpr unsigned psf1_table_end = 0xffff;  // ends the entry of one glyph
constexpr unsigned psf2_table_end = 0xff;
// Real fonts may carry a stray byte or two after their table.
constexpr size_t psf_stray_bytes = 2;

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

int psf_version(const unsigned char *data, size_t size)
{
    return begins_psf1(data, size) ? 1 : begins_psf2(data, size) ? 2 : 0;
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

// No font has glyphs of 1000 pixels a side, or ten million glyphs: sizes
// past that are noise, and the refusal naming them would pass 80 columns.
constexpr uint64_t largest_sane_side = 999;
constexpr uint64_t largest_sane_count = 9'999'999;

static bool is_damaged(const psf_header &header, size_t fixed_part)
{
    return header.version != 0 || header.header_size < fixed_part || header.width == 0 ||
           header.height == 0 || header.glyph_count == 0 || header.width > largest_sane_side ||
           header.height > largest_sane_side || header.glyph_count > largest_sane_count ||
           header.glyph_bytes != header.height * ((header.width + 7) / 8);
}

// A PSF1 mode this reader does not know; 0 when it knows the mode or the file is PSF2.
static unsigned unknown_psf1_mode(const file_image &image)
{
    return begins_psf1(image.data(), image.size()) && image[2] > psf1_max_mode ? image[2] : 0;
}

// Whether all the glyphs the header counts are in a file of `file_size`
// bytes; each factor is checked first, so nothing overflows.
static bool glyphs_fit(const psf_header &header, size_t file_size)
{
    return header.header_size <= file_size && header.glyph_count <= file_size &&
           header.glyph_bytes <= file_size &&
           header.glyph_count * header.glyph_bytes <= file_size - header.header_size;
}

static bool within_editor_limits(const psf_header &header)
{
    return header.width <= max_glyph_width && header.height <= max_glyph_height &&
           header.glyph_count <= max_glyph_count;
}

// 0 when the header is one the editor can take, else -1 with the reason.
// A font beyond the editor's limits is named so whether or not the file
// holds all its glyphs.
static int check_header(const psf_header &header, size_t fixed_part, size_t file_size)
{
    if (is_damaged(header, fixed_part))
        return refuse("damaged PSF header");
    if (!within_editor_limits(header)) {
        snprintf(error_text, sizeof error_text, "PSF font of %llux%llu, %llu glyphs: at most %dx%d and %d glyphs",
                 static_cast<unsigned long long>(header.width), static_cast<unsigned long long>(header.height),
                 static_cast<unsigned long long>(header.glyph_count), max_glyph_width, max_glyph_height,
                 max_glyph_count);
        return -1;
    }
    return glyphs_fit(header, file_size) ? 0 : refuse("file is too short");
}

int find_psf_glyphs(const file_image &image, psf_shape &shape)
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
    shape = {static_cast<int>(header.width), static_cast<int>(header.height),
             static_cast<int>(header.glyph_count), header.header_size};
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
    if (is_damaged(header, fixed_part) || !glyphs_fit(header, image.size()))
        return false;
    size_t end = header.header_size + header.glyph_count * header.glyph_bytes;
    if (header.has_table)
        end = end_of_table(image, header, end);
    return end > 0 && image.size() - end <= psf_stray_bytes;
}

// PSF1 holds only fonts 8 pixels wide of 256 or 512 glyphs.
static bool fits_psf1(const font_value &font)
{
    return font.width == 8 && (font.count == 256 || font.count == 512);
}

static void put_u32(file_image &image, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        image[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

static file_image psf2_header_for(const font_value &font)
{
    file_image header(psf2_header_size);
    std::copy(std::begin(psf2_magic), std::end(psf2_magic), header.begin());
    const uint32_t fields[] = {0, psf2_header_size, 0, static_cast<uint32_t>(font.count),
                               static_cast<uint32_t>(glyph_size(font)), static_cast<uint32_t>(font.height),
                               static_cast<uint32_t>(font.width)};
    for (size_t i = 0; i < std::size(fields); ++i)
        put_u32(header, 4 + 4 * i, fields[i]);
    return header;
}

// A file of the raw form's size is PSF only when the PSF font accounts for
// all of it (see is_raw_font_size).
int read_psf_image(file_image &image, font_value &found)
{
    psf_shape shape;
    int is_psf = find_psf_glyphs(image, shape);
    if (is_psf != 0 && is_raw_font_size(image.size()) && !psf_accounts_for_file(image))
        return 0;
    if (is_psf <= 0)
        return is_psf;
    found = {shape.width, shape.height, shape.count, std::move(image), shape.glyph_offset, true};
    return 1;
}

file_image new_psf_header(const font_value &font)
{
    if (!fits_psf1(font))
        return psf2_header_for(font);
    const auto mode = static_cast<unsigned char>(font.count == 512 ? psf1_mode_512 : 0);
    return {psf1_magic[0], psf1_magic[1], mode, static_cast<unsigned char>(font.height)};
}


// ======== The Unicode table ========

constexpr unsigned psf1_mode_sequences = 0x04;

bool is_psf_file(const font_value &font)
{
    return font.is_file && !font.is_new_file && begins_psf(font.bytes.data(), font.bytes.size());
}

std::optional<psf_table_place> table_place(const font_value &font)
{
    const file_image &image = font.bytes;
    if (!is_psf_file(font))
        return std::nullopt;
    const psf_header header = read_header(image);
    if (!header.has_table)
        return std::nullopt;
    const int version = begins_psf1(image.data(), image.size()) ? 1 : 2;
    return psf_table_place{version, font.glyph_offset + glyphs_size(font)};
}

int set_psf_table_flag(file_image &image)
{
    if (begins_psf1(image.data(), image.size())) {
        image[2] |= psf1_mode_plain_table;
        return 1;
    }
    image[12] |= psf2_flag_table;
    return 2;
}

// kbd writes a PSF1 table with sequences as mode 4, or 5 with 512 glyphs.
void note_psf1_sequences(font_value &font)
{
    unsigned char &mode = font.bytes[2];
    if (!(mode & psf1_mode_sequences))
        mode = static_cast<unsigned char>(psf1_mode_sequences | (mode & psf1_mode_512));
}
