// Reading and writing font files: raw, uuencoded, PSF, any of them
// gzip-compressed. No curses here: these take a path and give a status and,
// on failure, error_text.
#pragma once

#include "glyph/font.h"

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

constexpr int error_text_size = 1024;

// The signals that end the editor, after rescuing the font. A load or save
// waiting on a file lets them in.
constexpr int end_signal_numbers[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT};

// The same as a signal set.
inline sigset_t end_signal_set()
{
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal_number : end_signal_numbers)
        sigaddset(&ending, signal_number);
    return ending;
}

// The reason for the last failed load or save.
extern char error_text[error_text_size];

// Loads `path` into font_buffer, telling the form by content: gzip is
// unpacked first; then BDF (a file that begins "STARTFONT"), PSF (any size
// up to 64x128, 1 to 65536 glyphs), else kbd's codepage file, else
// uuencoded, else raw (all 8x16, 256 glyphs). 0 when loaded; otherwise
// non-zero, font unchanged.
int load_font(const char *path);

// 0: `size` bytes decoded into dest; -1: cannot open or no header line;
// -2: a header but damaged data.
int load_uuencoded_font(const char *path, unsigned char *dest, int32_t size);

// 0: read into dest; -1: failed.
int load_raw_font(const char *path, unsigned char *dest, int32_t size);

// Writes all `size` bytes of `data` to an open file, going on after short
// writes. Async-signal-safe.
bool write_all(int fd, const unsigned char *data, int32_t size);

// A font of glyphs alone, as the console gives them, with the form it is
// saved and rescued in: raw for an 8x16 font of 256 glyphs, which raw holds,
// else a new PSF file around the glyphs.
font_value with_fresh_form(font_value glyphs_only);

// Saves font_buffer to `path` in the form that keeps the most: BDF under a
// name ending .bdf, and for a font read from BDF under any name but one
// ending .psf or .psfu, which takes a new PSF file; over the codepage or
// longer file it was read from, that whole file with the edited glyphs in
// place (refused when that would cut off the rest of it); a font
// loaded from PSF, or one raw cannot hold, as its whole PSF file; an 8x16
// font of 256 glyphs as PSF when the name ends in .psf or .psfu (before any
// .gz) or the file replaced is a PSF font of that size, keeping its other
// glyphs and table, else raw. gzip-compressed when the name ends in .gz.
// 0 on success, -1 on failure with the old file untouched.
int save_font(const char *path);

// The form save_font would write to `path`: "raw", "PSF1", "PSF2", "codepage" or "BDF", with
// ".gz" added where it compresses.
std::string saved_form(const char *path);

// How many characters the last save left out because its form cannot hold
// them: a glyph's further characters and sequences in BDF, codes past
// U+FFFF in PSF1 from BDF.
extern int characters_left_out;
// Whether the last save wrote PSF.
extern bool saved_as_psf;

// Writes font_buffer to an open file as the emergency copy, whole and in
// its own form, uncompressed. Async-signal-safe: one plain write of bytes
// the font already holds.
bool write_emergency_font(int fd);

// What write_emergency_copy adds to a base name at most.
constexpr size_t emergency_suffix_size = sizeof ".save.999";

// Writes the emergency copy (write_emergency_font) to a new file
// <base>.save, or <base>.save.N for the first N not taken, trying each of
// `bases` in turn until one takes the whole copy, flushed to the disk; a
// place that fails at any step keeps nothing. True with the file's name in
// `name`, which has room for the longest base and the suffix; false when
// every place failed. Async-signal-safe.
bool write_emergency_copy(std::span<const char *const> bases, char *name);
