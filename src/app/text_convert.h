#pragma once
// Between the windows' Qt strings and the core's Windows-1252 bytes. A character that
// Windows-1252 cannot hold is kept as a numeric character reference ("&#26085;").

#include <QString>

#include <string>

namespace mondeliar::app {

QString FromWindows1252(const std::string& text);
std::string ToWindows1252(const QString& text);

}  // namespace mondeliar::app
