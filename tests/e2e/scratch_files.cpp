#include "scratch_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

scratch_dir::scratch_dir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvalen-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

scratch_dir::~scratch_dir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string scratch_dir::write(const std::string &name, const std::string &content) const
{
    std::string full = (path / name).string();
    std::ofstream(full, std::ios::binary) << content;
    return full;
}

std::string scratch_dir::write(const std::string &name, const font_bytes &content) const
{
    return write(name, std::string(content.begin(), content.end()));
}

font_bytes scratch_dir::read(const std::string &name) const
{
    return file_bytes(path / name);
}

font_bytes file_bytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return font_bytes(std::istreambuf_iterator<char>(in), {});
}

font_bytes font_with_glyph(int index, const std::vector<std::string> &rows)
{
    font_bytes font(4096, 0);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < 8; ++c)
            if (rows[r][c] == '#')
                font[static_cast<size_t>(index) * 16 + r] |= static_cast<unsigned char>(0x80 >> c);
    return font;
}

font_bytes system_tool_output(const std::string &tool, const font_bytes &content,
                              const std::string &more_arguments)
{
    scratch_dir dir;
    std::string command = tool + " '" + dir.write("font", content) + "' " + more_arguments;
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << tool;
        return {};
    }
    font_bytes out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        out.insert(out.end(), buffer, buffer + n);
    return out;
}

std::string uuencode_with_system_tool(const font_bytes &font)
{
    font_bytes out = system_tool_output("uuencode", font, "font.raw");
    std::string text(out.begin(), out.end());
    if (text.rfind("begin ", 0) != 0)
        ADD_FAILURE() << "uuencode gave no begin line (is sharutils installed?)";
    return text;
}

font_bytes psf1_file(const font_bytes &font, const font_bytes &tail)
{
    font_bytes file = {0x36, 0x04, static_cast<unsigned char>(tail.empty() ? 0 : 2), 16};
    file.insert(file.end(), font.begin(), font.end());
    file.insert(file.end(), tail.begin(), tail.end());
    return file;
}

static int u32_at(const font_bytes &bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
}

size_t psf_font::byte_of(int c, int row, int col) const
{
    return glyphs + static_cast<size_t>((c * height + row) * ((width + 7) / 8) + col / 8);
}

psf_font read_psf(const font_bytes &file)
{
    psf_font font{file[0] == 0x1f ? system_tool_output("gzip -dc", file) : file};
    if (font.bytes[0] == 0x36) {
        font.height = font.bytes[3];
        font.count = font.bytes[2] & 1 ? 512 : 256;
    } else {
        font.glyphs = static_cast<size_t>(u32_at(font.bytes, 8));
        font.count = u32_at(font.bytes, 16);
        font.height = u32_at(font.bytes, 24);
        font.width = u32_at(font.bytes, 28);
    }
    return font;
}

font_bytes patterned_psf2(int width, int height, int count)
{
    const int glyph_bytes = height * ((width + 7) / 8);
    font_bytes file(32 + static_cast<size_t>(count * glyph_bytes));
    const unsigned header[] = {0x864ab572, 0, 32, 0, static_cast<unsigned>(count), static_cast<unsigned>(glyph_bytes),
                               static_cast<unsigned>(height), static_cast<unsigned>(width)};
    for (size_t i = 0; i < 32; ++i)
        file[i] = static_cast<unsigned char>(header[i / 4] >> (8 * (i % 4)));
    for (size_t i = 32; i < file.size(); ++i)
        file[i] = static_cast<unsigned char>(i * 37 % 251);
    return file;
}