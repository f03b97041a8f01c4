#include "fontfile/characters.h"

#include "fontfile/bdf.h"
#include "fontfile/forms.h"
#include "fontfile/unicode_text.h"

#include <algorithm>

static table_reading read_table(const font_value &font, const psf_table_place &place)
{
    const std::span<const unsigned char> after_glyphs(font.bytes.data() + place.start, font.bytes.size() - place.start);
    return read_unicode_table(after_glyphs, place.version, static_cast<size_t>(font.count));
}

std::optional<unicode_table> font_characters(const font_value &font)
{
    if (font.source)
        return bdf_characters(font);
    const std::optional<psf_table_place> place = table_place(font);
    if (!place)
        return std::nullopt;
    table_reading reading = read_table(font, *place);
    if (!reading.error.empty())
        return std::nullopt;
    return std::move(reading.table);
}

int glyph_drawing(const unicode_table &table, const table_entry &entry)
{
    for (size_t c = 0; c < table.size(); ++c)
        if (std::ranges::find(table[c], entry) != table[c].end())
            return static_cast<int>(c);
    return -1;
}

// Takes each of `entries` off every glyph but `c`, every copy of it, and
// gives the glyphs it was on, each once and in order.
static std::vector<int> take_off_other_glyphs(unicode_table &table, int c, const glyph_entries &entries)
{
    const auto is_given = [&](const table_entry &entry) { return std::ranges::find(entries, entry) != entries.end(); };
    std::vector<int> taken_from;
    for (size_t other = 0; other < table.size(); ++other)
        if (static_cast<int>(other) != c && std::erase_if(table[other], is_given) > 0)
            taken_from.push_back(static_cast<int>(other));
    return taken_from;
}

static bool has_sequence(const glyph_entries &entries)
{
    return std::ranges::any_of(entries, [](const table_entry &entry) { return entry.size() > 1; });
}

// The font with a table in which no glyph draws a character: a PSF file
// gets its flag, a font of any other form a PSF file made for it. The
// font's other fields stay as they are.
static font_value with_empty_table(const font_value &font)
{
    font_value started = font;
    if (!is_psf_file(font)) {
        started.bytes = new_psf_file(font);
        started.glyph_offset = started.bytes.size() - glyphs_size(font);
        started.is_file = true;
        started.is_new_file = false;
        started.became_psf = true;
    }
    set_psf_table_flag(started.bytes);
    const psf_table_place place = *table_place(started);
    const std::vector<unsigned char> empty = write_unicode_table(unicode_table(static_cast<size_t>(font.count)), place.version);
    started.bytes.insert(started.bytes.begin() + static_cast<std::ptrdiff_t>(place.start), empty.begin(), empty.end());
    return started;
}

static characters_change set_in_table(font_value &font, const psf_table_place &place, int c, const glyph_entries &entries)
{
    if (place.version == 1)
        if (std::string refusal = psf1_refusal(entries); !refusal.empty())
            return {refusal, {}};
    table_reading reading = read_table(font, place);
    if (!reading.error.empty())
        return {reading.error, {}};
    characters_change change{"", take_off_other_glyphs(reading.table, c, entries)};
    reading.table[static_cast<size_t>(c)] = entries;
    const std::vector<unsigned char> written = write_unicode_table(reading.table, place.version);
    const auto start = font.bytes.begin() + static_cast<std::ptrdiff_t>(place.start);
    font.bytes.erase(start, start + static_cast<std::ptrdiff_t>(reading.end));
    font.bytes.insert(font.bytes.begin() + static_cast<std::ptrdiff_t>(place.start), written.begin(), written.end());
    if (place.version == 1 && has_sequence(entries))
        note_psf1_sequences(font);
    return change;
}

bool has_unicode_table(const font_value &font)
{
    return font.source || table_place(font).has_value();
}

characters_change set_glyph_characters(font_value &font, int c, const glyph_entries &entries)
{
    if (font.source)
        return set_bdf_character(font, c, entries);
    if (const std::optional<psf_table_place> place = table_place(font))
        return set_in_table(font, *place, c, entries);
    font_value started = with_empty_table(font);
    characters_change change = set_in_table(started, *table_place(started), c, entries);
    if (change.error.empty())
        font = std::move(started);
    return change;
}
