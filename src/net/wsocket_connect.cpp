// TCustomWSocket: properties, host lookups, connecting, listening, accepting, the two ends' names.

#include "net/wsocket.h"

#include "net/host_lookup.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mondeliar::net {

namespace {

constexpr int kListenBacklog = 5;
constexpr size_t kMaxLookupName = 256;

// Connect failures that belong to the connection attempt itself: they are
// reported through the connect event, as an asynchronous connect would.
bool IsConnectOutcome(int error)
{
    return error == kWsaConnectionRefused || error == kWsaTimedOut || error == 10051
           || error == 10065 || error == 10064;
}

}  // namespace

// --- properties --------------------------------------------------------------

bool TCustomWSocket::MayChange(const char* setting)
{
    if (state_ == wsClosed)
        return true;
    ReportError(std::string("Cannot change ") + setting + " if not closed");
    return false;
}

// Addr, Port and Proto: the target of a connection, resolved again when it is next needed.
void TCustomWSocket::SetTarget(std::string& field, bool& assigned, const std::string& value,
                               const char* setting)
{
    if (value == field || !MayChange(setting))
        return;
    field = TrimText(value);
    assigned = !field.empty();
    resolved_ = false;
}

void TCustomWSocket::SetAddr(const std::string& value)
{
    SetTarget(addr_, addr_assigned_, value, "Addr");
}

void TCustomWSocket::SetPort(const std::string& value)
{
    SetTarget(port_, port_assigned_, value, "Port");
}

void TCustomWSocket::SetProto(const std::string& value)
{
    SetTarget(proto_, proto_assigned_, value, "Proto");
}

void TCustomWSocket::SetLocalAddr(const std::string& value)
{
    if (!MayChange("LocalAddr"))
        return;
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
    if (!MayChange("LocalPort"))
        return;
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
