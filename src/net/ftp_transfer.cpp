// The client's side of transfers (STOR, APPE, RETR, LIST, NLST): the PORT/PASV step starts a
// new DataTransfer, the transfer step opens its file and sends its command, the replies to
// that command go to it, and its end ends the request. Active mode (RFC 959 section 3.2):
// PORT names a port of ours, and the server connects to it after STOR; passive mode: PASV
// names the server's port, and we connect to it before sending the transfer command.

#include "net/ftp_client.h"

#include <arpa/inet.h>

namespace mondeliar::net {

namespace {

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

}  // namespace

// --- PORT / PASV ---------------------------------------------------------------------

// A new transfer takes over the data socket; with PROT P its connection will use TLS.
void TCustomFtpCli::StartTransfer()
{
    transfer_
        = std::make_unique<DataTransfer>(transfer_->ReleaseSocket(), transfer_hooks_,
                                         prot_private_ ? tls_context_ : nullptr, TlsHostName());
}

void TCustomFtpCli::StartPortStep()
{
    StartTransfer();
    std::string command = "PASV";
    if (!use_pasv_) {
        // Listen only where the server reached us, not on every interface.
        const sockaddr_in local = control_->LocalName();
        const int data_port = transfer_->Listen(FormatDottedAddress(local.sin_addr));
        command = PortCommand(control_->Addr(), local, data_port);
    }
    try {
        // Only a 227 gives the data port of passive mode (RFC 959 section 4.1.1).
        if (use_pasv_)
            RunCommand(ftpPortAsync, command, {227}, &TCustomFtpCli::AfterPortReply);
        else
            RunCommand(ftpPortAsync, command, {200, 227}, &TCustomFtpCli::AfterPortReply);
    } catch (const std::exception&) {
        // A usage error: the port announced for nothing closes again.
        transfer_->CloseConnection();
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

// --- the transfer step -----------------------------------------------------------------

void TCustomFtpCli::BeginStore(bool append)
{
    if (!session_open_)
        throw FtpException("STOR/APPE: not connected");
    if (local_file_name_.empty())
        throw FtpException("LocalFileName empty");
    current_step_ = append ? FtpStep::Appe : FtpStep::Stor;
    done_signalled_ = false;
    bool cancel = false;
    if (OnReadyToTransmit)
        OnReadyToTransmit(cancel);
    if (cancel)
        return FailRequest(426, "426 Transmit cancelled by application", Held::Nothing,
                           LogLine::Written, EarlierError::Replaced);
    if (!transfer_->Open(DataTransfer::Direction::Upload, local_file_name_, restart_offset_, false))
        return FailRequest(426, "426 Unable to open local file " + local_file_name_,
                           Held::DataConnection, LogLine::Written, EarlierError::Replaced);
    StartTransferCommand((append ? "APPE " : "STOR ") + host_file_name_);
}

void TCustomFtpCli::BeginRetrieve(const std::string& verb, FtpStep step)
{
    if (!session_open_)
        throw FtpException("RETR/LIST/NLST: not connected");
    current_step_ = step;
    done_signalled_ = false;
    if (!transfer_->Open(DataTransfer::Direction::Download, local_file_name_, restart_offset_,
                         display_file_flag_))
        return FailRequest(550, "Unable to open local file " + local_file_name_,
                           Held::DataConnection);
    StartTransferCommand(host_file_name_.empty() ? verb : verb + " " + host_file_name_);
}

// Active mode sends the command at once and awaits the server's connection; passive mode
// connects first, and the command goes once the connection stands.
void TCustomFtpCli::StartTransferCommand(const std::string& command)
{
    transfer_command_ = command;
    if (use_pasv_)
        return StartPassiveDataConnection();
    SendTransferCommand();
    const int limit = DataArrivalLimitMs();
    if (limit > 0)
        HoldDeadline(limit + kDataArrivalGraceMs);
    transfer_->AwaitConnection(control_->PeerAddress(), limit);
}

void TCustomFtpCli::SendTransferCommand()
{
    reply_handler_ = &TCustomFtpCli::OnTransferCommandReply;
    ChangeState(FtpSessionState::fstWaitReply);
    WriteCommand(transfer_command_);
}

void TCustomFtpCli::StartPassiveDataConnection()
{
    // The transfer is under way: the synchronous wait must not see "between steps".
    ChangeState(FtpSessionState::fstWaitReply);
    int port = 0;
    if (!ParsePasvPort(pasv_reply_, &port)) {
        passive_failed_ = true;
        return FailRequest(426, "426 Invalid passive mode reply: " + pasv_reply_, Held::LocalFiles,
                           LogLine::Omitted);
    }
    try {
        ApplyConnectionSettings(transfer_->Socket());
        transfer_->Connect(control_->Addr(), std::to_string(port), local_addr_);
    } catch (const std::exception& error) {
        passive_failed_ = true;
        FailRequest(426, "426 " + ExceptionClassName(error) + ": " + error.what(), Held::LocalFiles,
                    LogLine::Omitted);
    }
}

// --- replies of a transfer ---------------------------------------------------------------

// The first reply to the transfer command: a 1xx lets the transfer go on, anything else ends
// it (RFC 959 section 4.2).
void TCustomFtpCli::OnTransferCommandReply()
{
    if (!TakeFinalReply())
        return;
    if (!(transfer_->Uploads() ? IsStoreAccepted(reply_code_) : IsDownloadAccepted(reply_code_)))
        return transfer_->Refused(reply_code_, reply_line_);
    awaiting_reply_ = true;  // the transfer's final reply
    reply_handler_ = &TCustomFtpCli::OnTransferReply;
    transfer_->Accepted();
}

void TCustomFtpCli::OnTransferReply()
{
    if (!TakeFinalReply())
        return;
    const bool upload = transfer_->Uploads();
    if (upload ? IsStoreComplete(reply_code_) : IsDownloadComplete(reply_code_))
        return transfer_->Completed();
    Display(upload ? "! STOR Failed" : "! RETR/LIST/NLST Failed");
    transfer_->Refused(reply_code_, reply_line_);
}

// --- the end of a transfer ----------------------------------------------------------------

// The transfer has closed what it held and logged its failures; the request ends with it.
void TCustomFtpCli::OnTransferEnded(const DataTransfer::Outcome& outcome)
{
    using Kind = DataTransfer::Outcome::Kind;
    restart_offset_ = 0;
    if (outcome.kind == Kind::Completed) {
        request_outcome_ = 0;
        return FinishRequest(0);
    }
    if (outcome.kind == Kind::DataRefused)
        active_failure_ = ActiveModeFailure::DataRefused;
    if (outcome.kind == Kind::Unreachable)
        passive_failed_ = true;
    if (outcome.kind != Kind::NoDataConnection)
        return FailRequest(outcome.code, outcome.failure, Held::Nothing, LogLine::Omitted,
                           EarlierError::Kept, outcome.error);
    active_failure_ = ActiveModeFailure::NoDataConnection;
    // The server still owes this transfer's replies, and would give them in answer to the next
    // command: the session ends here, so the next one starts in step.
    Display("! Session closed: its replies would be out of step");
    FailRequest(outcome.code, outcome.failure, Held::Session, LogLine::Omitted);
}

}  // namespace mondeliar::net
