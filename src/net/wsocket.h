#pragma once
// TCustomWSocket: an event-driven IPv4 socket on POSIX sockets. Every
// operation returns at once; what happens on the network comes back later as
// events (connected, data available, data sent, closed, lookup done) delivered
// from the owning thread's Qt event loop. Readiness is watched with
// QSocketNotifiers; deferred work (lookup results, CloseLater, the data-sent
// event after a Send) travels as posted events and runs later, in order.

#include "net/socket_buffer.h"
#include "net/socket_resolve.h"
#include "net/winsock_errors.h"

#include <netinet/in.h>

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace mondeliar::net {

class EventTarget;
class HostLookup;
class NetEvent;

enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed,
};

enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };
enum TSocketSendFlags { wsSendNormal = 0, wsSendUrgent = 1 };

enum TWSocketOption : unsigned {
    wsoNoReceiveLoop = 1u << 0,  // one data-available event per readiness notification
    wsoTcpNoDelay = 1u << 1,     // TCP_NODELAY
};
using TWSocketOptions = unsigned;

class TCustomWSocket {
public:
    static constexpr int kQueueChunkSize = 1460;

    TCustomWSocket();
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // Number of socket objects alive in the process.
    static int LiveSocketCount();

    // --- properties ---------------------------------------------------------
    const std::string& Addr() const { return addr_; }
    void SetAddr(const std::string& value);
    const std::string& Port() const { return port_; }
    virtual void SetPort(const std::string& value);
    const std::string& Proto() const { return proto_; }
    virtual void SetProto(const std::string& value);
    const std::string& LocalAddr() const { return local_addr_; }
    void SetLocalAddr(const std::string& value);
    const std::string& LocalPort() const { return local_port_; }
    void SetLocalPort(const std::string& value);
    TSocketState State() const { return state_; }
    const std::string& DnsResult() const { return dns_result_; }
    const std::vector<std::string>& DnsResultList() const { return dns_result_list_; }
    int LastError() const { return last_error_; }
    long long ReadCount() const { return read_count_; }
    virtual int RcvdCount();  // bytes waiting to be read
    TSocketLingerOnOff LingerOnOff() const { return linger_on_off_; }
    void SetLingerOnOff(TSocketLingerOnOff value) { linger_on_off_ = value; }
    int LingerTimeout() const { return linger_timeout_; }
    void SetLingerTimeout(int seconds) { linger_timeout_ = seconds; }
    TWSocketOptions ComponentOptions() const { return options_; }
    void SetComponentOptions(TWSocketOptions value) { options_ = value; }
    bool MultiThreaded() const { return multi_threaded_; }
    void SetMultiThreaded(bool value) { multi_threaded_ = value; }
    TSocketSendFlags SendFlags() const { return send_flags_; }
    void SetSendFlags(int value);  // "Invalid SendFlags" for anything else
    bool ReuseAddr() const { return reuse_addr_; }
    void SetReuseAddr(bool value) { reuse_addr_ = value; }
    int FlushTimeout() const { return flush_timeout_; }  // seconds
    void SetFlushTimeout(int seconds) { flush_timeout_ = seconds; }
    bool MultiCast() const { return multicast_; }
    void SetMultiCast(bool value) { multicast_ = value; }
    const std::string& MultiCastAddrStr() const { return multicast_addr_; }
    void SetMultiCastAddrStr(const std::string& value) { multicast_addr_ = value; }
    int MultiCastIpTTL() const { return multicast_ttl_; }
    void SetMultiCastIpTTL(int value) { multicast_ttl_ = value; }
    std::string PeerAddr() { return PeerAddress(); }
    std::string PeerPort() { return GetPeerPort(); }
    int SocketHandle() const { return handle_; }
    bool AllSent() const { return all_sent_; }

    // --- operations ---------------------------------------------------------
    void LookupHost(const std::string& name);  // ends with OnDnsLookupDone
    void ReverseDnsLookup(const std::string& address);
    void CancelLookup();
    virtual void Connect();                         // ends with OnSessionConnected
    virtual void Listen();                          // each waiting peer raises OnSessionAvailable
    virtual int Accept();                           // accepted handle, or -1
    void Dup(int handle);                           // adopt a connected handle
    sockaddr_in LocalName();                        // zeroed when there is no handle
    virtual int Send(const void* data, int count);  // count queued, or -1
    int SendText(const std::string& text);
    int SendTo(const sockaddr_in& to, const void* data, int count);
    int Receive(void* buffer, int size);  // 0: peer closed; negative: nothing available
    std::string ReceiveText();
    int ReceiveFrom(void* buffer, int size, sockaddr_in* from);
    virtual void Close();
    void CloseLater();
    void ReleaseLater();  // deletes the (heap) object from the event queue
    virtual void AbortConnection();
    void Shutdown(int how);
    void Flush();  // sends the queue, processing events
    void DrainUntilClosed();
    void Pause();
    void Resume();        // also re-arms accept and read notification
    void PumpMessages();  // processes pending events once
    std::string PeerAddress();
    std::string GetPeerPort();
    std::string PeerName() { return PeerAddress(); }
    std::string BoundPort();
    std::string BoundAddress();
    void ApplyLinger();
    // Accept, also giving the peer's address.
    int Accept(sockaddr_in* peer);
    // Closes an accepted handle that nobody is going to serve; the peer sees a reset.
    static void RefuseHandle(int handle);

    // --- events -------------------------------------------------------------
    std::function<void(int Error)> OnSessionAvailable;
    std::function<void(int Error)> OnSessionConnected;
    std::function<void(int Error)> OnSessionClosed;
    std::function<void(int Error)> OnDataAvailable;
    std::function<void(int Error)> OnDataSent;
    std::function<void(int BytesSent)> OnSendData;
    std::function<void(int Error)> OnDnsLookupDone;
    std::function<void(TSocketState OldState, TSocketState NewState)> OnChangeState;
    std::function<void(const std::string& Msg)> OnError;
    std::function<void(const std::exception& E, bool& CanClose)> OnBgException;

protected:
    enum EventKind {
        kWriteEvent = 1,  // data-sent after a Send emptied the queue
        kConnectEvent,    // connect outcome known at once
        kLookupDoneEvent,
        kReverseLookupDoneEvent,
        kCloseLaterEvent,
        kReleaseEvent,
        kLineModeEvent,  // used by the line layer
        kTlsReadEvent,   // used by the TLS layer: decrypted bytes still wait
    };

    virtual void ResetDefaults();
    virtual void ShutAndClose(bool shut, int error);
    virtual void BindLocal();
    virtual int RawSend(const char* data, int count);
    void ReportError(const std::string& message);
    // Connection settings change only while closed: else false, and the refusal is reported.
    bool MayChange(const char* setting);
    void RaiseSocketError(const std::string& function, int error);
    virtual void HandleBackgroundError(const std::exception& error);
    virtual void HandleEvent(NetEvent& event);

    // Bytes came in from the system. Layers that transform the stream (TLS) take them here
    // first; the base hands them straight to FireDataAvailable.
    virtual void DataReady(int error);
    virtual void FireDataAvailable(int error);
    virtual void FireSessionAvailable(int error);
    virtual void FireSessionConnected(int error);
    virtual void FireSessionClosed(int error);
    virtual void FireDataSent(int error);
    virtual void FireChangeState(TSocketState old_state, TSocketState new_state);
    virtual void FireLookupDone(int error);
    virtual void FireError(const std::string& message);

    // Bytes from the layers above the system first; the base reads the system.
    virtual int RawReceive(void* buffer, int size);
    int SystemReceive(void* buffer, int size);
    // Counts a read that a layer served from its own buffer: the readiness handling sees
    // that the application took its data.
    void CountReceive() { ++receive_calls_; }

    void ChangeState(TSocketState new_state);
    void Post(int kind, int error = 0);
    // An event posted for an earlier handle (or after the close) that must be ignored.
    bool IsStale(const NetEvent& event) const;
    // CloseLater's event: the base closes at once; the TLS layer first sends close_notify.
    virtual void HandleCloseLater();
    void SetLastError(int error) { last_error_ = error; }
    void TryToSend();
    void DrainReadable(int error, bool force_loop);
    bool Destroying() const { return destroying_; }
    void ResolveTarget();  // fills the cached sin_addr/port/proto or raises
    // What a layer above the connection changed that ends the CallGuards taken before.
    void NewGeneration() { ++generation_; }

    // Runs a handler body: exceptions escaping it go to HandleBackgroundError.
    void Guarded(const std::function<void()>& work);

private:
    void OnReadReady();
    void OnWriteReady();
    void HandleConnectEvent(int error);
    void HandleCloseEvent(int error);
    void HandleWriteEvent();
    void HandleLookupDone(NetEvent& event);
    void SetTarget(std::string& field, bool& assigned, const std::string& value,
                   const char* setting);
    void AdoptHandle(int handle);
    int ReleaseHandle(int error, bool notify);
    void RunEventsWhile(const std::function<bool()>& waiting, const std::function<void()>& step);
    void UpdateNotifiers();
    void ClearSendQueue();
    void AppendToSendQueue(const char* data, int count);
    bool SetOption(int level, int name, int value, const char* function);
    void StartLookup(const std::string& name, int kind);
    void AbandonLookup();

    std::string addr_, port_, proto_ = "tcp";
    std::string local_addr_ = "0.0.0.0", local_port_ = "0";
    bool addr_assigned_ = false, port_assigned_ = false, proto_assigned_ = true;
    bool resolved_ = false;  // the cached target is valid
    sockaddr_in remote_{};
    int protocol_ = 6;
    int socket_type_ = 0;  // SOCK_STREAM or SOCK_DGRAM
    TSocketState state_ = wsClosed;
    std::string dns_result_;
    std::vector<std::string> dns_result_list_;
    int last_error_ = 0;
    long long read_count_ = 0;
    TSocketLingerOnOff linger_on_off_ = wsLingerOn;
    int linger_timeout_ = 0;
    TWSocketOptions options_ = 0;
    bool multi_threaded_ = false;
    TSocketSendFlags send_flags_ = wsSendNormal;
    bool reuse_addr_ = false;
    int flush_timeout_ = 60;
    bool multicast_ = false;
    std::string multicast_addr_;
    int multicast_ttl_ = 1;

    int handle_ = -1;
    std::uint64_t handle_serial_ = 0;  // tags posted events with the handle they belong to
    std::deque<std::unique_ptr<TBuffer>> send_queue_;
    bool all_sent_ = true;
    bool close_notified_ = false;
    bool paused_ = false;
    bool read_suspended_ = false;    // a data event went unread; resumes on Receive
    bool accept_suspended_ = false;  // a waiting peer was reported; resumes on Accept
    bool connect_outcome_posted_ = false;
    std::uint64_t receive_calls_ = 0;
    bool lookup_running_ = false;
    std::uint64_t lookup_serial_ = 0;
    std::shared_ptr<HostLookup> lookup_;  // the running lookup's worker, if any
    bool destroying_ = false;
    std::uint64_t generation_ = 0;  // of the connection: see CallGuard

    EventTarget* target_ = nullptr;
    QSocketNotifier* read_notifier_ = nullptr;
    QSocketNotifier* write_notifier_ = nullptr;
    std::shared_ptr<char> life_ = std::make_shared<char>();

    friend class CallGuard;
};

// A socket handler that calls out (to the application's events, to a layer above) may find
// the socket destroyed, or its connection gone, when the call returns: it takes a guard before
// and asks it after.
class CallGuard {
public:
    explicit CallGuard(const TCustomWSocket& socket)
        : socket_(socket), life_(socket.life_), generation_(socket.generation_)
    {
    }
    bool Destroyed() const { return life_.expired(); }
    // Destroyed, or the connection it was taken on is gone: closed, another one adopted, or
    // (TLS) its session freed or replaced.
    bool Ended() const { return Destroyed() || socket_.generation_ != generation_; }

private:
    const TCustomWSocket& socket_;
    std::weak_ptr<char> life_;
    std::uint64_t generation_;
};

}  // namespace mondeliar::net
