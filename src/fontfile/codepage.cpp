// kbd's codepage files: a 40-byte header, then the same characters as 8x16,
// 8x14 and 8x8 fonts, each smaller one after a 6-byte header of its own.
// The 8x16 font is edited where it lies, so that a save over the file keeps
// the header and the other two fonts.
#include "fontfile/forms.h"

#include <algorithm>
#include <array>
#include <cstddef>

constexpr size_t codepage_file_size = 9780;
constexpr size_t codepage_header_size = 40;

// setfont goes by the size alone; these bytes, alike in every codepage file
// Debian ships, keep any other file of that size a raw font. Each smaller
// font's header gives its height, width 8 and one font in the file.
struct codepage_mark {
    size_t offset;
    std::array<unsigned char, 10> bytes;
    size_t length;
};
constexpr codepage_mark codepage_marks[] = {
    {30, {0x03, 0x00, 0x12, 0x26, 0x10, 0x08, 0x00, 0x00, 0x00, 0x01}, 10},
    {4136, {0x0e, 0x08, 0x00, 0x00, 0x00, 0x01}, 6},
    {7726, {0x08, 0x08, 0x00, 0x00, 0x00, 0x01}, 6},
};

static bool is_codepage_image(const file_image &image)
{
    return image.size() == codepage_file_size &&
           std::all_of(std::begin(codepage_marks), std::end(codepage_marks), [&](const codepage_mark &mark) {
               return std::equal(mark.bytes.begin(), mark.bytes.begin() + static_cast<std::ptrdiff_t>(mark.length),
                                 image.begin() + static_cast<std::ptrdiff_t>(mark.offset));
           });
}

int read_codepage_image(file_image &image, font_value &found)
{
    if (!is_codepage_image(image))
        return 0;
    found = font_value{};
    found.bytes = std::move(image);
    found.glyph_offset = codepage_header_size;
    return 1;
}
