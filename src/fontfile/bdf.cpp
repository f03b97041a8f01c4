// BDF fonts. A font read from BDF keeps its text as read, shared by every
// copy of the font; its glyphs and their ENCODINGs live in the font's bytes.
// A save writes the text again with only what changed written anew: a
// changed glyph's BITMAP rows, its BBX when a lit pixel lies outside it, a
// changed ENCODING's code. So a save without a change gives the same file.
#include "fontfile/bdf.h"

#include "fontfile/charset.h"
#include "fontfile/fontfile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

// ======== What a font keeps of its text ========

// A glyph's box in the cell: its size, its first column and its top row.
struct cell_box {
    int width = 0;
    int height = 0;
    int col = 0;
    int row = 0;
};

// Where a glyph stands in the text, as offsets into it.
struct glyph_place {
    size_t code_start = 0, code_end = 0;  // the ENCODING's first number
    size_t box_start = 0, box_end = 0;    // BBX's four numbers
    size_t rows_start = 0, rows_end = 0;  // the lines after BITMAP, up to ENDCHAR
    cell_box box;
};

struct font_source {
    file_image text;
    std::vector<glyph_place> places;
    file_image glyphs_read;  // the glyphs as read, laid out as in a font's bytes
    std::vector<int32_t> codes_read;
    std::string charset;  // see charset_of
    int box_x = 0;        // FONTBOUNDINGBOX's offsets
    int box_y = 0;
};

// A glyph's ENCODING is kept after the glyphs, four bytes each, so that a
// change of it is a change of the font's bytes, as the undo history keeps.
constexpr size_t code_size = 4;

static size_t code_offset(const font_value &font, int c)
{
    return glyphs_size(font) + code_size * static_cast<size_t>(c);
}

static int32_t glyph_code(const font_value &font, int c)
{
    uint32_t value = 0;
    for (size_t i = 0; i < code_size; ++i)
        value |= uint32_t{font.bytes[code_offset(font, c) + i]} << (8 * i);
    return static_cast<int32_t>(value);
}

static void set_glyph_code(font_value &font, int c, int32_t code)
{
    for (size_t i = 0; i < code_size; ++i)
        font.bytes[code_offset(font, c) + i] = static_cast<unsigned char>(static_cast<uint32_t>(code) >> (8 * i));
}

bool begins_bdf(const unsigned char *data, size_t size)
{
    constexpr std::string_view start = "STARTFONT";
    return size >= start.size() && std::memcmp(data, start.data(), start.size()) == 0;
}

// ======== Lines ========

struct text_line {
    std::string_view text;  // without its line ending or trailing blanks
    size_t start = 0;       // where the line starts in the file
    size_t next = 0;        // where the next one starts
    int number = 0;
};

struct line_reader {
    std::string_view file;
    size_t at = 0;
    int number = 0;
    bool next(text_line &line)
    {
        if (at == file.size())
            return false;
        size_t end = std::min(file.find('\n', at), file.size());
        std::string_view text = file.substr(at, end - at);
        while (!text.empty() && std::strchr(" \t\r", text.back()))
            text.remove_suffix(1);
        line = {text, at, std::min(end + 1, file.size()), ++number};
        at = line.next;
        return true;
    }
};

static std::string_view keyword(std::string_view text)
{
    return text.substr(0, text.find_first_of(" \t"));
}

static bool is_blank_or_comment(const text_line &line)
{
    return line.text.find_first_not_of(" \t") == std::string_view::npos || keyword(line.text) == "COMMENT";
}

// The numbers after the keyword, as far as they go: how many were read,
// and where the first and the last of them lie in the file.
struct numbers_read {
    std::array<long, 4> values{};
    int count = 0;
    size_t first_start = 0, last_end = 0;
};

static numbers_read read_numbers(const text_line &line, int wanted)
{
    numbers_read numbers;
    size_t at = keyword(line.text).size();
    while (numbers.count < wanted) {
        at = line.text.find_first_not_of(" \t", at);
        if (at == std::string_view::npos)
            break;
        const char *first = line.text.data() + at;
        auto [end, error] = std::from_chars(first, line.text.data() + line.text.size(), numbers.values[static_cast<size_t>(numbers.count)]);
        if (error != std::errc() || (end < line.text.data() + line.text.size() && !std::strchr(" \t", *end)))
            break;
        if (numbers.count++ == 0)
            numbers.first_start = line.start + at;
        at = static_cast<size_t>(end - line.text.data());
        numbers.last_end = line.start + at;
    }
    return numbers;
}

// ======== Reading ========

static int damaged(int line, const char *format, ...)
{
    int used = std::snprintf(error_text, sizeof error_text, "damaged BDF file: line %d: ", line);
    va_list values;
    va_start(values, format);
    std::vsnprintf(error_text + used, sizeof error_text - static_cast<size_t>(used), format, values);
    va_end(values);
    return -1;
}

struct bdf_reading {
    line_reader lines;
    font_source source;
    font_value font;  // width, height, count and the glyphs so far
    std::vector<int32_t> codes;
    std::string registry, encoding;
    bool has_box = false;
};

// A property's value: a string without its quotes (a doubled quote is one),
// or the bare text.
static std::string property_value(std::string_view text)
{
    text.remove_prefix(std::min(text.size(), keyword(text).size()));
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(" \t")));
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        return std::string(text);
    std::string value;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        value.push_back(text[i]);
        i += text[i] == '"' && text[i + 1] == '"';
    }
    return value;
}

static int read_font_box(bdf_reading &r, const text_line &line)
{
    const numbers_read box = read_numbers(line, 4);
    if (box.count < 4)
        return damaged(line.number, "FONTBOUNDINGBOX needs four numbers");
    if (box.values[0] < 1 || box.values[1] < 1 || box.values[0] > max_glyph_width || box.values[1] > max_glyph_height)
        return damaged(line.number, "a cell of %ldx%ld: at most %dx%d", box.values[0], box.values[1], max_glyph_width,
                       max_glyph_height);
    r.font.width = static_cast<int>(box.values[0]);
    r.font.height = static_cast<int>(box.values[1]);
    r.source.box_x = static_cast<int>(box.values[2]);
    r.source.box_y = static_cast<int>(box.values[3]);
    r.has_box = true;
    return 0;
}

// The lines before the first glyph, up to its STARTCHAR line: 0, or -1.
static int read_header(bdf_reading &r, text_line &line)
{
    bool in_properties = false;
    while (r.lines.next(line)) {
        const std::string_view word = keyword(line.text);
        if (in_properties) {
            in_properties = word != "ENDPROPERTIES";
            if (word == "CHARSET_REGISTRY")
                r.registry = property_value(line.text);
            if (word == "CHARSET_ENCODING")
                r.encoding = property_value(line.text);
        } else if (word == "STARTPROPERTIES") {
            in_properties = true;
        } else if (word == "FONTBOUNDINGBOX") {
            if (read_font_box(r, line) != 0)
                return -1;
        } else if (word == "STARTCHAR") {
            return r.has_box ? 0 : damaged(line.number, "STARTCHAR before FONTBOUNDINGBOX");
        } else if (word == "ENDFONT") {
            return damaged(line.number, "a font without glyphs");
        }
    }
    return damaged(r.lines.number, "the file ends before ENDFONT");
}

static int read_glyph_box(bdf_reading &r, const text_line &line, glyph_place &place)
{
    const numbers_read box = read_numbers(line, 4);
    if (box.count < 4)
        return damaged(line.number, "BBX needs four numbers");
    const long width = box.values[0], height = box.values[1];
    const long col = box.values[2] - r.source.box_x;
    const long row = r.font.height + r.source.box_y - (height + box.values[3]);
    if (width < 0 || height < 0 || col < 0 || row < 0 || col + width > r.font.width || row + height > r.font.height)
        return damaged(line.number, "a glyph outside the font's box");
    place.box = {static_cast<int>(width), static_cast<int>(height), static_cast<int>(col), static_cast<int>(row)};
    place.box_start = box.first_start;
    place.box_end = box.last_end;
    return 0;
}

static int read_code(const text_line &line, glyph_place &place, int32_t &code)
{
    const numbers_read number = read_numbers(line, 1);
    if (number.count < 1 || number.values[0] < INT32_MIN || number.values[0] > INT32_MAX)
        return damaged(line.number, "ENCODING needs a number");
    code = static_cast<int32_t>(number.values[0]);
    place.code_start = number.first_start;
    place.code_end = number.last_end;
    return 0;
}

static int hex_value(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    digit = static_cast<char>(digit | 0x20);
    return digit >= 'a' && digit <= 'f' ? digit - 'a' + 10 : -1;
}

// Puts one BITMAP row into row `row` of the glyph's box.
static int read_row(bdf_reading &r, const text_line &line, const cell_box &box, int row)
{
    if (!std::ranges::all_of(line.text, [](char digit) { return hex_value(digit) >= 0; }))
        return damaged(line.number, "a BITMAP row that is not hex");
    if (row == box.height)
        return damaged(line.number, "more BITMAP rows than BBX's %d", box.height);
    if (line.text.size() < 2 * static_cast<size_t>(row_bytes(box.width)))
        return damaged(line.number, "a BITMAP row too short for width %d", box.width);
    for (int col = 0; col < box.width; ++col)
        if (hex_value(line.text[static_cast<size_t>(col / 4)]) & (8 >> (col % 4)))
            flip_pixel(r.font, r.font.count - 1, box.row + row, box.col + col);
    return 0;
}

// The rows after BITMAP, up to ENDCHAR.
static int read_rows(bdf_reading &r, glyph_place &place)
{
    place.rows_start = r.lines.at;
    text_line line;
    int rows = 0;
    while (r.lines.next(line)) {
        const std::string_view word = keyword(line.text);
        if (word == "ENDCHAR") {
            if (rows != place.box.height)
                return damaged(line.number, "%d BITMAP rows where BBX has %d", rows, place.box.height);
            place.rows_end = line.start;
            return 0;
        }
        if (word == "STARTCHAR" || word == "ENDFONT")
            return damaged(line.number, "%.*s before ENDCHAR", static_cast<int>(word.size()), word.data());
        if (!is_blank_or_comment(line) && read_row(r, line, place.box, rows++) != 0)
            return -1;
    }
    return damaged(r.lines.number, "the file ends before ENDCHAR");
}

// One glyph, from the line after its STARTCHAR to its ENDCHAR.
static int read_glyph(bdf_reading &r)
{
    glyph_place place;
    int32_t code = 0;
    bool has_code = false, has_box = false;
    text_line line;
    while (r.lines.next(line)) {
        const std::string_view word = keyword(line.text);
        if (word == "ENCODING") {
            if (read_code(line, place, code) != 0)
                return -1;
            has_code = true;
        } else if (word == "BBX") {
            if (read_glyph_box(r, line, place) != 0)
                return -1;
            has_box = true;
        } else if (word == "BITMAP" && !(has_code && has_box))
            return damaged(line.number, has_code ? "BITMAP before BBX" : "BITMAP before ENCODING");
        else if (word == "BITMAP") {
            if (read_rows(r, place) != 0)
                return -1;
            r.source.places.push_back(place);
            r.codes.push_back(code);
            return 0;
        } else if (word == "STARTCHAR" || word == "ENDFONT" || word == "ENDCHAR")
            return damaged(line.number, "%.*s before BITMAP", static_cast<int>(word.size()), word.data());
    }
    return damaged(r.lines.number, "the file ends before ENDCHAR");
}

static int start_glyph(bdf_reading &r, const text_line &line)
{
    if (r.font.count == max_glyph_count)
        return damaged(line.number, "more than %d glyphs", max_glyph_count);
    ++r.font.count;
    r.font.bytes.resize(glyphs_size(r.font));
    return read_glyph(r);
}

// Glyphs from the first one's STARTCHAR `line` up to ENDFONT; any line
// between them is kept as it is.
static int read_glyphs(bdf_reading &r, text_line &line)
{
    do {
        const std::string_view word = keyword(line.text);
        if (word == "ENDFONT")
            return 0;
        if (word == "STARTCHAR" && start_glyph(r, line) != 0)
            return -1;
    } while (r.lines.next(line));
    return damaged(r.lines.number, "the file ends before ENDFONT");
}

int read_bdf_image(file_image &image, font_value &found)
{
    if (!begins_bdf(image.data(), image.size()))
        return 0;
    return read_bdf(std::move(image), found) == 0 ? 1 : -1;
}

int read_bdf(file_image image, font_value &found)
{
    bdf_reading r;
    r.lines.file = {reinterpret_cast<const char *>(image.data()), image.size()};
    r.font.count = 0;
    r.font.bytes.clear();
    text_line line;
    if (read_header(r, line) != 0 || read_glyphs(r, line) != 0)
        return -1;
    font_value &font = r.font;
    r.source.glyphs_read = font.bytes;
    r.source.codes_read = r.codes;
    r.source.charset = charset_of(r.registry, r.encoding);
    font.bytes.resize(code_offset(font, font.count));
    for (int c = 0; c < font.count; ++c)
        set_glyph_code(font, c, r.codes[static_cast<size_t>(c)]);
    r.source.text = std::move(image);
    const font_source &kept = r.source;
    font.source_size = kept.text.capacity() + kept.places.capacity() * sizeof(glyph_place) +
                       kept.glyphs_read.capacity() + kept.codes_read.capacity() * sizeof(int32_t);
    font.source = std::make_shared<const font_source>(std::move(r.source));
    found = std::move(font);
    return 0;
}

// ======== Writing the text back ========
// Every piece goes to `put` (bool(const char *, size_t)) as it is made, from
// the kept text or from small buffers on the stack, so the emergency copy
// can write it from a signal handler.

static const unsigned char *glyph_read(const font_value &font, int c)
{
    return font.source->glyphs_read.data() + static_cast<size_t>(c * glyph_size(font));
}

static bool glyph_changed(const font_value &font, int c)
{
    return std::memcmp(glyph_at(font, c), glyph_read(font, c), static_cast<size_t>(glyph_size(font))) != 0;
}

static bool inside(const cell_box &box, int row, int col)
{
    return row >= box.row && row < box.row + box.height && col >= box.col && col < box.col + box.width;
}

static bool lit_outside(const font_value &font, int c, const cell_box &box)
{
    for (int row = 0; row < font.height; ++row)
        for (int col = 0; col < font.width; ++col)
            if (!inside(box, row, col) && pixel_lit(font, c, row, col))
                return true;
    return false;
}

// The decimal digits of `value` at `out`; how many.
static size_t format_number(char *out, long value)
{
    char digits[24];
    size_t length = 0;
    unsigned long magnitude = value < 0 ? 0 - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[length++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    size_t used = 0;
    if (value < 0)
        out[used++] = '-';
    while (length > 0)
        out[used++] = digits[--length];
    return used;
}

template <class Put> static bool put_text(Put &put, const font_source &source, size_t from, size_t to)
{
    return put(reinterpret_cast<const char *>(source.text.data()) + from, to - from);
}

template <class Put> static bool put_numbers(Put &put, std::initializer_list<long> values)
{
    char text[4 * 24];
    size_t used = 0;
    for (long value : values) {
        if (used > 0)
            text[used++] = ' ';
        used += format_number(text + used, value);
    }
    return put(text, used);
}

constexpr char hex_digits[] = "0123456789ABCDEF";

// Row `row` of `box` in hex, and `ending`.
template <class Put>
static bool put_row(Put &put, const font_value &font, int c, const cell_box &box, int row, std::string_view ending)
{
    unsigned char nibbles[2 * (max_glyph_width + 7) / 8] = {};
    const size_t digits = 2 * static_cast<size_t>(row_bytes(box.width));
    for (int col = 0; col < box.width; ++col)
        if (pixel_lit(font, c, box.row + row, box.col + col))
            nibbles[col / 4] = static_cast<unsigned char>(nibbles[col / 4] | (8 >> (col % 4)));
    char text[sizeof nibbles];
    for (size_t i = 0; i < digits; ++i)
        text[i] = hex_digits[nibbles[i]];
    return put(text, digits) && put(ending.data(), ending.size());
}

static bool row_unchanged(const font_value &font, int c, const cell_box &box, int row)
{
    for (int col = box.col; col < box.col + box.width; ++col)
        if (pixel_lit(font, c, box.row + row, col) != glyph_pixel(glyph_read(font, c), font.width, box.row + row, col))
            return false;
    return true;
}

static std::string_view line_ending(const font_source &source, size_t line_end)
{
    return line_end >= 2 && source.text[line_end - 2] == '\r' ? "\r\n" : "\n";
}

// The rows of a changed glyph in `box`. Each row line of the text gives its
// place and line ending to a row of the box, and keeps its text when that
// row is as it was; comments and blank lines among them stay.
template <class Put>
static bool put_rows(Put &put, const font_value &font, int c, const cell_box &box, bool same_box)
{
    const font_source &source = *font.source;
    const glyph_place &place = source.places[static_cast<size_t>(c)];
    line_reader lines{{reinterpret_cast<const char *>(source.text.data()), place.rows_end}, place.rows_start, 0};
    text_line line;
    int row = 0;
    bool written = true;
    while (written && lines.next(line)) {
        if (is_blank_or_comment(line) || (same_box && row_unchanged(font, c, box, row)))
            written = put_text(put, source, line.start, line.next);
        else
            written = put_row(put, font, c, box, row, line_ending(source, line.next));
        row += !is_blank_or_comment(line);
    }
    for (; written && row < box.height; ++row)
        written = put_row(put, font, c, box, row, line_ending(source, place.rows_start));
    return written;
}

enum class edit_kind { code, box, rows };

struct text_edit {
    size_t start = 0, end = 0;
    edit_kind kind = edit_kind::code;
};

// What a save writes anew in glyph c, in the order of the text.
static int glyph_edits(const font_value &font, int c, bool whole_cell, std::array<text_edit, 3> &edits)
{
    const glyph_place &place = font.source->places[static_cast<size_t>(c)];
    int count = 0;
    if (glyph_code(font, c) != font.source->codes_read[static_cast<size_t>(c)])
        edits[static_cast<size_t>(count++)] = {place.code_start, place.code_end, edit_kind::code};
    if (whole_cell)
        edits[static_cast<size_t>(count++)] = {place.box_start, place.box_end, edit_kind::box};
    if (glyph_changed(font, c))
        edits[static_cast<size_t>(count++)] = {place.rows_start, place.rows_end, edit_kind::rows};
    std::sort(edits.begin(), edits.begin() + count, [](const text_edit &a, const text_edit &b) { return a.start < b.start; });
    return count;
}

template <class Put> static bool put_edit(Put &put, const font_value &font, int c, const text_edit &edit, bool whole_cell)
{
    const font_source &source = *font.source;
    const cell_box cell{font.width, font.height, 0, 0};
    switch (edit.kind) {
    case edit_kind::code: return put_numbers(put, {glyph_code(font, c)});
    case edit_kind::box: return put_numbers(put, {font.width, font.height, source.box_x, source.box_y});
    case edit_kind::rows: break;
    }
    const cell_box &box = source.places[static_cast<size_t>(c)].box;
    return put_rows(put, font, c, whole_cell ? cell : box, !whole_cell);
}

template <class Put> static bool put_bdf(const font_value &font, Put put)
{
    const font_source &source = *font.source;
    size_t copied = 0;
    for (int c = 0; c < font.count; ++c) {
        const bool whole_cell = glyph_changed(font, c) && lit_outside(font, c, source.places[static_cast<size_t>(c)].box);
        std::array<text_edit, 3> edits;
        const int count = glyph_edits(font, c, whole_cell, edits);
        for (int i = 0; i < count; ++i) {
            const text_edit &edit = edits[static_cast<size_t>(i)];
            if (!put_text(put, source, copied, edit.start) || !put_edit(put, font, c, edit, whole_cell))
                return false;
            copied = edit.end;
        }
    }
    return put_text(put, source, copied, source.text.size());
}

file_image bdf_file_image(const font_value &font)
{
    file_image image;
    image.reserve(font.source->text.size());
    put_bdf(font, [&](const char *data, size_t size) {
        image.insert(image.end(), data, data + size);
        return true;
    });
    return image;
}

bool write_bdf(int fd, const font_value &font)
{
    return put_bdf(font, [=](const char *data, size_t size) {
        return write_all(fd, reinterpret_cast<const unsigned char *>(data), static_cast<int32_t>(size));
    });
}

// ======== Characters ========

unicode_table bdf_characters(const font_value &font)
{
    std::vector<int32_t> codes(static_cast<size_t>(font.count));
    for (int c = 0; c < font.count; ++c)
        codes[static_cast<size_t>(c)] = glyph_code(font, c);
    const std::vector<char32_t> characters = characters_of_codes(font.source->charset, codes);
    unicode_table table(characters.size());
    for (size_t c = 0; c < characters.size(); ++c)
        if (characters[c] != no_character)
            table[c] = {{characters[c]}};
    return table;
}

// The code `entries` give glyph c in the font's charset, or why there is none.
static std::string code_for_entries(const font_value &font, const glyph_entries &entries, int32_t &code)
{
    code = -1;
    if (entries.size() > 1)
        return "BDF gives a glyph one character: enter one, or none.";
    if (entries.empty())
        return "";
    if (entries[0].size() > 1)
        return "BDF holds no sequences: enter one character.";
    const std::string &charset = font.source->charset;
    if (charset.empty())
        return "This font's charset is not one iconv knows.";
    const std::optional<int32_t> found = code_of_character(charset, entries[0][0]);
    if (!found)
        return code_name(entries[0][0]) + " is not in " + charset + ".";
    code = *found;
    return "";
}

characters_change set_bdf_character(font_value &font, int c, const glyph_entries &entries)
{
    int32_t code = -1;
    if (std::string refusal = code_for_entries(font, entries, code); !refusal.empty())
        return {refusal, {}};
    characters_change change;
    for (int other = 0; other < font.count && code >= 0; ++other)
        if (other != c && glyph_code(font, other) == code) {
            set_glyph_code(font, other, -1);
            change.taken_from.push_back(other);
        }
    set_glyph_code(font, c, code);
    return change;
}

// ======== New files ========

// Rows below the lowest lit pixel of the capitals A-Z (through the table,
// else glyphs 65-90), else a quarter of the height.
static int descent_of(const font_value &font, const std::optional<unicode_table> &table)
{
    int lowest = -1;
    for (char32_t letter = 'A'; letter <= 'Z'; ++letter) {
        const int c = table ? glyph_drawing(*table, table_entry{letter}) : font.count > 90 ? static_cast<int>(letter) : -1;
        for (int row = 0; c >= 0 && row < font.height; ++row)
            for (int col = 0; col < font.width; ++col)
                if (pixel_lit(font, c, row, col))
                    lowest = std::max(lowest, row);
    }
    return lowest >= 0 ? font.height - 1 - lowest : (font.height + 2) / 4;
}

// A glyph's character in a new BDF file: its first single one, or none.
static int32_t first_single_character(const glyph_entries &entries)
{
    const auto single = std::ranges::find_if(entries, [](const table_entry &entry) { return entry.size() == 1; });
    return single == entries.end() ? -1 : static_cast<int32_t>(single->front());
}

// An XLFD family name from the file name: no directories, no ".bdf", and
// no hyphen, which would split the name's fields.
static std::string family_name(std::string_view name)
{
    name = name.substr(name.rfind('/') + 1);
    if (name.ends_with(".bdf"))
        name.remove_suffix(4);
    std::string family;
    for (char c : name)
        family.push_back(c == '-' ? ' ' : c < ' ' || c > '~' || std::strchr("?*,\"", c) ? '_' : c);
    return family.empty() ? "font" : family;
}

static void append_line(std::string &text, const char *format, ...)
{
    char line[512];
    va_list values;
    va_start(values, format);
    std::vsnprintf(line, sizeof line, format, values);
    va_end(values);
    text.append(line).push_back('\n');
}

static void append_header(std::string &text, const font_value &font, std::string_view name, int descent,
                          bool has_replacement)
{
    const int w = font.width, h = font.height;
    append_line(text, "STARTFONT 2.1");
    append_line(text, "FONT -misc-%s-medium-r-normal--%d-%d-72-72-c-%d-iso10646-1", family_name(name).c_str(), h,
                10 * h, 10 * w);
    append_line(text, "SIZE %d 72 72", h);
    append_line(text, "FONTBOUNDINGBOX %d %d 0 %d", w, h, -descent);
    append_line(text, "STARTPROPERTIES %d", has_replacement ? 7 : 6);
    append_line(text, "FONT_ASCENT %d", h - descent);
    append_line(text, "FONT_DESCENT %d", descent);
    append_line(text, "AVERAGE_WIDTH %d", 10 * w);
    append_line(text, "CHARSET_REGISTRY \"ISO10646\"");
    append_line(text, "CHARSET_ENCODING \"1\"");
    append_line(text, "SPACING \"C\"");
    if (has_replacement)
        append_line(text, "DEFAULT_CHAR 65533");
    append_line(text, "ENDPROPERTIES");
    append_line(text, "CHARS %d", font.count);
}

static void append_glyph(std::string &text, const font_value &font, int c, int32_t code, int descent)
{
    if (code >= 0)
        append_line(text, "STARTCHAR uni%04X", static_cast<unsigned>(code));
    else
        append_line(text, "STARTCHAR glyph%03d", c);
    append_line(text, "ENCODING %d", code);
    append_line(text, "SWIDTH %ld 0", std::lround(1000.0 * font.width / font.height));
    append_line(text, "DWIDTH %d 0", font.width);
    append_line(text, "BBX %d %d 0 %d", font.width, font.height, -descent);
    append_line(text, "BITMAP");
    for (int row = 0; row < font.height; ++row) {
        std::string digits(2 * static_cast<size_t>(row_bytes(font.width)), '\0');
        for (int col = 0; col < font.width; ++col)
            digits[static_cast<size_t>(col / 4)] |= static_cast<char>(pixel_lit(font, c, row, col) ? 8 >> (col % 4) : 0);
        for (char &digit : digits)
            digit = hex_digits[static_cast<size_t>(digit)];
        text.append(digits).push_back('\n');
    }
    append_line(text, "ENDCHAR");
}

file_image new_bdf_file(const font_value &font, std::string_view name, int &left_out)
{
    const std::optional<unicode_table> table = font_characters(font);
    std::vector<int32_t> codes(static_cast<size_t>(font.count), -1);
    left_out = 0;
    for (size_t c = 0; table && c < codes.size(); ++c) {
        codes[c] = first_single_character((*table)[c]);
        left_out += static_cast<int>((*table)[c].size()) - (codes[c] >= 0);
    }
    const int descent = descent_of(font, table);
    std::string text;
    append_header(text, font, name, descent, table && glyph_drawing(*table, table_entry{0xfffd}) >= 0);
    for (int c = 0; c < font.count; ++c)
        append_glyph(text, font, c, codes[static_cast<size_t>(c)], descent);
    append_line(text, "ENDFONT");
    return file_image(text.begin(), text.end());
}

file_image psf_file_of_bdf(const font_value &font, int &left_out)
{
    unicode_table table = bdf_characters(font);
    file_image image = new_psf_header(font);
    const int version = set_psf_table_flag(image);
    left_out = 0;
    for (glyph_entries &entries : table)
        left_out += static_cast<int>(std::erase_if(entries, [&](const table_entry &entry) {
            return version == 1 && !fits_psf1(entry);
        }));
    image.insert(image.end(), glyph_at(font, 0), glyph_at(font, 0) + glyphs_size(font));
    const std::vector<unsigned char> written = write_unicode_table(table, version);
    image.insert(image.end(), written.begin(), written.end());
    return image;
}
