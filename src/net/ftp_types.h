#pragma once
// Enumerations and the exception of the FTP client.

#include <bitset>
#include <stdexcept>
#include <string>

namespace mondeliar::net {

// States of the FTP session. Every change goes through TCustomFtpCli::ChangeState.
enum class FtpSessionState {
    fstReady,         // idle: created, a request finished, abort done
    fstResolving,     // host lookup of the open step running
    fstWaitGreeting,  // connecting, then waiting for the 220 greeting
    fstConnected,     // greeting accepted (left at once)
    fstWaitReply,     // a command was sent, its final reply is awaited
    fstBetweenSteps,  // a step succeeded and the next follows; or the control connection closed
    fstDisconnected,  // the established control connection closed (left at once)
    fstAborting,      // AbortSession runs
};

// "fstReady" and so on.
const char* FtpStateName(FtpSessionState state);

// What OnRequestDone reports as the finished request.
enum TFtpRequest {
    ftpNone,
    // single commands
    ftpOpenAsync,
    ftpUserAsync,
    ftpPassAsync,
    ftpCwdAsync,
    ftpCDupAsync,
    ftpPwdAsync,
    ftpMkdAsync,
    ftpRmdAsync,
    ftpDeleAsync,
    ftpRenFromAsync,
    ftpRenToAsync,
    ftpSizeAsync,
    ftpSystAsync,
    ftpTypeSetAsync,
    ftpAbortXferAsync,
    ftpQuoteAsync,
    ftpRestAsync,
    ftpQuitAsync,
    ftpPortAsync,
    ftpAuthAsync,  // AUTH TLS and the handshake (RFC 4217)
    ftpPbszAsync,
    ftpProtAsync,
    // compound requests
    ftpOpenSessionAsync,
    ftpStoreFileAsync,
    ftpRestartPutAsync,
    ftpAppendAsync,
    ftpGetAsync,
    ftpRestartGetAsync,
    ftpDirAsync,
    ftpLsAsync,
    ftpRenameAsync,
    ftpTransmitAsync,
    ftpRestartTransmitAsync,
    ftpAppendFileAsync,
    ftpReceiveAsync,
    ftpRestartReceiveAsync,
    ftpDirectoryAsync,
    ftpListAsync,
    ftpMakeDirAsync,
    ftpRemoveDirAsync,
    ftpDeleteFileAsync,
    ftpDoQuoteAsync,
    ftpFileSizeAsync,
    ftpRenameFileAsync,
    ftpSystemAsync,
};

// Steps of a compound request, in the order in which they run when present.
enum class FtpStep {
    Open,
    Auth,  // AUTH TLS, then the TLS handshake: before anything else is sent
    User,
    Pass,
    Pbsz,  // PBSZ 0 and PROT P: data connections use TLS too
    Prot,
    Cwd,
    Cdup,
    Type,
    Port,
    Rest,
    Retr,
    Stor,
    Appe,
    List,
    Nlst,
    Syst,
    Mkd,
    Rmd,
    Rnfr,
    Rnto,
    Size,
    Dele,
    Pwd,
    Abor,
    Quote,
    Quit,
    Count,
};
using FtpSteps = std::bitset<static_cast<size_t>(FtpStep::Count)>;

enum TFtpShareMode {
    ftpShareCompat,
    ftpShareExclusive,
    ftpShareDenyWrite,
    ftpShareDenyRead,
    ftpShareDenyNone
};

enum TFtpOption : unsigned {
    ftpAcceptLF = 1u << 0,        // a reply line may end with LF alone
    ftpNoAutoResumeAt = 1u << 1,  // a restarted download keeps the position set beforehand
};
using TFtpOptions = unsigned;

// Why a transfer in active mode failed in a way that passive mode may cure.
enum class ActiveModeFailure {
    None,
    PortRefused,       // PORT answered with a 5xx reply
    DataRefused,       // the transfer answered with 425: the server could not connect
    NoDataConnection,  // the server's data connection did not come in time (session ended)
};

enum TFtpConnectionType { ftpDirect, ftpProxy, ftpSocks4, ftpSocks4A, ftpSocks5 };

// Usage errors of the client.
class FtpException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "FtpException", "ESocketException" or "Exception": how failures of a step
// name the exception in their reply line.
std::string ExceptionClassName(const std::exception& error);

}  // namespace mondeliar::net
