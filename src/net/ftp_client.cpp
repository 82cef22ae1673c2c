// The request engine of the FTP client: compound requests, finishing,
// aborting, the session log and the public asynchronous operations.

#include "net/ftp_client.h"

#include "net/posted_events.h"

#include <QDebug>

namespace mondeliar::net {

namespace {

constexpr const char* kStateNames[] = {
    "fstReady",     "fstResolving",    "fstWaitGreeting", "fstConnected",
    "fstWaitReply", "fstBetweenSteps", "fstDisconnected", "fstAborting",
};

size_t Bit(FtpStep step)
{
    return static_cast<size_t>(step);
}

}  // namespace

std::string ExceptionClassName(const std::exception& error)
{
    if (dynamic_cast<const FtpException*>(&error))
        return "FtpException";
    if (dynamic_cast<const ESocketException*>(&error))
        return "ESocketException";
    return "Exception";
}

const char* FtpStateName(FtpSessionState state)
{
    return kStateNames[static_cast<size_t>(state)];
}

TCustomFtpCli::TCustomFtpCli() : control_(std::make_unique<TWSocket>())
{
    events_ = new EventTarget([this](NetEvent& event) { Guarded([&] { HandlePosted(event); }); });
    control_->OnDnsLookupDone = [this](int error) { OnControlLookupDone(error); };
    control_->OnSessionConnected = [this](int error) { OnControlConnected(error); };
    control_->OnDataAvailable = [this](int error) { OnControlDataAvailable(error); };
    control_->OnSessionClosed = [this](int error) { OnControlClosed(error); };
    control_->OnTlsDone = [this](int error) { OnControlTlsDone(error); };
    // Exceptions escaping the client's socket handlers are shown to the
    // application before the socket drops its connection.
    auto forward = [this](const std::exception& error, bool& can_close) {
        if (OnBgException)
            OnBgException(error, can_close);
    };
    control_->OnBgException = forward;
    auto data = std::make_unique<TWSocket>();
    data->OnBgException = [this, forward](const std::exception& error, bool& can_close) {
        // The data connection is dropped after this: the log says why.
        const std::string text = error.what();
        Display("! " + text.substr(0, text.find_first_of("\r\n")));
        forward(error, can_close);
    };
    transfer_hooks_.log = [this](const std::string& line) { Display(line); };
    transfer_hooks_.progress = [this](long long count) {
        bool abort = false;
        if (OnProgress)
            OnProgress(count, abort);
        if (!abort)
            RenewDeadline();
        return !abort;
    };
    transfer_hooks_.show = [this](std::string& text) {
        if (OnDisplayFile)
            OnDisplayFile(text);
    };
    transfer_hooks_.guarded = [this](const std::function<void()>& work) { Guarded(work); };
    transfer_hooks_.connected = [this] { SendTransferCommand(); };
    transfer_hooks_.ended = [this](const DataTransfer::Outcome& end) { OnTransferEnded(end); };
    transfer_ = std::make_unique<DataTransfer>(std::move(data), transfer_hooks_);
}

TCustomFtpCli::~TCustomFtpCli()
{
    // The sockets go first: their close handlers must not reach a half-destroyed client.
    control_->OnSessionClosed = nullptr;
    control_.reset();
    transfer_.reset();
    EventTarget::Dispose(events_);
}

void TCustomFtpCli::SetConnectionType(TFtpConnectionType value)
{
    if (session_open_)
        throw FtpException("FTP component connected");
    connection_type_ = value;
    if (value != ftpDirect)
        use_pasv_ = true;
}

void TCustomFtpCli::SetUsePasv(bool value)
{
    if (connection_type_ == ftpDirect)
        use_pasv_ = value;
}

// --- state, log, errors --------------------------------------------------------

void TCustomFtpCli::ChangeState(FtpSessionState new_state)
{
    if (new_state == state_)
        return;
#ifndef NDEBUG
    qDebug("ftp: %s -> %s", FtpStateName(state_), FtpStateName(new_state));
#endif
    state_ = new_state;
    if (OnStateChange)
        OnStateChange();
}

void TCustomFtpCli::CheckIdle() const
{
    if (state_ != FtpSessionState::fstReady && state_ != FtpSessionState::fstBetweenSteps)
        throw FtpException("FTP component not ready");
}

void TCustomFtpCli::Display(const std::string& line)
{
    if (!OnDisplay)
        return;
    std::string message = line;
    OnDisplay(message);
}

void TCustomFtpCli::ShowReply()
{
    Display("< " + reply_line_);
}

void TCustomFtpCli::KeepFirstError(const std::string& text)
{
    // The first failure of a request is the one kept.
    if (error_message_.empty())
        error_message_ = text;
}

// The wrapper of the client's own handlers run from the event loop (posted events, timers):
// what they raise goes to OnBgException and never into Qt's loop.
void TCustomFtpCli::Guarded(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& error) {
        bool can_close = true;
        try {
            if (OnBgException)
                OnBgException(error, can_close);
        } catch (const std::exception&) {
            // The application's own handler failed: there is nobody left to tell.
        }
    }
}

void TCustomFtpCli::HandlePosted(NetEvent& event)
{
    if (event.kind == kRequestDone && OnRequestDone)
        OnRequestDone(request_kind_, event.error);
}

// --- compound requests -----------------------------------------------------------

void TCustomFtpCli::StartCompound(TFtpRequest kind, std::initializer_list<FtpStep> steps)
{
    FtpSteps wanted;
    for (FtpStep step : steps)
        wanted.set(Bit(step));
    if (session_open_ && wanted.test(Bit(FtpStep::Open)))
        throw FtpException("FTP component already connected");
    CheckIdle();
    if (wanted.test(Bit(FtpStep::Open)) && use_tls_) {
        PrepareTls();
        wanted.set(Bit(FtpStep::Auth));
        wanted.set(Bit(FtpStep::Pbsz));
        wanted.set(Bit(FtpStep::Prot));
    }
    active_failure_ = ActiveModeFailure::None;
    passive_failed_ = false;
    pasv_reply_.clear();  // only a 227 of this request names its data port
    request_kind_ = kind;
    request_outcome_ = 0;
    pending_steps_ = wanted;
    current_step_ = FtpStep::Count;
    compound_outcome_ = 0;
    restart_offset_ = 0;
    in_compound_ = true;
    reply_line_.clear();
    error_message_.clear();
    continue_with_next_step_ = false;
    done_signalled_ = false;
    try {
        NextStep();
    } catch (const std::exception&) {
        // A first step refused at once leaves nothing behind to continue later.
        pending_steps_.reset();
        in_compound_ = false;
        continue_with_next_step_ = false;
        done_signalled_ = true;
        throw;
    }
}

void TCustomFtpCli::BeginSingle(TFtpRequest kind)
{
    CheckIdle();
    in_compound_ = false;
    continue_with_next_step_ = false;
    pending_steps_.reset();
    pasv_reply_.clear();
    request_kind_ = kind;
}

bool TCustomFtpCli::SkipStep(FtpStep step) const
{
    switch (step) {
    case FtpStep::Pass:
        // A 230 to USER means no password is needed (RFC 959 section 5.4).
        return current_step_ == FtpStep::User && reply_code_ != 331;
    case FtpStep::Cwd:
        return host_dir_name_.empty();
    case FtpStep::Rest:
        return resume_at_ <= 0;
    default:
        return false;
    }
}

void TCustomFtpCli::NextStep()
{
    if (state_ == FtpSessionState::fstAborting) {
        // A step that ended while the session was aborted: the request ends with the abort.
        pending_steps_.reset();
        return FailRequest(426, "426 Operation aborted.", Held::Nothing, LogLine::Omitted,
                           EarlierError::Replaced);
    }
    continue_with_next_step_ = true;
    // The steps are declared in the order in which they run.
    for (size_t bit = 0; bit < pending_steps_.size(); ++bit) {
        const auto step = static_cast<FtpStep>(bit);
        if (!pending_steps_.test(bit))
            continue;
        pending_steps_.reset(bit);
        if (SkipStep(step))
            continue;
        current_step_ = step;
        StartStep(step);
        return;
    }
    continue_with_next_step_ = false;
    EndRequest(compound_outcome_);
}

void TCustomFtpCli::StartStep(FtpStep step)
{
    switch (step) {
    case FtpStep::Open:
        return StartOpen();
    case FtpStep::Auth:
        return StartAuth();
    case FtpStep::Pbsz:
        return RunCommand(ftpPbszAsync, "PBSZ 0", {200});  // RFC 4217 section 8: 0 for TLS
    case FtpStep::Prot:
        return RunCommand(ftpProtAsync, "PROT P", {200}, &TCustomFtpCli::AfterProt);
    case FtpStep::User:
        return StartUser();
    case FtpStep::Pass:
        return StartPass();
    case FtpStep::Cwd:
        return StartCwd();
    case FtpStep::Cdup:
        return RunCommand(ftpCDupAsync, "CDUP", {250});
    case FtpStep::Type:
        return StartType();
    case FtpStep::Port:
        return StartPortStep();
    case FtpStep::Rest:
        return StartRest();
    case FtpStep::Retr:
        return BeginRetrieve("RETR", step);
    case FtpStep::Stor:
        return BeginStore(false);
    case FtpStep::Appe:
        return BeginStore(true);
    case FtpStep::List:
        return BeginRetrieve("LIST", step);
    case FtpStep::Nlst:
        return BeginRetrieve("NLST", step);
    case FtpStep::Syst:
        return RunCommand(ftpSystAsync, "SYST", {215});
    case FtpStep::Mkd:
        return RunCommand(ftpMkdAsync, "MKD " + host_file_name_, {257});
    case FtpStep::Rmd:
        return RunCommand(ftpRmdAsync, "RMD " + host_file_name_, {250, 257});
    case FtpStep::Rnfr:
        return RunCommand(ftpRenFromAsync, "RNFR " + host_file_name_, {350});
    case FtpStep::Rnto:
        return RunCommand(ftpRenToAsync, "RNTO " + local_file_name_, {200, 250, 257});
    case FtpStep::Size:
        return RunCommand(ftpSizeAsync, "SIZE " + host_file_name_, {213});
    case FtpStep::Dele:
        return RunCommand(ftpDeleAsync, "DELE " + host_file_name_, {250, 257});
    case FtpStep::Pwd:
        return RunCommand(ftpPwdAsync, "PWD", {250, 257});
    case FtpStep::Abor:
        return RunCommand(ftpAbortXferAsync, "ABOR", {});
    case FtpStep::Quote:
        return RunCommand(ftpQuoteAsync, local_file_name_, {});
    case FtpStep::Quit:
        return StartQuit();
    case FtpStep::Count:
        break;
    }
}

void TCustomFtpCli::FailStep(const std::exception& error)
{
    // A later step refused by a usage error ends the request as a failure
    // (left alone, the request would read as finished with success).
    FailRequest(500, "500 " + ExceptionClassName(error) + ": " + error.what(), Held::Nothing);
}

void TCustomFtpCli::FailRequest(int code, const std::string& text, Held held, LogLine log,
                                EarlierError earlier, int request_error)
{
    reply_line_ = text;
    reply_code_ = request_outcome_ = code;
    KeepFirstError(transfer_->Cause());
    if (earlier == EarlierError::Replaced)
        error_message_ = text;
    KeepFirstError(text);
    if (log == LogLine::Written)
        Display("! " + text);
    continue_with_next_step_ = false;
    if (held == Held::Session)
        return control_->Close();  // the close handler finishes the request
    if (held != Held::Nothing)
        transfer_->CloseFile();
    if (held == Held::DataConnection)
        transfer_->CloseConnection();
    FinishRequest(request_error != 0 ? request_error : code);
}

// A step's end: the next step starts, or the request ends (once: a later report is ignored).
void TCustomFtpCli::FinishRequest(int error)
{
    if (done_signalled_)
        return;
    if (error != 0 || !continue_with_next_step_)
        return EndRequest(error);
    const bool passive_store_pending
        = use_pasv_
          && (pending_steps_.test(Bit(FtpStep::Stor)) || pending_steps_.test(Bit(FtpStep::Appe)));
    if (state_ != FtpSessionState::fstAborting && !passive_store_pending)
        ChangeState(FtpSessionState::fstBetweenSteps);
    if (done_signalled_)
        return;  // a handler of the state change ended the request (an abort)
    try {
        NextStep();
    } catch (const std::exception& step_error) {
        FailStep(step_error);
    }
}

void TCustomFtpCli::EndRequest(int error)
{
    done_signalled_ = true;
    ChangeState(FtpSessionState::fstReady);
    transfer_->Stop();
    in_compound_ = false;
    continue_with_next_step_ = false;
    events_->Post(new NetEvent(kRequestDone, 0, error));
}

void TCustomFtpCli::AbortSession()
{
    const FtpSessionState previous = state_;
    ChangeState(FtpSessionState::fstAborting);
    transfer_->CloseFile();
    if (previous == FtpSessionState::fstResolving)
        control_->CancelLookup();
    if (control_->State() != wsClosed)
        control_->Close();
    transfer_->CloseConnection();  // the end of its request stops it
    session_open_ = false;
    awaiting_reply_ = false;
    prot_private_ = false;
    tls_context_.reset();
    // The request caught by the abort ends here, so OnRequestDone reports it.
    if (!done_signalled_)
        FailRequest(426, "426 Operation aborted.", Held::Nothing, LogLine::Omitted);
    ChangeState(FtpSessionState::fstReady);
}

// --- public operations -------------------------------------------------------------

// Each compound request: its kind and its steps, which run in the order of their declaration
// (S stands for FtpStep in the rows). A whole session logs on, changes to HostDirName, does its
// work and quits.
#define MONDELIAR_FTP_COMPOUND(name, kind, ...)                                                    \
    void TCustomFtpCli::name()                                                                     \
    {                                                                                              \
        using S = FtpStep;                                                                         \
        StartCompound(kind, {__VA_ARGS__});                                                        \
    }
#define MONDELIAR_FTP_SESSION(name, kind, ...)                                                     \
    MONDELIAR_FTP_COMPOUND(name, kind, S::Open, S::User, S::Pass, S::Cwd, __VA_ARGS__, S::Quit)
MONDELIAR_FTP_COMPOUND(OpenSessionAsync, ftpOpenSessionAsync, S::Open, S::User, S::Pass)
MONDELIAR_FTP_COMPOUND(StoreFileAsync, ftpStoreFileAsync, S::Port, S::Stor)
MONDELIAR_FTP_COMPOUND(RestartPutAsync, ftpRestartPutAsync, S::Port, S::Rest, S::Stor)
MONDELIAR_FTP_COMPOUND(AppendAsync, ftpAppendAsync, S::Port, S::Appe)
MONDELIAR_FTP_COMPOUND(GetAsync, ftpGetAsync, S::Port, S::Retr)
MONDELIAR_FTP_COMPOUND(DirAsync, ftpDirAsync, S::Port, S::List)
MONDELIAR_FTP_COMPOUND(LsAsync, ftpLsAsync, S::Port, S::Nlst)
MONDELIAR_FTP_COMPOUND(RenameAsync, ftpRenameAsync, S::Rnfr, S::Rnto)
MONDELIAR_FTP_COMPOUND(SystemAsync, ftpSystemAsync, S::Open, S::User, S::Pass, S::Syst, S::Quit)
MONDELIAR_FTP_SESSION(TransmitAsync, ftpTransmitAsync, S::Type, S::Port, S::Stor)
MONDELIAR_FTP_SESSION(RestartTransmitAsync, ftpRestartTransmitAsync, S::Type, S::Port, S::Rest,
                      S::Stor)
MONDELIAR_FTP_SESSION(AppendFileAsync, ftpAppendFileAsync, S::Type, S::Port, S::Appe)
MONDELIAR_FTP_SESSION(ReceiveAsync, ftpReceiveAsync, S::Type, S::Port, S::Retr)
MONDELIAR_FTP_SESSION(DirectoryAsync, ftpDirectoryAsync, S::Port, S::List)
MONDELIAR_FTP_SESSION(ListAsync, ftpListAsync, S::Port, S::Nlst)
MONDELIAR_FTP_SESSION(MakeDirAsync, ftpMakeDirAsync, S::Mkd)
MONDELIAR_FTP_SESSION(RemoveDirAsync, ftpRemoveDirAsync, S::Rmd)
MONDELIAR_FTP_SESSION(DeleteFileAsync, ftpDeleteFileAsync, S::Dele)
MONDELIAR_FTP_SESSION(DoQuoteAsync, ftpDoQuoteAsync, S::Quote)
MONDELIAR_FTP_SESSION(FileSizeAsync, ftpFileSizeAsync, S::Size)
MONDELIAR_FTP_SESSION(RenameFileAsync, ftpRenameFileAsync, S::Rnfr, S::Rnto)
#undef MONDELIAR_FTP_SESSION
#undef MONDELIAR_FTP_COMPOUND

void TCustomFtpCli::AutoResumeFromLocalFile()
{
    if (options_ & ftpNoAutoResumeAt)
        return;
    // Resume from what the local file already holds; without one, REST is skipped.
    resume_at_ = -1;
    if (std::FILE* file = std::fopen(local_file_name_.c_str(), "rb")) {
        if (std::fseek(file, 0, SEEK_END) == 0)
            resume_at_ = std::ftell(file);
        std::fclose(file);
    }
}

void TCustomFtpCli::RestartGetAsync()
{
    AutoResumeFromLocalFile();
    StartCompound(ftpRestartGetAsync, {FtpStep::Port, FtpStep::Rest, FtpStep::Retr});
}

void TCustomFtpCli::RestartReceiveAsync()
{
    AutoResumeFromLocalFile();
    StartCompound(ftpRestartReceiveAsync,
                  {FtpStep::Open, FtpStep::User, FtpStep::Pass, FtpStep::Cwd, FtpStep::Type,
                   FtpStep::Port, FtpStep::Rest, FtpStep::Retr, FtpStep::Quit});
}

void TCustomFtpCli::OpenAsync()
{
    BeginSingle(ftpOpenAsync);
    StartOpen();
}

#define MONDELIAR_FTP_SINGLE(name, kind, step)                                                     \
    void TCustomFtpCli::name()                                                                     \
    {                                                                                              \
        BeginSingle(kind);                                                                         \
        current_step_ = step;                                                                      \
        StartStep(step);                                                                           \
    }
MONDELIAR_FTP_SINGLE(UserAsync, ftpUserAsync, FtpStep::User)
MONDELIAR_FTP_SINGLE(PassAsync, ftpPassAsync, FtpStep::Pass)
MONDELIAR_FTP_SINGLE(CwdAsync, ftpCwdAsync, FtpStep::Cwd)
MONDELIAR_FTP_SINGLE(CDupAsync, ftpCDupAsync, FtpStep::Cdup)
MONDELIAR_FTP_SINGLE(PwdAsync, ftpPwdAsync, FtpStep::Pwd)
MONDELIAR_FTP_SINGLE(MkdAsync, ftpMkdAsync, FtpStep::Mkd)
MONDELIAR_FTP_SINGLE(RmdAsync, ftpRmdAsync, FtpStep::Rmd)
MONDELIAR_FTP_SINGLE(DeleAsync, ftpDeleAsync, FtpStep::Dele)
MONDELIAR_FTP_SINGLE(RenFromAsync, ftpRenFromAsync, FtpStep::Rnfr)
MONDELIAR_FTP_SINGLE(RenToAsync, ftpRenToAsync, FtpStep::Rnto)
MONDELIAR_FTP_SINGLE(SizeAsync, ftpSizeAsync, FtpStep::Size)
MONDELIAR_FTP_SINGLE(SystAsync, ftpSystAsync, FtpStep::Syst)
MONDELIAR_FTP_SINGLE(TypeSetAsync, ftpTypeSetAsync, FtpStep::Type)
MONDELIAR_FTP_SINGLE(AbortXferAsync, ftpAbortXferAsync, FtpStep::Abor)
MONDELIAR_FTP_SINGLE(QuoteAsync, ftpQuoteAsync, FtpStep::Quote)
#undef MONDELIAR_FTP_SINGLE

void TCustomFtpCli::TypeBinaryAsync()
{
    binary_ = true;
    TypeSetAsync();
}

void TCustomFtpCli::TypeAsciiAsync()
{
    binary_ = false;
    TypeSetAsync();
}

void TCustomFtpCli::RestAsync()
{
    BeginSingle(ftpRestAsync);
    current_step_ = FtpStep::Rest;
    if (resume_at_ > 0)
        return StartRest();
    request_outcome_ = 0;  // nothing to restart from: the request ends at once
    EndRequest(0);
}

void TCustomFtpCli::QuitSessionAsync()
{
    // QUIT is allowed whatever the state (RFC 959 section 4.1.1).
    if (state_ == FtpSessionState::fstReady || state_ == FtpSessionState::fstBetweenSteps) {
        in_compound_ = false;
        continue_with_next_step_ = false;
        pending_steps_.reset();
    }
    StartQuit();
}

}  // namespace mondeliar::net
