// PSF fonts and gzip: every console font the system has, made-up files for
// what real fonts lack, and the form each save writes.
#include "fontfile_test_support.h"

#include <fcntl.h>
#include <numeric>
#include <thread>

namespace {

using psf_and_gzip = font_file_test;



// Each loads whole, saves back unchanged, and takes an edit of its last
// glyph's bottom-right pixel as exactly that bit.
TEST_F(psf_and_gzip, every_console_font_round_trips_and_takes_an_edit_as_one_bit)
{
    const std::vector<std::filesystem::path> fonts = console_fonts();
    if (fonts.empty())
        GTEST_SKIP() << no_console_fonts;
    int checked = 0;
    for (const std::filesystem::path &font : fonts) {
        std::string name = font.filename();
        const bytes content = gunzip(font);
        auto [width, height, count, offset] = header_shape(content);
        std::string packed = write_file(name, read_file(font));
        std::string plain = write_file(name.substr(0, name.rfind(".gz")), content);
        for (const std::string &file : {packed, plain}) {
            fill_font_buffer(0xa5);
            ASSERT_EQ(load_font(file.c_str()), 0) << file << ": " << error_text;
            ASSERT_EQ(font_in_buffer(), bytes(&content[offset], &content[offset + count * height * ((width + 7) / 8)]))
                << file;
            ASSERT_EQ(save_font(file.c_str()), 0) << error_text;
            EXPECT_EQ(gunzip(file), content) << file;
            EXPECT_EQ(begins_gzip(read_file(file).data(), 2), file.ends_with(".gz")) << file;
        }
        flip_pixel(font_buffer, static_cast<int>(count) - 1, static_cast<int>(height) - 1, static_cast<int>(width) - 1);
        ASSERT_EQ(save_font(packed.c_str()), 0) << error_text;
        bytes expected = content;
        expected[offset + count * height * ((width + 7) / 8) - 1] ^= static_cast<unsigned char>(0x80 >> ((width - 1) % 8));
        ASSERT_EQ(gunzip(packed), expected) << name;
        std::filesystem::remove(packed);
        std::filesystem::remove(plain);
        ++checked;
    }
    EXPECT_GT(checked, 400);
}

bytes glyphs_at(const bytes &image, size_t offset, size_t length = classic_font_size)
{
    return bytes(&image[offset], &image[offset + length]);
}

bytes joined(std::initializer_list<bytes> parts)
{
    bytes all;
    for (const bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A PSF font of 256 8x8 glyphs whose Unicode table fills the file up to
// the raw form's 4096 bytes, but for `stray` bytes after it.
bytes psf_8x8_filling_4096_bytes(bool psf2, size_t stray)
{
    bytes font = psf2 ? psf2_font(32, 256, 8, 8) : psf_with_glyphs({0x36, 0x04, 2, 8}, 2048, {});
    font[12] = psf2 ? 1 : font[12];
    const bytes entry_end = psf2 ? bytes{0xff} : bytes{0xff, 0xff};
    font.resize(classic_font_size - stray - 256 * entry_end.size(), 0x41);
    for (int glyph = 0; glyph < 256; ++glyph)
        font.insert(font.end(), entry_end.begin(), entry_end.end());
    font.resize(classic_font_size, 0x41);
    return font;
}

// As a shell's <(...) gives it: a pipe whose writer writes all, then goes.
int load_through_pipe(const std::string &fifo, const bytes &content)
{
    mkfifo(fifo.c_str(), 0600);
    int keeper = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    fcntl(writer, F_SETFL, 0);
    std::thread writing([&] {
        write_all(writer, content.data(), static_cast<int32_t>(content.size()));
        close(writer);
    });
    int result = load_font(fifo.c_str());
    close(keeper);
    writing.join();
    return result;
}

TEST_F(psf_and_gzip, made_up_files_load_whole_or_change_nothing)
{
    const bytes font = sample_font(3);
    const bytes long_header = psf2_font(40, 300, 16, 8, {0, 1});
    const bytes stray_byte = psf1_font(5, {0x41, 0xff, 0x0a});
    const bytes packed = gzipped(font);
    const bytes few = psf2_font(32, 128, 16, 8);
    const bytes width_1 = psf2_font(32, 3, 9, 1);
    bytes wrong_version = psf2_font(32, 256, 16, 8);
    wrong_version[4] = 1;
    bytes short_header = psf2_font(32, 256, 16, 8);
    short_header[8] = 28;
    // As `cat a.gz b.gz` makes them: the glyphs cut across two members, and
    // a whole font with a second member (a long table, so the unpacked bytes
    // outgrow their buffer several times) and bytes that are not gzip after it.
    const bytes split = joined({gzipped(bytes(stray_byte.begin(), stray_byte.begin() + 1000)),
                                gzipped(bytes(stray_byte.begin() + 1000, stray_byte.end()))});
    const bytes two_members =
        joined({gzipped(psf1_font(2)), gzipped(psf_with_glyphs({}, 70000, {})), {0, 0, 0}});
    const bytes codepage = codepage_file();
    const struct {
        std::string name;
        bytes content;
        std::string error;  // empty: loads `glyphs`, and a save keeps all the rest
        bytes glyphs;
    } cases[] = {
        {"long-header.psf", long_header, "", glyphs_at(long_header, 40, 300 * 16)},
        {"bare.psf", psf1_font(0), "", glyphs_at(psf1_font(0), 4)},
        {"stray-byte.psf.gz", gzipped(stray_byte), "", glyphs_at(stray_byte, 4, 512 * 16)},
        {"raw.fnt.gz", packed, "", font},
        {"uu.gz", gzipped(as_bytes(uuencoded(font))), "", font},
        {"split.psf.gz", split, "", glyphs_at(stray_byte, 4, 512 * 16)},
        {"two-members.psf.gz", two_members, "", glyphs_at(psf1_font(2), 4)},
        {"cut.psf", bytes(stray_byte.begin(), stray_byte.end() - 4), "file is too short", {}},
        {"cut-header.psf", bytes(long_header.begin(), long_header.begin() + 20), "file is too short", {}},
        {"few.psf", few, "", glyphs_at(few, 32, 128 * 16)},
        {"width-1.psf", width_1, "", glyphs_at(width_1, 32, 3 * 9)},
        {"huge.psf", psf2_font(32, 256, 64, 64), "PSF font of 64x64, 256 glyphs: at most 32x32 and 512 glyphs", {}},
        {"huge-header.psf", glyphs_at(psf2_font(32, 256, 64, 64), 0, 40), "PSF font of 64x64, 256 glyphs: at most 32x32 and 512 glyphs", {}},
        {"noise.psf", glyphs_at(psf2_font(32, 70000, 1, 1), 0, 40), "damaged PSF header", {}},
        {"many.psf", psf2_font(32, 513, 8, 8), "PSF font of 8x8, 513 glyphs: at most 32x32 and 512 glyphs", {}},
        {"version.psf", wrong_version, "damaged PSF header", {}},
        {"cut.gz", bytes(packed.begin(), packed.end() - 20), "gzip: unexpected end of file", {}},
        {"garbage.gz", as_bytes("\x1f\x8b garbage"), "gzip: unknown compression method", {}},
        {"longer-mebibyte.gz", gzipped(bytes(file_image_limit, 0x11)), "", bytes(classic_font_size, 0x11)},
        {"longer-codepage.cp", codepage, "", glyphs_at(codepage, 40)},
        {"longer-than-raw", bytes(codepage.begin(), codepage.end() - 1), "", glyphs_at(codepage, 0)},
        {"big.gz", gzipped(bytes(file_image_limit + 1, 0x11)), "gzip: more than 1 MiB uncompressed", {}},
        {"mode.psf", psf_with_glyphs({0x36, 0x04, 6, 16}, classic_font_size, {}), "unsupported PSF1 mode 6", {}},
        {"short-header.psf", short_header, "damaged PSF header", {}},
        {"4096.psf", psf_8x8_filling_4096_bytes(false, 2), "", glyphs_at(psf_8x8_filling_4096_bytes(false, 2), 4, 2048)},
        {"4096.psfu", psf_8x8_filling_4096_bytes(true, 2), "", glyphs_at(psf_8x8_filling_4096_bytes(true, 2), 32, 2048)},
        {"big.psf", psf1_font(0, bytes(file_image_limit, 0)), "file is larger than 1 MiB", {}},
        {"twice.gz", gzipped(packed), "gzip: compressed twice", {}},
        {"twice-damaged.gz", gzipped(as_bytes("\x1f\x8b garbage")), "gzip: compressed twice", {}},
    };
    for (const auto &c : cases) {
        fill_font_buffer(0xa5);
        std::string file = write_file(c.name, c.content);
        if (!c.error.empty()) {
            EXPECT_NE(load_font(file.c_str()), 0) << c.name;
            EXPECT_EQ(error_text, c.error) << c.name;
            // The same from a pipe.
            EXPECT_NE(load_through_pipe(path("fifo"), c.content), 0) << c.name;
            EXPECT_EQ(error_text, c.error) << c.name << " through a pipe";
            expect_font_unchanged();
            continue;
        }
        const bytes unpacked = gunzip(write_file("original", c.content));
        const bool is_psf = begins_psf(unpacked.data(), unpacked.size());
        // Read from a pipe, only a PSF font is rescued with its file.
        ASSERT_EQ(load_through_pipe(path("fifo"), c.content), 0) << c.name << ": " << error_text;
        EXPECT_EQ(font_in_buffer(), c.glyphs) << c.name << " through a pipe";
        EXPECT_EQ(emergency_copy_of_font(), is_psf ? unpacked : c.glyphs) << c.name << " through a pipe";
        fill_font_buffer(0xa5);
        ASSERT_EQ(load_font(file.c_str()), 0) << c.name << ": " << error_text;
        EXPECT_EQ(font_in_buffer(), c.glyphs) << c.name;
        ASSERT_EQ(save_font(file.c_str()), 0) << error_text;
        // A PSF file, and a raw font's longer file, keep all the rest.
        EXPECT_EQ(gunzip(file), is_psf || c.name.starts_with("longer-") ? unpacked : c.glyphs) << c.name;
    }
}

TEST_F(psf_and_gzip, a_raw_font_that_begins_like_another_form_saves_and_loads_back)
{
    std::vector<bytes> fonts = {psf_8x8_filling_4096_bytes(true, 2)};
    fonts.back()[classic_font_size - 3] = 0x41;  // the table one entry short
    for (const bytes &lead : {bytes{0x1f, 0x8b}, bytes{0x36, 0x04, 0, 16}, bytes{0x36, 0x04, 6, 16},
                              bytes{0x72, 0xb5, 0x4a, 0x86}}) {
        fonts.push_back(sample_font(5));
        std::copy(lead.begin(), lead.end(), fonts.back().begin());
    }
    for (const bytes &font : fonts) {
        for (const char *name : {"x.fnt", "x.fnt.gz"}) {
            font_buffer = {};
            std::copy(font.begin(), font.end(), font_buffer.bytes.begin());
            ASSERT_EQ(save_font(path(name).c_str()), 0) << error_text;
            fill_font_buffer(0);
            ASSERT_EQ(load_font(path(name).c_str()), 0) << name << ": " << error_text;
            EXPECT_EQ(font_in_buffer(), font) << name;
            fill_font_buffer(0);
            ASSERT_EQ(load_through_pipe(path("fifo"), read_file(path(name))), 0) << name << ": " << error_text;
            EXPECT_EQ(font_in_buffer(), font) << name << " through a pipe";
        }
    }
}

TEST_F(psf_and_gzip, a_save_keeps_the_psf_it_replaces_or_the_last_one_loaded)
{
    const bytes raw = sample_font(4);
    const bytes with_table = psf1_font(3, {0x41, 0xff, 0xfe});
    bytes expected = {0x36, 0x04, 3, 16};
    expected.insert(expected.end(), raw.begin(), raw.end());
    expected.insert(expected.end(), with_table.begin() + 4 + classic_font_size, with_table.end());
    // A raw font saved over a compressed PSF whose name does not say so.
    std::string file = write_file("console-font", gzipped(with_table));
    ASSERT_EQ(load_font(write_file("a.fnt", raw).c_str()), 0);
    ASSERT_EQ(save_font(file.c_str()), 0) << error_text;
    EXPECT_EQ(read_file(file), expected) << "PSF, and not compressed";
    // That PSF loaded, then saved under any new name, plain or compressed, or
    // over another PSF file: its own header and table are written.
    bytes other = psf1_font(1, {0xff, 0xff});
    other[4 + 300 * 16] ^= 0xff;
    write_file("other.psf", other);
    ASSERT_EQ(load_font(file.c_str()), 0);
    for (const char *name : {"copy.fnt.gz", "copy.psfu", "out.fnt", "other.psf"}) {
        ASSERT_EQ(save_font(path(name).c_str()), 0) << error_text;
        EXPECT_EQ(gunzip(path(name)), expected) << name;
    }
    // A font from no file (the console), or from a raw file, after it: a new
    // PSF name gets a new PSF1, which loads back.
    bytes new_psf = {0x36, 0x04, 0, 16};
    new_psf.insert(new_psf.end(), raw.begin(), raw.end());
    for (bool from_console : {true, false}) {
        for (const char *name : {"new.psf", "new.psfu", "new.psf.gz"}) {
            ASSERT_EQ(load_font(file.c_str()), 0);
            if (from_console) {
                font_value taken;
                std::copy(raw.begin(), raw.end(), taken.bytes.begin());
                font_buffer = with_fresh_form(taken);
            } else {
                ASSERT_EQ(load_font(path("a.fnt").c_str()), 0);
            }
            ASSERT_EQ(save_font(path(name).c_str()), 0) << error_text;
            EXPECT_EQ(gunzip(path(name)), new_psf) << name;
            fill_font_buffer(0);
            ASSERT_EQ(load_font(path(name).c_str()), 0) << name << ": " << error_text;
            EXPECT_EQ(font_in_buffer(), raw) << name;
            std::filesystem::remove(path(name));
        }
    }
    // Through symbolic links, also dangling ones in a chain, the suffixes
    // are those of the file the links lead to.
    ASSERT_EQ(load_font(path("a.fnt").c_str()), 0);
    write_file("t1.psf.gz", gzipped(with_table));
    std::filesystem::create_directory(directory / "sub");
    std::filesystem::create_symlink("t2.psf.gz", directory / "sub/hop");
    const struct {
        std::string link, link_target, file;
        bytes content;
    } links[] = {{"link", "t1.psf.gz", "t1.psf.gz", expected},
                 {"dangling", "sub/hop", "sub/t2.psf.gz", new_psf}};
    for (const auto &l : links) {
        std::filesystem::create_symlink(l.link_target, directory / l.link);
        ASSERT_EQ(save_font(path(l.link).c_str()), 0) << error_text;
        EXPECT_TRUE(begins_gzip(read_file(path(l.file)).data(), 2)) << l.link;
        EXPECT_EQ(gunzip(path(l.file)), l.content) << l.link;
    }
}

}  // namespace

namespace {

// A font from no file, as the console gives one, keeps the form raw holds
// only when raw can hold it, else becomes a new PSF file that loads back.
TEST_F(psf_and_gzip, a_font_from_no_file_gets_the_form_that_holds_it)
{
    const struct {
        int width, height, count;
        bytes header;  // empty: raw
    } cases[] = {
        {8, 16, 256, {}},
        {8, 16, 512, {0x36, 0x04, 1, 16}},
        {8, 14, 256, {0x36, 0x04, 0, 14}},
        {8, 8, 300, psf2_font(32, 300, 8, 8)},
        {16, 32, 512, psf2_font(32, 512, 32, 16)},
    };
    for (const auto &c : cases) {
        font_value taken{c.width, c.height, c.count,
                         bytes(static_cast<size_t>(c.count * c.height * row_bytes(c.width)), 0x5a)};
        font_buffer = with_fresh_form(taken);
        ASSERT_EQ(save_font(path("fresh").c_str()), 0) << error_text;
        bytes expected = c.header;
        expected.resize(std::min<size_t>(expected.size(), 32));
        if (expected.size() == 32)
            expected[12] = 0;  // no table
        expected.insert(expected.end(), taken.bytes.begin(), taken.bytes.end());
        EXPECT_EQ(read_file(path("fresh")), expected) << c.width << "x" << c.height << ", " << c.count;
        ASSERT_EQ(load_font(path("fresh").c_str()), 0) << error_text;
        EXPECT_EQ(font_buffer.count, c.count);
        if (c.header.empty())
            continue;
        // Over a PSF file of its size, that file's header and table stay.
        font_buffer = with_fresh_form(taken);
        bytes kept = psf2_font(32, static_cast<uint32_t>(c.count), static_cast<uint32_t>(c.height),
                               static_cast<uint32_t>(c.width), {0x41, 0xff});
        write_file("kept.psf", kept);
        ASSERT_EQ(save_font(path("kept.psf").c_str()), 0) << error_text;
        std::copy(taken.bytes.begin(), taken.bytes.end(), kept.begin() + 32);
        EXPECT_EQ(read_file(path("kept.psf")), kept) << c.width << "x" << c.height << ", " << c.count;
    }
}

}  // namespace
