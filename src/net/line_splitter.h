#pragma once
// The buffer of the socket's line mode: received bytes gathered until LineEnd, the complete
// line at the front handed out piece by piece. Plain C++ without sockets or Qt, so the
// splitting can be tested and fuzzed on its own; TCustomLineWSocket drives it.

#include <cstddef>
#include <string>

namespace mondeliar::net {

class LineSplitter {
public:
    const std::string& LineEnd() const { return line_end_; }
    void SetLineEnd(const std::string& value) { line_end_ = value; }
    int LineLimit() const { return line_limit_; }
    void SetLineLimit(int value) { line_limit_ = value; }

    // Received bytes, as they came, or with backspace deleting the previous byte of the
    // line being received and tab becoming spaces up to the next multiple of 8.
    void Append(const char* data, size_t count);
    void AppendEdited(const char* data, size_t count);

    // Looks for LineEnd, starting LineEnd's length before the bytes not searched yet (so a
    // line end split across two reads is found). True when a complete line is at the front.
    bool FindLine();
    // The complete line at the front, LineEnd included; 0 when there is none.
    size_t LineLength() const { return line_length_; }
    // More than LineLimit bytes wait and none of them ends a line.
    bool OverLimit() const;
    // Reading more is pointless while the buffer holds more than LineLimit bytes.
    bool HasRoom() const;

    // Moves up to `size` bytes of the line at the front to `out`. Once the line is used up,
    // the next must be looked for with FindLine.
    size_t TakeLine(char* out, size_t size);
    // Moves up to `size` buffered bytes to `out`, lines or not (line mode off).
    size_t TakeBytes(char* out, size_t size);
    // Drops the line at the front.
    void DropLine();
    // At the close: what is left counts as the last line, though it has no end.
    void EndPartialLine() { line_length_ = buffer_.size(); }

    size_t Buffered() const { return buffer_.size(); }
    bool Empty() const { return buffer_.empty(); }
    // Forgets the line found and how far the bytes were searched (the mode changed).
    void Rescan() { line_length_ = scanned_ = 0; }
    void Clear();

private:
    size_t Limit() const;

    std::string line_end_ = "\r\n";
    int line_limit_ = 65536;
    std::string buffer_;      // received bytes not yet taken
    size_t line_length_ = 0;  // length of the complete line at the front, 0 when none
    size_t scanned_ = 0;      // bytes already searched for LineEnd
};

}  // namespace mondeliar::net
