// The FTP reply parsing as the control connection runs it: received bytes, in pieces of
// any size, go into the reply buffer, which is cut into lines; each line is classified
// (reply number, end of a multi-line reply) and given to the parsers of reply values.
//
// Input: byte 0 chooses the line ends accepted (bit 0: LF alone) and the piece sizes; the
// rest is what the server sends.

#include "net/ftp_reply.h"
#include "net_fuzz_support.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

using namespace mondeliar::net;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The line as the buffer cut it: it ends at its first line end and nowhere earlier.
void CheckRawLine(const std::string& raw, bool accept_lf)
{
    FUZZ_CHECK(!raw.empty() && raw.back() == '\n');
    const std::string body = raw.substr(0, raw.size() - 1);
    if (accept_lf) {
        FUZZ_CHECK(body.find('\n') == std::string::npos);
    } else {
        FUZZ_CHECK(!body.empty() && body.back() == '\r');
        FUZZ_CHECK(raw.find("\r\n") == raw.size() - 2);
    }
    const std::string line = StripLineEnd(raw);
    FUZZ_CHECK(line.empty() || (line.back() != '\r' && line.back() != '\n'));
    FUZZ_CHECK(raw.compare(0, line.size(), line) == 0);
}

// RFC 959 section 4.2, read independently of the parser: a line that starts with digits
// ends a reply unless the digits are followed by "-".
void CheckReplyNumber(const std::string& line)
{
    const ReplyNumber number = ParseReplyNumber(line);
    const bool starts_with_digit = !line.empty() && IsDigit(line[0]);
    FUZZ_CHECK(number.starts_with_digit == starts_with_digit);
    if (!starts_with_digit) {
        FUZZ_CHECK(!EndsReply(number));
        return;
    }
    size_t end = 0;
    long long value = 0;
    while (end < line.size() && IsDigit(line[end])) {
        value = value >= INT_MAX ? value : value * 10 + (line[end] - '0');
        ++end;
    }
    const bool continued = end < line.size() && line[end] == '-';
    FUZZ_CHECK(number.continued == continued);
    FUZZ_CHECK(EndsReply(number) == !continued);
    FUZZ_CHECK(number.code == (value > INT_MAX ? INT_MAX : value));
    const ReplyClass kind = ClassifyReply(number.code);
    FUZZ_CHECK((kind == ReplyClass::Unknown) == (number.code < 100 || number.code > 599));
}

// "227 ... (h1,h2,h3,h4,p1,p2)": the host fields are skipped, the port is p1 * 256 + p2
// with each part at most 255, and p2 is closed by ")".
void CheckPasvPort(const std::string& line)
{
    int port = -1;
    const bool parsed = ParsePasvPort(line, &port);
    if (parsed)
        FUZZ_CHECK(port >= 1 && port <= 65535);
    size_t pos = line.find('(');
    for (int comma = 0; comma < 4 && pos != std::string::npos; ++comma)
        pos = line.find(',', pos + 1);
    bool expected = pos != std::string::npos;
    long part[2] = {0, 0};
    for (int i = 0; i < 2 && expected; ++i) {
        size_t digits = ++pos;
        while (pos < line.size() && IsDigit(line[pos]) && part[i] <= 255)
            part[i] = part[i] * 10 + (line[pos++] - '0');
        expected = pos > digits && part[i] <= 255 && pos < line.size()
                   && line[pos] == (i == 0 ? ',' : ')');
    }
    expected = expected && part[0] * 256 + part[1] > 0;
    FUZZ_CHECK(parsed == expected);
    if (parsed)
        FUZZ_CHECK(port == part[0] * 256 + part[1]);
}

void CheckValues(const std::string& line)
{
    const std::string name = ExtractQuotedName(line);
    FUZZ_CHECK(name.size() < line.size() || name.empty());
    FUZZ_CHECK(line.find('"') != std::string::npos || name.empty());
    long long size = -1;
    if (ParseSizeReply(line, &size))
        FUZZ_CHECK(size >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool accept_lf = (data[0] & 1) != 0;
    mondeliar::fuzz::Pieces pieces(data[0]);
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);

    ReplyBuffer buffer;
    std::string taken;  // the raw lines cut off, in order
    size_t fed = 0;
    while (fed < input.size() && buffer.Room() > 0) {
        const size_t piece
            = std::min(pieces.Next(700), std::min(input.size() - fed, size_t(buffer.Room())));
        std::memcpy(buffer.Tail(), input.data() + fed, piece);
        buffer.Added(static_cast<int>(piece));
        fed += piece;
        std::string raw;
        while (buffer.TakeLine(accept_lf, &raw)) {
            CheckRawLine(raw, accept_lf);
            taken += raw;
            const std::string line = StripLineEnd(raw);
            CheckReplyNumber(line);
            CheckPasvPort(line);
            CheckValues(line);
        }
    }
    // Nothing is lost or made up: the lines and what waits are exactly what came in, and
    // what waits holds no complete line. A full buffer means the client gives up.
    const std::string waiting(buffer.Data(), static_cast<size_t>(buffer.Length()));
    FUZZ_CHECK(taken + waiting == input.substr(0, fed));
    std::string none;
    FUZZ_CHECK(!buffer.TakeLine(accept_lf, &none));
    FUZZ_CHECK(fed == input.size() || buffer.Room() == 0);
    return 0;
}
