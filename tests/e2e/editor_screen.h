// What the editor's screen should look like, for the end-to-end tests.
#pragma once

#include "terminal.h"

#include <string>
#include <vector>

// What the emulator shows for a lit pixel under `term` and `locale`: a full
// block in a UTF-8 locale; otherwise the terminal's block where its terminfo
// maps one (the emulator draws that DEC glyph as "0"), else the library's "#".
std::string lit_pixel(const std::string &term, const std::string &locale = "C");

// The glyph window's picture as text, "#" for a lit pixel and "." for an
// unlit one. In wide mode both cells of a pixel must agree.
std::vector<std::string> glyph_picture(terminal &t, const std::string &term, bool wide = false,
                                       const std::string &locale = "C");

// The screen position of pixel (row, col).
cursor_position pixel_cursor(int row, int col, bool wide = false);

// Where the glyph window's frame stands, found right of the keys window.
struct window_box {
    int top = 5;
    int left = 0;
    int rows = 0;
    int cols = 0;
};
window_box glyph_frame(terminal &t);

// The pixels a glyph window of any size shows, "#" lit and "." unlit,
// `cell_width` cells a pixel.
std::vector<std::string> shown_pixels(terminal &t, const window_box &box, const std::string &lit,
                                      int cell_width = 1);

// The keys window's 16 rows, frame included.
const std::vector<std::string> &keys_window_rows();

// Row 1 of a terminal `cols` wide: `facts` (name, size, count, form) from column 5.
std::string file_row(const std::string &facts, int cols = 80);

// Row 1 of the editor started without a file.
inline const std::string no_file_facts = "(no file)  8x16  256 glyphs  raw";

// The whole start-up screen for a terminal of the given size, glyph blank,
// row 1 holding `file_facts`.
std::vector<std::string> start_screen(int rows, int cols, const std::string &status,
                                      const std::string &file_facts = no_file_facts);

// The screen as text, one string per row.
std::vector<std::string> whole_screen(terminal &t, int rows, int cols);
