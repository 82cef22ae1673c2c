// One transfer on the data connection: see data_transfer.h.

#include "net/data_transfer.h"

#include "net/posted_events.h"

#include <QDebug>
#include <QTimer>

#include <arpa/inet.h>
#include <sys/stat.h>

namespace mondeliar::net {

namespace {

constexpr int kFileBufferSize = 64 * 1024;
constexpr int kStartSendingEvent = 1;  // the one event a transfer posts itself

constexpr const char* kPhaseNames[] = {
    "Idle",        "Listening", "Connecting", "AwaitingReply", "AwaitingConnection",
    "Handshaking", "Sending",   "Receiving",  "Draining",      "Closing",
    "Closed",      "Done",
};

}  // namespace

DataTransfer::DataTransfer(std::unique_ptr<TWSocket> socket, const Hooks& hooks,
                           std::shared_ptr<TlsContext> tls, const std::string& tls_host)
    : socket_(std::move(socket)), hooks_(hooks), tls_(std::move(tls)), tls_host_(tls_host)
{
    clock_.start();
    // The wrapper is copied: the work may end the transfer, and the session destroy it.
    const auto guarded = hooks_.guarded;
    target_ = new EventTarget([this, guarded](NetEvent&) { guarded([this] { StartSending(); }); });
}

DataTransfer::~DataTransfer()
{
    if (socket_)
        ClearHandlers();
    // Deferred while one of its own events runs; its timers go with it.
    EventTarget::Dispose(target_);
}

std::unique_ptr<TWSocket> DataTransfer::ReleaseSocket()
{
    ClearHandlers();
    Stop();
    return std::move(socket_);
}

void DataTransfer::ClearHandlers()
{
    socket_->OnSessionAvailable = nullptr;
    socket_->OnSessionConnected = nullptr;
    socket_->OnSessionClosed = nullptr;
    socket_->OnDataAvailable = nullptr;
    socket_->OnDataSent = nullptr;
    socket_->OnTlsDone = nullptr;
}

// Runs `work` in ms as one of the transfer's own events, unless the transfer is gone (the work
// checks the phase). Precise, as a coarse timer may fire 5 % off: early, or after the wait.
void DataTransfer::After(int ms, const std::function<void()>& work)
{
    EventTarget* target = target_;  // outlives this object while it is being disposed
    const auto guarded = hooks_.guarded;
    QTimer::singleShot(ms, Qt::PreciseTimer, target,
                       [target, guarded, work] { target->Dispatch([&] { guarded(work); }); });
}

void DataTransfer::SetPhase(Phase phase)
{
    if (phase == phase_)
        return;
#ifndef NDEBUG
    qDebug("ftp data: %s -> %s", kPhaseNames[static_cast<size_t>(phase_)],
           kPhaseNames[static_cast<size_t>(phase)]);
#endif
    phase_ = phase;
}

// --- setting out -----------------------------------------------------------------------

int DataTransfer::Listen(const std::string& address)
{
    socket_->SetProto("tcp");
    socket_->SetPort("0");
    socket_->SetAddr(address);
    socket_->SetSocksServer(std::string());
    socket_->Listen();
    SetPhase(Phase::Listening);
    return ntohs(socket_->LocalName().sin_port);
}

bool DataTransfer::Open(Direction direction, const std::string& file_name, long long restart_offset,
                        bool display_only)
{
    direction_ = direction;
    file_name_ = file_name;
    restart_offset_ = restart_offset;
    display_only_ = display_only;
    const char* mode = Uploads() ? "rb" : restart_offset > 0 ? "r+b" : "wb";
    if (!display_only)
        file_.reset(std::fopen(file_name.c_str(), mode));
    struct stat info {};
    if (Uploads()) {
        // Every share mode is a plain read-only open here; only a regular file is sent.
        if (file_ == nullptr || fstat(fileno(file_.get()), &info) != 0 || !S_ISREG(info.st_mode))
            file_.reset();
        else
            std::setvbuf(file_.get(), nullptr, _IOFBF, kFileBufferSize);
        source_size_ = info.st_size - restart_offset;
    }
    if (file_ != nullptr && restart_offset > 0
        && fseeko(file_.get(), restart_offset, SEEK_SET) != 0)
        file_.reset();
    return display_only || file_ != nullptr;
}

void DataTransfer::AwaitConnection(const std::string& server, int limit_ms)
{
    server_ = server;
    socket_->OnSessionAvailable = [this](int) { OnAccept(); };
    if (limit_ms > 0)
        After(limit_ms, [this, limit_ms] {
            if (phase_ != Phase::Listening && phase_ != Phase::AwaitingConnection)
                return;
            const int seconds = limit_ms / 1000;
            const std::string text = "425 No data connection from the server within "
                                     + std::to_string(seconds)
                                     + (seconds == 1 ? " second" : " seconds");
            Log("! " + text);
            Finish({Outcome::Kind::NoDataConnection, 425, 0, text});
        });
    // A server may have connected already (before its reply to PORT).
    socket_->Resume();
}

void DataTransfer::Connect(const std::string& address, const std::string& port,
                           const std::string& local_address)
{
    passive_ = true;
    socket_->SetProto("tcp");
    socket_->SetAddr(address);
    socket_->SetPort(port);
    socket_->SetLocalAddr(local_address);
    socket_->SetLingerOnOff(wsLingerOff);
    socket_->SetLingerTimeout(0);
    socket_->OnSessionConnected = [this](int error) { OnConnected(error); };
    InstallConnectionHandlers();
    SetPhase(Phase::Connecting);
    socket_->Connect();
}

void DataTransfer::InstallConnectionHandlers()
{
    socket_->OnSessionClosed = [this](int error) { OnClosed(error); };
    socket_->OnTlsDone = [this](int error) { OnTlsDone(error); };
    if (Uploads()) {
        // Whatever comes back is dropped, one bounded read per event.
        socket_->OnDataAvailable = [this](int) {
            char scratch[2048];
            socket_->Receive(scratch, sizeof scratch);
        };
        socket_->OnDataSent = [this](int error) { SendNextChunk(error); };
    } else {
        socket_->OnDataAvailable = [this](int) { ReceiveData(); };
        socket_->OnDataSent = nullptr;
    }
}

// --- the connection comes up ------------------------------------------------------------

void DataTransfer::OnAccept()
{
    if ((phase_ != Phase::Listening && phase_ != Phase::AwaitingConnection)
        || socket_->State() != wsListening)
        return;
    sockaddr_in peer{};
    const int handle = socket_->Accept(&peer);
    if (handle == -1)
        return;
    // Anyone may connect to the announced port first (RFC 2577 section 8, port stealing):
    // only the server's own connection gets the file. Others are turned away at once and
    // the port stays open until the server comes or the request times out.
    if (FormatDottedAddress(peer.sin_addr) != server_) {
        Log("! Refused a data connection from " + FormatDottedAddress(peer.sin_addr) + ":"
            + std::to_string(ntohs(peer.sin_port)) + " (not the server " + server_ + ")");
        TCustomWSocket::RefuseHandle(handle);
        return;
    }
    socket_->Close();  // one connection per transfer: stop listening
    InstallConnectionHandlers();
    socket_->Dup(handle);
    socket_->SetLingerOnOff(wsLingerOff);
    socket_->ApplyLinger();
    ConnectionUp();
}

void DataTransfer::OnConnected(int error)
{
    if (phase_ != Phase::Connecting)
        return;
    if (error != 0) {
        const std::string text
            = "Unable to establish data connection, error #" + std::to_string(error);
        Log("! " + text);
        return Finish({Outcome::Kind::Unreachable, 550, 0, text});
    }
    if (!tls_)
        start_ = NowMs();  // plain passive transfers are timed from the connection
    ConnectionUp();
    hooks_.connected();
}

void DataTransfer::ConnectionUp()
{
    const bool accepted = phase_ == Phase::AwaitingConnection;
    if (tls_)
        return accepted ? StartHandshake() : SetPhase(Phase::AwaitingReply);
    if (accepted || !Uploads())
        return Ready();  // a plain download takes what comes from now on
    SetPhase(Phase::AwaitingReply);
}

void DataTransfer::Accepted()
{
    if (phase_ == Phase::Listening)
        return SetPhase(Phase::AwaitingConnection);
    if (phase_ != Phase::AwaitingReply)
        return;
    if (tls_)
        return StartHandshake();
    Ready();
}

// --- TLS (RFC 4217 section 9) ---------------------------------------------------------------

// We are the TLS client in both modes, resuming the control connection's session. The
// handshake starts once the connection is up and the server has answered the transfer
// command with 1xx: servers begin their side only then, and some (pyftpdlib) drop a data
// connection on which bytes arrive before the transfer command was handled.
void DataTransfer::StartHandshake()
{
    SetPhase(Phase::Handshaking);
    try {
        socket_->StartTls(tls_, tls_host_);
    } catch (const std::exception& error) {
        // What the TLS layer raises (its context or the connection refused): the transfer fails.
        Fail(error.what());
    }
}

void DataTransfer::OnTlsDone(int error)
{
    if (phase_ != Phase::Handshaking)
        return;
    if (error != 0)
        return Fail(socket_->TlsErrorText());
    Log(std::string("! TLS data connection, ")
        + (socket_->TlsSessionReused() ? "session resumed" : "new session"));
    Ready();
}

// --- moving the file ------------------------------------------------------------------------

// The connection can carry the file: up and, with TLS, through the handshake.
void DataTransfer::Ready()
{
    if (!Uploads()) {
        start_ = NowMs();
        return SetPhase(Phase::Receiving);
    }
    SetPhase(Phase::Sending);
    target_->Post(new NetEvent(kStartSendingEvent, 0));
}

void DataTransfer::StartSending()
{
    if (phase_ != Phase::Sending)
        return;
    start_ = NowMs();
    SendNextChunk(0);
}

void DataTransfer::SendNextChunk(int error)
{
    if (file_ == nullptr || !ReportProgress())
        return;
    if (error != 0)
        return Fail("Error #" + std::to_string(error) + " sending data");
    if (phase_ != Phase::Sending || socket_->State() != wsConnected)
        return;
    const size_t count = std::fread(chunk_, 1, sizeof chunk_, file_.get());
    if (count > 0) {
        count_ += static_cast<long long>(count);
        socket_->Send(chunk_, static_cast<int>(count));
        return;
    }
    if (std::ferror(file_.get()))
        return Fail("Error reading file");
    // End of file: close the data connection after a short pause, from the event loop; the
    // close tells the server the file is complete.
    SetPhase(Phase::Draining);
    After(kEndOfFilePauseMs, [this] {
        if (phase_ != Phase::Draining || socket_->State() != wsConnected)
            return;
        SetPhase(Phase::Closing);
        socket_->CloseLater();
    });
}

void DataTransfer::ReceiveData()
{
    char buffer[kReceiveChunk];
    const int received = socket_->Receive(buffer, sizeof buffer);
    if (received < 0) {
        if (socket_->LastError() != kWsaWouldBlock)
            Fail("Data: Receive error " + std::to_string(socket_->LastError()));
        return;
    }
    if (received == 0)
        return;  // the close event follows
    count_ += received;
    if (display_only_) {
        std::string text(buffer, static_cast<size_t>(received));
        hooks_.show(text);
    } else if (file_ == nullptr
               || std::fwrite(buffer, 1, static_cast<size_t>(received), file_.get())
                      != static_cast<size_t>(received)) {
        return Fail("Error writing local file");
    }
    ReportProgress();
}

bool DataTransfer::ReportProgress()
{
    if (hooks_.progress(count_ + restart_offset_))
        return true;
    Fail("Abort requested");
    return false;
}

// This side breaks the transfer off. The server may still confirm what it received as
// complete, so the first such failure is kept for the end.
void DataTransfer::Fail(const std::string& what)
{
    Log("! " + what);
    if (failure_.empty())
        failure_ = "426 " + what;
    CloseFile();
    CloseConnection();
}

// --- the end -----------------------------------------------------------------------------

void DataTransfer::CloseFile()
{
    std::FILE* file = file_.release();
    if (file != nullptr && std::fclose(file) != 0 && !Uploads() && failure_.empty())
        failure_ = "426 Error writing local file";
}

void DataTransfer::CloseConnection()
{
    if (socket_->State() != wsClosed)
        socket_->Close();
}

void DataTransfer::Stop()
{
    CloseConnection();
    SetPhase(Phase::Done);  // its timers, should they still run out, find it over
}

void DataTransfer::OnClosed(int error)
{
    if (phase_ == Phase::Closed || phase_ == Phase::Done)
        return;
    // An upload ends when this side closes: the server cannot know the file is complete
    // before that. A server that closes first has cut the file off, even when every byte
    // had already left for the system's send buffer.
    if (phase_ == Phase::Draining && failure_.empty()) {
        failure_
            = "426 The server closed the data connection before " + file_name_ + " was complete";
        Log("! " + failure_);
    }
    CloseFile();
    closed_in_ = phase_;
    close_error_ = error;
    SetPhase(Phase::Closed);
    if (confirmed_)
        End(Verdict());
}

void DataTransfer::Completed()
{
    confirmed_ = true;
    if (phase_ == Phase::Closed)
        End(Verdict());
}

void DataTransfer::Refused(int code, const std::string& reply_line)
{
    if (phase_ == Phase::Done)
        return;
    // The other failures of this side are symptoms that the server's reply explains better.
    const std::string cause = Cause();
    const bool not_reached = !passive_ && code == 425 && failure_.empty();
    Finish({not_reached ? Outcome::Kind::DataRefused : Outcome::Kind::Refused, code, 0,
            cause.empty() ? reply_line : cause});
}

// The last act of every road that ends the transfer: from inside `ended` the session may
// start the next transfer, destroying this one.
void DataTransfer::End(const Outcome& outcome)
{
    SetPhase(Phase::Done);
    const auto ended = hooks_.ended;
    ended(outcome);
}

// Both the final reply and the close are in. The server's 226 only says that it saw the data
// connection close. The transfer succeeded when the close carried no error, this side broke
// nothing off, and an upload handed every byte of its file to the data connection: a peer that
// closes early (even cleanly), or an error that drops the connection, must not make a cut-off
// file read as stored.
DataTransfer::Outcome DataTransfer::Verdict()
{
    const long long elapsed = start_ == 0 ? 0 : NowMs() - start_;
    std::string stats = std::to_string(count_) + " bytes received/sent in "
                        + std::to_string(elapsed / 1000) + " seconds";
    if (elapsed != 0) {
        const long long rate
            = count_ <= 32767 ? count_ * 1000 / elapsed : (count_ / elapsed) * 1000;
        stats += " (" + std::to_string(rate) + " Bytes/sec)";
    }
    Log("! " + stats);
    if (close_error_ != 0)
        return {Outcome::Kind::Failed, 426, close_error_,
                "426 " + WinsockErrorText(close_error_) + " (Winsock error #"
                    + std::to_string(close_error_) + ")"};
    if (!failure_.empty())
        return {Outcome::Kind::Failed, 426, 0, failure_};  // logged when it happened
    if (Uploads() && closed_in_ < Phase::Draining) {
        const std::string failure = "426 Only " + std::to_string(count_) + " of "
                                    + std::to_string(source_size_) + " bytes of " + file_name_
                                    + " were sent";
        Log("! " + failure);
        return {Outcome::Kind::Failed, 426, 0, failure};
    }
    return Outcome();
}

// Ends the transfer before its time: what it holds is closed, and the session hears why.
void DataTransfer::Finish(const Outcome& outcome)
{
    CloseFile();
    SetPhase(Phase::Done);
    CloseConnection();
    End(outcome);
}

}  // namespace mondeliar::net
