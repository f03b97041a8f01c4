// Hand-run measurements of quorvalen: what it sends to the terminal, how
// fast it starts, how much memory it takes, how fast fonts load and save.
#pragma once

#include "glyph/font.h"
#include "scratch_files.h"

#include <optional>
#include <string>
#include <vector>

// One line of the result table.
struct figure {
    std::string what;
    std::string measured;
    std::string target;  // empty: no target
    bool met = true;
    std::string note;
    std::string detail;  // shown after the result and its verdict
};

// A font that looks like a real one to the screen: letter shapes in
// several weights, shifts and mirrorings, so neighbouring glyphs differ
// in some tens of pixels, as they do in real fonts.
font_bytes varied_font();

// The 8x16 font of 256 glyphs `glyphs`, as the editor holds it.
font_value classic_font(const font_bytes &glyphs);

// 16x32 fonts of 512 glyphs as Debian ships them, the first one paged through.
extern const std::vector<std::string> tall_font_paths;

// The font in `path` as the editor loads it; nothing when it cannot be loaded.
std::optional<font_value> font_from(const std::string &path);

// How many pixels differ between glyphs a and b in rows first_row to end_row - 1.
int differing_pixels(const font_value &font, int a, int b, int first_row, int end_row);

// A terminal type and a locale the editor is run with.
struct terminal_setup {
    std::string term;
    std::string locale;
};

// What the editor sends to the terminal for start-up and for each command.
// With `show_bytes`, also prints the bytes themselves.
std::vector<figure> byte_figures(const terminal_setup &setup, bool show_bytes);

// Time to the first screen and peak memory of an editing session.
std::vector<figure> run_figures(const terminal_setup &setup);

// Measures the font files and the glyph stack inside this process.
std::vector<figure> model_figures();

// The middle value of a non-empty set of measurements.
double median(std::vector<double> values);

// printf into a string.
std::string printed(const char *format, ...) __attribute__((format(printf, 1, 2)));
