#pragma once
// Colours are kept as six hexadecimal digits RRGGBB, upper case, without "#"; the dialog
// paints and picks screen colours.

#include <QColor>

#include <optional>
#include <string>

namespace mondeliar::app {

// The screen colour of a stored text; nothing unless the text is six hexadecimal digits.
std::optional<QColor> ColorFromHex(const std::string& text);

// "FF8000" for orange: red, green and blue, two upper-case digits each.
std::string HexFromColor(const QColor& color);

}  // namespace mondeliar::app
