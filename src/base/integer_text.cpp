#include "base/integer_text.h"

#include "base/errors.h"

#include <limits>
#include <string>

namespace mondeliar {

std::optional<std::int32_t> ParseInteger(std::string_view text, LeadingBlanks blanks)
{
    std::size_t pos = 0;
    if (blanks == LeadingBlanks::Allowed)
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
    bool negative = pos < text.size() && text[pos] == '-';
    if (negative)
        ++pos;
    if (pos == text.size())
        return std::nullopt;

    const std::int64_t limit = negative ? -std::int64_t(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t StrToInt(std::string_view text, LeadingBlanks blanks)
{
    std::optional<std::int32_t> value = ParseInteger(text, blanks);
    if (!value)
        ThrowConversionError(std::string(text));
    return *value;
}

}  // namespace mondeliar
