#pragma once
// Texts from the system, made fit for the pages. Pages are Windows-1252 (what their
// "ISO-8859-1" charset means to every browser); a character Windows-1252 cannot hold is
// written as an HTML numeric character reference ("&#1071;"), as every other text is.

#include <string>
#include <string_view>

namespace mondeliar {

// UTF-8 to Windows-1252. A byte that does not start a valid UTF-8 sequence becomes "&#65533;"
// (the replacement character), one per byte, and the text goes on after it.
std::string Utf8ToWindows1252(std::string_view utf8);

// `text` in `charset`, named as nl_langinfo(CODESET) names it, to Windows-1252. ASCII,
// ISO-8859-1 and Windows-1252 itself pass unchanged; UTF-8 is decoded here; any other
// character set goes through iconv. A character set iconv does not know leaves the text as
// it is.
std::string ToWindows1252(std::string_view text, const std::string& charset);

// The character set of the locale that LC_TIME names, the one strftime writes in.
std::string TimeLocaleCharset();

}  // namespace mondeliar
