#include "html/plain_text.h"

#include "base/windows1252.h"

#include <algorithm>
#include <optional>

namespace mondeliar {

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;
constexpr char32_t LastCodePoint = 0x10FFFF;

struct NamedCharacter {
    const char* Name;
    char32_t Character;
};

// HTML's names for the characters of Windows-1252: the markup characters, the Latin-1
// letters and signs (U+00A0..U+00FF in order) and the extra characters of 0x80..0x9F.
constexpr NamedCharacter NamedCharacters[] = {
    {"quot", 0x22},     {"amp", 0x26},      {"apos", 0x27},     {"lt", 0x3C},
    {"gt", 0x3E},       {"nbsp", 0xA0},     {"iexcl", 0xA1},    {"cent", 0xA2},
    {"pound", 0xA3},    {"curren", 0xA4},   {"yen", 0xA5},      {"brvbar", 0xA6},
    {"sect", 0xA7},     {"uml", 0xA8},      {"copy", 0xA9},     {"ordf", 0xAA},
    {"laquo", 0xAB},    {"not", 0xAC},      {"shy", 0xAD},      {"reg", 0xAE},
    {"macr", 0xAF},     {"deg", 0xB0},      {"plusmn", 0xB1},   {"sup2", 0xB2},
    {"sup3", 0xB3},     {"acute", 0xB4},    {"micro", 0xB5},    {"para", 0xB6},
    {"middot", 0xB7},   {"cedil", 0xB8},    {"sup1", 0xB9},     {"ordm", 0xBA},
    {"raquo", 0xBB},    {"frac14", 0xBC},   {"frac12", 0xBD},   {"frac34", 0xBE},
    {"iquest", 0xBF},   {"Agrave", 0xC0},   {"Aacute", 0xC1},   {"Acirc", 0xC2},
    {"Atilde", 0xC3},   {"Auml", 0xC4},     {"Aring", 0xC5},    {"AElig", 0xC6},
    {"Ccedil", 0xC7},   {"Egrave", 0xC8},   {"Eacute", 0xC9},   {"Ecirc", 0xCA},
    {"Euml", 0xCB},     {"Igrave", 0xCC},   {"Iacute", 0xCD},   {"Icirc", 0xCE},
    {"Iuml", 0xCF},     {"ETH", 0xD0},      {"Ntilde", 0xD1},   {"Ograve", 0xD2},
    {"Oacute", 0xD3},   {"Ocirc", 0xD4},    {"Otilde", 0xD5},   {"Ouml", 0xD6},
    {"times", 0xD7},    {"Oslash", 0xD8},   {"Ugrave", 0xD9},   {"Uacute", 0xDA},
    {"Ucirc", 0xDB},    {"Uuml", 0xDC},     {"Yacute", 0xDD},   {"THORN", 0xDE},
    {"szlig", 0xDF},    {"agrave", 0xE0},   {"aacute", 0xE1},   {"acirc", 0xE2},
    {"atilde", 0xE3},   {"auml", 0xE4},     {"aring", 0xE5},    {"aelig", 0xE6},
    {"ccedil", 0xE7},   {"egrave", 0xE8},   {"eacute", 0xE9},   {"ecirc", 0xEA},
    {"euml", 0xEB},     {"igrave", 0xEC},   {"iacute", 0xED},   {"icirc", 0xEE},
    {"iuml", 0xEF},     {"eth", 0xF0},      {"ntilde", 0xF1},   {"ograve", 0xF2},
    {"oacute", 0xF3},   {"ocirc", 0xF4},    {"otilde", 0xF5},   {"ouml", 0xF6},
    {"divide", 0xF7},   {"oslash", 0xF8},   {"ugrave", 0xF9},   {"uacute", 0xFA},
    {"ucirc", 0xFB},    {"uuml", 0xFC},     {"yacute", 0xFD},   {"thorn", 0xFE},
    {"yuml", 0xFF},     {"OElig", 0x152},   {"oelig", 0x153},   {"Scaron", 0x160},
    {"scaron", 0x161},  {"Yuml", 0x178},    {"Zcaron", 0x17D},  {"zcaron", 0x17E},
    {"fnof", 0x192},    {"circ", 0x2C6},    {"tilde", 0x2DC},   {"ndash", 0x2013},
    {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},  {"sbquo", 0x201A},
    {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},  {"dagger", 0x2020},
    {"Dagger", 0x2021}, {"bull", 0x2022},   {"hellip", 0x2026}, {"permil", 0x2030},
    {"lsaquo", 0x2039}, {"rsaquo", 0x203A}, {"euro", 0x20AC},   {"trade", 0x2122},
};

// Elements after which a browser starts a new line or cell.
constexpr const char* LineBreakingElements[] = {
    "address", "blockquote", "br", "center", "dd", "div", "dl",  "dt",    "h1", "h2", "h3", "h4",
    "h5",      "h6",         "hr", "li",     "ol", "p",   "pre", "table", "td", "th", "tr", "ul",
};

bool IsAsciiLetter(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char32_t c)
{
    return c >= '0' && c <= '9';
}

bool IsAsciiAlphanumeric(char32_t c)
{
    return IsAsciiLetter(c) || IsAsciiDigit(c);
}

bool IsHtmlWhiteSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

char32_t LowerAscii(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

bool BreaksLine(std::u32string_view name)
{
    for (const char* element : LineBreakingElements) {
        std::string_view candidate(element);
        if (candidate.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = LowerAscii(name[i]) == static_cast<char32_t>(candidate[i]);
        if (same)
            return true;
    }
    return false;
}

// A piece of markup: where it ends (one past its ">") and whether it breaks the line.
struct Markup {
    std::size_t End;
    bool BreaksLine;
};

std::optional<Markup> ClosedAt(std::u32string_view html, std::size_t from,
                               std::u32string_view closer, bool breaksLine = false)
{
    std::size_t end = html.find(closer, from);
    if (end == std::u32string_view::npos)
        return std::nullopt;
    return Markup{end + closer.size(), breaksLine};
}

// A start or end tag from its name on: the first ">" that is not inside a quoted
// attribute value ends it.
std::optional<Markup> TagAt(std::u32string_view html, std::size_t nameStart)
{
    std::size_t at = nameStart;
    while (at < html.size() && IsAsciiAlphanumeric(html[at]))
        ++at;
    bool breaksLine = BreaksLine(html.substr(nameStart, at - nameStart));
    while (at < html.size()) {
        char32_t c = html[at++];
        if (c == '>')
            return Markup{at, breaksLine};
        if (c != '=')
            continue;
        while (at < html.size() && IsHtmlWhiteSpace(html[at]))
            ++at;
        if (at < html.size() && (html[at] == '"' || html[at] == '\'')) {
            std::size_t close = html.find(html[at], at + 1);
            if (close == std::u32string_view::npos)
                return std::nullopt;
            at = close + 1;
        }
    }
    return std::nullopt;
}

// The markup that the "<" at `start` opens, or nothing when it opens none.
std::optional<Markup> MarkupAt(std::u32string_view html, std::size_t start)
{
    std::u32string_view rest = html.substr(start);
    if (rest.size() < 2)
        return std::nullopt;
    if (rest.substr(0, 4) == U"<!--")
        return ClosedAt(html, start + 4, U"-->");
    char32_t next = rest[1];
    if (IsAsciiLetter(next))
        return TagAt(html, start + 1);
    if (next == '/' && rest.size() > 2 && IsAsciiLetter(rest[2]))
        return TagAt(html, start + 2);
    if (next == '!' || next == '?' || next == '/')
        return ClosedAt(html, start + 2, U">");
    return std::nullopt;
}

char32_t NumberedCharacter(char32_t number)
{
    if (number == 0 || number > LastCodePoint || (number >= 0xD800 && number <= 0xDFFF))
        return ReplacementCharacter;
    if (number >= 0x80 && number <= 0x9F)
        return Windows1252Character(static_cast<unsigned char>(number));
    return number;
}

std::optional<char32_t> NamedCharacterOf(std::u32string_view name)
{
    for (const NamedCharacter& named : NamedCharacters) {
        std::string_view candidate(named.Name);
        if (candidate.size() == name.size()
            && std::equal(name.begin(), name.end(), candidate.begin(),
                          [](char32_t a, char b) { return a == static_cast<char32_t>(b); }))
            return named.Character;
    }
    return std::nullopt;
}

struct Reference {
    std::size_t End;  // one past its ";"
    char32_t Character;
};

std::optional<Reference> NumericReferenceAt(std::u32string_view text, std::size_t digitsStart,
                                            bool hexadecimal)
{
    char32_t value = 0;
    bool tooLarge = false;
    std::size_t at = digitsStart;
    for (; at < text.size(); ++at) {
        char32_t c = LowerAscii(text[at]);
        int digit;
        if (IsAsciiDigit(c))
            digit = static_cast<int>(c - '0');
        else if (hexadecimal && c >= 'a' && c <= 'f')
            digit = static_cast<int>(c - 'a' + 10);
        else
            break;
        value = value * (hexadecimal ? 16 : 10) + static_cast<char32_t>(digit);
        if (value > LastCodePoint) {
            tooLarge = true;
            value = 0;
        }
    }
    if (at == digitsStart || at >= text.size() || text[at] != ';')
        return std::nullopt;
    return Reference{at + 1, tooLarge ? ReplacementCharacter : NumberedCharacter(value)};
}

// The character reference that the "&" at `start` opens, or nothing.
std::optional<Reference> ReferenceAt(std::u32string_view text, std::size_t start)
{
    std::size_t at = start + 1;
    if (at < text.size() && text[at] == '#') {
        bool hexadecimal = at + 1 < text.size() && LowerAscii(text[at + 1]) == 'x';
        return NumericReferenceAt(text, at + (hexadecimal ? 2 : 1), hexadecimal);
    }
    std::size_t nameEnd = at;
    while (nameEnd < text.size() && IsAsciiAlphanumeric(text[nameEnd]))
        ++nameEnd;
    if (nameEnd >= text.size() || text[nameEnd] != ';')
        return std::nullopt;
    std::optional<char32_t> character = NamedCharacterOf(text.substr(at, nameEnd - at));
    if (!character)
        return std::nullopt;
    return Reference{nameEnd + 1, *character};
}

}  // namespace

char32_t Windows1252Character(unsigned char byte)
{
    // The five bytes the code page leaves undefined come back as C1 controls; text has none.
    char32_t character = Windows1252CodePoint(byte);
    return character >= 0x80 && character < 0xA0 ? ReplacementCharacter : character;
}

std::u32string FromWindows1252(std::string_view bytes)
{
    std::u32string text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        text += Windows1252Character(static_cast<unsigned char>(byte));
    return text;
}

std::u32string StripTags(std::u32string_view html)
{
    std::u32string text;
    std::size_t at = 0;
    while (at < html.size()) {
        if (html[at] == '<') {
            if (std::optional<Markup> markup = MarkupAt(html, at)) {
                if (markup->BreaksLine)
                    text += ' ';
                at = markup->End;
                continue;
            }
        }
        text += html[at++];
    }
    return text;
}

std::u32string DecodeEntities(std::u32string_view text)
{
    std::u32string decoded;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == '&') {
            if (std::optional<Reference> reference = ReferenceAt(text, at)) {
                decoded += reference->Character;
                at = reference->End;
                continue;
            }
        }
        decoded += text[at++];
    }
    return decoded;
}

std::u32string CollapseWhiteSpace(std::u32string_view text)
{
    std::u32string collapsed;
    bool blankPending = false;
    for (char32_t c : text) {
        if (IsHtmlWhiteSpace(c)) {
            blankPending = !collapsed.empty();
            continue;
        }
        if (IsControl(c))
            continue;
        if (blankPending)
            collapsed += ' ';
        blankPending = false;
        collapsed += c;
    }
    return collapsed;
}

std::string ToUtf8(std::u32string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (char32_t c : text)
        AppendUtf8(bytes, c);
    return bytes;
}

std::string HtmlToPlainText(std::string_view windows1252Html)
{
    return ToUtf8(CollapseWhiteSpace(DecodeEntities(StripTags(FromWindows1252(windows1252Html)))));
}

}  // namespace mondeliar
