#include "html/ics_content_line.h"

namespace mondeliar {

namespace {

bool IsUtf8Continuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Where a physical line that may take `room` octets from `start` on ends: before the lead
// byte of a sequence that would not fit. Only text that is not UTF-8 at all (four or more
// continuation bytes in a row) is cut inside its run.
std::size_t FoldPoint(std::string_view line, std::size_t start, std::size_t room)
{
    std::size_t end = start + room;
    if (end >= line.size())
        return line.size();
    std::size_t cut = end;
    while (cut > start && end - cut < 4 && IsUtf8Continuation(line[cut]))
        --cut;
    return cut > start && !IsUtf8Continuation(line[cut]) ? cut : end;
}

}  // namespace

std::string EscapeIcsText(std::string_view utf8)
{
    std::string escaped;
    escaped.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        char c = utf8[i];
        switch (c) {
        case '\\':
        case ';':
        case ',':
            escaped += '\\';
            escaped += c;
            break;
        case '\r':
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
            escaped += "\\n";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            if ((static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) || c == '\t')
                escaped += c;
            break;
        }
    }
    return escaped;
}

std::string FoldIcsLine(std::string_view line)
{
    std::size_t end = FoldPoint(line, 0, IcsLineOctets);
    std::string folded(line.substr(0, end));
    while (end < line.size()) {
        std::size_t start = end;
        end = FoldPoint(line, start, IcsLineOctets - 1);
        folded += "\r\n ";
        folded += line.substr(start, end - start);
    }
    return folded;
}

}  // namespace mondeliar
