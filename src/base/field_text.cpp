#include "base/field_text.h"

namespace mondeliar {

namespace {
const std::string QuoteEntity = "&quot;";

bool BreaksLine(char c)
{
    return c == '\r' || c == '\n' || c == '\x1a';
}
}  // namespace

std::string FieldSafeText(const std::string& text, std::size_t capacity)
{
    std::string safe;
    std::size_t entityStart = std::string::npos;
    for (char c : text) {
        if (c == '"') {
            entityStart = safe.size();
            safe += QuoteEntity;
        } else if (BreaksLine(c)) {
            safe += ' ';
        } else {
            safe += c;
        }
        if (safe.size() >= capacity)
            break;
    }
    if (safe.size() > capacity) {
        // Only an entity can overshoot: drop it whole.
        safe.resize(entityStart);
    }
    return safe;
}

std::string LineSafeText(const std::string& text)
{
    std::string safe = text;
    for (char& c : safe)
        if (BreaksLine(c))
            c = ' ';
    return safe;
}

}  // namespace mondeliar
