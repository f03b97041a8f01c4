// Shared by the font file tests: a scratch directory, files in it, fonts to
// write, a uuencoder for hand-made damage, and calls run in a child process
// whose limits or privileges the test changes.
#pragma once

#include "fontfile/fontfile.h"
#include "fontfile/forms.h"
#include "glyph/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

using bytes = std::vector<unsigned char>;

// The fonts the system ships; none where the console fonts are not installed.
inline std::vector<std::filesystem::path> console_fonts()
{
    std::vector<std::filesystem::path> fonts;
    std::error_code missing;
    for (const auto &entry : std::filesystem::directory_iterator("/usr/share/consolefonts", missing))
        fonts.push_back(entry.path());
    return fonts;
}

constexpr char no_console_fonts[] = "no console fonts: install the console-setup-linux package";

inline uint32_t u32_at(const bytes &image, size_t at)
{
    uint32_t value = 0;
    for (size_t b = 4; b-- > 0;)
        value = value << 8 | image[at + b];
    return value;
}

// Width, height, glyph count and glyph offset of a PSF image, read from the
// header here.
inline std::array<uint32_t, 4> header_shape(const bytes &image)
{
    if (image[0] == 0x36)
        return {8, image[3], image[2] & 1 ? 512u : 256u, 4};
    return {u32_at(image, 28), u32_at(image, 24), u32_at(image, 16), u32_at(image, 8)};
}

// A font with every byte value in it and no line that could pass for a header.
inline bytes sample_font(int seed = 0)
{
    bytes font(classic_font_size);
    for (size_t i = 0; i < font.size(); ++i)
        font[i] = static_cast<unsigned char>((i * 7 + static_cast<size_t>(seed)) & 0xff);
    return font;
}

// font_buffer as a classic raw font with every byte `value`.
inline void fill_font_buffer(unsigned char value)
{
    font_buffer = font_value{};
    std::fill(font_buffer.bytes.begin(), font_buffer.bytes.end(), value);
}

// The glyphs of font_buffer, all of them.
inline bytes font_in_buffer()
{
    const unsigned char *first = glyph_at(font_buffer, 0);
    return bytes(first, first + font_buffer.count * glyph_size(font_buffer));
}

// What write_emergency_font writes for font_buffer.
inline bytes emergency_copy_of_font()
{
    FILE *copy = tmpfile();
    bytes written;
    if (copy && write_emergency_font(fileno(copy))) {
        written.resize(static_cast<size_t>(lseek(fileno(copy), 0, SEEK_CUR)));
        EXPECT_EQ(pread(fileno(copy), written.data(), written.size(), 0), static_cast<ssize_t>(written.size()));
    }
    if (copy)
        fclose(copy);
    return written;
}

inline bytes as_bytes(const std::string &text)
{
    return bytes(text.begin(), text.end());
}

inline char uu_char(int value)
{
    return value == 0 ? '`' : static_cast<char>(value + 32);
}

// One data line carrying `count` bytes from `data`, as uuencode writes it.
inline std::string uu_line(const unsigned char *data, int count)
{
    std::string line(1, uu_char(count));
    for (int i = 0; i < count; i += 3) {
        int b0 = data[i];
        int b1 = i + 1 < count ? data[i + 1] : 0;
        int b2 = i + 2 < count ? data[i + 2] : 0;
        line += uu_char(b0 >> 2);
        line += uu_char(((b0 << 4) | (b1 >> 4)) & 63);
        line += uu_char(((b1 << 2) | (b2 >> 6)) & 63);
        line += uu_char(b2 & 63);
    }
    return line + "\n";
}

// Data lines of up to 45 bytes for all of `data`, without header or trailer.
inline std::string uu_data(const bytes &data)
{
    std::string text;
    for (size_t i = 0; i < data.size(); i += 45)
        text += uu_line(data.data() + i, static_cast<int>(std::min<size_t>(45, data.size() - i)));
    return text;
}

// A complete uuencoded file, as uuencode writes it.
inline std::string uuencoded(const bytes &data)
{
    return "begin 644 font\n" + uu_data(data) + "`\nend\n";
}

// A file's content, unpacked when it is gzip-compressed (by zlib's own file
// reader, not the editor's).
inline bytes gunzip(const std::string &file)
{
    bytes content(2 << 20);
    gzFile in = gzopen(file.c_str(), "rb");
    int length = in ? gzread(in, content.data(), static_cast<unsigned>(content.size())) : -1;
    if (in)
        gzclose(in);
    content.resize(static_cast<size_t>(std::max(length, 0)));
    return content;
}

// The editor's compressor is checked by the reader above.
inline bytes gzipped(bytes content)
{
    EXPECT_TRUE(gzip_image(content)) << error_text;
    return content;
}

// `header`, then `length` bytes of glyphs in a varied pattern, then `tail`.
inline bytes psf_with_glyphs(bytes header, size_t length, const bytes &tail)
{
    for (size_t i = 0; i < length; ++i)
        header.push_back(static_cast<unsigned char>(i * 13 + i / 512));
    header.insert(header.end(), tail.begin(), tail.end());
    return header;
}

// A PSF2 font, its header padded with 0xee up to `header_size`.
inline bytes psf2_font(uint32_t header_size, uint32_t count, uint32_t height, uint32_t width,
                       const bytes &tail = {})
{
    uint32_t glyph_bytes = height * ((width + 7) / 8);
    bytes header(header_size, 0xee);
    const uint32_t fields[] = {0x864ab572, 0, header_size, 1, count, glyph_bytes, height, width};
    for (size_t i = 0; i < 8; ++i)
        for (size_t b = 0; b < 4; ++b)
            header[4 * i + b] = static_cast<unsigned char>(fields[i] >> (8 * b));
    return psf_with_glyphs(header, size_t{count} * glyph_bytes, tail);
}

// A PSF1 font of 8x16 glyphs: 512 of them when `mode` has bit 0 set.
inline bytes psf1_font(unsigned char mode, const bytes &tail = {})
{
    return psf_with_glyphs({0x36, 0x04, mode, 16}, (mode & 1 ? 512u : 256u) * 16, tail);
}

// A codepage file as kbd makes it: a 40-byte header, then 8x16, 8x14 and
// 8x8 fonts of 256 glyphs, the last two after 6-byte headers; each byte
// differs from its neighbours.
inline bytes codepage_file(int seed = 0)
{
    bytes file(9780);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<unsigned char>((i * 11 + i / 253 + static_cast<size_t>(seed)) & 0xff);
    const std::pair<size_t, bytes> headers[] = {
        {30, {0x03, 0x00, 0x12, 0x26, 0x10, 0x08, 0x00, 0x00, 0x00, 0x01}},
        {4136, {0x0e, 0x08, 0x00, 0x00, 0x00, 0x01}},
        {7726, {0x08, 0x08, 0x00, 0x00, 0x00, 0x01}},
    };
    for (const auto &[offset, header] : headers)
        std::copy(header.begin(), header.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
    return file;
}

// What a call made in a child process returned and left in error_text.
struct call_outcome {
    int result;
    std::string error;
};

// Runs `call` in a child process after `prepare`; no outcome when `prepare`
// could not do its part.
inline std::optional<call_outcome> run_in_child(const std::function<bool()> &prepare,
                                                const std::function<int()> &call)
{
    int channel[2];
    if (pipe(channel) != 0)
        return std::nullopt;
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (!prepare())
            _exit(77);
        int result = call();
        bool sent = write(channel[1], &result, sizeof result) == sizeof result &&
                    write(channel[1], error_text, strlen(error_text)) >= 0;
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    call_outcome outcome{};
    std::string received;
    char block[256];
    for (ssize_t k; (k = read(channel[0], block, sizeof block)) > 0;)
        received.append(block, static_cast<size_t>(k));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || received.size() < sizeof(int))
        return std::nullopt;
    memcpy(&outcome.result, received.data(), sizeof(int));
    outcome.error = received.substr(sizeof(int));
    return outcome;
}

// Makes permission bits count: root becomes the unprivileged user "nobody".
inline bool drop_privileges()
{
    constexpr uid_t nobody = 65534;
    return geteuid() != 0 ||
           (setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0);
}

// Lets no file grow past `limit` bytes; a write beyond it fails with EFBIG
// instead of killing the process.
inline bool limit_file_size(rlim_t limit)
{
    signal(SIGXFSZ, SIG_IGN);
    rlimit rule{limit, limit};
    return setrlimit(RLIMIT_FSIZE, &rule) == 0;
}

// Lets the process open only one more file than it has open now.
inline bool limit_open_files_to_one_more()
{
    int next = dup(STDIN_FILENO);
    if (next < 0)
        return false;
    close(next);
    rlimit rule{static_cast<rlim_t>(next) + 1, static_cast<rlim_t>(next) + 1};
    return setrlimit(RLIMIT_NOFILE, &rule) == 0;
}

// A scratch directory per test, and a font_buffer holding a known pattern so a
// test sees whether a load touched it.
class font_file_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fontfile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
        fill_font_buffer(0xa5);
        before = font_in_buffer();
    }

    void TearDown() override
    {
        // A test may leave the directory closed to everyone.
        std::filesystem::permissions(directory, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(directory);
    }

    std::string path(const std::string &name) const { return (directory / name).string(); }

    std::string write_file(const std::string &name, const bytes &content) const
    {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char *>(content.data()),
                   static_cast<std::streamsize>(content.size()));
        return path(name);
    }

    std::string write_file(const std::string &name, const std::string &content) const
    {
        return write_file(name, as_bytes(content));
    }

    static bytes read_file(const std::string &file)
    {
        std::ifstream in(file, std::ios::binary);
        return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // The names in the scratch directory, sorted.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(directory))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    void expect_font_unchanged() const { EXPECT_EQ(font_in_buffer(), before); }

    static std::string system_text(int error) { return strerror(error); }

    std::filesystem::path directory;
    bytes before;
};
