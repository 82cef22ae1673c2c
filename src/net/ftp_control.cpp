// The control connection of the FTP client: opening the session, sending
// commands, cutting replies into lines and checking them.

#include "net/ftp_client.h"

#include "net/ftp_reply.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace mondeliar::net {

namespace {

std::string SocketErrorLine(int error)
{
    return "500 " + WinsockErrorText(error) + " (Winsock error #" + std::to_string(error) + ")";
}

std::string ExceptionLine(const std::exception& error)
{
    return "500 " + ExceptionClassName(error) + ": " + error.what();
}

bool IsDefaultFtpPort(const std::string& port)
{
    return strcasecmp(port.c_str(), "ftp") == 0 || port == "21";
}

}  // namespace

// --- open step -------------------------------------------------------------------

void TCustomFtpCli::ApplyConnectionSettings(TWSocket& socket) const
{
    const bool socks = connection_type_ == ftpSocks4 || connection_type_ == ftpSocks4A
                       || connection_type_ == ftpSocks5;
    socket.SetSocksServer(socks ? socks_server_ : std::string());
    if (!socks)
        return;
    socket.SetSocksPort(socks_port_.empty() ? std::string("1080") : socks_port_);
    socket.SetSocksLevel(connection_type_ == ftpSocks4    ? "4"
                         : connection_type_ == ftpSocks4A ? "4A"
                                                          : "5");
    socket.SetSocksUsercode(socks_user_code_);
    socket.SetSocksPassword(socks_password_);
    socket.SetSocksAuthentication(socksAuthenticateUsercode);
}

void TCustomFtpCli::StartOpen()
{
    CheckIdle();
    if (session_open_)
        throw FtpException("FTP component already connected");
    if (!in_compound_)
        request_kind_ = ftpOpenAsync;
    done_signalled_ = false;
    reply_buffer_.Clear();
    request_outcome_ = 0;
    awaiting_reply_ = false;
    ChangeState(FtpSessionState::fstResolving);
    try {
        ApplyConnectionSettings(*control_);
        control_->LookupHost(connection_type_ == ftpProxy ? proxy_server_ : host_name_);
    } catch (const std::exception&) {
        // Refused at once (an empty host name): the client stays usable.
        done_signalled_ = true;
        ChangeState(FtpSessionState::fstReady);
        throw;
    }
}

void TCustomFtpCli::OnControlLookupDone(int error)
{
    if (state_ != FtpSessionState::fstResolving)
        return;  // cancelled by an abort
    if (error != 0)
        return FailRequest(500, SocketErrorLine(error), Held::Nothing, LogLine::Omitted,
                           EarlierError::Kept, error);
    try {
        control_->SetAddr(control_->DnsResult());
        control_->SetLocalAddr(local_addr_);
        control_->SetProto("tcp");
        control_->SetPort(connection_type_ == ftpProxy && !proxy_port_.empty() ? proxy_port_
                                                                               : port_);
        ChangeState(FtpSessionState::fstWaitGreeting);
        control_->Connect();
    } catch (const std::exception& connect_error) {
        FailRequest(500, ExceptionLine(connect_error), Held::Nothing, LogLine::Omitted);
        if (control_->State() != wsClosed)
            control_->Close();
        ChangeState(FtpSessionState::fstReady);
    }
}

void TCustomFtpCli::OnControlConnected(int error)
{
    if (state_ != FtpSessionState::fstWaitGreeting)
        return;
    if (error != 0) {
        FailRequest(500, SocketErrorLine(error), Held::Nothing, LogLine::Omitted,
                    EarlierError::Kept, error);
        control_->Close();
        ChangeState(FtpSessionState::fstReady);
        return;
    }
    session_open_ = true;
    awaiting_reply_ = true;  // the greeting
}

// --- TLS (RFC 4217) -------------------------------------------------------------------

void TCustomFtpCli::PrepareTls()
{
    std::string pinned;
    if (!tls_fingerprint_.empty() && !ParseFingerprint(tls_fingerprint_, &pinned))
        throw FtpException("Invalid server certificate fingerprint \"" + tls_fingerprint_
                           + "\": a SHA-256 fingerprint has 64 hex digits");
    tls_context_ = std::make_shared<TlsContext>(pinned);
    prot_private_ = false;
}

std::string TCustomFtpCli::TlsHostName() const
{
    return connection_type_ == ftpProxy ? proxy_server_ : host_name_;
}

void TCustomFtpCli::StartAuth()
{
    current_step_ = FtpStep::Auth;
    RunCommand(ftpAuthAsync, "AUTH TLS", {234}, &TCustomFtpCli::AfterAuth);
}

void TCustomFtpCli::AfterAuth()
{
    if (request_outcome_ != 0) {
        // Without TLS the session goes no further, so the password never travels in clear.
        return FailRequest(reply_code_,
                           reply_line_ + " (the server refused AUTH TLS: nothing more was sent)",
                           Held::Session, LogLine::Omitted, EarlierError::Replaced);
    }
    // Whatever followed the 234 in clear cannot be the server's answer to a command sent
    // under TLS (command injection before the handshake): it is dropped.
    reply_buffer_.Clear();
    awaiting_reply_ = true;  // the handshake: a close now is a failure
    try {
        control_->StartTls(tls_context_, TlsHostName());
    } catch (const std::exception& error) {
        FailRequest(500, ExceptionLine(error), Held::Session, LogLine::Omitted);
    }
}

void TCustomFtpCli::OnControlTlsDone(int error)
{
    if (current_step_ != FtpStep::Auth || state_ != FtpSessionState::fstWaitReply
        || done_signalled_)
        return;
    awaiting_reply_ = false;
    if (error != 0) {
        // The session ends before USER: the report says why, with the fingerprint offered.
        Display("! " + control_->TlsErrorText());
        return FailRequest(500, "500 " + control_->TlsErrorText(), Held::Session,
                           LogLine::Omitted);
    }
    Display("! TLS established (" + control_->TlsDescription() + "), server certificate SHA-256 "
            + control_->TlsPeerFingerprint());
    FinishRequest(0);
}

void TCustomFtpCli::AfterProt()
{
    prot_private_ = request_outcome_ == 0;
    FinishRequest(request_outcome_);
}

// --- commands ----------------------------------------------------------------------

void TCustomFtpCli::StartUser()
{
    if (user_name_.empty())
        throw FtpException("UserName emtpy");
    current_step_ = FtpStep::User;
    std::string command = "USER " + user_name_;
    if (connection_type_ == ftpProxy) {
        command += "@" + host_name_;
        if (!IsDefaultFtpPort(port_))
            command += ":" + port_;
    }
    RunCommand(ftpUserAsync, command, {331, 230});
}

void TCustomFtpCli::StartPass()
{
    if (pass_word_.empty())
        throw FtpException("Password emtpy");
    RunCommand(ftpPassAsync, "PASS " + pass_word_, {230});
}

void TCustomFtpCli::StartCwd()
{
    if (host_dir_name_.empty())
        throw FtpException("HostDirName emtpy");
    current_step_ = FtpStep::Cwd;
    RunCommand(ftpCwdAsync, "CWD " + host_dir_name_, {200, 250, 257});
}

void TCustomFtpCli::StartType()
{
    RunCommand(ftpTypeSetAsync, std::string("TYPE ") + (binary_ ? "I" : "A"), {200});
}

void TCustomFtpCli::StartRest()
{
    RunCommand(ftpRestAsync, "REST " + std::to_string(resume_at_), {});
}

void TCustomFtpCli::StartQuit()
{
    transfer_->CloseFile();
    current_step_ = FtpStep::Quit;
    RunCommand(ftpQuitAsync, "QUIT", {221}, &TCustomFtpCli::AfterQuit);
}

void TCustomFtpCli::AfterQuit()
{
    // RFC 959 section 4.1.1: the server closes after 221; the client does
    // too, whatever the reply was.
    control_->Close();
}

void TCustomFtpCli::RunCommand(TFtpRequest kind, const std::string& command,
                               std::initializer_list<int> accept_codes, Handler after_reply)
{
    const bool always_allowed = command == "QUIT" || command == "ABOR" || command == "STAT";
    if (!always_allowed) {
        CheckIdle();
        if (!session_open_)
            throw FtpException("FTP component not connected");
    }
    if (!in_compound_)
        request_kind_ = kind;
    accept_codes_.fill(0);
    size_t count = 0;
    for (int code : accept_codes)
        if (count < accept_codes_.size() - 1)
            accept_codes_[count++] = code;
    done_signalled_ = false;
    reply_handler_ = &TCustomFtpCli::CheckReply;
    after_reply_ = after_reply;
    error_message_.clear();
    ChangeState(FtpSessionState::fstWaitReply);
    WriteCommand(command);
}

void TCustomFtpCli::WriteCommand(const std::string& command)
{
    std::string line = command;
    if (OnCommand)
        OnCommand(line);
    Display("> " + line);
    awaiting_reply_ = true;
    // Without a connection nothing is written; the wait runs out.
    if (control_->State() == wsConnected)
        control_->SendText(line + "\r\n");
}

// --- replies -----------------------------------------------------------------------

// One call takes in at most one buffer (4095 bytes) and handles the lines it completes; the
// socket layer bounds the calls of one readiness event, so a server that never stops sending
// cannot keep the wait from seeing its time-out.
void TCustomFtpCli::OnControlDataAvailable(int /*error*/)
{
    const int received = control_->Receive(reply_buffer_.Tail(), reply_buffer_.Room());
    if (received == 0) {
        // The peer closed, or a line longer than the buffer: either ends the session.
        control_->Close();
        return;
    }
    if (received < 0)
        return;
    reply_buffer_.Added(received);
    // The client goes with its sockets: a handler that destroyed it destroyed this one too.
    const CallGuard guard(*control_);
    std::string raw_line;
    while (reply_buffer_.TakeLine((options_ & ftpAcceptLF) != 0, &raw_line)) {
        reply_line_ = StripLineEnd(raw_line);
        if (OnResponse)
            OnResponse();
        if (guard.Destroyed())
            return;
        switch (state_) {
        case FtpSessionState::fstWaitGreeting:
            if (!HandleGreetingLine())
                return;  // connection closed: stop reading
            break;
        case FtpSessionState::fstWaitReply:
            HandleWaitReplyLine();
            break;
        default:
            ShowReply();
            break;
        }
        if (guard.Ended() || control_->State() != wsConnected)
            return;
    }
}

bool TCustomFtpCli::HandleGreetingLine()
{
    ShowReply();
    const ReplyNumber number = ParseReplyNumber(reply_line_);
    if (!number.starts_with_digit)
        return true;
    reply_code_ = number.code;
    if (number.continued)
        return true;
    awaiting_reply_ = false;
    if (reply_code_ != 220) {
        FailRequest(reply_code_, reply_line_, Held::Session, LogLine::Omitted);
        return false;
    }
    ChangeState(FtpSessionState::fstConnected);
    if (OnSessionConnected)
        OnSessionConnected(0);
    FinishRequest(0);
    return true;
}

void TCustomFtpCli::HandleWaitReplyLine()
{
    if (!EndsReply(ParseReplyNumber(reply_line_)))
        return;  // only the last line of a reply counts
    if (reply_handler_ == nullptr)
        throw FtpException("Program error: FNext is nil");
    awaiting_reply_ = false;
    (this->*reply_handler_)();
}

bool TCustomFtpCli::AcceptsReplyCode(int code) const
{
    if (accept_codes_[0] == 0)
        return IsAcceptedWithoutList(code);
    for (int accepted : accept_codes_) {
        if (accepted == 0)
            break;
        if (accepted == code)
            return true;
    }
    return false;
}

// Shows the reply line and keeps its number. False for a line that is not the final line of
// a reply (RFC 959 section 4.2), which the handlers pass over.
bool TCustomFtpCli::TakeFinalReply()
{
    ShowReply();
    const ReplyNumber number = ParseReplyNumber(reply_line_);
    if (!EndsReply(number))
        return false;
    reply_code_ = number.code;
    return true;
}

void TCustomFtpCli::CheckReply()
{
    if (!TakeFinalReply())
        return;
    const bool success = AcceptsReplyCode(reply_code_);
    if (success) {
        request_outcome_ = 0;
    } else {
        request_outcome_ = reply_code_;
        KeepFirstError(reply_line_);
    }
    if (use_pasv_ && reply_code_ == 227)
        pasv_reply_ = reply_line_;
    if (success) {
        switch (current_step_) {
        case FtpStep::Cwd:
        case FtpStep::Mkd:
        case FtpStep::Pwd:
        case FtpStep::Cdup:
            dir_result_ = ExtractQuotedName(reply_line_);
            break;
        case FtpStep::Size:
            if (!ParseSizeReply(reply_line_, &size_result_))
                size_result_ = 0;
            break;
        case FtpStep::Rest:
            restart_offset_ = resume_at_;
            break;
        default:
            break;
        }
    }
    if (after_reply_ != nullptr)
        (this->*after_reply_)();
    else
        FinishRequest(request_outcome_);
}

// --- closing -------------------------------------------------------------------------

void TCustomFtpCli::OnControlClosed(int error)
{
    // The server went away before answering: that is no success.
    const bool cut_off = awaiting_reply_ && request_outcome_ == 0 && !done_signalled_
                         && state_ != FtpSessionState::fstAborting;
    awaiting_reply_ = false;
    reply_buffer_.Clear();
    prot_private_ = false;
    tls_context_.reset();
    if (session_open_) {
        session_open_ = false;
        if (state_ != FtpSessionState::fstAborting)
            ChangeState(FtpSessionState::fstDisconnected);
        if (OnSessionClosed)
            OnSessionClosed(error);
    }
    if (state_ == FtpSessionState::fstAborting)
        return;
    ChangeState(FtpSessionState::fstBetweenSteps);
    if (!cut_off)
        return FinishRequest(request_outcome_);
    FailRequest(426,
                error != 0 ? "426 Connection closed (Winsock error #" + std::to_string(error) + ")"
                           : "426 Connection closed",
                Held::Nothing, LogLine::Omitted);
}

}  // namespace mondeliar::net
