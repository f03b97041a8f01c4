// The Unicode table of a PSF font. Each glyph's entries run
//     <code>* (<sequence start> <code> <code>*)* <glyph end>
// with codes as little-endian 16-bit units in PSF1 and as UTF-8 in PSF2.
#include "fontfile/unicode_table.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

constexpr char32_t psf1_sequence_start = 0xfffe;
constexpr char32_t psf1_glyph_end = 0xffff;
constexpr unsigned char psf2_sequence_start = 0xfe;
constexpr unsigned char psf2_glyph_end = 0xff;
constexpr char32_t last_code = 0x10ffff;

// One item of a glyph's entries.
enum class token_kind { code, sequence_start, glyph_end };

struct token {
    token_kind kind;
    char32_t code;
};

// The table being read: its bytes, where the next token starts, and why
// reading stopped.
struct table_cursor {
    std::span<const unsigned char> bytes;
    int version;
    size_t at = 0;
    std::string problem;
};

std::optional<token> fail(table_cursor &cursor, std::string problem)
{
    cursor.problem = std::move(problem);
    return std::nullopt;
}

std::optional<token> code_token(table_cursor &cursor, char32_t code)
{
    if (std::string why = character_refusal(code); !why.empty())
        return fail(cursor, why);
    return token{token_kind::code, code};
}

std::optional<token> next_psf1_token(table_cursor &cursor)
{
    if (cursor.bytes.size() - cursor.at < 2)
        return fail(cursor, "cut off");
    char32_t unit = cursor.bytes[cursor.at] | char32_t{cursor.bytes[cursor.at + 1]} << 8;
    cursor.at += 2;
    if (unit == psf1_glyph_end)
        return token{token_kind::glyph_end, 0};
    if (unit == psf1_sequence_start)
        return token{token_kind::sequence_start, 0};
    return code_token(cursor, unit);
}

// The length of the UTF-8 form that starts with `lead`, or 0 when no form
// starts with it.
size_t utf8_length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xc0 && lead < 0xf8)
        return lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
    return 0;
}

size_t shortest_utf8_length(char32_t code)
{
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

std::optional<token> next_psf2_token(table_cursor &cursor)
{
    if (cursor.at == cursor.bytes.size())
        return fail(cursor, "cut off");
    unsigned char lead = cursor.bytes[cursor.at];
    if (lead == psf2_glyph_end || lead == psf2_sequence_start) {
        ++cursor.at;
        return token{lead == psf2_glyph_end ? token_kind::glyph_end : token_kind::sequence_start, 0};
    }
    size_t length = utf8_length(lead);
    if (length == 0)
        return fail(cursor, "bad UTF-8");
    if (cursor.bytes.size() - cursor.at < length)
        return fail(cursor, "cut off");
    char32_t code = length == 1 ? lead : lead & (0x7fu >> length);
    for (size_t i = 1; i < length; ++i) {
        unsigned char next = cursor.bytes[cursor.at + i];
        if ((next & 0xc0) != 0x80)
            return fail(cursor, "bad UTF-8");
        code = code << 6 | (next & 0x3fu);
    }
    if (shortest_utf8_length(code) != length)
        return fail(cursor, "bad UTF-8");
    cursor.at += length;
    return code_token(cursor, code);
}

std::optional<token> next_token(table_cursor &cursor)
{
    return cursor.version == 1 ? next_psf1_token(cursor) : next_psf2_token(cursor);
}

// Sequences begin at `first`. Each holds a code, and the first holds two:
// a lone code before it is written plain, so it would not come back as read.
std::string check_sequences(const glyph_entries &entries, size_t first)
{
    if (std::any_of(entries.begin() + static_cast<std::ptrdiff_t>(first), entries.end(),
                    [](const table_entry &entry) { return entry.empty(); }))
        return "empty sequence";
    if (first < entries.size() && entries[first].size() < 2)
        return "sequence of one character";
    return {};
}

// Plain codes come first; after a sequence start, codes join that sequence.
std::optional<glyph_entries> read_glyph_entries(table_cursor &cursor)
{
    glyph_entries entries;
    std::optional<size_t> first_sequence;
    for (std::optional<token> next; (next = next_token(cursor)) && next->kind != token_kind::glyph_end;) {
        if (next->kind == token_kind::sequence_start) {
            first_sequence = first_sequence.value_or(entries.size());
            entries.emplace_back();
        } else if (first_sequence) {
            entries.back().push_back(next->code);
        } else {
            entries.push_back({next->code});
        }
    }
    if (cursor.problem.empty())
        cursor.problem = check_sequences(entries, first_sequence.value_or(entries.size()));
    if (!cursor.problem.empty())
        return std::nullopt;
    return entries;
}

void put_code(std::vector<unsigned char> &bytes, char32_t code, int version)
{
    if (version == 1) {
        bytes.push_back(static_cast<unsigned char>(code & 0xff));
        bytes.push_back(static_cast<unsigned char>(code >> 8));
        return;
    }
    size_t length = shortest_utf8_length(code);
    unsigned char lead_marks[] = {0, 0, 0xc0, 0xe0, 0xf0};
    bytes.push_back(static_cast<unsigned char>(lead_marks[length] | code >> (6 * (length - 1))));
    for (size_t i = length - 1; i-- > 0;)
        bytes.push_back(static_cast<unsigned char>(0x80 | ((code >> (6 * i)) & 0x3f)));
}

void put_marker(std::vector<unsigned char> &bytes, token_kind kind, int version)
{
    bool sequence = kind == token_kind::sequence_start;
    if (version == 1)
        put_code(bytes, sequence ? psf1_sequence_start : psf1_glyph_end, version);
    else
        bytes.push_back(sequence ? psf2_sequence_start : psf2_glyph_end);
}

}  // namespace

std::string code_name(char32_t code)
{
    char text[16];
    snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

std::string character_refusal(char32_t code)
{
    bool character = code <= last_code && (code < 0xd800 || code > 0xdfff) && code != 0xfffe && code != 0xffff;
    return character ? "" : code_name(code) + " is not a character";
}

bool fits_psf1(const table_entry &entry)
{
    return std::all_of(entry.begin(), entry.end(), [](char32_t code) { return code <= 0xffff; });
}

table_reading read_unicode_table(std::span<const unsigned char> bytes, int version,
                                 size_t glyph_count)
{
    table_reading reading;
    table_cursor cursor{bytes, version, 0, {}};
    while (reading.table.size() < glyph_count) {
        std::optional<glyph_entries> entries = read_glyph_entries(cursor);
        if (!entries) {
            reading.error = "Unicode table, glyph " + std::to_string(reading.table.size()) + ": " + cursor.problem;
            reading.table.clear();
            return reading;
        }
        reading.table.push_back(std::move(*entries));
    }
    reading.end = cursor.at;
    return reading;
}

std::vector<unsigned char> write_unicode_table(const unicode_table &table, int version)
{
    std::vector<unsigned char> bytes;
    for (const glyph_entries &entries : table) {
        bool in_sequences = false;
        for (const table_entry &entry : entries) {
            in_sequences = in_sequences || entry.size() > 1;
            if (in_sequences)
                put_marker(bytes, token_kind::sequence_start, version);
            for (char32_t code : entry)
                put_code(bytes, code, version);
        }
        put_marker(bytes, token_kind::glyph_end, version);
    }
    return bytes;
}
