#pragma once
// Texts entering the line-oriented files. Those files have no escape: a line end or a
// Ctrl-Z inside a text would cut its line or the file short, and in the quoted-field files
// (notes, recurring entries) a double quote would shift every field after it. Line ends
// and Ctrl-Z become blanks; a double quote becomes "&quot;", which the pages show as a
// quote. Texts without those characters pass unchanged.

#include <cstddef>
#include <string>

namespace mondeliar {

constexpr std::size_t Unlimited = std::string::npos;

// `text` made safe for a quoted field, cut to `capacity` characters without leaving a
// partial "&quot;" at the end.
std::string FieldSafeText(const std::string& text, std::size_t capacity = Unlimited);

// `text` made safe for one line of a key=value file: line ends and Ctrl-Z become blanks.
std::string LineSafeText(const std::string& text);

}  // namespace mondeliar
