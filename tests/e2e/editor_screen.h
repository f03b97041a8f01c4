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

// The whole start-up screen for a terminal of the given size, glyph blank.
std::vector<std::string> start_screen(int rows, int cols, const std::string &status);

// The screen as text, one string per row.
std::vector<std::string> whole_screen(terminal &t, int rows, int cols);
