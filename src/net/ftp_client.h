#pragma once
// The FTP client (RFC 959, client side). TCustomFtpCli holds the engine: a
// control connection driven by reply handlers, compound requests made of
// steps, and the data connection of transfers. TFtpClient adds the
// synchronous forms, which run the event loop until a request has finished
// or Timeout seconds passed without progress.
//
// Every asynchronous operation (…Async) returns at once, raises FtpException
// on a usage error, and reports its end through OnRequestDone. The
// synchronous forms never raise: they return true when the request completed
// with success, else false with ErrorMessage and ReplyCode telling why.

#include "net/data_transfer.h"
#include "net/ftp_reply.h"
#include "net/ftp_types.h"

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace mondeliar::net {

class TCustomFtpCli {
public:
    static constexpr int kReplyBufferSize = ReplyBuffer::kSize;

    TCustomFtpCli();
    virtual ~TCustomFtpCli();
    TCustomFtpCli(const TCustomFtpCli&) = delete;
    TCustomFtpCli& operator=(const TCustomFtpCli&) = delete;

    // --- properties ---------------------------------------------------------
    const std::string& HostName() const { return host_name_; }
    void SetHostName(const std::string& value) { host_name_ = value; }
    const std::string& Port() const { return port_; }
    void SetPort(const std::string& value) { port_ = value; }
    const std::string& LocalAddr() const { return local_addr_; }
    void SetLocalAddr(const std::string& value) { local_addr_ = value; }
    const std::string& UserName() const { return user_name_; }
    void SetUserName(const std::string& value) { user_name_ = value; }
    const std::string& PassWord() const { return pass_word_; }
    void SetPassWord(const std::string& value) { pass_word_ = value; }
    const std::string& HostDirName() const { return host_dir_name_; }
    void SetHostDirName(const std::string& value) { host_dir_name_ = value; }
    const std::string& HostFileName() const { return host_file_name_; }
    void SetHostFileName(const std::string& value) { host_file_name_ = value; }
    const std::string& LocalFileName() const { return local_file_name_; }
    void SetLocalFileName(const std::string& value) { local_file_name_ = value; }
    bool DisplayFileFlag() const { return display_file_flag_; }
    void SetDisplayFileFlag(bool value) { display_file_flag_ = value; }
    bool Binary() const { return binary_; }
    void SetBinary(bool value) { binary_ = value; }
    TFtpShareMode ShareMode() const { return share_mode_; }
    void SetShareMode(TFtpShareMode value) { share_mode_ = value; }
    TFtpOptions Options() const { return options_; }
    void SetOptions(TFtpOptions value) { options_ = value; }
    TFtpConnectionType ConnectionType() const { return connection_type_; }
    void SetConnectionType(TFtpConnectionType value);  // "FTP component connected" while open
    bool UsePasv() const { return use_pasv_; }
    void SetUsePasv(bool value);  // obeyed only under ftpDirect
    const std::string& ProxyServer() const { return proxy_server_; }
    void SetProxyServer(const std::string& value) { proxy_server_ = value; }
    const std::string& ProxyPort() const { return proxy_port_; }
    void SetProxyPort(const std::string& value) { proxy_port_ = value; }
    const std::string& SocksServer() const { return socks_server_; }
    void SetSocksServer(const std::string& value) { socks_server_ = value; }
    const std::string& SocksPort() const { return socks_port_; }
    void SetSocksPort(const std::string& value) { socks_port_ = value; }
    const std::string& SocksUserCode() const { return socks_user_code_; }
    void SetSocksUserCode(const std::string& value) { socks_user_code_ = value; }
    const std::string& SocksPassword() const { return socks_password_; }
    void SetSocksPassword(const std::string& value) { socks_password_ = value; }
    long long ResumeAt() const { return resume_at_; }
    void SetResumeAt(long long value) { resume_at_ = value; }
    // Explicit FTP over TLS (RFC 4217): sessions opened with it send AUTH TLS right after
    // the greeting and go no further unless the handshake and the certificate check pass,
    // then PBSZ 0 and PROT P after logging on; every data connection is TLS too.
    bool UseTls() const { return use_tls_; }
    void SetUseTls(bool value) { use_tls_ = value; }
    // SHA-256 fingerprint of the one server certificate to accept instead of the system's
    // trusted ones and the host name (hex, colons and blanks allowed); empty: none.
    const std::string& TlsFingerprint() const { return tls_fingerprint_; }
    void SetTlsFingerprint(const std::string& value) { tls_fingerprint_ = value; }

    // --- results ------------------------------------------------------------
    const std::string& ErrorMessage() const { return error_message_; }
    int ReplyCode() const { return reply_code_; }
    const std::string& ReplyLine() const { return reply_line_; }
    const std::string& DirResult() const { return dir_result_; }  // CWD, MKD, PWD, CDUP
    long long SizeResult() const { return size_result_; }         // SIZE
    long long ByteCount() const { return transfer_->Count(); }    // of the last transfer
    int RequestOutcome() const { return request_outcome_; }
    TFtpRequest RequestKind() const { return request_kind_; }
    FtpSessionState State() const { return state_; }
    bool Connected() const { return session_open_; }  // control session open
    TWSocket& ControlConnection() { return *control_; }
    TWSocket& DataConnection() { return transfer_->Socket(); }  // one object, transfer to transfer
    // Set when the last request failed in active mode in a way passive mode may cure.
    ActiveModeFailure LastActiveModeFailure() const { return active_failure_; }
    // Set when the last request failed in passive mode before its data connection stood:
    // PASV answered with anything but 227, or the server's data port could not be reached.
    bool PassiveModeFailed() const { return passive_failed_; }

    // --- compound requests ----------------------------------------------------
    void OpenSessionAsync();  // open, USER, PASS
    void StoreFileAsync();    // PORT/PASV, STOR
    void RestartPutAsync();   // PORT/PASV, REST, STOR
    void AppendAsync();       // PORT/PASV, APPE
    void GetAsync();          // PORT/PASV, RETR
    void RestartGetAsync();   // PORT/PASV, REST, RETR
    void DirAsync();          // PORT/PASV, LIST
    void LsAsync();           // PORT/PASV, NLST
    void RenameAsync();       // RNFR, RNTO
    void TransmitAsync();
    void RestartTransmitAsync();
    void AppendFileAsync();
    void ReceiveAsync();
    void RestartReceiveAsync();
    void DirectoryAsync();
    void ListAsync();
    void MakeDirAsync();
    void RemoveDirAsync();
    void DeleteFileAsync();
    void DoQuoteAsync();
    void FileSizeAsync();
    void RenameFileAsync();
    void SystemAsync();

    // --- single commands --------------------------------------------------------
    void OpenAsync();  // connect and wait for the greeting 220
    void UserAsync();
    void PassAsync();
    void CwdAsync();
    void CDupAsync();
    void PwdAsync();
    void MkdAsync();
    void RmdAsync();
    void DeleAsync();
    void RenFromAsync();
    void RenToAsync();
    void SizeAsync();
    void SystAsync();
    void TypeSetAsync();
    void TypeBinaryAsync();
    void TypeAsciiAsync();
    void AbortXferAsync();  // ABOR
    void QuoteAsync();      // LocalFileName sent as the command line
    void RestAsync();
    void QuitSessionAsync();

    // Drops both connections and whatever request runs.
    void AbortSession();

    // --- events -------------------------------------------------------------
    std::function<void(std::string& Msg)> OnDisplay;
    std::function<void(std::string& Msg)> OnDisplayFile;
    std::function<void(std::string& Cmd)> OnCommand;
    std::function<void()> OnResponse;
    std::function<void(long long Count, bool& Abort)> OnProgress;
    std::function<void(int Error)> OnSessionConnected;
    std::function<void(int Error)> OnSessionClosed;
    std::function<void(TFtpRequest RqType, int Error)> OnRequestDone;
    std::function<void()> OnStateChange;
    std::function<void(bool& bCancel)> OnReadyToTransmit;
    std::function<void(const std::exception& E, bool& CanClose)> OnBgException;

protected:
    // Called whenever a transfer made progress; the synchronous wait renews its deadline.
    virtual void RenewDeadline() {}
    // How long the server's data connection may take to come in active mode (0: no limit),
    // and the wait's promise to run at least that long, so the transfer can fail on its own.
    virtual int DataArrivalLimitMs() const { return 0; }
    virtual void HoldDeadline(qint64 /*ms_from_now*/) {}

    void ChangeState(FtpSessionState new_state);
    void CheckIdle() const;
    void SetUsageError(const std::string& text) { error_message_ = text; }
    void SetTimeoutError()
    {
        error_message_ = "426 Timeout";
        reply_code_ = 426;
    }

private:
    using Handler = void (TCustomFtpCli::*)();
    // What a failed request closes (FailRequest); the close of the Session finishes it.
    enum class Held { Nothing, LocalFiles, DataConnection, Session };
    enum class LogLine { Written, Omitted };  // "! <text>" in the session log
    enum class EarlierError { Kept, Replaced };
    enum PostedKind { kRequestDone = 1 };

    // requests and steps (ftp_client.cpp)
    void StartCompound(TFtpRequest kind, std::initializer_list<FtpStep> steps);
    void BeginSingle(TFtpRequest kind);
    void AutoResumeFromLocalFile();
    void NextStep();
    bool SkipStep(FtpStep step) const;
    void StartStep(FtpStep step);
    void FailStep(const std::exception& error);
    void FinishRequest(int error);
    void EndRequest(int error);
    // Ends the request as a failure: `text` becomes the reply line and (unless an earlier error
    // is kept) ErrorMessage, `code` the reply code and the outcome; then the log line, what it
    // held is closed, and it finishes, OnRequestDone reporting `request_error` (0: `code`).
    // A data handshake that failed in the request is the earlier error kept: what follows
    // (the server's silence, a close, an abort) follows from it.
    void FailRequest(int code, const std::string& text, Held held, LogLine log = LogLine::Written,
                     EarlierError earlier = EarlierError::Kept, int request_error = 0);
    void KeepFirstError(const std::string& text);  // ErrorMessage, unless one is set
    void Display(const std::string& line);
    void ShowReply();
    void HandlePosted(NetEvent& event);
    void Guarded(const std::function<void()>& work);

    // control session (ftp_control.cpp)
    void StartOpen();
    void PrepareTls();
    std::string TlsHostName() const;
    void StartAuth();
    void AfterAuth();
    void OnControlTlsDone(int error);
    void AfterProt();
    void StartUser();
    void StartPass();
    void StartCwd();
    void StartType();
    void StartRest();
    void StartQuit();
    void RunCommand(TFtpRequest kind, const std::string& command,
                    std::initializer_list<int> accept_codes, Handler after_reply = nullptr);
    void WriteCommand(const std::string& command);
    void OnControlLookupDone(int error);
    void OnControlConnected(int error);
    void OnControlDataAvailable(int error);
    void OnControlClosed(int error);
    bool HandleGreetingLine();
    void HandleWaitReplyLine();
    bool TakeFinalReply();
    void CheckReply();
    void AfterQuit();
    bool AcceptsReplyCode(int code) const;
    void ApplyConnectionSettings(TWSocket& socket) const;

    // transfers (ftp_transfer.cpp; the data connection is DataTransfer's)
    void StartTransfer();
    void StartPortStep();
    void AfterPortReply();
    void BeginStore(bool append);
    void BeginRetrieve(const std::string& verb, FtpStep step);
    void StartTransferCommand(const std::string& command);
    void SendTransferCommand();
    void StartPassiveDataConnection();
    void OnTransferCommandReply();
    void OnTransferReply();
    void OnTransferEnded(const DataTransfer::Outcome& outcome);

    // properties
    std::string host_name_, port_ = "ftp", local_addr_ = "0.0.0.0";
    std::string user_name_, pass_word_, host_dir_name_, host_file_name_, local_file_name_;
    bool display_file_flag_ = false;
    bool binary_ = true;
    TFtpShareMode share_mode_ = ftpShareExclusive;
    TFtpOptions options_ = ftpAcceptLF;
    TFtpConnectionType connection_type_ = ftpDirect;
    bool use_pasv_ = false;
    std::string proxy_server_, proxy_port_ = "ftp";
    std::string socks_server_, socks_port_, socks_user_code_, socks_password_;
    long long resume_at_ = 0;
    bool use_tls_ = false;
    std::string tls_fingerprint_;

    // session
    std::unique_ptr<TWSocket> control_;
    EventTarget* events_ = nullptr;
    std::shared_ptr<TlsContext> tls_context_;  // of the session opened with TLS
    bool prot_private_ = false;                // PROT P accepted: data connections use TLS
    FtpSessionState state_ = FtpSessionState::fstReady;
    bool session_open_ = false;
    ReplyBuffer reply_buffer_;
    std::string reply_line_;
    int reply_code_ = 0;
    int request_outcome_ = 0;
    std::array<int, 16> accept_codes_{};  // 0-terminated
    Handler reply_handler_ = nullptr;
    Handler after_reply_ = nullptr;
    TFtpRequest request_kind_ = ftpNone;
    bool done_signalled_ = true;  // no request runs, or the running one has ended
    bool in_compound_ = false;
    bool continue_with_next_step_ = false;
    bool awaiting_reply_ = false;  // a reply (or the greeting) is still owed by the server
    FtpSteps pending_steps_;
    FtpStep current_step_ = FtpStep::Count;
    int compound_outcome_ = 0;
    std::string error_message_;
    std::string dir_result_;
    long long size_result_ = 0;
    std::string pasv_reply_;
    ActiveModeFailure active_failure_ = ActiveModeFailure::None;
    bool passive_failed_ = false;

    // transfer
    std::unique_ptr<DataTransfer> transfer_;  // the last one started (owns the data socket)
    DataTransfer::Hooks transfer_hooks_;      // what every transfer asks of this client
    std::string transfer_command_;            // sent once the data connection allows
    long long restart_offset_ = 0;            // the REST position the transfer starts from
};

class TFtpClient : public TCustomFtpCli {
public:
    TFtpClient() = default;

    int Timeout() const { return timeout_; }  // seconds; 0 or less: no limit
    void SetTimeout(int seconds) { timeout_ = seconds; }
    bool MultiThreaded() const { return multi_threaded_; }
    void SetMultiThreaded(bool value) { multi_threaded_ = value; }

    bool OpenSession() { return Synchronize(&TCustomFtpCli::OpenSessionAsync); }
    bool QuitSession() { return Synchronize(&TCustomFtpCli::QuitSessionAsync); }
    bool StoreFile() { return Synchronize(&TCustomFtpCli::StoreFileAsync); }
    bool RestartPut() { return Synchronize(&TCustomFtpCli::RestartPutAsync); }
    bool Append() { return Synchronize(&TCustomFtpCli::AppendAsync); }
    bool Get() { return Synchronize(&TCustomFtpCli::GetAsync); }
    bool RestartGet() { return Synchronize(&TCustomFtpCli::RestartGetAsync); }
    bool Dir() { return Synchronize(&TCustomFtpCli::DirAsync); }
    bool Ls() { return Synchronize(&TCustomFtpCli::LsAsync); }
    bool Rename() { return Synchronize(&TCustomFtpCli::RenameAsync); }
    bool Transmit() { return Synchronize(&TCustomFtpCli::TransmitAsync); }
    bool RestartTransmit() { return Synchronize(&TCustomFtpCli::RestartTransmitAsync); }
    bool AppendFile() { return Synchronize(&TCustomFtpCli::AppendFileAsync); }
    bool Receive() { return Synchronize(&TCustomFtpCli::ReceiveAsync); }
    bool RestartReceive() { return Synchronize(&TCustomFtpCli::RestartReceiveAsync); }
    bool Directory() { return Synchronize(&TCustomFtpCli::DirectoryAsync); }
    bool List() { return Synchronize(&TCustomFtpCli::ListAsync); }
    bool MakeDir() { return Synchronize(&TCustomFtpCli::MakeDirAsync); }
    bool RemoveDir() { return Synchronize(&TCustomFtpCli::RemoveDirAsync); }
    bool DeleteFile() { return Synchronize(&TCustomFtpCli::DeleteFileAsync); }
    bool DoQuote() { return Synchronize(&TCustomFtpCli::DoQuoteAsync); }
    bool FileSize() { return Synchronize(&TCustomFtpCli::FileSizeAsync); }
    bool RenameFile() { return Synchronize(&TCustomFtpCli::RenameFileAsync); }
    bool System() { return Synchronize(&TCustomFtpCli::SystemAsync); }
    bool Open() { return Synchronize(&TCustomFtpCli::OpenAsync); }
    bool User() { return Synchronize(&TCustomFtpCli::UserAsync); }
    bool Pass() { return Synchronize(&TCustomFtpCli::PassAsync); }
    bool Cwd() { return Synchronize(&TCustomFtpCli::CwdAsync); }
    bool CDup() { return Synchronize(&TCustomFtpCli::CDupAsync); }
    bool Pwd() { return Synchronize(&TCustomFtpCli::PwdAsync); }
    bool Mkd() { return Synchronize(&TCustomFtpCli::MkdAsync); }
    bool Rmd() { return Synchronize(&TCustomFtpCli::RmdAsync); }
    bool Dele() { return Synchronize(&TCustomFtpCli::DeleAsync); }
    bool RenFrom() { return Synchronize(&TCustomFtpCli::RenFromAsync); }
    bool RenTo() { return Synchronize(&TCustomFtpCli::RenToAsync); }
    bool Size() { return Synchronize(&TCustomFtpCli::SizeAsync); }
    bool Syst() { return Synchronize(&TCustomFtpCli::SystAsync); }
    bool TypeSet() { return Synchronize(&TCustomFtpCli::TypeSetAsync); }
    bool TypeBinary() { return Synchronize(&TCustomFtpCli::TypeBinaryAsync); }
    bool TypeAscii() { return Synchronize(&TCustomFtpCli::TypeAsciiAsync); }
    bool AbortXfer() { return Synchronize(&TCustomFtpCli::AbortXferAsync); }
    bool Quote() { return Synchronize(&TCustomFtpCli::QuoteAsync); }
    bool Rest() { return Synchronize(&TCustomFtpCli::RestAsync); }

protected:
    void RenewDeadline() override;
    int DataArrivalLimitMs() const override;
    void HoldDeadline(qint64 ms_from_now) override;

private:
    // Starts the asynchronous form and waits for the request to finish.
    bool Synchronize(void (TCustomFtpCli::*start)());
    bool WaitUntilReady();

    int timeout_ = 15;
    bool multi_threaded_ = false;
    qint64 deadline_ = 0;
    QElapsedTimer wait_clock_;
};

}  // namespace mondeliar::net
