#pragma once
// Publishing over SFTP: the files of a publish go through one SSH connection (libssh) to
// FTPHOST:FTPPORT as FTPUSER, into FTPREMOTEDIR. The server's host key must be the pinned
// SFTPHOSTKEY or be listed in ~/.ssh/known_hosts; otherwise nothing is authenticated and
// nothing sent, unless the user, asked, trusts the key (it is then pinned). Each file goes
// up as ".<name>.part" and is renamed onto its name. The session's blocking steps run on a
// thread of their own.

#include "publish/publish_command.h"
#include "publish/uploader.h"

#include <memory>
#include <string>

namespace mondeliar {

// "The server's host key is SHA256:.... Trust it for this calendar?"
std::string HostKeyQuestion(const std::string& fingerprint);

class SftpUploader : public Uploader {
public:
    // Asks `request.Confirm` about an unknown host key, and pins a trusted one in the
    // calendar's settings (record and file).
    SftpUploader(CalendarContext& context, const PublishRequest& request);
    ~SftpUploader() override;

    // Connects, makes sure of the host key, and only then logs on.
    bool Open() override;
    // A failed store leaves no part file and the old page in place; what a lost connection
    // left behind is put right over a new connection when the session ends.
    bool Store(const UploadedFile& file) override;
    void Close() override;
    const std::string& Error() const override;
    // The closing message names the host "<host> (SFTP)" already.
    std::string SentNote() const override { return ""; }

private:
    class Road;
    std::unique_ptr<Road> road_;
};

struct HostKeyFetch {
    std::string Fingerprint;  // empty when the key could not be fetched
    std::string Error;
};

// Connects to `host`:`port` only to read the server's host key; nothing is authenticated.
// The calling thread's event loop keeps running meanwhile.
HostKeyFetch FetchHostKey(const std::string& host, const std::string& port,
                          int timeoutSeconds = PublishTimeoutSeconds);

}  // namespace mondeliar
