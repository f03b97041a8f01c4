// Reading fonts in raw or uuencoded form and writing them raw. No curses here:
// these take a path and bytes and give a status and, on failure, error_text.
#pragma once

#include <cstdint>

constexpr int error_text_size = 1024;

// The reason for the last failed load or save.
extern char error_text[error_text_size];

// Loads `path` into font_buffer, uuencoded form first, raw form when the file
// has no uuencoded header. 0 when loaded; otherwise non-zero, font unchanged.
int load_font(const char *path);

// 0: `size` bytes decoded into dest; -1: cannot open or no header line;
// -2: a header but damaged data.
int load_uuencoded_font(const char *path, unsigned char *dest, int32_t size);

// 0: read into dest; -1: failed.
int load_raw_font(const char *path, unsigned char *dest, int32_t size);

// Writes all `size` bytes of `data` to an open file, going on after short
// writes. Async-signal-safe.
bool write_all(int fd, const unsigned char *data, int32_t size);

// Writes `size` bytes of `data` to `path`. 0 on success, -1 on failure.
int save_raw_font(const char *path, const unsigned char *data, int32_t size);
