// BDF fonts: the real ones pcf2bdf makes from Debian's Terminus and Spleen,
// read, edited and written back; hand-made damage; charsets through iconv;
// new BDF and PSF files made from fonts of the other form.
#include "fontfile/bdf.h"
#include "fontfile_test_support.h"

#include <sstream>

namespace {


char bdf_dir[64];

void remove_bdf_dir()
{
    std::filesystem::remove_all(bdf_dir);
}

// The BDF of every Terminus and Spleen font Debian ships, made by pcf2bdf
// once, into a directory removed at the end.
std::vector<std::filesystem::path> real_bdf_fonts()
{
    if (!bdf_dir[0]) {
        std::snprintf(bdf_dir, sizeof bdf_dir, "/tmp/bdf_test-%d", getpid());
        std::atexit(remove_bdf_dir);
        const std::string command = std::string("mkdir -p ") + bdf_dir + " && cd /usr/share/fonts/X11/misc && "
                                    "for f in ter-*.pcf.gz spleen-*.pcf.gz; do pcf2bdf -o " + bdf_dir +
                                    "/${f%.pcf.gz}.bdf $f || exit 1; done";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
    std::vector<std::filesystem::path> fonts;
    for (const auto &entry : std::filesystem::directory_iterator(bdf_dir))
        fonts.push_back(entry.path());
    std::sort(fonts.begin(), fonts.end());
    return fonts;
}

bytes file_bytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

// The lines of `a` and `b` that differ, where both have as many lines.
int lines_differing(const bytes &a, const bytes &b)
{
    std::istringstream x(std::string(a.begin(), a.end())), y(std::string(b.begin(), b.end()));
    std::string line_a, line_b;
    int differing = 0;
    while (std::getline(x, line_a) && std::getline(y, line_b))
        differing += line_a != line_b;
    return differing;
}

TEST(bdf, every_terminus_and_spleen_font_saves_back_unchanged_and_one_toggle_is_one_line)
{
    const auto fonts = real_bdf_fonts();
    ASSERT_GT(fonts.size(), 200u) << "install xfonts-terminus, fonts-spleen and pcf2bdf";
    for (const auto &path : fonts) {
        const bytes text = file_bytes(path);
        font_value font;
        ASSERT_EQ(read_bdf(text, font), 0) << path << ": " << error_text;
        EXPECT_EQ(bdf_file_image(font), text) << path;
        const int c = font.count - 1;
        flip_pixel(font, c, font.height / 2, font.width - 1);
        const bytes toggled = bdf_file_image(font);
        EXPECT_EQ(toggled.size(), text.size()) << path;
        EXPECT_EQ(lines_differing(toggled, text), 1) << path;
        flip_pixel(font, c, font.height / 2, font.width - 1);
        EXPECT_EQ(bdf_file_image(font), text) << path;
    }
}

}  // namespace
