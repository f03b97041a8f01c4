// The font being edited and the editor's place in it. No curses here: the
// screen draws from these, the font files fill and write them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The largest font the editor takes: the size the Linux console's font
// calls take since Linux 6.2, and as many glyphs as a BDF or PSF2 font may
// have (a PSF1 font has 256 or 512, a console takes only those two counts).
constexpr int max_glyph_width = 64;
constexpr int max_glyph_height = 128;
constexpr int max_glyph_count = 65536;

// The classic font, all that raw and uuencoded files hold: 256 glyphs of
// 8x16 pixels, 4096 bytes.
constexpr int classic_width = 8;
constexpr int classic_height = 16;
constexpr int classic_count = 256;
constexpr int classic_font_size = classic_count * classic_height;

// The text a font was read from, for a form kept as text (BDF): known only
// to the font files, and never changed, so copies of a font share it.
struct font_source;

// A whole font. Glyph c is `height` rows of row_bytes(width) bytes each,
// top row first, the leftmost pixel in the top bit of a row's first byte.
// Loads, D, and undoing or redoing them replace the value whole.
struct font_value {
    int width = classic_width;    // pixels, 1 to max_glyph_width
    int height = classic_height;  // pixels, 1 to max_glyph_height
    int count = classic_count;    // glyphs, 1 to max_glyph_count
    // The glyphs alone, or the whole font file that holds them, so that a
    // save and the emergency copy give back all the rest of it.
    std::vector<unsigned char> bytes = std::vector<unsigned char>(classic_font_size);
    size_t glyph_offset = 0;  // where glyph 0 starts in `bytes`
    bool is_file = false;     // `bytes` is a whole PSF file; only the font files read it
    bool is_new_file = false; // that file was made around glyphs that came from no file
    bool became_psf = false;  // = gave a font of another form a table, so a PSF file was made for it
    // A font read from text: `bytes` holds its glyphs, then what the font
    // files keep of each glyph beside them.
    std::shared_ptr<const font_source> source{};
    size_t source_size = 0;  // the memory `source` takes, which the undo history counts
    // The full name of a file that holds more than the font (a codepage
    // file, a raw font's longer file), whose image `bytes` then is, so that a
    // save over it keeps the rest. Empty for any other font. Kept when the
    // font is made into a PSF file, whose save over that file is refused.
    std::string enclosing_file = {};
};

// The font being edited. Changed only by loads (from a file or the
// console), pixel toggles, pops, and undoing and redoing them.
extern font_value font_buffer;

// Whether the font differs from its state at the last successful load or
// save: kept by the undo history after every change, undo, redo, load and
// save; what an emergency save on losing the terminal goes by.
extern bool font_has_unsaved_changes;

constexpr int file_name_max = 256;

// The file name L and S offer: set at start-up and by every accepted load or
// save prompt; undoing or redoing a whole-font change brings back the name
// offered with the font it brings back.
extern char font_file_name[file_name_max + 1];

// The digits glyph number `c` is shown with: three at least, as in "065".
constexpr int char_number_digits(int c)
{
    return c > 999 ? 1 + char_number_digits(c / 10) : 3;
}

struct editor_state_t {
    int32_t current_char = 65;  // glyph shown and edited, 0 to count - 1
    int32_t cursor_row = 0;     // pixel row under the cursor, 0 to height - 1
    int32_t cursor_col = 0;     // pixel column under the cursor, 0 to width - 1
    int32_t wide_mode = 0;      // 1: each pixel is two screen cells wide
};

// Changed only by the command loop (undo and redo included), the
// character-number prompt, and clamp_position after a change of font.
extern editor_state_t editor_state;

int row_bytes(int width);
int glyph_size(const font_value &font);     // bytes of one glyph
size_t glyphs_size(const font_value &font); // bytes of all the glyphs
unsigned char *glyph_at(font_value &font, int c);
const unsigned char *glyph_at(const font_value &font, int c);
// Pixel `row`, `col` of the glyph at `g`, whose rows are row_bytes(width) long.
bool glyph_pixel(const unsigned char *g, int width, int row, int col);
bool pixel_lit(const font_value &font, int c, int row, int col);
void flip_pixel(font_value &font, int c, int row, int col);

// The current glyph inside font_buffer.
unsigned char *current_glyph();

// After a change of the whole font: the current glyph and the pixel cursor
// are moved back to the last glyph, row and column that exist.
void clamp_position();

// A glyph taken out of a font, in its own size: what the glyph stack holds.
struct glyph_copy {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rows;  // height rows of row_bytes(width)
    bool operator==(const glyph_copy &) const = default;
};

glyph_copy copy_glyph(const font_value &font, int c);

// Puts `copy` into glyph c: the pixels where the two sizes overlap, counted
// from the top left; the rest of the glyph is cleared.
void paste_glyph(font_value &font, int c, const glyph_copy &copy);
