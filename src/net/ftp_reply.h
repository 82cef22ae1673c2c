#pragma once
// Reading FTP reply lines (RFC 959 section 4.2): the reply number, its class,
// and the values some replies carry.

#include <cstddef>
#include <string>

namespace mondeliar::net {

struct ReplyNumber {
    bool starts_with_digit = false;  // lines that do not are not replies
    int code = 0;
    bool continued = false;  // "123-": a multi-line reply goes on
};

// Skips blanks, CR and LF, an optional sign, then reads decimal digits; the
// character after them decides about "-". Values too long to be codes saturate.
ReplyNumber ParseReplyNumber(const std::string& line);
// RFC 959 section 4.2: a reply ends with the first line that starts with a number not
// followed by "-"; the lines before it (and lines without a number) are passed over.
inline bool EndsReply(const ReplyNumber& number)
{
    return number.starts_with_digit && !number.continued;
}

// RFC 959 section 4.2: the first digit gives the kind of reply.
enum class ReplyClass {
    Preliminary,        // 1yz
    Completion,         // 2yz
    Intermediate,       // 3yz
    TransientNegative,  // 4yz
    PermanentNegative,  // 5yz
    Unknown,
};
ReplyClass ClassifyReply(int code);

// The codes that drive a transfer, in one place.
bool IsStoreAccepted(int code);        // 150 or 125: the server opens/uses the data connection
bool IsDownloadAccepted(int code);     // 150, 125 or any 15x
bool IsStoreComplete(int code);        // 226 or 250
bool IsDownloadComplete(int code);     // 125, 226 or 250
bool IsAcceptedWithoutList(int code);  // no accept codes given: any code below 500

// Position of the end of the first complete line in buffer[0, length): the
// index of its LF; npos when none. With accept_lf an LF alone ends a line,
// otherwise only a CR LF pair does.
size_t FindReplyLineEnd(const char* buffer, size_t length, bool accept_lf);
// The line without any trailing CR and LF.
std::string StripLineEnd(const std::string& line);

// The control connection's receive buffer: bytes as they arrive, cut into lines in place
// at the front. It holds at most kSize - 1 bytes (NUL-terminated behind them); a line longer
// than that can never end, which the caller must treat as a broken connection.
class ReplyBuffer {
public:
    static constexpr int kSize = 4096;

    int Room() const { return kSize - 1 - length_; }
    char* Tail() { return bytes_ + length_; }  // where up to Room() received bytes go
    void Added(int count);                     // count bytes were written at Tail()
    // Cuts the first complete line off the front, its line end included.
    bool TakeLine(bool accept_lf, std::string* raw_line);
    int Length() const { return length_; }
    const char* Data() const { return bytes_; }  // the bytes held, before any complete line
    void Clear();

private:
    char bytes_[kSize] = {};
    int length_ = 0;
};

// The quoted directory name of a 257-style reply; "" inside stands for ".
std::string ExtractQuotedName(const std::string& line);
// The second number of the line (SIZE reply "213 1234"); false when absent.
bool ParseSizeReply(const std::string& line, long long* size);
// The data port of a 227 reply "227 ... (h1,h2,h3,h4,p1,p2)"; false when malformed.
bool ParsePasvPort(const std::string& line, int* port);

}  // namespace mondeliar::net
