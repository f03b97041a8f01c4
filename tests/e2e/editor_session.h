// An editor started in a scratch directory, with font files written there
// first, for the tests of the prompts.
#pragma once

#include "editor_screen.h"
#include "scratch_files.h"

#include <gtest/gtest.h>

#include <memory>

class editor_session : public testing::TestWithParam<std::string> {
protected:
    scratch_dir dir;
    std::unique_ptr<terminal> t;

    void start(std::vector<std::string> args = {}, const std::string &locale = "C")
    {
        t = std::make_unique<terminal>(
            std::move(args),
            terminal_options{.term = GetParam(), .locale = locale, .workdir = dir.path.string()});
        t->settle();
    }
    // The key `cap` pressed `times` times in a row.
    std::string key(const char *cap, int times = 1)
    {
        std::string keys;
        for (int i = 0; i < times; ++i)
            keys += key_string(GetParam(), cap);
        return keys;
    }
    void press(const std::string &keys)
    {
        t->type(keys);
        t->settle();
    }
    std::string status_line() { return t->row_text(23); }
    std::string glyph_title() { return t->text(5, 46, 10); }
    std::vector<std::string> picture(bool wide = false) { return glyph_picture(*t, GetParam(), wide); }

    // A whole status line of 80 columns holding `text`.
    static std::string line(const std::string &text)
    {
        return text + std::string(80 - text.size(), ' ');
    }
};

constexpr char ctrl_u[] = "\x15";
constexpr char escape[] = "\x1b";

// A raw font in which every glyph differs from its neighbours, and fonts
// made with different seeds differ everywhere.
inline font_bytes patterned_font(int seed)
{
    font_bytes font(4096);
    for (size_t i = 0; i < font.size(); ++i)
        font[i] = static_cast<unsigned char>((i * 37 + i / 16 * 11 + static_cast<size_t>(seed) * 101) % 251);
    return font;
}

// Glyph `c` of `font` as glyph_picture shows it: "#" lit, "." unlit.
inline std::vector<std::string> picture_of(const font_bytes &font, int c)
{
    std::vector<std::string> picture;
    for (size_t row = 0; row < 16; ++row) {
        std::string line;
        for (int bit = 7; bit >= 0; --bit)
            line += (font[static_cast<size_t>(c) * 16 + row] >> bit) & 1 ? '#' : '.';
        picture.push_back(line);
    }
    return picture;
}
