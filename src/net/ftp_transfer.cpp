// The data connection of the FTP client: PORT/PASV, uploads (STOR, APPE) and
// downloads (RETR, LIST, NLST).
//
// Active mode (RFC 959 section 3.2): the client listens on a fresh port and
// names it with PORT; after STOR the server connects to it. Sending starts
// once both the 150/125 reply and the incoming connection have arrived, in
// whichever order they come. Passive mode: PASV names the server's port and
// the client connects to it before sending the transfer command.

#include "net/ftp_client.h"

#include "net/ftp_reply.h"
#include "net/posted_events.h"

#include <QTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <sys/stat.h>

namespace mondeliar::net {

namespace {

constexpr int kFileBufferSize = 64 * 1024;
// The synchronous wait outlasts the data-arrival limit by this much, so a missing data
// connection fails the transfer (and lets the caller go passive) instead of the whole wait.
constexpr int kDataArrivalGraceMs = 1000;

std::string PortCommand(const std::string& server, const sockaddr_in& local, int data_port)
{
    const int p1 = data_port / 256, p2 = data_port % 256;
    if (server == "127.0.0.1")
        return "PORT 127,0,0,1," + std::to_string(p1) + "," + std::to_string(p2);
    const uint32_t a = ntohl(local.sin_addr.s_addr);
    return "PORT " + std::to_string(a >> 24) + "," + std::to_string((a >> 16) & 0xff) + ","
           + std::to_string((a >> 8) & 0xff) + "," + std::to_string(a & 0xff) + ","
           + std::to_string(p1) + "," + std::to_string(p2);
}

bool IsRegularFile(std::FILE* file)
{
    struct stat info {};
    return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

// --- PORT / PASV -------------------------------------------------------------------

void TCustomFtpCli::StartPortStep()
{
    data_->OnSessionAvailable = nullptr;
    data_->OnSessionClosed = nullptr;
    data_->OnDataAvailable = nullptr;
    data_->OnDataSent = nullptr;
    data_->OnSessionConnected = nullptr;
    if (data_->State() != wsClosed)
        data_->Close();
    data_->SetProto("tcp");
    data_->SetPort("0");
    std::string command = "PASV";
    if (use_pasv_) {
        data_->SetAddr("0.0.0.0");
    } else {
        // Listen only where the server reached us, not on every interface.
        data_->SetAddr(FormatDottedAddress(control_->LocalName().sin_addr));
        data_->SetSocksServer(std::string());
        data_->Listen();
        const int data_port = ntohs(data_->LocalName().sin_port);
        command = PortCommand(control_->Addr(), control_->LocalName(), data_port);
    }
    transfer_count_ = 0;
    try {
        // Only a 227 gives the data port of passive mode (RFC 959 section 4.1.1).
        if (use_pasv_)
            RunCommand(ftpPortAsync, command, {227}, &TCustomFtpCli::AfterPortReply);
        else
            RunCommand(ftpPortAsync, command, {200, 227}, &TCustomFtpCli::AfterPortReply);
    } catch (const std::exception&) {
        // A usage error: the port announced for nothing closes again.
        if (data_->State() != wsClosed)
            data_->Close();
        throw;
    }
}

void TCustomFtpCli::AfterPortReply()
{
    // RFC 959 section 4.2: a 5yz reply is a permanent refusal; the server will not take a
    // PORT (often one naming an address behind a NAT router), but may well take PASV.
    if (request_outcome_ != 0 && !use_pasv_
        && ClassifyReply(reply_code_) == ReplyClass::PermanentNegative)
        active_failure_ = ActiveModeFailure::PortRefused;
    if (request_outcome_ != 0 && use_pasv_)
        passive_failed_ = true;
    FinishRequest(request_outcome_);
}

// --- starting a transfer --------------------------------------------------------------

void TCustomFtpCli::ResetTransfer(Direction direction, FtpStep step)
{
    direction_ = direction;
    current_step_ = step;
    ++transfer_serial_;
    transfer_replied_ = data_closed_flag_ = done_signalled_ = data_linked_ = store_accepted_
        = false;
    sending_started_ = false;
    data_arrived_ = transfer_accepted_ = data_tls_started_ = false;
    data_arrival_timer_->stop();
    transfer_start_ = transfer_end_ = 0;
    transfer_count_ = 0;
    data_close_error_ = 0;
    local_failure_.clear();
    closing_data_ = false;
    end_of_file_timer_->stop();
}

bool TCustomFtpCli::OpenSource()
{
    CloseLocalFiles();
    // Every share mode is a plain read-only open here.
    source_ = std::fopen(local_file_name_.c_str(), "rb");
    if (source_ != nullptr && !IsRegularFile(source_)) {
        std::fclose(source_);
        source_ = nullptr;
    }
    if (source_ == nullptr)
        return false;
    std::setvbuf(source_, nullptr, _IOFBF, kFileBufferSize);
    source_exhausted_ = false;
    struct stat info {};
    source_size_ = fstat(fileno(source_), &info) == 0 ? info.st_size - restart_offset_ : 0;
    if (restart_offset_ > 0 && fseeko(source_, restart_offset_, SEEK_SET) != 0) {
        std::fclose(source_);
        source_ = nullptr;
        return false;
    }
    return true;
}

bool TCustomFtpCli::OpenDestination()
{
    CloseLocalFiles();
    if (display_file_flag_)
        return true;
    if (restart_offset_ > 0) {
        destination_ = std::fopen(local_file_name_.c_str(), "r+b");
        if (destination_ != nullptr && fseeko(destination_, restart_offset_, SEEK_SET) != 0) {
            std::fclose(destination_);
            destination_ = nullptr;
        }
    } else {
        destination_ = std::fopen(local_file_name_.c_str(), "wb");
    }
    return destination_ != nullptr;
}

void TCustomFtpCli::BeginStore(bool append)
{
    if (!session_open_)
        throw FtpException("STOR/APPE: not connected");
    if (local_file_name_.empty())
        throw FtpException("LocalFileName empty");
    ResetTransfer(Direction::Upload, append ? FtpStep::Appe : FtpStep::Stor);
    bool cancel = false;
    if (OnReadyToTransmit)
        OnReadyToTransmit(cancel);
    if (cancel)
        return FailRequest(426, "426 Transmit cancelled by application", Held::Nothing,
                           LogLine::Written, EarlierError::Replaced);
    data_->OnSessionAvailable = [this](int error) { OnDataAccepted(error); };
    if (!OpenSource())
        return FailRequest(426, "426 Unable to open local file " + local_file_name_,
                           Held::DataConnection, LogLine::Written, EarlierError::Replaced);
    transfer_command_ = (append ? "APPE " : "STOR ") + host_file_name_;
    if (use_pasv_)
        return StartPassiveDataConnection();
    ChangeState(FtpSessionState::fstWaitReply);
    reply_handler_ = &TCustomFtpCli::OnStoreReply;
    WriteCommand(transfer_command_);
    StartDataArrivalTimer();
    // A server may have connected already (before its reply to PORT).
    data_->Resume();
}

void TCustomFtpCli::BeginRetrieve(const std::string& verb, FtpStep step)
{
    if (!session_open_)
        throw FtpException("RETR/LIST/NLST: not connected");
    ResetTransfer(Direction::Download, step);
    data_->OnSessionAvailable = [this](int error) { OnDataAccepted(error); };
    if (!OpenDestination())
        return FailRequest(550, "Unable to open local file " + local_file_name_,
                           Held::DataConnection);
    transfer_command_ = host_file_name_.empty() ? verb : verb + " " + host_file_name_;
    if (use_pasv_)
        return StartPassiveDataConnection();
    ChangeState(FtpSessionState::fstWaitReply);
    reply_handler_ = &TCustomFtpCli::OnRetrieveReply;
    WriteCommand(transfer_command_);
    StartDataArrivalTimer();
    data_->Resume();
}

// --- passive data connection -----------------------------------------------------------

void TCustomFtpCli::StartPassiveDataConnection()
{
    // The transfer is under way: the synchronous wait must not see "between steps".
    ChangeState(FtpSessionState::fstWaitReply);
    int port = 0;
    if (!ParsePasvPort(pasv_reply_, &port)) {
        passive_failed_ = true;
        return FailRequest(426, "426 Invalid passive mode reply: " + pasv_reply_,
                           Held::LocalFiles, LogLine::Omitted);
    }
    try {
        if (data_->State() != wsClosed)
            data_->Close();
        ApplyConnectionSettings(*data_);
        data_->SetProto("tcp");
        data_->SetAddr(control_->Addr());
        data_->SetPort(std::to_string(port));
        data_->SetLocalAddr(local_addr_);
        data_->SetLingerOnOff(wsLingerOff);
        data_->SetLingerTimeout(0);
        data_->OnSessionAvailable = nullptr;
        data_->OnSessionConnected = [this](int error) { OnPassiveDataConnected(error); };
        InstallDataHandlers();
        data_->Connect();
    } catch (const std::exception& error) {
        passive_failed_ = true;
        FailRequest(426, "426 " + ExceptionClassName(error) + ": " + error.what(),
                    Held::LocalFiles, LogLine::Omitted);
    }
}

void TCustomFtpCli::OnPassiveDataConnected(int error)
{
    if (direction_ == Direction::None || done_signalled_)
        return;
    if (error != 0) {
        passive_failed_ = true;
        return FailRequest(550, "Unable to establish data connection, error #" + std::to_string(error),
                           Held::LocalFiles);
    }
    data_arrived_ = true;
    // With PROT P the handshake waits for the transfer's 1xx reply (MaybeStartDataTls).
    if (!prot_private_) {
        transfer_start_ = NowMs();
        LinkData();
    }
    reply_handler_ = direction_ == Direction::Upload ? &TCustomFtpCli::OnStoreReply
                                                     : &TCustomFtpCli::OnRetrieveReply;
    ChangeState(FtpSessionState::fstWaitReply);
    WriteCommand(transfer_command_);
}

// --- TLS on the data connection (RFC 4217 section 9) ------------------------------------

// We are the TLS client in both modes, resuming the control connection's session. The
// handshake starts once the connection is up and the server has answered the transfer
// command with 1xx: servers begin their side only then, and some (pyftpdlib) drop a data
// connection on which bytes arrive before the transfer command was handled.
void TCustomFtpCli::MaybeStartDataTls()
{
    if (!prot_private_ || !data_arrived_ || !transfer_accepted_ || data_tls_started_
        || data_->State() != wsConnected)
        return;
    data_tls_started_ = true;
    const std::string failure = StartDataTls();
    if (!failure.empty())
        DataTlsFailed(failure);
}

std::string TCustomFtpCli::StartDataTls()
{
    try {
        data_->StartTls(tls_context_, TlsHostName());
        return std::string();
    } catch (const std::exception& error) {
        return error.what();
    }
}

void TCustomFtpCli::OnDataTlsDone(int error)
{
    if (direction_ == Direction::None || done_signalled_)
        return;
    if (error != 0)
        return DataTlsFailed(data_->TlsErrorText());
    Display(std::string("! TLS data connection, ")
            + (data_->TlsSessionReused() ? "session resumed" : "new session"));
    LinkData();
}

// The server has the transfer command already and still owes its replies: the request ends
// with them, as a failure whatever they say.
void TCustomFtpCli::DataTlsFailed(const std::string& text)
{
    Display("! " + text);
    KeepFirstError("426 " + text);
    NoteLocalFailure("426 " + text);
    CloseLocalFiles();
    CloseDataConnection();
}

// The data connection is ready to carry the file: TCP up and, with PROT P, TLS too.
void TCustomFtpCli::LinkData()
{
    data_linked_ = true;
    if (direction_ == Direction::Download)
        transfer_start_ = NowMs();
    else if (store_accepted_)
        PostStartSending();
}

// --- waiting for the server's data connection (active mode) -------------------------------

void TCustomFtpCli::StartDataArrivalTimer()
{
    const int limit = DataArrivalLimitMs();
    if (limit <= 0)
        return;
    HoldDeadline(limit + kDataArrivalGraceMs);
    data_arrival_timer_->start(limit);
}

void TCustomFtpCli::OnDataArrivalTimeout()
{
    if (done_signalled_ || direction_ == Direction::None || use_pasv_ || data_arrived_)
        return;
    const int seconds = data_arrival_timer_->interval() / 1000;
    const std::string text = "425 No data connection from the server within "
                             + std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
    Display("! " + text);
    KeepFirstError(text);
    reply_code_ = request_outcome_ = 425;
    active_failure_ = ActiveModeFailure::NoDataConnection;
    CloseLocalFiles();
    CloseDataConnection();
    // The server still owes this transfer's replies, and would give them in answer to the
    // next command: the session ends here, so the next one starts in step.
    Display("! Session closed: its replies would be out of step");
    control_->Close();  // the close handler finishes the request
}

// --- active data connection --------------------------------------------------------------

void TCustomFtpCli::InstallDataHandlers()
{
    data_->OnSessionClosed = [this](int error) { OnDataClosed(error); };
    if (direction_ == Direction::Upload) {
        data_->OnDataAvailable = [this](int) { DiscardData(); };
        data_->OnDataSent = [this](int error) { SendNextChunk(error); };
    } else {
        data_->OnDataAvailable = [this](int) { ReceiveData(); };
        data_->OnDataSent = nullptr;
    }
}

void TCustomFtpCli::OnDataAccepted(int /*error*/)
{
    if (direction_ == Direction::None || done_signalled_ || data_->State() != wsListening)
        return;
    sockaddr_in peer{};
    const int handle = data_->Accept(&peer);
    if (handle == -1)
        return;
    // Anyone may connect to the announced port first (RFC 2577 section 8, port stealing):
    // only the server's own connection gets the file. Others are turned away at once and
    // the port stays open until the server comes or the request times out.
    const std::string server = control_->PeerAddress();
    if (FormatDottedAddress(peer.sin_addr) != server) {
        Display("! Refused a data connection from " + FormatDottedAddress(peer.sin_addr) + ":"
                + std::to_string(ntohs(peer.sin_port)) + " (not the server " + server + ")");
        TCustomWSocket::RefuseHandle(handle);
        return;
    }
    data_->OnSessionClosed = nullptr;
    data_->Close();  // one connection per transfer: stop listening
    InstallDataHandlers();
    data_->Dup(handle);
    data_->SetLingerOnOff(wsLingerOff);
    data_->ApplyLinger();
    data_arrived_ = true;
    data_arrival_timer_->stop();
    if (prot_private_)
        return MaybeStartDataTls();  // linked once the handshake is done
    LinkData();
}

// --- replies of a transfer ---------------------------------------------------------------

// The server refused the transfer command: the request ends with its reply.
void TCustomFtpCli::RefuseTransfer()
{
    if (!use_pasv_ && reply_code_ == 425 && local_failure_.empty())
        active_failure_ = ActiveModeFailure::DataRefused;
    reply_handler_ = nullptr;
    restart_offset_ = 0;
    FailRequest(reply_code_, reply_line_, Held::DataConnection, LogLine::Omitted);
}

void TCustomFtpCli::OnStoreReply()
{
    if (!TakeFinalReply())
        return;
    if (IsStoreAccepted(reply_code_)) {
        store_accepted_ = transfer_accepted_ = true;
        awaiting_reply_ = true;  // the transfer's final reply
        reply_handler_ = &TCustomFtpCli::OnTransferReply;
        if (data_linked_)
            PostStartSending();
        else
            MaybeStartDataTls();
        return;
    }
    RefuseTransfer();
}

void TCustomFtpCli::OnRetrieveReply()
{
    if (!TakeFinalReply())
        return;
    if (IsDownloadAccepted(reply_code_)) {
        transfer_accepted_ = true;
        awaiting_reply_ = true;
        reply_handler_ = &TCustomFtpCli::OnTransferReply;
        MaybeStartDataTls();
        return;
    }
    RefuseTransfer();
}

void TCustomFtpCli::OnTransferReply()
{
    if (!TakeFinalReply())
        return;
    const bool upload = direction_ == Direction::Upload;
    if (upload ? IsStoreComplete(reply_code_) : IsDownloadComplete(reply_code_)) {
        transfer_replied_ = true;
        MaybeFinishTransfer();
        return;
    }
    if (!use_pasv_ && reply_code_ == 425 && local_failure_.empty())
        active_failure_ = ActiveModeFailure::DataRefused;
    Display(upload ? "! STOR Failed" : "! RETR/LIST/NLST Failed");
    FailRequest(reply_code_, reply_line_, Held::DataConnection, LogLine::Omitted);
}

// --- sending ---------------------------------------------------------------------------

void TCustomFtpCli::PostStartSending()
{
    events_->Post(new NetEvent(kStartSending, transfer_serial_));
}

void TCustomFtpCli::StartSending()
{
    if (sending_started_ || direction_ != Direction::Upload || done_signalled_)
        return;
    sending_started_ = true;
    transfer_start_ = NowMs();
    SendNextChunk(0);
}

void TCustomFtpCli::SendNextChunk(int error)
{
    if (source_ == nullptr || !ReportProgress())
        return;
    if (error != 0) {
        Display("! Error #" + std::to_string(error) + " sending data");
        NoteLocalFailure("426 Error #" + std::to_string(error) + " sending data");
        CloseDataConnection();
        return;
    }
    if (source_exhausted_ || !store_accepted_ || !data_linked_ || data_->State() != wsConnected)
        return;
    const size_t count = std::fread(chunk_buffer_, 1, sizeof chunk_buffer_, source_);
    if (count > 0) {
        transfer_count_ += static_cast<long long>(count);
        data_->Send(chunk_buffer_, static_cast<int>(count));
        return;
    }
    if (std::ferror(source_)) {
        Display("! Error reading file");
        NoteLocalFailure("426 Error reading file");
        CloseDataConnection();
        return;
    }
    // End of file: close the data connection after a short pause, from the
    // event loop; the close tells the server the file is complete.
    source_exhausted_ = true;
    end_of_file_timer_->start(kEndOfFilePauseMs);
}

// One read per call; the socket layer returns to the event loop after a bounded share.
void TCustomFtpCli::DiscardData()
{
    char scratch[2048];
    data_->Receive(scratch, sizeof scratch);
}

void TCustomFtpCli::ReceiveData()
{
    char buffer[kReceiveChunk];
    const int received = data_->Receive(buffer, sizeof buffer);
    if (received < 0) {
        if (data_->LastError() != kWsaWouldBlock) {
            Display("! Data: Receive error " + std::to_string(data_->LastError()));
            NoteLocalFailure("426 Data: Receive error " + std::to_string(data_->LastError()));
            CloseDataConnection();
        }
        return;
    }
    if (received == 0)
        return;  // the close event follows
    transfer_count_ += received;
    if (display_file_flag_) {
        std::string text(buffer, static_cast<size_t>(received));
        if (OnDisplayFile)
            OnDisplayFile(text);
    } else if (destination_ == nullptr
               || std::fwrite(buffer, 1, static_cast<size_t>(received), destination_)
                      != static_cast<size_t>(received)) {
        Display("! Error writing local file");
        NoteLocalFailure("426 Error writing local file");
        CloseLocalFiles();
        CloseDataConnection();
        return;
    }
    ReportProgress();
}

bool TCustomFtpCli::ReportProgress()
{
    bool abort = false;
    if (OnProgress)
        OnProgress(transfer_count_ + restart_offset_, abort);
    if (abort) {
        Display("! Abort requested");
        NoteLocalFailure("426 Abort requested");
        CloseDataConnection();
        return false;
    }
    RenewDeadline();
    return true;
}

void TCustomFtpCli::NoteLocalFailure(const std::string& text)
{
    // This side broke the transfer off: the server may still confirm what it
    // received as complete, so the request must not end as a success.
    if (local_failure_.empty())
        local_failure_ = text;
}

// --- the end of a transfer ----------------------------------------------------------------

void TCustomFtpCli::OnDataClosed(int error)
{
    // An upload ends when this side closes: the server cannot know the file is complete
    // before that. A server that closes first has cut the file off, even when every byte
    // had already left for the system's send buffer.
    if (direction_ == Direction::Upload && !closing_data_ && source_exhausted_
        && local_failure_.empty()) {
        NoteLocalFailure("426 The server closed the data connection before " + local_file_name_
                         + " was complete");
        Display("! " + local_failure_);
    }
    CloseLocalFiles();
    data_closed_flag_ = true;
    data_close_error_ = error;
    MaybeFinishTransfer();
}

void TCustomFtpCli::MaybeFinishTransfer()
{
    if (!transfer_replied_ || !data_closed_flag_)
        return;
    ShowTransferStats();
    const int outcome = TransferOutcome();
    restart_offset_ = 0;
    direction_ = Direction::None;
    request_outcome_ = outcome;
    FinishRequest(outcome);
}

// The server's 226 only says that it saw the data connection close. The transfer succeeded
// when the close carried no error, this side broke nothing off, and an upload handed every
// byte of its file to the data connection: a peer that closes early (even cleanly), or an
// error that drops the connection, must not make a cut-off file read as stored.
int TCustomFtpCli::TransferOutcome()
{
    std::string failure;
    int outcome = data_close_error_;
    if (outcome != 0) {
        failure = "426 " + WinsockErrorText(outcome) + " (Winsock error #" + std::to_string(outcome)
                  + ")";
    } else if (!local_failure_.empty()) {
        failure = local_failure_;  // logged when it happened
    } else if (direction_ == Direction::Upload && !source_exhausted_) {
        failure = IncompleteUploadText();
        Display("! " + failure);
    }
    if (failure.empty())
        return 0;
    if (outcome == 0)
        outcome = reply_code_ = 426;
    KeepFirstError(failure);
    return outcome;
}

std::string TCustomFtpCli::IncompleteUploadText() const
{
    return "426 Only " + std::to_string(transfer_count_) + " of " + std::to_string(source_size_)
           + " bytes of " + local_file_name_ + " were sent";
}

void TCustomFtpCli::ShowTransferStats()
{
    transfer_end_ = NowMs();
    const long long elapsed = transfer_start_ == 0 ? 0 : transfer_end_ - transfer_start_;
    std::string line = std::to_string(transfer_count_) + " bytes received/sent in "
                       + std::to_string(elapsed / 1000) + " seconds";
    if (elapsed != 0) {
        const long long rate = transfer_count_ <= 32767 ? transfer_count_ * 1000 / elapsed
                                                        : (transfer_count_ / elapsed) * 1000;
        line += " (" + std::to_string(rate) + " Bytes/sec)";
    }
    Display("! " + line);
}

void TCustomFtpCli::CloseLocalFiles()
{
    if (source_ != nullptr) {
        std::fclose(source_);
        source_ = nullptr;
    }
    if (destination_ != nullptr) {
        if (std::fclose(destination_) != 0)
            NoteLocalFailure("426 Error writing local file");
        destination_ = nullptr;
    }
}

void TCustomFtpCli::CloseDataConnection()
{
    closing_data_ = true;
    if (data_->State() != wsClosed)
        data_->Close();
}

}  // namespace mondeliar::net
