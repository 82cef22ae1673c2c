#include "app/colour_text.h"

#include <cctype>
#include <cstdio>

namespace mondeliar::app {

std::optional<QColor> ColorFromHex(const std::string& text)
{
    if (text.size() != 6)
        return std::nullopt;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    unsigned value = static_cast<unsigned>(std::stoul(text, nullptr, 16));
    return QColor(static_cast<int>(value >> 16 & 0xFF), static_cast<int>(value >> 8 & 0xFF),
                  static_cast<int>(value & 0xFF));
}

std::string HexFromColor(const QColor& color)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", color.red() & 0xFF, color.green() & 0xFF,
                  color.blue() & 0xFF);
    return text;
}

}  // namespace mondeliar::app
