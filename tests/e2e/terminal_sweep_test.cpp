// The core screen in the terminals people use, in the C locale and a UTF-8 one.
#include "editor_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cwchar>
#include <locale.h>

namespace {

struct setting {
    std::string term;
    std::string locale;
};

void PrintTo(const setting &s, std::ostream *out)
{
    *out << s.term << " " << s.locale;
}

bool valid_utf8(const std::string &bytes)
{
    locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    locale_t previous = uselocale(utf8);
    std::mbstate_t state{};
    bool valid = true;
    for (size_t i = 0; i < bytes.size() && valid;) {
        size_t length = std::mbrtowc(nullptr, bytes.data() + i, bytes.size() - i, &state);
        valid = length != static_cast<size_t>(-1) && length != static_cast<size_t>(-2);
        i += length == 0 ? 1 : length;
    }
    uselocale(previous);
    freelocale(utf8);
    return valid;
}

class sweep : public testing::TestWithParam<setting> {};

TEST_P(sweep, screen_pixels_and_wide_mode_show_right_with_no_stray_bytes)
{
    const auto [term, locale] = GetParam();
    terminal t({}, {.term = term, .locale = locale});
    t.settle();
    EXPECT_EQ(whole_screen(t, 24, 80),
              start_screen(24, 80, "No console interaction is supported under this OS"));
    EXPECT_TRUE(t.cell(0, 0).standout && t.cell(0, 79).standout);

    t.type(" " + key_string(term, "kcuf1") + key_string(term, "kcud1") + " ");
    t.settle();
    std::vector<std::string> expected(16, "........");
    expected[0] = "#.......";
    expected[1] = ".#......";
    EXPECT_EQ(glyph_picture(t, term, false, locale), expected);
    EXPECT_NE(lit_pixel(term, locale), " ");
    EXPECT_EQ(t.cursor(), pixel_cursor(1, 1));

    t.type("W");
    t.settle();
    EXPECT_EQ(glyph_picture(t, term, true, locale), expected);
    EXPECT_EQ(t.text(5, 45, 20), "┌ Char 065 [WIDE] ─┐");
    t.type("q");
    EXPECT_EQ(t.wait_exit(), 0);

    const std::string &out = t.terminal_output();
    if (locale == "C") {
        EXPECT_EQ(std::count_if(out.begin(), out.end(), [](char c) { return c & 0x80; }), 0)
            << "only 7-bit bytes in the C locale";
    } else {
        EXPECT_TRUE(valid_utf8(out)) << "only whole UTF-8 sequences";
    }
}

std::vector<setting> settings()
{
    std::vector<setting> all;
    for (const char *locale : {"C", "C.UTF-8"})
        for (const char *term : {"xterm-256color", "linux", "screen", "tmux-256color", "vt100"})
            all.push_back({term, locale});
    return all;
}

INSTANTIATE_TEST_SUITE_P(terminals, sweep, testing::ValuesIn(settings()),
                         [](const testing::TestParamInfo<setting> &param_info) {
                             std::string name = param_info.param.term + "_" + param_info.param.locale;
                             for (char &c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
