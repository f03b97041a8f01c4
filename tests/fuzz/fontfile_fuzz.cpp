// Feeds arbitrary file contents to both font readers and to load_font. Besides
// the sanitizers' findings, a reader that changes its destination when it
// fails, or leaves no error text, stops the run.
#include "fontfile/fontfile.h"
#include "glyph/font.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

// The readers take a path, so every input is written to this one file.
static std::string input_path;

static void remove_input_file()
{
    unlink(input_path.c_str());
}

static void make_input_file()
{
    char name[] = "/tmp/fontfile_fuzz-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        abort();
    close(fd);
    input_path = name;
    atexit(remove_input_file);
}

static void write_input(const uint8_t *data, size_t size)
{
    FILE *file = fopen(input_path.c_str(), "wb");
    if (!file || fwrite(data, 1, size, file) != size || fclose(file) != 0)
        abort();
}

using font_bytes = std::array<unsigned char, font_size>;

static void check_reader(int (*reader)(const char *, unsigned char *, int32_t))
{
    font_bytes before;
    before.fill(0xa5);
    font_bytes dest = before;
    int result = reader(input_path.c_str(), dest.data(), font_size);
    if (result != 0 && (dest != before || error_text[0] == '\0'))
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (input_path.empty())
        make_input_file();
    write_input(data, size);
    error_text[0] = '\0';
    check_reader(load_uuencoded_font);
    error_text[0] = '\0';
    check_reader(load_raw_font);
    font_bytes before = font_buffer;
    if (load_font(input_path.c_str()) != 0 && font_buffer != before)
        abort();
    return 0;
}
