// Inside the font-file code only: whole file images in memory, the PSF and
// gzip forms, and the safe writer under every save. Other folders ask
// fontfile.h to load or save and never see these.
#pragma once

#include "fontfile/fontfile.h"
#include "glyph/font.h"

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The bytes of a whole file, after any gzip layer.
using file_image = std::vector<unsigned char>;

// A file held whole in memory (a PSF font, what a gzip stream unpacks to)
// may be no larger, so a bogus file cannot eat the memory. The largest font
// the editor takes, 65,536 glyphs of 64x128, is 64 MiB of glyphs; the rest
// leaves room for a table of every Unicode character.
constexpr size_t file_image_limit_mib = 80;
constexpr size_t file_image_limit = file_image_limit_mib << 20;

// A file of the raw form's size that begins with the gzip or PSF signature
// but cannot be read in that form is a raw font whose glyph 0 happens to
// begin with those bytes: a save of such a font must load back.
bool is_raw_font_size(size_t size);

// ======== The forms ========

// A form's reader of a whole file image, gzip layer removed: 1 when `image`
// is in its form and was read into `found` (which takes the image when the
// font is edited inside it); 0 when it is not in that form; negative when
// it is but cannot be read, with the reason in error_text. Each form has its file.
using image_reader = int (*)(file_image &image, font_value &found);
int read_bdf_image(file_image &image, font_value &found);
int read_psf_image(file_image &image, font_value &found);
int read_codepage_image(file_image &image, font_value &found);
bool is_codepage_image(const file_image &image);
int read_uuencoded_image(file_image &image, font_value &found);  // load.cpp
int read_raw_image(file_image &image, font_value &found);        // load.cpp

// The glyphs of `font`, without any file around them.
file_image glyphs_alone(const font_value &font);

// Reads `image` in the first form, in form.cpp's order, that takes it. 0
// when read; negative, as that form's reader says, with the reason in
// error_text.
int read_font_image(file_image &image, font_value &found);

// ======== gzip (zlib: the only file that calls it is gzip.cpp) ========

bool begins_gzip(const unsigned char *data, size_t size);

// Unpacks the gzip stream read from the open file `fd`, or held in `packed`,
// into `image`. 0, or -1 with the reason in error_text.
int gunzip_file(int fd, file_image &image);
int gunzip_image(const file_image &packed, file_image &image);

// Replaces `image` with its gzip-compressed form. false, with the reason in
// error_text, when zlib fails.
bool gzip_image(file_image &image);

// ======== PSF ========

bool begins_psf(const unsigned char *data, size_t size);
// 1 or 2 for a PSF1 or PSF2 signature, else 0.
int psf_version(const unsigned char *data, size_t size);

// The size of a PSF font and where its glyphs start in the file.
struct psf_shape {
    int width = 0;
    int height = 0;
    int count = 0;
    size_t glyph_offset = 0;
};

// 1 when `image` is a PSF font that can be edited (any size up to 64x128,
// 1 to 65536 glyphs, all of them in the file), with its shape; 0 when it is
// not PSF; -1 when it is a PSF font that cannot be edited, with the reason
// in error_text.
int find_psf_glyphs(const file_image &image, psf_shape &shape);

// Whether `image`, which begins with a PSF signature, is a PSF font of any
// size whose header, glyphs and Unicode table make up the whole file, but
// for a stray byte or two.
bool psf_accounts_for_file(const file_image &image);

// The header of a new PSF file for `font`'s size and count, without a
// Unicode table: PSF1 where it can hold the font, else PSF2.
file_image new_psf_header(const font_value &font);

// A new PSF file of `font`'s glyphs, without a Unicode table: the header of
// new_psf_header, then the glyphs.
file_image new_psf_file(const font_value &font);

// Whether the font is held in a PSF file of its own: one it was loaded from,
// or one made for it when = gave it a table. A file made around the
// console's glyphs is not: a save follows the file it replaces.
bool is_psf_file(const font_value &font);

// Gives a PSF file without a table the table flag: the mode bit of PSF1,
// the flag of PSF2; the PSF version, 1 or 2, which tells the table's form.
// The table itself must follow the glyphs.
int set_psf_table_flag(file_image &image);

// Where a PSF font's Unicode table starts, and the PSF version that tells
// its form; nothing for a font without one.
struct psf_table_place {
    int version = 0;
    size_t start = 0;
};
std::optional<psf_table_place> table_place(const font_value &font);

// A PSF1 font whose table now holds a sequence says so in its mode byte.
void note_psf1_sequences(font_value &font);

// ======== Files read whole ========

// Makes room for more of a file read whole: `image` doubles, from 16 KiB
// (what most console fonts unpack to fits), up to one byte past the limit.
void grow_image(file_image &image);

// Reads a regular file that begins with the gzip or PSF signature, or is
// longer than a raw font but within the limit, into `image`, unpacked. 1:
// read; 0: any other file, left to the
// uuencoded and raw readers (a device or pipe is never read here); -1:
// failed, with the reason in error_text.
int read_whole_font_file(const char *path, file_image &image);

// Reads a file that is not a regular file (a pipe, a device) once, as far as
// the limit, into `image`, unpacked when it is gzip. 1: read; -1: failed,
// with the reason in error_text.
int read_font_stream(const char *path, file_image &image);

// Writes `size` bytes of `data` to `path`, replacing an existing file only
// by a complete, flushed copy. 0 on success, -1 on failure.
int save_file_bytes(const char *path, const unsigned char *data, int32_t size);

// ======== Waiting on a file ========

// Opens `path` with `flags` (a new file gets 0644 less the umask) for a load
// or save that must not wait on another process: a pipe without a partner
// answers at once, while reads and writes then wait as usual. A terminal is
// refused: its "font" would be the user's keys, or land on the screen. -1
// with the reason in error_text, errno kept from a failed open.
int open_without_waiting(const char *path, int flags);

// The editor holds back the signals that end it except while it waits for a
// key, so that they never find the font half-changed. While a load or save
// waits on a pipe or device it lets them in too: nothing of the font is
// changed then, and an editor stuck on a file must still end, and rescue the
// font, when the user asks.
struct end_signals_let_in {
    sigset_t held;
    end_signals_let_in()
    {
        sigset_t ending = end_signal_set();
        sigprocmask(SIG_UNBLOCK, &ending, &held);
    }
    ~end_signals_let_in() { sigprocmask(SIG_SETMASK, &held, nullptr); }
    end_signals_let_in(const end_signals_let_in &) = delete;
    end_signals_let_in &operator=(const end_signals_let_in &) = delete;
};
