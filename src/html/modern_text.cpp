#include "html/modern_text.h"

#include "base/windows1252.h"
#include "html/plain_text.h"

#include <algorithm>
#include <cstdio>

namespace mondeliar {

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiAlphanumeric(char c)
{
    return IsAsciiLetter(c) || (c >= '0' && c <= '9');
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// What a "<" at `at` starts for an HTML parser: a tag, an end tag or a comment. Anything
// else is a parse error that the page would carry.
bool OpensMarkup(std::string_view html, std::size_t at)
{
    std::string_view rest = html.substr(at + 1);
    if (!rest.empty() && IsAsciiLetter(rest[0]))
        return true;
    if (rest.size() >= 2 && rest[0] == '/' && IsAsciiLetter(rest[1]))
        return true;
    return rest.substr(0, 3) == "!--";
}

// Control characters other than white space are not allowed in a document.
bool IsDocumentCharacter(unsigned char c)
{
    return (c >= 0x20 && c != 0x7F) || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The ASCII bytes that pass into a page's HTML as they are: all but "<" and the control
// characters other than white space.
struct HtmlBytes {
    bool Plain[128] = {};
    HtmlBytes()
    {
        for (int c = 0; c < 128; ++c)
            Plain[c] = c != '<' && IsDocumentCharacter(static_cast<unsigned char>(c));
    }
};

// The ASCII bytes a link holds as they are: not a blank or control character, and none of
// the characters a URL cannot hold. A table, since a page looks up some 100,000 of them.
struct LinkBytes {
    bool Plain[128] = {};
    LinkBytes()
    {
        for (int c = 0x21; c < 0x7F; ++c)
            Plain[c] = std::string_view("\"<>\\^`{|}").find(static_cast<char>(c))
                       == std::string_view::npos;
    }
};

void AppendPercentEncoded(std::string& out, unsigned char byte)
{
    char escape[4];
    std::snprintf(escape, sizeof escape, "%%%02X", byte);
    out += escape;
}

// Appends `text`: the runs of bytes for which `passes(index, byte)` holds as they are, every
// other byte as `replace(byte)` appends it.
template <typename Passes, typename Replace>
void AppendRuns(std::string& out, std::string_view text, Passes passes, Replace replace)
{
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (passes(i, c))
            continue;
        out.append(text.substr(run, i - run));
        run = i + 1;
        replace(c);
    }
    out.append(text.substr(run));
}

bool IsAsciiWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view TrimmedAsciiWhiteSpace(std::string_view text)
{
    while (!text.empty() && IsAsciiWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiWhiteSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsGenericFamily(std::string_view family)
{
    for (const char* generic :
         {"serif", "sans-serif", "monospace", "cursive", "fantasy", "system-ui"})
        if (family == generic)
            return true;
    return false;
}

// The length of a character reference ("&eacute;", "&#26085;") at the start of `text`, or 0.
std::size_t ReferenceLength(std::string_view text)
{
    constexpr std::size_t LongestReference = 10;
    if (text.empty() || text[0] != '&')
        return 0;
    for (std::size_t i = 1; i < text.size() && i <= LongestReference; ++i) {
        if (text[i] == ';')
            return i > 1 ? i + 1 : 0;
        if (!IsAsciiAlphanumeric(text[i]) && !(i == 1 && text[i] == '#'))
            return 0;
    }
    return 0;
}

}  // namespace

void AppendHtmlText(std::string& out, std::string_view html)
{
    static const HtmlBytes plain;
    AppendRuns(
        out, html,
        [&](std::size_t i, unsigned char c) {
            return c < 0x80 && (plain.Plain[c] || (c == '<' && OpensMarkup(html, i)));
        },
        [&](unsigned char c) {
            if (c == '<')
                out += "&lt;";
            else if (c >= 0x80)
                AppendUtf8(out, Windows1252Character(c));
        });
}

std::string HtmlText(std::string_view windows1252Html)
{
    std::string out;
    AppendHtmlText(out, windows1252Html);
    return out;
}

std::string PlainHtmlText(std::string_view windows1252Html)
{
    std::string out;
    for (char c : HtmlToPlainText(windows1252Html)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void AppendLinkAttribute(std::string& out, std::string_view windows1252Link)
{
    static const LinkBytes link;
    AppendRuns(
        out, TrimmedAsciiWhiteSpace(windows1252Link),
        [&](std::size_t, unsigned char c) { return c < 0x80 && link.Plain[c]; },
        [&](unsigned char c) {
            if (c >= 0x80)
                AppendUtf8(out, Windows1252Character(c));
            else
                AppendPercentEncoded(out, c);
        });
}

std::string LinkAttribute(std::string_view windows1252Link)
{
    std::string out;
    AppendLinkAttribute(out, windows1252Link);
    return out;
}

std::string PageLink(std::string_view pageName)
{
    static const std::string_view plain = "-._~!$&'()*+,;=:@";
    std::string out;
    for (char byte : pageName) {
        if (IsAsciiAlphanumeric(byte) || plain.find(byte) != std::string_view::npos)
            out += byte;
        else
            AppendPercentEncoded(out, static_cast<unsigned char>(byte));
    }
    return out;
}

std::string CssColour(std::string_view stored, std::string_view fallback)
{
    if (stored.size() == 6 && std::all_of(stored.begin(), stored.end(), IsHexDigit))
        return "#" + std::string(stored);
    if (!stored.empty() && stored.size() <= 20
        && std::all_of(stored.begin(), stored.end(), IsAsciiLetter))
        return std::string(stored);
    return std::string(fallback);
}

std::string CssFontFamily(std::string_view windows1252FontFace)
{
    static const std::string_view breaking = "\"\\<>;{}";
    std::string families;
    std::string_view rest = windows1252FontFace;
    while (!rest.empty()) {
        std::size_t comma = std::min(rest.find(','), rest.size());
        std::string family;
        for (char c : TrimmedAsciiWhiteSpace(rest.substr(0, comma)))
            if (IsDocumentCharacter(static_cast<unsigned char>(c))
                && breaking.find(c) == std::string_view::npos)
                family += c;
        rest.remove_prefix(std::min(comma + 1, rest.size()));
        if (family.empty() || family == "sans-serif")
            continue;
        std::string utf8 = Windows1252ToUtf8(family);
        families += IsGenericFamily(utf8) ? utf8 : "\"" + utf8 + "\"";
        families += ", ";
    }
    return families + "sans-serif";
}

std::string ShortName(std::string_view windows1252Name)
{
    constexpr int Characters = 3;
    std::size_t end = 0;
    for (int count = 0; count < Characters && end < windows1252Name.size(); ++count)
        end += std::max<std::size_t>(1, ReferenceLength(windows1252Name.substr(end)));
    return std::string(windows1252Name.substr(0, end));
}

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        unsigned char lead = static_cast<unsigned char>(bytes[i]);
        int length = lead < 0x80                   ? 1
                     : lead >= 0xC2 && lead < 0xE0 ? 2
                     : lead >= 0xE0 && lead < 0xF0 ? 3
                     : lead >= 0xF0 && lead < 0xF5 ? 4
                                                   : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > bytes.size())
            return false;
        char32_t value = lead & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < Smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

}  // namespace mondeliar
