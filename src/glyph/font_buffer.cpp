#include "glyph/font.h"

#include <algorithm>
#include <utility>

font_value font_buffer;
editor_state_t editor_state;
bool font_has_unsaved_changes;
char font_file_name[file_name_max + 1];

int row_bytes(int width)
{
    return (width + 7) / 8;
}

int glyph_size(const font_value &font)
{
    return font.height * row_bytes(font.width);
}

size_t glyphs_size(const font_value &font)
{
    return static_cast<size_t>(font.count * glyph_size(font));
}

const unsigned char *glyph_at(const font_value &font, int c)
{
    return font.bytes.data() + font.glyph_offset + static_cast<size_t>(c * glyph_size(font));
}

unsigned char *glyph_at(font_value &font, int c)
{
    return const_cast<unsigned char *>(glyph_at(std::as_const(font), c));
}

static unsigned char pixel_mask(int col)
{
    return static_cast<unsigned char>(0x80 >> (col % 8));
}

static size_t pixel_byte(int width, int row, int col)
{
    return static_cast<size_t>(row * row_bytes(width) + col / 8);
}

bool glyph_pixel(const unsigned char *g, int width, int row, int col)
{
    return g[pixel_byte(width, row, col)] & pixel_mask(col);
}

bool pixel_lit(const font_value &font, int c, int row, int col)
{
    return glyph_pixel(glyph_at(font, c), font.width, row, col);
}

void flip_pixel(font_value &font, int c, int row, int col)
{
    glyph_at(font, c)[pixel_byte(font.width, row, col)] ^= pixel_mask(col);
}

unsigned char *current_glyph()
{
    return glyph_at(font_buffer, editor_state.current_char);
}

void clamp_position()
{
    editor_state.current_char = std::min(editor_state.current_char, font_buffer.count - 1);
    editor_state.cursor_row = std::min(editor_state.cursor_row, font_buffer.height - 1);
    editor_state.cursor_col = std::min(editor_state.cursor_col, font_buffer.width - 1);
}

glyph_copy copy_glyph(const font_value &font, int c)
{
    const unsigned char *g = glyph_at(font, c);
    return {font.width, font.height, {g, g + glyph_size(font)}};
}

void paste_glyph(font_value &font, int c, const glyph_copy &copy)
{
    unsigned char *g = glyph_at(font, c);
    std::fill_n(g, glyph_size(font), 0);
    const int rows = std::min(font.height, copy.height);
    const int cols = std::min(font.width, copy.width);
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < cols; ++col)
            if (glyph_pixel(copy.rows.data(), copy.width, row, col))
                flip_pixel(font, c, row, col);
}
