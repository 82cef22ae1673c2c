#pragma once
// Texts in records, files and pages are single-byte Windows-1252 (what the pages' "ISO-8859-1"
// charset means to every browser). Text from elsewhere (Qt strings, the locale's date text,
// a UTF-8 feed) crosses into and out of it here. A character Windows-1252 cannot hold becomes
// a numeric character reference such as "&#26085;", which pages show as the character, so
// nothing typed is lost.

#include <string>
#include <string_view>

namespace mondeliar {

// UTF-8 to Windows-1252. Characters outside Windows-1252 become "&#N;"; a byte that is not
// part of a valid UTF-8 sequence becomes U+FFFD's reference, "&#65533;".
std::string Utf8ToWindows1252(std::string_view utf8);

// Windows-1252 to UTF-8. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same number, so every byte survives.
std::string Windows1252ToUtf8(std::string_view text);

// The Unicode code point of a Windows-1252 byte.
char32_t Windows1252CodePoint(unsigned char byte);

// UTF-8 bytes of one code point (U+FFFD for a value that is not a scalar value).
void AppendUtf8(std::string& out, char32_t codePoint);

// Text of the system's locale, in `charset` as nl_langinfo(CODESET) names it, to
// Windows-1252. ASCII, ISO-8859-1 and Windows-1252 pass unchanged; UTF-8 is decoded here and
// any other set goes through iconv, a byte iconv cannot convert becoming "&#65533;". A set
// iconv does not know leaves the text as it is.
std::string LocaleTextToWindows1252(std::string_view text, const std::string& charset);

// The character set of the locale that LC_TIME names, the one strftime writes in.
std::string TimeLocaleCharset();

}  // namespace mondeliar
