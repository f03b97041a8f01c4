// gzip through zlib: the one file that calls it.
#include "fontfile/fontfile.h"
#include "fontfile/forms.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <zlib.h>

// 16 more window bits select the gzip wrapper rather than zlib's own.
constexpr int gzip_window_bits = MAX_WBITS + 16;

bool begins_gzip(const unsigned char *data, size_t size)
{
    return size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
}

static const char *zlib_reason(const z_stream &stream, int status)
{
    return stream.msg ? stream.msg : zError(status);
}

// Feeds the file to zlib until the stream ends. The output has room for one
// byte past the limit, so a bigger stream shows itself without being unpacked
// to its end.
static int inflate_file(int fd, z_stream &stream)
{
    unsigned char input[1 << 14];
    for (;;) {
        if (stream.avail_in == 0) {
            ssize_t got = read(fd, input, sizeof input);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                snprintf(error_text, sizeof error_text, got < 0 ? "read: %s" : "gzip: %s",
                         got < 0 ? strerror(errno) : "unexpected end of file");
                return -1;
            }
            stream.next_in = input;
            stream.avail_in = static_cast<uInt>(got);
        }
        int status = inflate(&stream, Z_NO_FLUSH);
        if (stream.avail_out == 0) {
            snprintf(error_text, sizeof error_text, "gzip: more than 1 MiB uncompressed");
            return -1;
        }
        if (status == Z_STREAM_END)
            return 0;
        if (status != Z_OK) {
            snprintf(error_text, sizeof error_text, "gzip: %s", zlib_reason(stream, status));
            return -1;
        }
    }
}

int gunzip_file(int fd, file_image &image)
{
    z_stream stream{};
    int status = inflateInit2(&stream, gzip_window_bits);
    if (status != Z_OK) {
        snprintf(error_text, sizeof error_text, "gzip: %s", zlib_reason(stream, status));
        return -1;
    }
    image.resize(file_image_limit + 1);
    stream.next_out = image.data();
    stream.avail_out = static_cast<uInt>(image.size());
    int result = inflate_file(fd, stream);
    image.resize(stream.total_out);
    image.shrink_to_fit();
    inflateEnd(&stream);
    return result;
}

bool gzip_image(file_image &image)
{
    z_stream stream{};
    int status = deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, gzip_window_bits, 8,
                              Z_DEFAULT_STRATEGY);
    if (status != Z_OK) {
        snprintf(error_text, sizeof error_text, "gzip: %s", zlib_reason(stream, status));
        return false;
    }
    file_image compressed(deflateBound(&stream, static_cast<uLong>(image.size())));
    stream.next_in = image.data();
    stream.avail_in = static_cast<uInt>(image.size());
    stream.next_out = compressed.data();
    stream.avail_out = static_cast<uInt>(compressed.size());
    status = deflate(&stream, Z_FINISH);
    if (status != Z_STREAM_END)
        snprintf(error_text, sizeof error_text, "gzip: %s", zlib_reason(stream, status));
    compressed.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        return false;
    image = std::move(compressed);
    return true;
}
