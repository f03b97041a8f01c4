// Font files for the end-to-end tests, in a directory of their own.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

using font_bytes = std::vector<unsigned char>;

// A temporary directory, removed with everything in it at the end of the test.
struct scratch_dir {
    std::filesystem::path path;
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir &) = delete;
    scratch_dir &operator=(const scratch_dir &) = delete;

    // Writes `content` to `name` in the directory; returns the full path.
    std::string write(const std::string &name, const std::string &content) const;
    std::string write(const std::string &name, const font_bytes &content) const;
    font_bytes read(const std::string &name) const;
};

// A blank font with `rows` as the pixel rows of glyph `index`, "#" lit.
font_bytes font_with_glyph(int index, const std::vector<std::string> &rows);

// What `tool` writes to its standard output when given a file holding
// `content`, followed by `more_arguments`.
font_bytes system_tool_output(const std::string &tool, const font_bytes &content,
                              const std::string &more_arguments = "");

// The font as the system's uuencode writes it.
std::string uuencode_with_system_tool(const font_bytes &font);

// A PSF1 file of 256 glyphs of 8x16 pixels followed by `tail` (a Unicode table).
font_bytes psf1_file(const font_bytes &font, const font_bytes &tail = {});

// A PSF file unpacked, with where each pixel's bit lies.
struct psf_font {
    font_bytes bytes;
    int width = 8;
    int height = 16;
    int count = 256;
    size_t glyphs = 4;  // where glyph 0 starts
    size_t byte_of(int c, int row, int col) const;
    unsigned char mask(int col) const { return static_cast<unsigned char>(0x80 >> col % 8); }
    bool lit(int c, int row, int col) const { return bytes[byte_of(c, row, col)] & mask(col); }
};

// A PSF1 or PSF2 file, gzip-compressed or not.
psf_font read_psf(const font_bytes &file);

// A PSF2 file of `count` glyphs of width x height whose pixels differ from
// glyph to glyph and row to row.
font_bytes patterned_psf2(int width, int height, int count);

font_bytes file_bytes(const std::filesystem::path &path);
