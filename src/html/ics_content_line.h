#pragma once
// The content lines of an iCalendar file (RFC 5545): TEXT values escaped, long lines folded.

#include <string>
#include <string_view>

namespace mondeliar {

// Longest physical line in octets, its CR LF not counted (RFC 5545, 3.1).
constexpr std::size_t IcsLineOctets = 75;

// A TEXT value (RFC 5545, 3.3.11): backslash, semicolon and comma are escaped with a
// backslash, a line end (CR LF, CR or LF) becomes "\n"; the other ASCII control characters
// but the tab cannot appear in a value and are dropped.
std::string EscapeIcsText(std::string_view utf8);

// A content line folded into physical lines of at most IcsLineOctets octets: each fold is
// CR LF and one blank, which counts towards the next line's octets. A fold never splits a
// UTF-8 sequence. The result has no final CR LF.
std::string FoldIcsLine(std::string_view line);

}  // namespace mondeliar
