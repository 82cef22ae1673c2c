// Any note turns into valid UTF-8 plain text without control characters, and its escaped
// content line folds into physical lines of at most 75 octets that unfold to the line.

#include "html/ics_content_line.h"
#include "html/plain_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Length of the UTF-8 sequence starting at `text[at]`, or 0 when none starts there.
std::size_t SequenceLength(const std::string& text, std::size_t at)
{
    unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead < 0x80                   ? 1
                         : lead >= 0xC2 && lead < 0xE0 ? 2
                         : lead >= 0xE0 && lead < 0xF0 ? 3
                         : lead >= 0xF0 && lead < 0xF5 ? 4
                                                       : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    return length;
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string note(reinterpret_cast<const char*>(data), size);
    std::string text = mondeliar::HtmlToPlainText(note);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = SequenceLength(text, at);
        Require(length > 0);
        Require(static_cast<unsigned char>(text[at]) >= 0x20 && text[at] != 0x7F);
        at += length;
    }

    std::string line = "SUMMARY:" + mondeliar::EscapeIcsText(text);
    std::string folded = mondeliar::FoldIcsLine(line);
    std::string unfolded;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = folded.find("\r\n ", start);
        std::string physical = folded.substr(start, end == std::string::npos ? end : end - start);
        Require(physical.size() + (start ? 1 : 0) <= mondeliar::IcsLineOctets);
        Require(!physical.empty() && SequenceLength(physical, 0) > 0);
        unfolded += physical;
        if (end == std::string::npos)
            break;
        start = end + 3;
    }
    Require(unfolded == line);
    return 0;
}
