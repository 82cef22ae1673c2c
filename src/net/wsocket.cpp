// TCustomWSocket: construction, events and their dispatch, errors, sending, receiving and
// closing. Its properties, host lookups, connecting, listening and accepting are in
// wsocket_connect.cpp.

#include "net/wsocket.h"

#include "net/posted_events.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <cerrno>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

namespace mondeliar::net {

namespace {

std::atomic<int> g_live_sockets{0};

constexpr int kDiscardSize = 1024;
// The most one readiness event reads before control goes back to the event loop, so that
// a peer that never stops sending cannot starve timers and the other sockets. The
// notification is level-triggered: what is left comes with the next one.
constexpr int kDrainPassLimit = 64;
constexpr long long kDrainByteLimit = 64 * 1024;

// Send failures that mean the connection is gone.
bool IsConnectionLost(int error)
{
    return error == kWsaInvalidArgument || error == kWsaNotSocket || error == kWsaConnectionAborted
           || error == kWsaConnectionReset || error == kWsaNotConnected;
}

}  // namespace

TCustomWSocket::TCustomWSocket()
{
    ++g_live_sockets;
    target_ = new EventTarget([this](NetEvent& event) { Guarded([&] { HandleEvent(event); }); });
    read_notifier_ = new QSocketNotifier(QSocketNotifier::Read, target_);
    write_notifier_ = new QSocketNotifier(QSocketNotifier::Write, target_);
    read_notifier_->setEnabled(false);
    write_notifier_->setEnabled(false);
    EventTarget* target = target_;
    QObject::connect(read_notifier_, &QSocketNotifier::activated, target_, [this, target] {
        target->Dispatch([this] { Guarded([this] { OnReadReady(); }); });
    });
    QObject::connect(write_notifier_, &QSocketNotifier::activated, target_, [this, target] {
        target->Dispatch([this] { Guarded([this] { OnWriteReady(); }); });
    });
    TCustomWSocket::ResetDefaults();
}

TCustomWSocket::~TCustomWSocket()
{
    destroying_ = true;
    try {
        CancelLookup();
        if (handle_ != -1)
            ShutAndClose(false, 0);
    } catch (const ESocketException&) {
        // A close the system refused: a destructor reports nothing.
    }
    AbandonLookup();  // before the target goes: a late result must find nobody
    read_notifier_->setEnabled(false);
    write_notifier_->setEnabled(false);
    EventTarget::Dispose(target_);
    --g_live_sockets;
}

int TCustomWSocket::LiveSocketCount()
{
    return g_live_sockets.load();
}

// --- events and dispatch -----------------------------------------------------

// The wrapper of every handler run from the event loop: what it raises goes to
// HandleBackgroundError and never into Qt's loop.
void TCustomWSocket::Guarded(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& error) {
        HandleBackgroundError(error);
    }
}

void TCustomWSocket::HandleBackgroundError(const std::exception& error)
{
    bool can_close = true;
    try {
        if (OnBgException)
            OnBgException(error, can_close);
    } catch (const std::exception&) {
        // The application's own handler failed: there is nobody left to tell, and the
        // connection is dropped as after any background error.
    }
    if (!can_close)
        return;
    try {
        AbortConnection();
    } catch (const ESocketException&) {
        // The system refused the close: the descriptor is gone all the same.
    }
}

void TCustomWSocket::Post(int kind, int error)
{
    target_->Post(new NetEvent(kind, handle_serial_, error));
}

void TCustomWSocket::HandleEvent(NetEvent& event)
{
    switch (event.kind) {
    case kLookupDoneEvent:
    case kReverseLookupDoneEvent:
        HandleLookupDone(event);
        return;
    case kReleaseEvent:
        delete this;
        return;
    default:
        break;
    }
    // The rest belong to one handle: an event of an earlier one is stale.
    if (IsStale(event))
        return;
    switch (event.kind) {
    case kCloseLaterEvent:
        HandleCloseLater();
        break;
    case kWriteEvent:
        if (!paused_)
            HandleWriteEvent();
        break;
    case kConnectEvent:
        HandleConnectEvent(event.error);
        break;
    default:
        break;
    }
}

bool TCustomWSocket::IsStale(const NetEvent& event) const
{
    return event.serial != handle_serial_ || handle_ == -1;
}

void TCustomWSocket::HandleCloseLater()
{
    Close();
}

void TCustomWSocket::OnReadReady()
{
    if (handle_ == -1 || paused_)
        return;
    if (state_ == wsListening) {
        // Reported once per waiting peer, as the accept notification is
        // re-armed only by Accept (or Resume).
        accept_suspended_ = true;
        UpdateNotifiers();
        FireSessionAvailable(0);
        return;
    }
    char probe;
    const ssize_t n = recv(handle_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        if (state_ != wsConnected) {
            const CallGuard guard(*this);
            ChangeState(wsConnected);
            FireSessionConnected(0);
            if (guard.Ended())
                return;
        }
        DrainReadable(0, false);
    } else if (n == 0) {
        HandleCloseEvent(0);  // orderly close by the peer
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        HandleCloseEvent(LastSystemSocketError());
    }
}

void TCustomWSocket::OnWriteReady()
{
    if (handle_ == -1 || paused_)
        return;
    if (state_ == wsConnecting) {
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(handle_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        HandleConnectEvent(WinsockError(ErrorOrigin::Errno, error));
        return;
    }
    HandleWriteEvent();
}

void TCustomWSocket::HandleConnectEvent(int error)
{
    if (state_ == wsConnected)
        return;
    const CallGuard guard(*this);
    ChangeState(wsConnected);
    FireSessionConnected(error);
    if (guard.Destroyed())
        return;
    if (error != 0 && state_ != wsClosed)
        Close();
}

void TCustomWSocket::HandleWriteEvent()
{
    const CallGuard guard(*this);
    TryToSend();
    if (guard.Ended())
        return;
    UpdateNotifiers();
    if (all_sent_)
        FireDataSent(0);
}

void TCustomWSocket::HandleCloseEvent(int error)
{
    if (state_ == wsConnecting)
        return;  // the connect event reports the failure
    const CallGuard guard(*this);
    DrainReadable(0, true);
    // A handler that closed the socket while reading has reported the close.
    if (guard.Ended())
        return;
    if (!close_notified_) {
        close_notified_ = true;
        FireSessionClosed(error);
        if (guard.Destroyed())
            return;
    }
    if (state_ != wsClosed)
        Close();
}

void TCustomWSocket::DrainReadable(int error, bool force_loop)
{
    const CallGuard guard(*this);
    const long long read_before = read_count_;
    for (int pass = 1;; ++pass) {
        last_error_ = 0;
        const std::uint64_t reads_before = receive_calls_;
        DataReady(error);
        if (guard.Ended())
            return;
        if (!force_loop && (options_ & wsoNoReceiveLoop))
            return;
        if (last_error_ != 0)
            return;
        if (receive_calls_ == reads_before) {
            // The handler left the data waiting: like the system's read
            // notification, the next one comes after the next Receive.
            read_suspended_ = true;
            UpdateNotifiers();
            return;
        }
        // Closing drains what is left (a finite amount); reading yields after its share.
        if (!force_loop
            && (pass >= kDrainPassLimit || read_count_ - read_before >= kDrainByteLimit))
            return;
        int waiting = 0;
        if (ioctl(handle_, FIONREAD, &waiting) != 0) {
            last_error_ = LastSystemSocketError();
            return;
        }
        if (waiting == 0)
            return;
    }
}

void TCustomWSocket::DataReady(int error)
{
    FireDataAvailable(error);
}

void TCustomWSocket::FireDataAvailable(int error)
{
    if (OnDataAvailable) {
        OnDataAvailable(error);
        return;
    }
    char discard[kDiscardSize];
    if (Receive(discard, sizeof discard) < 0 && last_error_ == kWsaWouldBlock)
        last_error_ = 0;
}

void TCustomWSocket::FireSessionAvailable(int error)
{
    if (OnSessionAvailable)
        OnSessionAvailable(error);
}

void TCustomWSocket::FireSessionConnected(int error)
{
    if (OnSessionConnected)
        OnSessionConnected(error);
}

void TCustomWSocket::FireSessionClosed(int error)
{
    if (OnSessionClosed)
        OnSessionClosed(error);
}

void TCustomWSocket::FireDataSent(int error)
{
    if (OnDataSent)
        OnDataSent(error);
}

void TCustomWSocket::FireChangeState(TSocketState old_state, TSocketState new_state)
{
    if (OnChangeState)
        OnChangeState(old_state, new_state);
}

void TCustomWSocket::FireLookupDone(int error)
{
    if (OnDnsLookupDone)
        OnDnsLookupDone(error);
}

void TCustomWSocket::FireError(const std::string& message)
{
    if (OnError)
        OnError(message);
}

void TCustomWSocket::ChangeState(TSocketState new_state)
{
    const TSocketState old_state = state_;
    state_ = new_state;
    UpdateNotifiers();
    FireChangeState(old_state, new_state);
}

void TCustomWSocket::UpdateNotifiers()
{
    const bool usable = handle_ != -1 && !paused_;
    const bool want_read = usable && !read_suspended_ && !accept_suspended_
                           && (state_ == wsConnected || state_ == wsListening);
    // Writability is wanted only while connecting or while data waits, or the
    // notifier would fire continuously.
    const bool want_write = usable && state_ != wsListening
                            && (state_ == wsConnecting ? !connect_outcome_posted_ : !all_sent_);
    if (read_notifier_->isEnabled() != want_read)
        read_notifier_->setEnabled(want_read);
    if (write_notifier_->isEnabled() != want_write)
        write_notifier_->setEnabled(want_write);
}

// --- errors ------------------------------------------------------------------

void TCustomWSocket::ReportError(const std::string& message)
{
    if (OnError) {
        FireError(message);
        return;
    }
    throw ESocketException(message);
}

void TCustomWSocket::RaiseSocketError(const std::string& function, int error)
{
    const std::string text = "Error " + std::to_string(error) + " in function " + function + "\r\n"
                             + WinsockErrorText(error);
    // The connection is gone: it is closed and reported like any other close.
    if ((error == kWsaConnectionReset || error == kWsaNotConnected)
        && (handle_ != -1 || state_ != wsClosed))
        ReleaseHandle(error, true);
    last_error_ = error;
    ReportError(text);
}

// --- sending -----------------------------------------------------------------

void TCustomWSocket::AppendToSendQueue(const char* data, int count)
{
    while (count > 0) {
        if (send_queue_.empty() || send_queue_.back()->Full())
            send_queue_.push_back(std::make_unique<TBuffer>(kQueueChunkSize));
        const int written = send_queue_.back()->Write(data, count);
        data += written;
        count -= written;
    }
}

int TCustomWSocket::Send(const void* data, int count)
{
    if (state_ != wsConnected) {
        RaiseSocketError("Send", kWsaNotConnected);
        return -1;
    }
    if (count <= 0)
        return 0;  // nothing queued, nothing to report
    all_sent_ = false;
    AppendToSendQueue(static_cast<const char*>(data), count);
    const CallGuard guard(*this);
    TryToSend();
    if (guard.Ended())
        return count;
    // OnDataSent always comes from the event loop, never from inside Send.
    if (all_sent_)
        Post(kWriteEvent);
    UpdateNotifiers();
    return count;
}

int TCustomWSocket::SendText(const std::string& text)
{
    if (text.empty())
        return 0;
    return Send(text.data(), static_cast<int>(text.size()));
}

int TCustomWSocket::RawSend(const char* data, int count)
{
    const int flags = MSG_NOSIGNAL | (send_flags_ == wsSendUrgent ? MSG_OOB : 0);
    const ssize_t sent = ::send(handle_, data, static_cast<size_t>(count), flags);
    if (sent < 0) {
        last_error_ = LastSystemSocketError();
        return -1;
    }
    if (sent > 0 && OnSendData)
        OnSendData(static_cast<int>(sent));
    return static_cast<int>(sent);
}

void TCustomWSocket::TryToSend()
{
    if (handle_ == -1 || send_queue_.empty())
        return;
    for (;;) {
        TBuffer& first = *send_queue_.front();
        int length = 0;
        const char* bytes = first.Peek(&length);
        if (length > 0) {
            const int sent = RawSend(bytes, length);
            if (sent < 0) {
                const int error = last_error_;
                if (error == kWsaWouldBlock)
                    return;  // the next write readiness resumes
                if (IsConnectionLost(error)) {
                    close_notified_ = true;
                    const CallGuard guard(*this);
                    Close();
                    if (!guard.Destroyed())
                        FireSessionClosed(error);
                    return;
                }
                return RaiseSocketError("TryToSend failed", error);
            }
            if (sent == 0)
                return;
            first.Remove(sent);
            if (sent < length)
                return;  // partly taken: wait for writability
        }
        if (send_queue_.size() > 1) {
            send_queue_.pop_front();
            continue;
        }
        all_sent_ = true;
        return;
    }
}

int TCustomWSocket::SendTo(const sockaddr_in& to, const void* data, int count)
{
    if (handle_ == -1) {
        RaiseSocketError("SendTo", kWsaNotSocket);
        return -1;
    }
    const ssize_t sent = ::sendto(handle_, data, static_cast<size_t>(std::max(count, 0)),
                                  MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0) {
        last_error_ = LastSystemSocketError();
        return -1;
    }
    return static_cast<int>(sent);
}

void TCustomWSocket::Flush()
{
    RunEventsWhile([this] { return !all_sent_; }, [this] { TryToSend(); });
}

// Processes events while the socket has a handle and `waiting()` holds, for FlushTimeout
// seconds at most; `step` (if any) runs before each wait.
void TCustomWSocket::RunEventsWhile(const std::function<bool()>& waiting,
                                    const std::function<void()>& step)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 limit_ms = static_cast<qint64>(flush_timeout_) * 1000;
    const CallGuard guard(*this);
    while (!guard.Destroyed() && handle_ != -1 && waiting() && !ApplicationTerminating()) {
        if (flush_timeout_ > 0 && clock.elapsed() >= limit_ms)
            break;
        if (step) {
            step();
            if (guard.Destroyed() || !waiting())
                break;
        }
        WaitForEvents(flush_timeout_ > 0 ? limit_ms - clock.elapsed() : -1, multi_threaded_);
    }
}

// --- receiving ---------------------------------------------------------------

int TCustomWSocket::SystemReceive(void* buffer, int size)
{
    if (handle_ == -1) {
        last_error_ = kWsaNotSocket;
        return -1;
    }
    ++receive_calls_;
    const ssize_t n = ::recv(handle_, buffer, static_cast<size_t>(std::max(size, 0)), 0);
    if (n < 0) {
        last_error_ = LastSystemSocketError();
        return -1;
    }
    return static_cast<int>(n);
}

int TCustomWSocket::RawReceive(void* buffer, int size)
{
    return SystemReceive(buffer, size);
}

int TCustomWSocket::Receive(void* buffer, int size)
{
    const int n = RawReceive(buffer, size);
    if (n > 0)
        read_count_ += n;
    if (read_suspended_) {
        read_suspended_ = false;
        UpdateNotifiers();
    }
    return n;
}

std::string TCustomWSocket::ReceiveText()
{
    int waiting = RcvdCount();
    if (waiting <= 0)
        waiting = 255;
    std::string text(static_cast<size_t>(waiting), '\0');
    const int n = Receive(text.data(), waiting);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

int TCustomWSocket::ReceiveFrom(void* buffer, int size, sockaddr_in* from)
{
    if (handle_ == -1) {
        last_error_ = kWsaNotSocket;
        return -1;
    }
    socklen_t length = sizeof(sockaddr_in);
    ++receive_calls_;
    const ssize_t n = ::recvfrom(handle_, buffer, static_cast<size_t>(std::max(size, 0)), 0,
                                 reinterpret_cast<sockaddr*>(from), &length);
    if (n < 0) {
        last_error_ = LastSystemSocketError();
        return -1;
    }
    read_count_ += n;
    return static_cast<int>(n);
}

void TCustomWSocket::DrainUntilClosed()
{
    RunEventsWhile([this] { return state_ != wsClosed; }, nullptr);
}

// --- closing -----------------------------------------------------------------

void TCustomWSocket::Close()
{
    ShutAndClose(true, 0);
}

void TCustomWSocket::ShutAndClose(bool shut, int error)
{
    if (handle_ == -1) {
        if (state_ != wsClosed) {
            ChangeState(wsClosed);
            ResetDefaults();
        }
        return;
    }
    if (state_ == wsClosed)
        return;
    if (shut)
        ::shutdown(handle_, SHUT_WR);
    const int close_error = ReleaseHandle(error, true);
    if (close_error != 0 && close_error != kWsaNotInitialised)
        RaiseSocketError("Disconnect (closesocket)", close_error);
}

// The one road by which a descriptor goes: notifications off, the descriptor closed, the state
// wsClosed and, with `notify`, OnSessionClosed(error) once per connection (never while the
// object is destroyed); then the defaults again, unless a handler opened a new connection
// meanwhile. Returns the error of a close the system refused, else 0.
int TCustomWSocket::ReleaseHandle(int error, bool notify)
{
    read_notifier_->setEnabled(false);
    write_notifier_->setEnabled(false);
    const int close_error = handle_ != -1 && ::close(handle_) != 0 ? LastSystemSocketError() : 0;
    handle_ = -1;
    ++generation_;
    const CallGuard guard(*this);
    ChangeState(wsClosed);
    if (guard.Destroyed() || !notify)
        return close_error;
    if (!destroying_ && !close_notified_) {
        close_notified_ = true;
        FireSessionClosed(error);
        if (guard.Destroyed())
            return close_error;
    }
    if (handle_ == -1)
        ResetDefaults();
    return close_error;
}

void TCustomWSocket::CloseLater()
{
    Post(kCloseLaterEvent);
}

void TCustomWSocket::ReleaseLater()
{
    target_->Post(new NetEvent(kReleaseEvent, 0));
}

void TCustomWSocket::AbortConnection()
{
    CancelLookup();
    ClearSendQueue();
    if (handle_ != -1 && state_ == wsConnected && socket_type_ == SOCK_STREAM) {
        linger_on_off_ = wsLingerOff;
        ApplyLinger();
    }
    ShutAndClose(false, 0);
}

void TCustomWSocket::Shutdown(int how)
{
    if (handle_ != -1)
        ::shutdown(handle_, how);
}

void TCustomWSocket::Pause()
{
    paused_ = true;
    UpdateNotifiers();
}

void TCustomWSocket::Resume()
{
    paused_ = false;
    read_suspended_ = accept_suspended_ = false;
    UpdateNotifiers();
}

void TCustomWSocket::PumpMessages()
{
    ProcessPendingEvents(multi_threaded_);
}

}  // namespace mondeliar::net
