// Feeds arbitrary file contents to the uuencoded and raw readers and to
// load_font, which also unpacks gzip and reads PSF and BDF. Besides the
// sanitizers' findings, a reader that changes its destination when it fails,
// or leaves no error text, stops the run; so does a loaded plain PSF or BDF
// file that the emergency copy does not give back byte for byte, and a BDF
// font whose text, after a toggle, does not read back as the toggled glyphs. The same bytes, after a
// 3-byte prefix choosing the PSF version and glyph count, go to the Unicode
// table reader: a table it reads must write back as the bytes it took, and
// read again as the same table.
#include "fontfile/bdf.h"
#include "fontfile/fontfile.h"
#include "fontfile/forms.h"
#include "fontfile/unicode_table.h"
#include "glyph/font.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

// The readers take a path, so every input is written to this one file.
static std::string input_path;

static void remove_input_file()
{
    unlink(input_path.c_str());
}

static void make_input_file()
{
    char name[] = "/tmp/fontfile_fuzz-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        abort();
    close(fd);
    input_path = name;
    atexit(remove_input_file);
}

static void write_input(const uint8_t *data, size_t size)
{
    FILE *file = fopen(input_path.c_str(), "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        abort();
}

using font_bytes = std::array<unsigned char, classic_font_size>;

static void check_reader(int (*reader)(const char *, unsigned char *, int32_t))
{
    font_bytes before;
    before.fill(0xa5);
    font_bytes dest = before;
    int result = reader(input_path.c_str(), dest.data(), classic_font_size);
    if (result != 0 && (dest != before || error_text[0] == '\0'))
        abort();
}

// After a successful load the emergency copy holds a plain PSF or BDF input
// whole, and of any other form (gzip aside, which it does not unpack) the
// raw font.
static void check_emergency_copy(const uint8_t *data, size_t size)
{
    static int copy_fd = memfd_create("emergency", 0);
    if (begins_gzip(data, size))
        return;
    if (copy_fd < 0 || ftruncate(copy_fd, 0) != 0 || lseek(copy_fd, 0, SEEK_SET) != 0 ||
        !write_emergency_font(copy_fd))
        abort();
    bool psf = font_buffer.is_file || !font_buffer.enclosing_file.empty() || font_buffer.source;
    std::vector<unsigned char> expected(psf ? data : font_buffer.bytes.data(),
                                        psf ? data + size : font_buffer.bytes.data() + classic_font_size);
    std::vector<unsigned char> copy(expected.size() + 1);
    if (pread(copy_fd, copy.data(), copy.size(), 0) != static_cast<ssize_t>(expected.size()) ||
        !std::equal(expected.begin(), expected.end(), copy.begin()))
        abort();
}

// Byte 0 chooses PSF1 or PSF2, bytes 1-2 the glyph count, up to 512.
static void check_unicode_table(const uint8_t *data, size_t size)
{
    if (size < 3)
        return;
    int version = 1 + (data[0] & 1);
    size_t count = (data[1] | size_t{data[2]} << 8) % 513;
    std::span<const unsigned char> table(data + 3, size - 3);
    table_reading read = read_unicode_table(table, version, count);
    if (!read.error.empty()) {
        if (!read.table.empty() || read.error.size() > 68)
            abort();
        return;
    }
    std::vector<unsigned char> written = write_unicode_table(read.table, version);
    table_reading again = read_unicode_table(written, version, count);
    if (read.table.size() != count || read.end > table.size() ||
        !std::ranges::equal(written, table.first(read.end)) ||
        again.table != read.table || again.end != written.size())
        abort();
}

// A toggle of the last glyph's bottom right pixel, often outside its box,
// written and read again: the same glyphs.
static void check_bdf_toggle()
{
    font_value font = font_buffer;
    flip_pixel(font, font.count - 1, font.height - 1, font.width - 1);
    font_value again;
    if (read_bdf(bdf_file_image(font), again) != 0 || again.count != font.count || again.width != font.width ||
        again.height != font.height ||
        !std::equal(glyph_at(font, 0), glyph_at(font, 0) + glyphs_size(font), glyph_at(again, 0)))
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    check_unicode_table(data, size);
    if (input_path.empty())
        make_input_file();
    write_input(data, size);
    error_text[0] = '\0';
    check_reader(load_uuencoded_font);
    error_text[0] = '\0';
    check_reader(load_raw_font);
    const std::vector<unsigned char> before = font_buffer.bytes;
    error_text[0] = '\0';
    if (load_font(input_path.c_str()) != 0) {
        if (font_buffer.bytes != before || error_text[0] == '\0')
            abort();
    } else {
        check_emergency_copy(data, size);
        if (font_buffer.source)
            check_bdf_toggle();
    }
    return 0;
}
