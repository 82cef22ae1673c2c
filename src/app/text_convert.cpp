#include "app/text_convert.h"

#include "base/windows1252.h"

namespace mondeliar::app {

QString FromWindows1252(const std::string& text)
{
    return QString::fromStdString(Windows1252ToUtf8(text));
}

std::string ToWindows1252(const QString& text)
{
    return Utf8ToWindows1252(text.toStdString());
}

}  // namespace mondeliar::app
