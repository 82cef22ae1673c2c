#pragma once
// Texts of the calendar (Windows-1252, HTML allowed) as the modern pages write them: UTF-8,
// with what would break the document taken care of and the user's markup kept.

#include <string>
#include <string_view>

namespace mondeliar {

// Appends HTML of notes, names and extra texts as UTF-8. The markup stays; a "<" that opens
// no tag ("a < b") becomes "&lt;", and control characters, which no page may hold, are
// dropped. The five bytes Windows-1252 leaves undefined become U+FFFD.
void AppendHtmlText(std::string& out, std::string_view windows1252Html);
std::string HtmlText(std::string_view windows1252Html);

// A text as the reader sees it (tags removed, references decoded), escaped for an element's
// text or a quoted attribute: for the title and the meta tags.
std::string PlainHtmlText(std::string_view windows1252Html);

// A link the user typed, for an href or src: UTF-8, without blanks at either end, and the
// characters a URL cannot hold (blanks, quotes, "<", ">", "\", ...) percent-encoded.
void AppendLinkAttribute(std::string& out, std::string_view windows1252Link);
std::string LinkAttribute(std::string_view windows1252Link);

// The link to a page file the program wrote: every byte that is not plain ASCII is
// percent-encoded, so the link names the file byte for byte whatever its name holds.
std::string PageLink(std::string_view pageName);

// A colour setting as CSS: "#RRGGBB" for six hexadecimal digits, a name of letters as it
// is; anything else gives `fallback`.
std::string CssColour(std::string_view stored, std::string_view fallback);

// FONTFACE as a font-family list ending in sans-serif: each family quoted, characters that
// could end the declaration left out.
std::string CssFontFamily(std::string_view windows1252FontFace);

// The first three characters of a day name; a character reference counts as one.
std::string ShortName(std::string_view windows1252Name);

bool IsValidUtf8(std::string_view bytes);

}  // namespace mondeliar
