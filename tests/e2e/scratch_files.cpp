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
    std::ifstream in(path / name, std::ios::binary);
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
