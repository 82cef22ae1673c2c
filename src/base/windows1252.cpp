#include "base/windows1252.h"

#include <array>
#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <optional>

namespace mondeliar {

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

// 0x80..0x9F, where Windows-1252 differs from ISO-8859-1.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The Windows-1252 byte of a code point, or -1 when it has none.
int ByteOf(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (std::size_t i = 0; i < HighControls.size(); ++i)
        if (HighControls[i] == codePoint)
            return static_cast<int>(0x80 + i);
    return -1;
}

// Decodes one UTF-8 sequence at `pos`, advancing it; ReplacementCharacter for a malformed
// sequence (which consumes one byte), an overlong form or a surrogate.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos)
{
    unsigned char lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4)
        return ReplacementCharacter;
    char32_t value = lead & (0x7F >> length);
    std::size_t start = pos;
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) {
            pos = start;
            return ReplacementCharacter;
        }
        value = (value << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < Smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        pos = start;
        return ReplacementCharacter;
    }
    return value;
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

// `text` in `charset` to UTF-8; nothing when iconv does not know the set.
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
            AppendUtf8(out, ReplacementCharacter);
            ++in;
            --inLeft;
        }
    }
    ::iconv_close(converter);
    return out;
}

}  // namespace

char32_t Windows1252CodePoint(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return HighControls[byte - 0x80];
    return byte;
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = ReplacementCharacter;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string Utf8ToWindows1252(std::string_view utf8)
{
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t codePoint = DecodeUtf8(utf8, pos);
        int byte = ByteOf(codePoint);
        if (byte >= 0)
            text += static_cast<char>(byte);
        else
            text += "&#" + std::to_string(static_cast<unsigned long>(codePoint)) + ";";
    }
    return text;
}

std::string Windows1252ToUtf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (char c : text)
        AppendUtf8(utf8, Windows1252CodePoint(static_cast<unsigned char>(c)));
    return utf8;
}

std::string LocaleTextToWindows1252(std::string_view text, const std::string& charset)
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
