// gzip through zlib: the one file that calls it.
#include "fontfile/fontfile.h"
#include "fontfile/forms.h"

#include <algorithm>
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

static int gzip_error(const char *reason)
{
    snprintf(error_text, sizeof error_text, "gzip: %s", reason);
    return -1;
}

// The compressed file, read a block at a time; or, with no file (fd -1),
// compressed bytes already in memory, given to zlib at the start.
struct gzip_input {
    int fd;
    unsigned char block[1 << 14];
};

// Bytes in memory were all given to zlib at the start: nothing more comes.
static ssize_t read_block(int fd, unsigned char *block, size_t room)
{
    if (fd < 0)
        return 0;
    ssize_t got;
    do
        got = read(fd, block, room);
    while (got < 0 && errno == EINTR);
    return got;
}

// Moves what zlib has not taken yet to the front of the block and reads the
// file's next bytes after it. How many it read: 0 at the end of the file,
// -1 on an error, with the reason in error_text.
static ssize_t read_more(gzip_input &input, z_stream &stream)
{
    if (stream.avail_in > 0)
        std::memmove(input.block, stream.next_in, stream.avail_in);
    ssize_t got = read_block(input.fd, input.block + stream.avail_in, sizeof input.block - stream.avail_in);
    if (got < 0)
        snprintf(error_text, sizeof error_text, "read: %s", strerror(errno));
    stream.next_in = input.block;
    stream.avail_in += static_cast<uInt>(std::max<ssize_t>(got, 0));
    return got;
}

// After the end of a member: 1 when another one follows, as after
// `cat a.gz b.gz`; 0 when the file ends, or goes on with bytes that are not
// gzip, which are ignored as gzip ignores them; -1 on a read error.
static int next_member(gzip_input &input, z_stream &stream)
{
    while (stream.avail_in < 2) {
        ssize_t got = read_more(input, stream);
        if (got <= 0)
            return got < 0 ? -1 : 0;
    }
    return begins_gzip(stream.next_in, stream.avail_in) ? 1 : 0;
}

static size_t unpacked_size(const z_stream &stream, const file_image &image)
{
    return static_cast<size_t>(stream.next_out - image.data());
}

// Gives zlib more room once it has filled what it had.
static void make_room(z_stream &stream, file_image &image)
{
    if (stream.avail_out > 0)
        return;
    size_t used = image.size();
    grow_image(image);
    stream.next_out = image.data() + used;
    stream.avail_out = static_cast<uInt>(image.size() - used);
}

// Unpacks every member of the file in turn, as gzip -dc does. The output
// grows to one byte past the limit at most, so a bigger stream shows itself
// without being unpacked to its end.
static int inflate_file(gzip_input &input, z_stream &stream, file_image &image)
{
    for (;;) {
        if (stream.avail_in == 0) {
            ssize_t got = read_more(input, stream);
            if (got <= 0)
                return got < 0 ? -1 : gzip_error("unexpected end of file");
        }
        make_room(stream, image);
        int status = inflate(&stream, Z_NO_FLUSH);
        if (unpacked_size(stream, image) > file_image_limit) {
            snprintf(error_text, sizeof error_text, "gzip: more than %zu MiB uncompressed", file_image_limit_mib);
            return -1;
        }
        if (status == Z_STREAM_END) {
            int next = next_member(input, stream);
            if (next <= 0)
                return next;
            status = inflateReset(&stream);
        }
        if (status != Z_OK)
            return gzip_error(zlib_reason(stream, status));
    }
}

// From the open file `fd`, or else from `packed`.
static int unpack(int fd, const file_image *packed, file_image &image)
{
    z_stream stream{};
    int status = inflateInit2(&stream, gzip_window_bits);
    if (status != Z_OK)
        return gzip_error(zlib_reason(stream, status));
    if (packed) {
        // zlib only reads through next_in.
        stream.next_in = const_cast<unsigned char *>(packed->data());
        stream.avail_in = static_cast<uInt>(packed->size());
    }
    image = {};
    stream.next_out = image.data();
    gzip_input input{fd, {}};
    int result = inflate_file(input, stream, image);
    image.resize(unpacked_size(stream, image));
    image.shrink_to_fit();
    inflateEnd(&stream);
    return result;
}

// A gzip file that unpacks to another gzip stream would load as noise, and a
// save under its name would lose the font inside: refused, unless the inner
// stream is a raw font's first bytes.
static int unpack_once(int fd, const file_image *packed, file_image &image)
{
    int result = unpack(fd, packed, image);
    if (result != 0 || !begins_gzip(image.data(), image.size()))
        return result;
    file_image inner;
    if (is_raw_font_size(image.size()) && unpack(-1, &image, inner) != 0)
        return 0;
    return gzip_error("compressed twice");
}

int gunzip_file(int fd, file_image &image)
{
    return unpack_once(fd, nullptr, image);
}

int gunzip_image(const file_image &packed, file_image &image)
{
    return unpack_once(-1, &packed, image);
}

bool gzip_image(file_image &image)
{
    z_stream stream{};
    int status = deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, gzip_window_bits, 8,
                              Z_DEFAULT_STRATEGY);
    if (status != Z_OK) {
        gzip_error(zlib_reason(stream, status));
        return false;
    }
    file_image compressed(deflateBound(&stream, static_cast<uLong>(image.size())));
    stream.next_in = image.data();
    stream.avail_in = static_cast<uInt>(image.size());
    stream.next_out = compressed.data();
    stream.avail_out = static_cast<uInt>(compressed.size());
    status = deflate(&stream, Z_FINISH);
    if (status != Z_STREAM_END)
        gzip_error(zlib_reason(stream, status));
    compressed.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        return false;
    image = std::move(compressed);
    return true;
}
