#pragma once
// Whole numbers as the calendar's files hold them: decimal, an optional leading minus
// sign, within the 32-bit signed range.

#include <cstdint>
#include <optional>
#include <string_view>

namespace mondeliar {

enum class LeadingBlanks { Refused, Allowed };

std::optional<std::int32_t> ParseInteger(std::string_view text,
                                         LeadingBlanks blanks = LeadingBlanks::Refused);

// As ParseInteger, but a text that is not a number raises "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view text, LeadingBlanks blanks = LeadingBlanks::Refused);

}  // namespace mondeliar
