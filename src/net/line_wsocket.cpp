#include "net/line_wsocket.h"

#include "net/posted_events.h"

namespace mondeliar::net {

namespace {
constexpr int kReadChunk = 4096;
}  // namespace

void TCustomLineWSocket::ResetDefaults()
{
    TCustomTlsWSocket::ResetDefaults();
    lines_.Clear();
}

void TCustomLineWSocket::SetLineMode(bool value)
{
    if (value == line_mode_)
        return;
    line_mode_ = value;
    lines_.Rescan();
    if (!lines_.Empty())
        Post(kLineModeEvent);
}

int TCustomLineWSocket::RcvdCount()
{
    if (Active())
        return static_cast<int>(lines_.LineLength());
    return static_cast<int>(lines_.Buffered()) + TCustomTlsWSocket::RcvdCount();
}

void TCustomLineWSocket::HandleEvent(NetEvent& event)
{
    if (event.kind != kLineModeEvent)
        return TCustomTlsWSocket::HandleEvent(event);
    if (Active()) {
        FindLine();
        DeliverLines(0);
        return;
    }
    // Line mode switched off: hand the buffered bytes out as plain data.
    const CallGuard guard(*this);
    while (!lines_.Empty() && !guard.Destroyed()) {
        const size_t before = lines_.Buffered();
        TCustomTlsWSocket::FireDataAvailable(0);
        if (guard.Destroyed() || lines_.Buffered() == before)
            break;
    }
}

void TCustomLineWSocket::FireDataAvailable(int error)
{
    if (!Active())
        return TCustomTlsWSocket::FireDataAvailable(error);
    ReadIntoBuffer();
    FindLine();
    DeliverLines(error);
}

void TCustomLineWSocket::ReadIntoBuffer()
{
    // The buffer never grows far beyond LineLimit: while it is full (and the
    // application keeps it), reading waits until it reads a line.
    if (!lines_.HasRoom())
        return;
    char chunk[kReadChunk];
    const int n = TCustomTlsWSocket::RawReceive(chunk, sizeof chunk);
    if (n <= 0)
        return;
    if (line_echo_ && State() == wsConnected)
        Send(chunk, n);
    if (line_edit_)
        EditLine(chunk, n);
    else
        lines_.Append(chunk, static_cast<size_t>(n));
}

void TCustomLineWSocket::EditLine(const char* data, int count)
{
    lines_.AppendEdited(data, static_cast<size_t>(count));
}

void TCustomLineWSocket::FindLine()
{
    if (!Active() || lines_.LineLength() != 0)
        return;
    if (!lines_.FindLine())
        CheckLineLimit();
}

void TCustomLineWSocket::CheckLineLimit()
{
    if (!lines_.OverLimit())
        return;
    bool clear_data = true;
    FireLineLimitExceeded(static_cast<int>(lines_.Buffered()), clear_data);
    if (clear_data)
        lines_.Clear();
}

void TCustomLineWSocket::DeliverLines(int error)
{
    const CallGuard guard(*this);
    while (lines_.LineLength() != 0 && !guard.Destroyed()) {
        if (!OnDataAvailable) {
            // Nobody reads lines: drop them.
            lines_.DropLine();
            FindLine();
            continue;
        }
        const size_t pending = lines_.LineLength();
        OnDataAvailable(error);
        if (guard.Destroyed())
            return;
        // A handler that leaves its line gets it again with the next event.
        if (lines_.LineLength() == pending)
            return;
        FindLine();
    }
}

int TCustomLineWSocket::RawReceive(void* buffer, int size)
{
    if (Active()) {
        if (lines_.LineLength() == 0 || size <= 0) {
            SetLastError(kWsaWouldBlock);
            return -1;
        }
        const size_t n = lines_.TakeLine(static_cast<char*>(buffer), static_cast<size_t>(size));
        if (lines_.LineLength() == 0)
            FindLine();
        return static_cast<int>(n);
    }
    if (!lines_.Empty() && size > 0)
        return static_cast<int>(
            lines_.TakeBytes(static_cast<char*>(buffer), static_cast<size_t>(size)));
    return TCustomTlsWSocket::RawReceive(buffer, size);
}

void TCustomLineWSocket::FireSessionClosed(int error)
{
    // A last line without its end is still delivered.
    if (Active() && !lines_.Empty() && OnDataAvailable) {
        const CallGuard guard(*this);
        FindLine();
        DeliverLines(0);
        if (guard.Destroyed())
            return;
        if (!lines_.Empty() && lines_.LineLength() == 0) {
            lines_.EndPartialLine();
            OnDataAvailable(0);
            if (guard.Destroyed())
                return;
        }
    }
    TCustomTlsWSocket::FireSessionClosed(error);
}

void TCustomLineWSocket::FireLineLimitExceeded(int received, bool& clear_data)
{
    if (OnLineLimitExceeded)
        OnLineLimitExceeded(received, clear_data);
}

}  // namespace mondeliar::net
