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
