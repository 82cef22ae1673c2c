#include "net/wsocket.h"

#include "net/host_lookup.h"
#include "net/posted_events.h"

#include <QElapsedTimer>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

namespace mondeliar::net {

namespace {

std::atomic<int> g_live_sockets{0};

constexpr int kListenBacklog = 5;
constexpr int kDiscardSize = 1024;
// The most one readiness event reads before control goes back to the event loop, so that
// a peer that never stops sending cannot starve timers and the other sockets. The
// notification is level-triggered: what is left comes with the next one.
constexpr int kDrainPassLimit = 64;
constexpr long long kDrainByteLimit = 64 * 1024;
constexpr size_t kMaxLookupName = 256;

// Connect failures that belong to the connection attempt itself: they are
// reported through the connect event, as an asynchronous connect would.
bool IsConnectOutcome(int error)
{
    return error == kWsaConnectionRefused || error == kWsaTimedOut || error == 10051
           || error == 10065 || error == 10064;
}

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

// --- properties --------------------------------------------------------------

void TCustomWSocket::SetAddr(const std::string& value)
{
    if (value == addr_)
        return;
    if (state_ != wsClosed) {
        ReportError("Cannot change Addr if not closed");
        return;
    }
    addr_ = TrimText(value);
    addr_assigned_ = !addr_.empty();
    resolved_ = false;
}

void TCustomWSocket::SetPort(const std::string& value)
{
    if (value == port_)
        return;
    if (state_ != wsClosed) {
        ReportError("Cannot change Port if not closed");
        return;
    }
    port_ = TrimText(value);
    port_assigned_ = !port_.empty();
    resolved_ = false;
}

void TCustomWSocket::SetProto(const std::string& value)
{
    if (value == proto_)
        return;
    if (state_ != wsClosed) {
        ReportError("Cannot change Proto if not closed");
        return;
    }
    proto_ = TrimText(value);
    proto_assigned_ = !proto_.empty();
    resolved_ = false;
}

void TCustomWSocket::SetLocalAddr(const std::string& value)
{
    if (state_ != wsClosed) {
        ReportError("Cannot change LocalAddr if not closed");
        return;
    }
    const std::string text = value.empty() ? std::string("0.0.0.0") : value;
    in_addr parsed{};
    if (!ParseDottedAddress(text, &parsed)) {
        ReportError("SetLocalAddr(): Invalid IP address");
        return;
    }
    local_addr_ = FormatDottedAddress(parsed);
}

void TCustomWSocket::SetLocalPort(const std::string& value)
{
    if (state_ != wsClosed) {
        ReportError("Cannot change LocalPort if not closed");
        return;
    }
    local_port_ = value;
}

void TCustomWSocket::SetSendFlags(int value)
{
    if (value != wsSendNormal && value != wsSendUrgent) {
        ReportError("Invalid SendFlags");
        return;
    }
    send_flags_ = static_cast<TSocketSendFlags>(value);
}

int TCustomWSocket::RcvdCount()
{
    int waiting = 0;
    if (handle_ == -1 || ioctl(handle_, FIONREAD, &waiting) != 0)
        return 0;
    return waiting;
}

void TCustomWSocket::ResetDefaults()
{
    addr_.clear();
    port_.clear();
    addr_assigned_ = port_assigned_ = false;
    proto_ = "tcp";
    proto_assigned_ = true;
    protocol_ = IPPROTO_TCP;
    socket_type_ = SOCK_STREAM;
    resolved_ = false;
    local_port_ = "0";
    local_addr_ = "0.0.0.0";
    linger_on_off_ = wsLingerOn;
    linger_timeout_ = 0;
    handle_ = -1;
    state_ = wsClosed;
    ClearSendQueue();
    all_sent_ = true;
    paused_ = false;
    read_suspended_ = accept_suspended_ = false;
    read_count_ = 0;
    close_notified_ = false;
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

// --- lookup ------------------------------------------------------------------

void TCustomWSocket::LookupHost(const std::string& name)
{
    if (name.empty()) {
        ReportError("DNS lookup: invalid host name.");
        FireLookupDone(kWsaInvalidArgument);
        return;
    }
    CancelLookup();
    dns_result_.clear();
    dns_result_list_.clear();
    in_addr address{};
    if (ParseDottedAddress(name, &address)) {
        dns_result_ = FormatDottedAddress(address);
        dns_result_list_.push_back(dns_result_);
        FireLookupDone(0);
        return;
    }
    StartLookup(name, kLookupDoneEvent);
}

void TCustomWSocket::ReverseDnsLookup(const std::string& address)
{
    if (address.empty() || address.size() > kMaxLookupName) {
        ReportError("ReverseDnsLookup: Invalid host name.");
        FireLookupDone(kWsaInvalidArgument);
        return;
    }
    CancelLookup();
    dns_result_.clear();
    dns_result_list_.clear();
    StartLookup(address, kReverseLookupDoneEvent);
}

void TCustomWSocket::StartLookup(const std::string& name, int kind)
{
    const std::uint64_t serial = ++lookup_serial_;
    try {
        // The result is posted, so it is always handled after this call returned.
        lookup_ = HostLookup::Start(name, kind == kReverseLookupDoneEvent, target_, kind, serial);
    } catch (const std::system_error& error) {
        return ReportError(
            name + ": can't start DNS lookup, error #"
            + std::to_string(WinsockError(ErrorOrigin::Errno, error.code().value())));
    }
    lookup_running_ = true;
}

void TCustomWSocket::HandleLookupDone(NetEvent& event)
{
    if (!lookup_running_ || event.serial != lookup_serial_)
        return;  // cancelled or superseded
    lookup_running_ = false;
    lookup_.reset();
    if (event.error == 0) {
        dns_result_list_ = event.addresses;
        dns_result_ = dns_result_list_.empty() ? std::string() : dns_result_list_.front();
    }
    FireLookupDone(event.error);
}

void TCustomWSocket::CancelLookup()
{
    AbandonLookup();
    if (!lookup_running_)
        return;
    // The worker cannot be stopped inside getaddrinfo; it finishes on its own and its
    // result is dropped.
    lookup_running_ = false;
    ++lookup_serial_;
    if (!destroying_)
        FireLookupDone(kWsaInterrupted);
}

void TCustomWSocket::AbandonLookup()
{
    if (lookup_) {
        lookup_->Abandon();
        lookup_.reset();
    }
}

// --- connecting, listening, accepting ---------------------------------------

void TCustomWSocket::ResolveTarget()
{
    if (resolved_)
        return;
    protocol_ = WSocketResolveProto(proto_);
    socket_type_ = protocol_ == IPPROTO_UDP ? SOCK_DGRAM : SOCK_STREAM;
    const int port = WSocketResolvePort(port_, proto_);
    const int local_port = WSocketResolvePort(local_port_, proto_);
    local_port_ = std::to_string(local_port);
    remote_ = sockaddr_in{};
    remote_.sin_family = AF_INET;
    remote_.sin_port = htons(static_cast<uint16_t>(port));
    remote_.sin_addr = WSocketResolveHost(addr_);
    resolved_ = true;
}

void TCustomWSocket::AdoptHandle(int handle)
{
    handle_ = handle;
    ++handle_serial_;
    ++generation_;
    read_suspended_ = accept_suspended_ = connect_outcome_posted_ = false;
    read_notifier_->setSocket(handle);
    write_notifier_->setSocket(handle);
    read_notifier_->setEnabled(false);
    write_notifier_->setEnabled(false);
}

bool TCustomWSocket::SetOption(int level, int name, int value, const char* function)
{
    if (setsockopt(handle_, level, name, &value, sizeof value) == 0)
        return true;
    RaiseSocketError(function, LastSystemSocketError());
    return false;
}

void TCustomWSocket::ClearSendQueue()
{
    send_queue_.clear();
    all_sent_ = true;
}

void TCustomWSocket::Connect()
{
    if (handle_ != -1 && state_ != wsClosed)
        return ReportError("Connect: Socket already in use");
    if (!port_assigned_)
        return ReportError("Connect: No Port Specified");
    if (!addr_assigned_)
        return ReportError("Connect: No IP Address Specified");
    if (!proto_assigned_)
        return ReportError("Connect: No Protocol Specified");
    try {
        ResolveTarget();
    } catch (const ESocketException& error) {
        return ReportError(std::string("connect: ") + error.what());
    }
    ClearSendQueue();
    const int handle = socket(AF_INET, socket_type_ | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol_);
    if (handle == -1)
        return RaiseSocketError("Connect (socket)", LastSystemSocketError());
    AdoptHandle(handle);
    ChangeState(wsOpened);
    if (!SetOption(SOL_SOCKET, SO_REUSEADDR, 1, "setsockopt(SO_REUSEADDR)"))
        return;
    if (socket_type_ == SOCK_STREAM) {
        if ((options_ & wsoTcpNoDelay)
            && !SetOption(IPPROTO_TCP, TCP_NODELAY, 1, "setsockopt(IPPROTO_TCP, TCP_NODELAY)"))
            return;
        ApplyLinger();
        if (!SetOption(SOL_SOCKET, SO_KEEPALIVE, 1, "setsockopt(SO_KEEPALIVE)"))
            return;
    }
    if (local_port_ != "0" || local_addr_ != "0.0.0.0")
        BindLocal();
    if (handle_ == -1)
        return;
    if (::connect(handle_, reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_) == 0
        || errno == EINPROGRESS || errno == EWOULDBLOCK) {
        ChangeState(wsConnecting);
        return;
    }
    const int error = LastSystemSocketError();
    if (IsConnectOutcome(error)) {
        connect_outcome_posted_ = true;  // the socket's error state is already consumed
        ChangeState(wsConnecting);
        Post(kConnectEvent, error);
        return;
    }
    RaiseSocketError("Connect", error);
}

void TCustomWSocket::BindLocal()
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    try {
        local.sin_port = htons(static_cast<uint16_t>(WSocketResolvePort(local_port_, proto_)));
    } catch (const ESocketException& error) {
        return ReportError(error.what());
    }
    ParseDottedAddress(local_addr_, &local.sin_addr);
    if (bind(handle_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        last_error_ = LastSystemSocketError();
        return ReportError("winsock.bind failed, error #" + std::to_string(last_error_));
    }
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (getsockname(handle_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        last_error_ = LastSystemSocketError();
        return ReportError("winsock.getsockname failed, error #" + std::to_string(last_error_));
    }
    local_port_ = std::to_string(ntohs(bound.sin_port));
}

void TCustomWSocket::Listen()
{
    if (!port_assigned_) {
        last_error_ = kWsaInvalidArgument;
        return ReportError("listen: port not assigned");
    }
    if (!proto_assigned_) {
        last_error_ = kWsaInvalidArgument;
        return ReportError("listen: protocol not assigned");
    }
    if (!addr_assigned_) {
        last_error_ = kWsaInvalidArgument;
        return ReportError("listen: address not assigned");
    }
    try {
        ResolveTarget();
    } catch (const ESocketException& error) {
        return ReportError(std::string("listen: ") + error.what());
    }
    ClearSendQueue();
    const int handle = socket(AF_INET, socket_type_ | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol_);
    if (handle == -1)
        return RaiseSocketError("socket", LastSystemSocketError());
    AdoptHandle(handle);
    if (reuse_addr_ && !SetOption(SOL_SOCKET, SO_REUSEADDR, 1, "setsockopt(SO_REUSEADDR)"))
        return;
    if (bind(handle_, reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_) != 0) {
        const int error = LastSystemSocketError();
        Close();
        return RaiseSocketError("Bind", error);
    }
    ChangeState(wsBound);
    if (socket_type_ == SOCK_STREAM && ::listen(handle_, kListenBacklog) != 0)
        return RaiseSocketError("Listen", LastSystemSocketError());
    ChangeState(wsListening);
}

int TCustomWSocket::Accept()
{
    return Accept(nullptr);
}

int TCustomWSocket::Accept(sockaddr_in* peer)
{
    if (state_ != wsListening) {
        RaiseSocketError("not a listening socket", kWsaInvalidArgument);
        return -1;
    }
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const int handle
        = accept4(handle_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
    if (peer != nullptr)
        *peer = address;
    accept_suspended_ = false;
    UpdateNotifiers();
    if (handle == -1) {
        RaiseSocketError("Accept", LastSystemSocketError());
        return -1;
    }
    return handle;
}

void TCustomWSocket::RefuseHandle(int handle)
{
    if (handle < 0)
        return;
    linger value{1, 0};
    setsockopt(handle, SOL_SOCKET, SO_LINGER, &value, sizeof value);
    ::close(handle);
}

void TCustomWSocket::Dup(int handle)
{
    if (handle == 0 || handle == -1) {
        RaiseSocketError("Dup", kWsaInvalidArgument);
        return;
    }
    if (state_ != wsClosed) {
        const int close_error = ReleaseHandle(0, false);
        if (close_error != 0)
            return RaiseSocketError("Dup (closesocket)", close_error);
    }
    const int flags = fcntl(handle, F_GETFL);
    fcntl(handle, F_SETFL, flags | O_NONBLOCK);
    AdoptHandle(handle);
    all_sent_ = true;
    ApplyLinger();
    ChangeState(wsConnected);
}

sockaddr_in TCustomWSocket::LocalName()
{
    sockaddr_in name{};
    socklen_t length = sizeof name;
    if (handle_ == -1 || getsockname(handle_, reinterpret_cast<sockaddr*>(&name), &length) != 0)
        return sockaddr_in{};
    return name;
}

void TCustomWSocket::ApplyLinger()
{
    if (linger_on_off_ == wsLingerNoSet)
        return;
    if (handle_ == -1)
        return ReportError("Cannot set linger option at this time");
    linger value{};
    value.l_onoff = linger_on_off_ == wsLingerOn ? 1 : 0;
    value.l_linger = linger_timeout_;
    if (setsockopt(handle_, SOL_SOCKET, SO_LINGER, &value, sizeof value) != 0)
        RaiseSocketError("setsockopt(SO_LINGER)", LastSystemSocketError());
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

// --- names -------------------------------------------------------------------

std::string TCustomWSocket::PeerAddress()
{
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (handle_ == -1 || state_ != wsConnected
        || getpeername(handle_, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return "error";
    return FormatDottedAddress(peer.sin_addr);
}

std::string TCustomWSocket::GetPeerPort()
{
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (handle_ == -1 || state_ != wsConnected
        || getpeername(handle_, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return "error";
    return std::to_string(ntohs(peer.sin_port));
}

std::string TCustomWSocket::BoundPort()
{
    const sockaddr_in name = LocalName();
    return std::to_string(ntohs(name.sin_port));
}

std::string TCustomWSocket::BoundAddress()
{
    return FormatDottedAddress(LocalName().sin_addr);
}

}  // namespace mondeliar::net
