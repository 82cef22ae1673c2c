#include "net/line_wsocket.h"

#include "net/posted_events.h"

#include <algorithm>
#include <cstring>

namespace mondeliar::net {

namespace {
constexpr int kReadChunk = 4096;
constexpr char kBackspace = '\b';
constexpr int kTabWidth = 8;
}  // namespace

void TCustomLineWSocket::ResetDefaults()
{
    TCustomSocksWSocket::ResetDefaults();
    buffer_.clear();
    line_length_ = scanned_ = 0;
}

void TCustomLineWSocket::SetLineMode(bool value)
{
    if (value == line_mode_)
        return;
    line_mode_ = value;
    scanned_ = 0;
    line_length_ = 0;
    if (!buffer_.empty())
        Post(kLineModeEvent);
}

int TCustomLineWSocket::RcvdCount()
{
    if (Active())
        return static_cast<int>(line_length_);
    return static_cast<int>(buffer_.size()) + TCustomSocksWSocket::RcvdCount();
}

void TCustomLineWSocket::HandleEvent(NetEvent& event)
{
    if (event.kind != kLineModeEvent)
        return TCustomSocksWSocket::HandleEvent(event);
    if (Active()) {
        FindLine();
        DeliverLines(0);
        return;
    }
    // Line mode switched off: hand the buffered bytes out as plain data.
    std::weak_ptr<char> alive = LifeToken();
    while (!buffer_.empty() && !alive.expired()) {
        const size_t before = buffer_.size();
        TCustomSocksWSocket::FireDataAvailable(0);
        if (alive.expired() || buffer_.size() == before)
            break;
    }
}

void TCustomLineWSocket::FireDataAvailable(int error)
{
    if (!Active())
        return TCustomSocksWSocket::FireDataAvailable(error);
    ReadIntoBuffer();
    FindLine();
    DeliverLines(error);
}

void TCustomLineWSocket::ReadIntoBuffer()
{
    // The buffer never grows far beyond LineLimit: while it is full (and the
    // application keeps it), reading waits until it reads a line.
    const size_t limit = static_cast<size_t>(std::max(line_limit_, 1));
    if (buffer_.size() > limit)
        return;
    char chunk[kReadChunk];
    const int n = TCustomSocksWSocket::RawReceive(chunk, sizeof chunk);
    if (n <= 0)
        return;
    if (line_echo_ && State() == wsConnected)
        Send(chunk, n);
    if (line_edit_)
        EditLine(chunk, n);
    else
        buffer_.append(chunk, static_cast<size_t>(n));
}

void TCustomLineWSocket::EditLine(const char* data, int count)
{
    for (int i = 0; i < count; ++i) {
        const char c = data[i];
        if (c == kBackspace) {
            if (buffer_.size() > line_length_)
                buffer_.pop_back();
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
    if (scanned_ > buffer_.size())
        scanned_ = buffer_.size();
}

void TCustomLineWSocket::FindLine()
{
    if (line_length_ != 0 || !Active())
        return;
    // Search from LineEnd's length before the bytes not yet searched, so a
    // line end split across two reads is found.
    const size_t start = scanned_ >= line_end_.size() ? scanned_ - line_end_.size() + 1 : 0;
    const size_t found = buffer_.find(line_end_, start);
    if (found == std::string::npos) {
        scanned_ = buffer_.size();
        CheckLineLimit();
        return;
    }
    line_length_ = found + line_end_.size();
}

void TCustomLineWSocket::CheckLineLimit()
{
    if (buffer_.size() <= static_cast<size_t>(std::max(line_limit_, 1)))
        return;
    bool clear_data = true;
    FireLineLimitExceeded(static_cast<int>(buffer_.size()), clear_data);
    if (clear_data) {
        buffer_.clear();
        scanned_ = line_length_ = 0;
    }
}

void TCustomLineWSocket::DeliverLines(int error)
{
    std::weak_ptr<char> alive = LifeToken();
    while (line_length_ != 0 && !alive.expired()) {
        if (!OnDataAvailable) {
            // Nobody reads lines: drop them.
            buffer_.erase(0, line_length_);
            line_length_ = scanned_ = 0;
            FindLine();
            continue;
        }
        const size_t pending = line_length_;
        OnDataAvailable(error);
        if (alive.expired())
            return;
        // A handler that leaves its line gets it again with the next event.
        if (line_length_ == pending)
            return;
        FindLine();
    }
}

int TCustomLineWSocket::RawReceive(void* buffer, int size)
{
    if (Active()) {
        if (line_length_ == 0 || size <= 0) {
            SetLastError(kWsaWouldBlock);
            return -1;
        }
        const size_t n = std::min(line_length_, static_cast<size_t>(size));
        std::memcpy(buffer, buffer_.data(), n);
        buffer_.erase(0, n);
        line_length_ -= n;
        if (line_length_ == 0) {
            scanned_ = 0;
            FindLine();
        }
        return static_cast<int>(n);
    }
    if (!buffer_.empty() && size > 0) {
        const size_t n = std::min(buffer_.size(), static_cast<size_t>(size));
        std::memcpy(buffer, buffer_.data(), n);
        buffer_.erase(0, n);
        return static_cast<int>(n);
    }
    return TCustomSocksWSocket::RawReceive(buffer, size);
}

void TCustomLineWSocket::FireSessionClosed(int error)
{
    // A last line without its end is still delivered.
    if (Active() && !buffer_.empty() && OnDataAvailable) {
        std::weak_ptr<char> alive = LifeToken();
        FindLine();
        DeliverLines(0);
        if (alive.expired())
            return;
        if (!buffer_.empty() && line_length_ == 0) {
            line_length_ = buffer_.size();
            OnDataAvailable(0);
            if (alive.expired())
                return;
        }
    }
    TCustomSocksWSocket::FireSessionClosed(error);
}

void TCustomLineWSocket::FireLineLimitExceeded(int received, bool& clear_data)
{
    if (OnLineLimitExceeded)
        OnLineLimitExceeded(received, clear_data);
}

}  // namespace mondeliar::net
