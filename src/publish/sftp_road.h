#pragma once
// Publishing over SFTP: the files of a publish go through one SSH connection (libssh) to
// FTPHOST:FTPPORT as FTPUSER, into FTPREMOTEDIR. The server's host key must be the pinned
// SFTPHOSTKEY or be listed in ~/.ssh/known_hosts; otherwise nothing is authenticated and
// nothing sent, unless the user, asked, trusts the key (it is then pinned). Each file goes
// up as ".<name>.part" and is renamed onto its name. The session's blocking steps run on a
// thread of their own.

#include "publish/publish_command.h"

#include <string>

namespace mondeliar {

class UploadPlan;

// "The server's host key is SHA256:.... Trust it for this calendar?"
std::string HostKeyQuestion(const std::string& fingerprint);

// Sends the files of `plan` over SFTP; the closing message names the host with "(SFTP)".
PublishOutcome PublishOverSftp(CalendarContext& context, UploadPlan& plan,
                               const PublishRequest& request);

struct HostKeyFetch {
    std::string Fingerprint;  // empty when the key could not be fetched
    std::string Error;
};

// Connects to `host`:`port` only to read the server's host key; nothing is authenticated.
// The calling thread's event loop keeps running meanwhile.
HostKeyFetch FetchHostKey(const std::string& host, const std::string& port,
                          int timeoutSeconds = PublishTimeoutSeconds);

}  // namespace mondeliar
