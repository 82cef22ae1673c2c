#pragma once
// Notes and recurring descriptions are HTML in Windows-1252 bytes, written into the pages
// unchanged. The iCalendar feed needs them as the text a reader of the page sees: tags
// removed, character references decoded, white space collapsed, encoded as UTF-8.

#include <string>
#include <string_view>

namespace mondeliar {

// The Unicode character of a Windows-1252 byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD.
char32_t Windows1252Character(unsigned char byte);

std::u32string FromWindows1252(std::string_view bytes);

// Removes the tags, comments and declarations of an HTML text. A tag that breaks the line
// in a browser (BR, P, DIV, LI, TD, ...) leaves a blank, so the words around it stay apart.
// A "<" that opens no tag ("a < b") is text, and so is a tag that never closes.
std::u32string StripTags(std::u32string_view html);

// Decodes character references ending in ";": the names of the Windows-1252 characters
// (&amp; &lt; &gt; &quot; &apos; &nbsp; &eacute; &euro; ...), &#NN; and &#xHH;. As in a
// browser, a number naming no character (0, a surrogate, above U+10FFFF) gives U+FFFD and
// one of 128..159 the Windows-1252 character of that byte. Unknown names and references
// without their ";" stay as they are.
std::u32string DecodeEntities(std::u32string_view text);

// Runs of white space (blank, tab, CR, LF, form feed) become one blank, with none at either
// end; other control characters are dropped. U+00A0 (&nbsp;) is not white space here.
std::u32string CollapseWhiteSpace(std::u32string_view text);

std::string ToUtf8(std::u32string_view text);

// A note or description as the page shows it: tags stripped, then references decoded, then
// white space collapsed, in UTF-8.
std::string HtmlToPlainText(std::string_view windows1252Html);

}  // namespace mondeliar
