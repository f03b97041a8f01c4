// A text drawn in the font being edited, glyph beside glyph with no gap, as
// the console draws it.
#include "glyph/font.h"
#include "screen/font_screens.h"

#include <algorithm>
#include <span>

using sample_line = std::span<const sample_glyph>;

// A frame one pixel inside the glyph's box where the glyph is large enough,
// so that two missing characters side by side read as two.
static std::vector<unsigned char> hollow_box(int width, int height)
{
    const int margin = width >= 4 && height >= 4 ? 1 : 0;
    const int stride = row_bytes(width);
    std::vector<unsigned char> rows(static_cast<size_t>(height * stride));
    for (int row = margin; row < height - margin; ++row)
        for (int col = margin; col < width - margin; ++col)
            if (row == margin || row == height - 1 - margin || col == margin || col == width - 1 - margin)
                rows[static_cast<size_t>(row * stride + col / 8)] |= static_cast<unsigned char>(0x80 >> col % 8);
    return rows;
}

// Lines of at most `per_line` characters, broken at the last space that
// lets a line fit, a word longer than a line cut; the spaces at a break
// are left out.
static std::vector<sample_line> wrapped_lines(const std::vector<sample_glyph> &text, size_t per_line)
{
    std::vector<sample_line> lines;
    const sample_line all(text);
    size_t at = 0;
    while (at < all.size()) {
        size_t end = std::min(at + per_line, all.size());
        if (end < all.size() && !all[end].is_space) {
            size_t space = end;
            while (space > at && !all[space - 1].is_space)
                --space;
            end = space > at ? space - 1 : end;
        }
        lines.push_back(all.subspan(at, end - at));
        at = end;
        while (at < all.size() && all[at].is_space)
            ++at;
    }
    return lines;
}

void draw_sample_text(WINDOW *cover, const std::vector<sample_glyph> &text)
{
    const int width = font_buffer.width;
    const int height = font_buffer.height;
    const std::vector<unsigned char> box = hollow_box(width, height);
    const auto per_line = static_cast<size_t>(std::max(1, getmaxx(cover) / width));
    const int line_rows = picture_rows(height);
    const int lines_shown = std::max(1, getmaxy(cover) / line_rows);
    const std::vector<sample_line> lines = wrapped_lines(text, per_line);
    for (int line = 0; line < lines_shown && line < static_cast<int>(lines.size()); ++line) {
        int left = 0;
        for (const sample_glyph &character : lines[static_cast<size_t>(line)]) {
            const unsigned char *g = character.glyph < 0 ? box.data() : glyph_at(font_buffer, character.glyph);
            draw_glyph_picture(cover, line * line_rows, left, g, width, height);
            left += width;
        }
    }
    wnoutrefresh(cover);
}
