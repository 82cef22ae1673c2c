#include "base/windows1252.h"

#include <array>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <optional>

namespace mondeliar {

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

// The characters of Windows-1252's bytes 0x80..0x9F; 0 where the byte holds none.
constexpr std::array<char32_t, 32> HighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendCharacter(std::string& out, char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        out += static_cast<char>(c);
        return;
    }
    for (std::size_t i = 0; i < HighControlRange.size(); ++i)
        if (HighControlRange[i] == c) {
            out += static_cast<char>(0x80 + i);
            return;
        }
    out += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
}

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The character whose UTF-8 sequence starts at `pos`, which then moves past it; nothing for
// an invalid sequence (overlong, a surrogate, beyond U+10FFFF, cut short), `pos` unmoved.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& pos)
{
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    char32_t c = lead & (0x7F >> length);
    if (text.size() - pos < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        unsigned char byte = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(byte))
            return std::nullopt;
        c = (c << 6) | (byte & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    pos += length;
    return c;
}

// "ISO-8859-1", "iso88591" and "ISO_8859-1" name the same set.
std::string CharsetKey(const std::string& charset)
{
    std::string key;
    for (char c : charset) {
        if (c == '-' || c == '_')
            continue;
        key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return key;
}

bool PassesUnchanged(const std::string& key)
{
    for (const char* same :
         {"ANSIX3.41968", "ASCII", "USASCII", "ISO88591", "LATIN1", "CP1252", "WINDOWS1252"})
        if (key == same)
            return true;
    return false;
}

// `text` in `charset` to UTF-8 through iconv; a byte iconv cannot convert becomes the
// replacement character. Nothing when iconv does not know the character set.
std::optional<std::string> IconvToUtf8(std::string_view text, const std::string& charset)
{
    iconv_t converter = ::iconv_open("UTF-8", charset.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out;
    std::string input(text);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* next = buffer;
        std::size_t room = sizeof buffer;
        std::size_t result = ::iconv(converter, &in, &inLeft, &next, &room);
        out.append(buffer, static_cast<std::size_t>(next - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    ::iconv_close(converter);
    return out;
}

}  // namespace

std::string Utf8ToWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::optional<char32_t> c = DecodeUtf8(utf8, pos);
        if (c) {
            AppendCharacter(out, *c);
        } else {
            AppendCharacter(out, ReplacementCharacter);
            ++pos;
        }
    }
    return out;
}

std::string ToWindows1252(std::string_view text, const std::string& charset)
{
    std::string key = CharsetKey(charset);
    if (key.empty() || PassesUnchanged(key))
        return std::string(text);
    if (key == "UTF8")
        return Utf8ToWindows1252(text);
    std::optional<std::string> utf8 = IconvToUtf8(text, charset);
    return utf8 ? Utf8ToWindows1252(*utf8) : std::string(text);
}

// The answer is kept for the locale last asked about: every page asks again.
std::string TimeLocaleCharset()
{
    static std::string lastName;
    static std::string lastCharset;
    const char* current = std::setlocale(LC_TIME, nullptr);
    std::string name = current ? current : "C";
    if (name == lastName)
        return lastCharset;
    locale_t locale = ::newlocale(LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return "";
    lastCharset = ::nl_langinfo_l(CODESET, locale);
    lastName = name;
    ::freelocale(locale);
    return lastCharset;
}

}  // namespace mondeliar
