// iconv: the only file that calls it.
#include "fontfile/charset.h"

#include "fontfile/unicode_table.h"

#include <cerrno>
#include <iconv.h>
#include <strings.h>

constexpr const char *unicode_charset = "unicode";
constexpr const char *utf32 = "UTF-32LE";

// An iconv conversion, closed at the end of its scope; `cd` is (iconv_t)-1
// when iconv does not know the charset.
struct conversion {
    iconv_t cd;
    conversion(const char *to, const char *from) : cd(iconv_open(to, from)) {}
    ~conversion()
    {
        if (known())
            iconv_close(cd);
    }
    conversion(const conversion &) = delete;
    conversion &operator=(const conversion &) = delete;
    bool known() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

static bool iconv_knows(const std::string &name)
{
    return conversion(utf32, name.c_str()).known();
}

std::string charset_of(const std::string &registry, const std::string &encoding)
{
    if (registry.empty() || (strcasecmp(registry.c_str(), "ISO10646") == 0 && encoding == "1"))
        return unicode_charset;
    const std::string joined = registry + "-" + encoding;
    if (iconv_knows(joined))
        return joined;
    return !encoding.empty() && iconv_knows(encoding) ? encoding : "";
}

// Converts `in` whole; the bytes written, or nothing when iconv refuses.
static std::optional<std::string> convert(conversion &how, std::string in, size_t room)
{
    std::string out(room, '\0');
    char *in_at = in.data();
    char *out_at = out.data();
    size_t in_left = in.size();
    size_t out_left = out.size();
    iconv(how.cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(how.cd, &in_at, &in_left, &out_at, &out_left) == static_cast<size_t>(-1) || in_left > 0 ||
        iconv(how.cd, nullptr, nullptr, &out_at, &out_left) == static_cast<size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
}

// A code's bytes in the charset: one byte up to 255, else big-endian.
static std::string code_bytes(int32_t code)
{
    std::string bytes;
    auto value = static_cast<uint32_t>(code);
    do {
        bytes.insert(bytes.begin(), static_cast<char>(value & 0xff));
        value >>= 8;
    } while (value > 0);
    return bytes;
}

static char32_t unicode_code(int32_t code)
{
    const auto character = static_cast<char32_t>(code);
    return code >= 0 && character_refusal(character).empty() ? character : no_character;
}

static char32_t converted_code(conversion &how, int32_t code)
{
    if (code < 0)
        return no_character;
    const std::optional<std::string> out = convert(how, code_bytes(code), 16);
    if (!out || out->size() != 4)
        return no_character;
    char32_t character = 0;
    for (int i = 3; i >= 0; --i)
        character = character << 8 | static_cast<unsigned char>((*out)[static_cast<size_t>(i)]);
    return character;
}

std::vector<char32_t> characters_of_codes(const std::string &charset, std::span<const int32_t> codes)
{
    std::vector<char32_t> characters;
    characters.reserve(codes.size());
    if (charset == unicode_charset) {
        for (int32_t code : codes)
            characters.push_back(unicode_code(code));
        return characters;
    }
    // iconv takes an empty name for the locale's charset.
    if (charset.empty())
        return std::vector<char32_t>(codes.size(), no_character);
    conversion how(utf32, charset.c_str());
    for (int32_t code : codes)
        characters.push_back(how.known() ? converted_code(how, code) : no_character);
    return characters;
}

std::optional<int32_t> code_of_character(const std::string &charset, char32_t character)
{
    if (charset == unicode_charset)
        return static_cast<int32_t>(character);
    if (charset.empty())
        return std::nullopt;
    conversion how(charset.c_str(), utf32);
    std::string in;
    for (int i = 0; i < 4; ++i)
        in.push_back(static_cast<char>(character >> (8 * i) & 0xff));
    const std::optional<std::string> out = how.known() ? convert(how, in, 16) : std::nullopt;
    if (!out || out->empty() || out->size() > 3)
        return std::nullopt;
    int32_t code = 0;
    for (char byte : *out)
        code = code << 8 | static_cast<unsigned char>(byte);
    return code;
}
