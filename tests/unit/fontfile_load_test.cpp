// Loading fonts from real files: the uuencoded reader, the raw reader, and
// load_font choosing between them.
#include "fontfile_test_support.h"

#include <cstdio>

namespace {

using uuencoded_load = font_file_test;
using raw_load = font_file_test;
using either_load = font_file_test;

constexpr long mebibyte = 1L << 20;

// `lines` lines of 64 bytes each, none of them a header.
std::string filler_lines(long lines)
{
    std::string text;
    for (long i = 0; i < lines; ++i)
        text += std::string(63, 'x') + "\n";
    return text;
}

// ======== Uuencoded form ========

TEST_F(uuencoded_load, whole_font_loads)
{
    bytes font = sample_font();
    ASSERT_EQ(load_font(write_file("font.uu", uuencoded(font)).c_str()), 0);
    EXPECT_EQ(font_in_buffer(), font);
}

TEST_F(uuencoded_load, longer_data_gives_its_first_4096_bytes)
{
    bytes data = sample_font(1);
    data.resize(5000, 0x5a);
    ASSERT_EQ(load_font(write_file("long.uu", uuencoded(data)).c_str()), 0);
    EXPECT_EQ(font_in_buffer(), bytes(data.begin(), data.begin() + classic_font_size));
}

TEST_F(uuencoded_load, last_byte_on_the_last_line_needs_no_trailer)
{
    bytes font = sample_font(2);
    ASSERT_EQ(load_font(write_file("bare.uu", "begin 644 font\n" + uu_data(font)).c_str()), 0);
    EXPECT_EQ(font_in_buffer(), font);
}

TEST_F(uuencoded_load, lines_before_the_header_are_skipped)
{
    bytes font = sample_font(3);
    std::string text = "From a mail\n begin 644 indented\nbegin 644\nbeginning\n" + uuencoded(font);
    ASSERT_EQ(load_font(write_file("mail.uu", text).c_str()), 0);
    EXPECT_EQ(font_in_buffer(), font);
}

TEST_F(uuencoded_load, lines_that_are_not_headers)
{
    for (const char *line : {" begin 644 font\n", "begin 644\n", "begin 644 \n", "begin font\n",
                             "Begin 644 font\n"}) {
        std::string file = write_file("nohead.uu", line + uu_data(sample_font()));
        EXPECT_EQ(load_uuencoded_font(file.c_str(), font_buffer.bytes.data(), classic_font_size), -1) << line;
        EXPECT_STREQ(error_text, "not a uuencoded file (no begin)") << line;
    }
    expect_font_unchanged();
}

TEST_F(uuencoded_load, header_with_a_long_name_or_no_blanks)
{
    bytes font = sample_font(4);
    for (const std::string &header : {"begin 644 " + std::string(900, 'n') + "\n",
                                      std::string("begin644 font\n")}) {
        fill_font_buffer(0);
        ASSERT_EQ(load_font(write_file("name.uu", header + uu_data(font)).c_str()), 0);
        EXPECT_EQ(font_in_buffer(), font);
    }
}

TEST_F(uuencoded_load, damaged_files_are_reported_and_not_read_raw)
{
    // Each is well over 4096 bytes, so the raw reader would have taken it.
    std::string lead = filler_lines(80);
    bytes half(classic_font_size / 2, 0x11);
    struct damage {
        std::string text;
        const char *error;
    } cases[] = {
        {lead + "begin 644 font\n" + uu_data(half) + "`\nend\n", "file is too short"},
        {lead + "begin 644 font\n" + uu_data(half), "uudecode: unexpected end of file"},
        {lead + "begin 644 font\n", "uudecode: unexpected end of file"},
        {lead + "begin 644 font", "uudecode: unexpected end of file"},
    };
    for (const damage &d : cases) {
        std::string file = write_file("damaged.uu", d.text);
        EXPECT_EQ(load_font(file.c_str()), -2) << d.error;
        EXPECT_STREQ(error_text, d.error);
        EXPECT_EQ(load_uuencoded_font(file.c_str(), font_buffer.bytes.data(), classic_font_size), -2);
    }
    expect_font_unchanged();
}

TEST_F(uuencoded_load, blank_line_carries_42_zero_bytes)
{
    bytes head(45, 0x33);
    bytes tail = sample_font(5);
    tail.resize(classic_font_size - head.size() - 42);
    std::string text = "begin 644 font\n" + uu_data(head) + "\n" + uu_data(tail) + "`\nend\n";
    ASSERT_EQ(load_font(write_file("blank.uu", text).c_str()), 0);
    bytes expected = head;
    expected.resize(head.size() + 42, 0);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(font_in_buffer(), expected);
}

TEST_F(uuencoded_load, short_line_decodes_missing_characters_as_zero)
{
    // Count M is 45 bytes, but only "!!!!" (value 1 each) and the line end
    // (value 42) were read.
    bytes tail(classic_font_size - 45, 0x77);
    std::string text = "begin 644 font\nM!!!!\n" + uu_data(tail);
    ASSERT_EQ(load_font(write_file("short.uu", text).c_str()), 0);
    bytes expected = {4, 16, 65, 168};
    expected.resize(45, 0);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(font_in_buffer(), expected);
}

TEST_F(uuencoded_load, every_character_decodes_by_the_rule)
{
    // NUL has the value (0 - 32) & 63 = 32, and 0xff has 31.
    std::string lines = std::string("#\0\0\0\0\n", 6) + "#\xff\xff\xff\xff\n";
    bytes tail(classic_font_size - 6, 0x01);
    ASSERT_EQ(load_font(write_file("odd.uu", "begin 644 font\n" + lines + uu_data(tail)).c_str()), 0);
    bytes expected = {130, 8, 32, 125, 247, 223};
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(font_in_buffer(), expected);
}

TEST_F(uuencoded_load, long_lines_are_read_in_pieces_of_1023)
{
    bytes font = sample_font(6);
    std::string data = uu_data(font) + "`\nend\n";
    // The piece after 1023 characters is a line of its own and the header.
    ASSERT_EQ(load_font(write_file("piece.uu", std::string(1023, 'x') + "begin 644 font\n" + data)
                            .c_str()),
              0);
    EXPECT_EQ(font_in_buffer(), font);

    std::string off_by_one = write_file("whole.uu", std::string(1024, 'x') + "begin 644 font\n" + data);
    EXPECT_EQ(load_uuencoded_font(off_by_one.c_str(), font_buffer.bytes.data(), classic_font_size), -1);
}

TEST_F(uuencoded_load, header_search_stops_after_one_mebibyte)
{
    bytes font = sample_font(7);
    std::string rest = "begin 644 font\n" + uu_data(font) + "`\nend\n";
    std::string last_in = filler_lines(mebibyte / 64 - 1) + rest;
    ASSERT_EQ(load_font(write_file("inside.uu", last_in).c_str()), 0);
    EXPECT_EQ(font_in_buffer(), font);

    std::string first_out = filler_lines(mebibyte / 64) + rest;
    std::string file = write_file("outside.uu", first_out);
    EXPECT_EQ(load_uuencoded_font(file.c_str(), font_buffer.bytes.data(), classic_font_size), -1);
    EXPECT_STREQ(error_text, "not a uuencoded file (no begin)");
    ASSERT_EQ(load_font(file.c_str()), 0);
    EXPECT_EQ(font_in_buffer(), as_bytes(first_out.substr(0, classic_font_size)));
}

TEST_F(uuencoded_load, endless_file_without_header_loads_raw)
{
    ASSERT_EQ(load_font("/dev/zero"), 0);
    EXPECT_EQ(font_in_buffer(), bytes(classic_font_size, 0));
}

TEST_F(uuencoded_load, missing_file)
{
    EXPECT_EQ(load_uuencoded_font(path("none").c_str(), font_buffer.bytes.data(), classic_font_size), -1);
    EXPECT_EQ(error_text, "open: " + system_text(ENOENT));
}

// uuencode from sharutils, a peer this reader must understand.
TEST_F(uuencoded_load, file_from_the_system_uuencode_loads_byte_exact)
{
    bytes font = sample_font(8);
    std::string raw = write_file("font.raw", font);
    std::string encoded = path("font.uu");
    std::string command = "uuencode '" + raw + "' font.raw > '" + encoded + "'";
    ASSERT_EQ(std::system(command.c_str()), 0)
        << "uuencode failed or is missing; install the sharutils package";
    ASSERT_EQ(load_font(encoded.c_str()), 0);
    EXPECT_EQ(font_in_buffer(), font);
}

// ======== Raw form ========

TEST_F(raw_load, whole_font_loads)
{
    bytes font = sample_font(9);
    ASSERT_EQ(load_font(write_file("font.raw", font).c_str()), 0);
    EXPECT_EQ(font_in_buffer(), font);
}

TEST_F(raw_load, longer_file_gives_its_first_4096_bytes)
{
    bytes data = sample_font(10);
    data.resize(9000, 0x42);
    ASSERT_EQ(load_font(write_file("long.raw", data).c_str()), 0);
    EXPECT_EQ(font_in_buffer(), bytes(data.begin(), data.begin() + classic_font_size));
}

TEST_F(raw_load, short_file_leaves_the_rest_of_the_font_blank)
{
    const size_t sizes[] = {8, 100, 4095};
    for (size_t size : sizes) {
        fill_font_buffer(0xa5);
        bytes data(size, 0x3c);
        ASSERT_EQ(load_font(write_file("short.raw", data).c_str()), 0) << size;
        data.resize(classic_font_size, 0);
        EXPECT_EQ(font_in_buffer(), data) << size;
    }
}

TEST_F(raw_load, failures_and_their_texts)
{
    write_file("empty", "");
    write_file("tiny1", "x");
    write_file("tiny7", "1234567");
    struct failure {
        std::string file;
        std::string error;
    } cases[] = {
        {path("missing"), "open: " + system_text(ENOENT)},
        {path("no/such/dir/font"), "open: " + system_text(ENOENT)},
        {path("empty"), "file is empty"},
        {path("tiny1"), "file is too short"},
        {path("tiny7"), "file is too short"},
        {directory.string(), "read: " + system_text(EISDIR)},
    };
    for (const failure &f : cases) {
        EXPECT_EQ(load_raw_font(f.file.c_str(), font_buffer.bytes.data(), classic_font_size), -1) << f.file;
        EXPECT_EQ(error_text, f.error);
        // Through load_font the raw reader's text is the one left.
        EXPECT_EQ(load_font(f.file.c_str()), -1) << f.file;
        EXPECT_EQ(error_text, f.error);
    }
    expect_font_unchanged();
}

TEST_F(raw_load, unreadable_file)
{
    std::string file = write_file("locked.raw", sample_font());
    chmod(file.c_str(), 0200);
    chmod(directory.c_str(), 0755);
    auto outcome = run_in_child(drop_privileges, [&] { return load_font(file.c_str()); });
    if (!outcome)
        GTEST_SKIP() << "cannot drop root privileges, and root reads any file";
    EXPECT_EQ(outcome->result, -1);
    EXPECT_EQ(outcome->error, "open: " + system_text(EACCES));
}

// ======== Telling the forms apart ========

TEST_F(either_load, anything_of_4096_bytes_without_header_loads_raw)
{
    std::string text;
    while (text.size() < classic_font_size)
        text += "begin\nend\n`\nM" + std::string(60, '!') + "\n";
    ASSERT_EQ(load_font(write_file("text", text).c_str()), 0);
    EXPECT_EQ(font_in_buffer(), as_bytes(text.substr(0, classic_font_size)));
}

TEST_F(either_load, raw_font_with_a_header_line_fails_as_uuencoded)
{
    bytes font = sample_font(11);
    std::string header = "\nbegin 644 x\n";
    std::copy(header.begin(), header.end(), font.end() - static_cast<long>(header.size()));
    EXPECT_EQ(load_font(write_file("unlucky.raw", font).c_str()), -2);
    EXPECT_STREQ(error_text, "uudecode: unexpected end of file");
    expect_font_unchanged();
}

}  // namespace
