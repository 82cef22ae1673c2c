#include "net/line_splitter.h"

#include <algorithm>
#include <cstring>

namespace mondeliar::net {

namespace {
constexpr char kBackspace = '\b';
constexpr size_t kTabWidth = 8;
}  // namespace

size_t LineSplitter::Limit() const
{
    return static_cast<size_t>(std::max(line_limit_, 1));
}

void LineSplitter::Append(const char* data, size_t count)
{
    buffer_.append(data, count);
}

void LineSplitter::AppendEdited(const char* data, size_t count)
{
    // A backspace may remove bytes already searched, and the bytes typed after it take
    // their place: the search must go back to where the buffer was shortest.
    size_t shortest = buffer_.size();
    for (size_t i = 0; i < count; ++i) {
        const char c = data[i];
        if (c == kBackspace) {
            if (buffer_.size() > line_length_)
                buffer_.pop_back();
            shortest = std::min(shortest, buffer_.size());
        } else if (c == '\t') {
            const size_t line_start = buffer_.rfind('\n');
            size_t column = line_start == std::string::npos ? buffer_.size()
                                                            : buffer_.size() - line_start - 1;
            do {
                buffer_.push_back(' ');
                ++column;
            } while (column % kTabWidth != 0);
        } else {
            buffer_.push_back(c);
        }
    }
    scanned_ = std::min(scanned_, shortest);
}

bool LineSplitter::FindLine()
{
    if (line_length_ != 0)
        return true;
    if (line_end_.empty())
        return false;
    const size_t start = scanned_ >= line_end_.size() ? scanned_ - line_end_.size() + 1 : 0;
    const size_t found = buffer_.find(line_end_, start);
    if (found == std::string::npos) {
        scanned_ = buffer_.size();
        return false;
    }
    line_length_ = found + line_end_.size();
    return true;
}

bool LineSplitter::OverLimit() const
{
    return line_length_ == 0 && buffer_.size() > Limit();
}

bool LineSplitter::HasRoom() const
{
    return buffer_.size() <= Limit();
}

size_t LineSplitter::TakeLine(char* out, size_t size)
{
    const size_t n = std::min(line_length_, size);
    std::memcpy(out, buffer_.data(), n);
    buffer_.erase(0, n);
    line_length_ -= n;
    if (line_length_ == 0)
        scanned_ = 0;
    return n;
}

size_t LineSplitter::TakeBytes(char* out, size_t size)
{
    const size_t n = std::min(buffer_.size(), size);
    std::memcpy(out, buffer_.data(), n);
    buffer_.erase(0, n);
    if (n > 0)
        Rescan();  // positions into the old front mean nothing now
    return n;
}

void LineSplitter::DropLine()
{
    buffer_.erase(0, line_length_);
    line_length_ = scanned_ = 0;
}

void LineSplitter::Clear()
{
    buffer_.clear();
    line_length_ = scanned_ = 0;
}

}  // namespace mondeliar::net
