#include "net/ftp_reply.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace mondeliar::net {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads digits from pos; false when there are none or the value exceeds limit.
bool ReadNumber(const std::string& text, size_t* pos, long long limit, long long* value)
{
    size_t i = *pos;
    long long result = 0;
    while (i < text.size() && IsDigit(text[i])) {
        result = result * 10 + (text[i] - '0');
        if (result > limit)
            return false;
        ++i;
    }
    if (i == *pos)
        return false;
    *pos = i;
    *value = result;
    return true;
}

}  // namespace

ReplyNumber ParseReplyNumber(const std::string& line)
{
    ReplyNumber result;
    result.starts_with_digit = !line.empty() && IsDigit(line[0]);
    size_t i = 0;
    while (i < line.size()
           && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    long long value = 0;
    while (i < line.size() && IsDigit(line[i])) {
        if (value < INT_MAX)
            value = value * 10 + (line[i] - '0');
        ++i;
    }
    if (value > INT_MAX)
        value = INT_MAX;
    result.code = static_cast<int>(negative ? -value : value);
    result.continued = i < line.size() && line[i] == '-';
    return result;
}

ReplyClass ClassifyReply(int code)
{
    switch (code / 100) {
    case 1:
        return ReplyClass::Preliminary;
    case 2:
        return ReplyClass::Completion;
    case 3:
        return ReplyClass::Intermediate;
    case 4:
        return ReplyClass::TransientNegative;
    case 5:
        return ReplyClass::PermanentNegative;
    default:
        return ReplyClass::Unknown;
    }
}

bool IsStoreAccepted(int code)
{
    return code == 150 || code == 125;
}
bool IsDownloadAccepted(int code)
{
    return code == 125 || (code >= 150 && code <= 159);
}
bool IsStoreComplete(int code)
{
    return code == 226 || code == 250;
}
bool IsDownloadComplete(int code)
{
    return code == 125 || code == 226 || code == 250;
}
bool IsAcceptedWithoutList(int code)
{
    return code < 500;
}

size_t FindReplyLineEnd(const char* buffer, size_t length, bool accept_lf)
{
    for (size_t i = 0; i < length; ++i) {
        if (buffer[i] != '\n')
            continue;
        if (accept_lf || (i > 0 && buffer[i - 1] == '\r'))
            return i;
    }
    return std::string::npos;
}

void ReplyBuffer::Added(int count)
{
    length_ += std::clamp(count, 0, Room());
    bytes_[length_] = '\0';
}

bool ReplyBuffer::TakeLine(bool accept_lf, std::string* raw_line)
{
    const size_t end = FindReplyLineEnd(bytes_, static_cast<size_t>(length_), accept_lf);
    if (end == std::string::npos)
        return false;
    const int consumed = static_cast<int>(end) + 1;
    raw_line->assign(bytes_, static_cast<size_t>(consumed));
    std::memmove(bytes_, bytes_ + consumed, static_cast<size_t>(length_ - consumed));
    length_ -= consumed;
    bytes_[length_] = '\0';
    return true;
}

void ReplyBuffer::Clear()
{
    length_ = 0;
    bytes_[0] = '\0';
}

std::string StripLineEnd(const std::string& line)
{
    size_t end = line.size();
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n'))
        --end;
    return line.substr(0, end);
}

std::string ExtractQuotedName(const std::string& line)
{
    // RFC 959 appendix II: the name is quoted, an embedded quote is doubled.
    const size_t open = line.find('"');
    if (open == std::string::npos)
        return std::string();
    std::string name;
    for (size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] != '"') {
            name.push_back(line[i]);
        } else if (i + 1 < line.size() && line[i + 1] == '"') {
            name.push_back('"');
            ++i;
        } else {
            break;
        }
    }
    return name;
}

bool ParseSizeReply(const std::string& line, long long* size)
{
    size_t i = 0;
    while (i < line.size() && !IsDigit(line[i]))
        ++i;
    while (i < line.size() && IsDigit(line[i]))
        ++i;  // the reply code
    while (i < line.size() && !IsDigit(line[i]))
        ++i;
    return ReadNumber(line, &i, LLONG_MAX / 10, size);
}

bool ParsePasvPort(const std::string& line, int* port)
{
    size_t pos = line.find('(');
    if (pos == std::string::npos)
        return false;
    ++pos;
    // The host fields are skipped: data goes to the control connection's server.
    for (int field = 0; field < 4; ++field) {
        pos = line.find(',', pos);
        if (pos == std::string::npos)
            return false;
        ++pos;
    }
    long long p1 = 0, p2 = 0;
    if (!ReadNumber(line, &pos, 255, &p1) || pos >= line.size() || line[pos] != ',')
        return false;
    ++pos;
    if (!ReadNumber(line, &pos, 255, &p2) || pos >= line.size() || line[pos] != ')')
        return false;
    *port = static_cast<int>(p1 * 256 + p2);
    return *port > 0;
}

}  // namespace mondeliar::net
