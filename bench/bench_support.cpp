#include "bench.h"

#include "fontfile/fontfile.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace {

constexpr int glyph_height = 16;
constexpr int shape_height = 11;  // rows 2 to 12; the rest stay blank

// Letter-like shapes, one byte per pixel row, bit 7 leftmost.
constexpr unsigned char shapes[8][shape_height] = {
    {0x18, 0x3C, 0x66, 0x66, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x66, 0x66},
    {0x7C, 0x66, 0x66, 0x66, 0x7C, 0x66, 0x66, 0x66, 0x66, 0x7C, 0x00},
    {0x3C, 0x66, 0x60, 0x60, 0x60, 0x60, 0x60, 0x60, 0x66, 0x3C, 0x00},
    {0x78, 0x6C, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x6C, 0x78, 0x00},
    {0x7E, 0x60, 0x60, 0x60, 0x7C, 0x60, 0x60, 0x60, 0x60, 0x7E, 0x00},
    {0x66, 0x66, 0x66, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x66, 0x66, 0x00},
    {0x3C, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x3C, 0x00},
    {0x3C, 0x66, 0x60, 0x30, 0x18, 0x0C, 0x06, 0x06, 0x66, 0x3C, 0x00},
};

unsigned char mirrored(unsigned char row)
{
    unsigned char out = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (row & (1u << bit))
            out = static_cast<unsigned char>(out | (0x80u >> bit));
    return out;
}

// Variant bits: 1 shifts right, 2 makes bold, 4 mirrors, 8 moves down a row.
unsigned char variant_row(unsigned char row, int variant)
{
    if (variant & 1)
        row = static_cast<unsigned char>(row >> 1);
    if (variant & 2)
        row = static_cast<unsigned char>(row | row >> 1);
    if (variant & 4)
        row = mirrored(row);
    return row;
}

} // namespace

font_bytes varied_font()
{
    font_bytes font(256 * glyph_height, 0);
    for (int c = 0; c < 256; ++c) {
        const int variant = c / 8;
        const int top = 2 + (variant & 8 ? 1 : 0);
        for (int r = 0; r < shape_height; ++r)
            font[static_cast<size_t>(c * glyph_height + top + r)] =
                variant_row(shapes[c % 8][r], variant);
    }
    return font;
}

font_value classic_font(const font_bytes &glyphs)
{
    font_value font;
    font.bytes = glyphs;
    return font;
}

const std::vector<std::string> tall_font_paths = {
    "/usr/share/consolefonts/Uni2-Terminus32x16.psf.gz",
    "/usr/share/consolefonts/Uni2-TerminusBold32x16.psf.gz",
    "/usr/share/consolefonts/Uni2-VGA32x16.psf.gz",
    "/usr/share/consolefonts/Uni3-Terminus32x16.psf.gz",
};

std::optional<font_value> font_from(const std::string &path)
{
    if (load_font(path.c_str()) != 0)
        return std::nullopt;
    return font_buffer;
}

int differing_pixels(const font_value &font, int a, int b, int first_row, int end_row)
{
    int count = 0;
    for (int row = first_row; row < end_row; ++row)
        for (int col = 0; col < font.width; ++col)
            count += pixel_lit(font, a, row, col) != pixel_lit(font, b, row, col);
    return count;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string printed(const char *format, ...)
{
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}
