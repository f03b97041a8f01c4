#include "editor_screen.h"

#include <gtest/gtest.h>

#include <curses.h>
#include <term.h>
#include <unistd.h>

std::string lit_pixel(const std::string &term, const std::string &locale)
{
    if (locale.find("UTF-8") != std::string::npos)
        return "█";
    int error = 0;
    setupterm(term.c_str(), STDERR_FILENO, &error);
    const char *map = tigetstr("acsc");
    bool has_block = false;
    if (map && map != reinterpret_cast<char *>(-1))
        for (const char *p = map; p[0] && p[1]; p += 2)
            has_block = has_block || p[0] == '0';
    del_curterm(cur_term);
    return has_block ? "0" : "#";
}

std::vector<std::string> glyph_picture(terminal &t, const std::string &term, bool wide,
                                       const std::string &locale)
{
    const std::string lit = lit_pixel(term, locale);
    const int width = wide ? 2 : 1;
    std::vector<std::string> picture;
    for (int row = 0; row < 16; ++row) {
        std::string line;
        for (int col = 0; col < 8; ++col) {
            cursor_position at = pixel_cursor(row, col, wide);
            std::string first = t.cell(at.row, at.col).text;
            for (int k = 1; k < width; ++k)
                EXPECT_EQ(t.cell(at.row, at.col + k).text, first)
                    << "both cells of pixel " << row << "," << col;
            line += first == lit ? '#' : first == " " ? '.' : '?';
        }
        picture.push_back(line);
    }
    return picture;
}

cursor_position pixel_cursor(int row, int col, bool wide)
{
    return {6 + row, 47 + (wide ? 2 : 1) * col};
}

window_box glyph_frame(terminal &t)
{
    window_box box{.left = 35, .rows = 1, .cols = 1};
    while (box.left < 200 && t.text(5, box.left, 1) != "┌")
        ++box.left;
    while (box.cols < 200 && t.text(5, box.left + box.cols - 1, 1) != "┐")
        ++box.cols;
    while (box.rows < 200 && t.text(5 + box.rows - 1, box.left, 1) != "└")
        ++box.rows;
    return box;
}

std::vector<std::string> shown_pixels(terminal &t, const window_box &box, const std::string &lit,
                                      int cell_width)
{
    std::vector<std::string> pixels;
    for (int row = box.top + 1; row < box.top + box.rows - 1; ++row) {
        std::string line;
        for (int col = box.left + 2; col + cell_width <= box.left + box.cols - 2; col += cell_width)
            line += t.text(row, col, 1) == lit ? '#' : t.text(row, col, 1) == " " ? '.' : '?';
        pixels.push_back(line);
    }
    return pixels;
}

const std::vector<std::string> &keys_window_rows()
{
    static const std::vector<std::string> keys = {
        "┌─────────── Keys ───────────┐", "│ Left/Up/Right/Down - move  │",
        "│ Space - Toggle             │", "│ W - Wide editing mode      │",
        "│ L - Load file              │", "│ S - Save file              │",
        "│ C - Save font to console   │", "│ D - Load font from console │",
        "│ Q - Quit                   │", "│ R - redraw screen          │",
        "│ P - Push current -> stack  │", "│ O - pOp  stack -> current  │",
        "│ PgUp - previous char       │", "│ PgDown - next char         │",
        "│ # - jump to specific char  │", "└────────────────────────────┘",
    };
    return keys;
}

std::string file_row(const std::string &facts, int cols)
{
    return "     " + facts + std::string(static_cast<size_t>(cols) - 5 - facts.size(), ' ');
}

std::vector<std::string> start_screen(int rows, int cols, const std::string &status,
                                      const std::string &file_facts)
{
    const std::string blank(static_cast<size_t>(cols), ' ');
    std::vector<std::string> screen(static_cast<size_t>(rows), blank);
    screen[0] = std::string(15, ' ') + "quorvalen 1.2 - A Full-Screen Console Font Editor" +
                std::string(static_cast<size_t>(cols - 64), ' ');
    screen[1] = file_row(file_facts, cols);
    const std::vector<std::string> &keys = keys_window_rows();
    for (int row = 5; row <= 22; ++row) {
        std::string line = "     ";
        line += row <= 20 ? keys[static_cast<size_t>(row - 5)] : std::string(30, ' ');
        line += std::string(10, ' ');
        line += row == 5 ? "┌ Char 065 ┐" : row == 22 ? "└──────────┘" : "│          │";
        line += std::string(static_cast<size_t>(cols - 57), ' ');
        screen[static_cast<size_t>(row)] = line;
    }
    screen[static_cast<size_t>(rows - 1)] = status + std::string(static_cast<size_t>(cols) - status.size(), ' ');
    return screen;
}

std::vector<std::string> whole_screen(terminal &t, int rows, int cols)
{
    return t.region(0, 0, rows, cols);
}
