#pragma once
// The FTP session of a publish (src/net's client): logging on, the transfer type, the switch to
// passive mode when active mode fails, and the atomic replace of each file on the server.

#include "publish/uploader.h"

#include <memory>
#include <string>

namespace mondeliar {

namespace net {
class TFtpClient;
}

class FtpUploader : public Uploader {
public:
    // The client as the program always uses it: active data connections unless FTPPASSIVE, no
    // TYPE command on the plain road; with FTPATOMIC each file is stored as its part file,
    // then renamed over the old one.
    FtpUploader(const CalendarSettings& settings, int timeoutSeconds, const SessionLogger& log);
    ~FtpUploader() override;

    // Logs on; over TLS also sets TYPE I (the pages then arrive as written, where the
    // server's default ASCII type may rewrite line ends). A session still connected after a
    // failure (a refused log-on) is ended with QUIT, so the server sees a clean end.
    bool Open() override;
    // No part file is left behind by a failure wherever the server still answers.
    bool Store(const UploadedFile& file) override;
    void Close() override;  // QUIT
    const std::string& Error() const override { return error_; }
    std::string SentNote() const override { return switched_ ? " (passive mode)" : ""; }

private:
    bool LogOn();
    bool StoreWithFallback(const UploadedFile& file, const std::string& hostFileName);
    bool StoreOnce(const UploadedFile& file, const std::string& hostFileName);
    bool StoreAtomically(const UploadedFile& file);
    bool RenameIntoPlace(const UploadedFile& file, const std::string& part);
    bool ReplaceMovingTheOldAside(const UploadedFile& file, const std::string& part);
    enum class RenameResult { Done, SourceRefused, TargetRefused };  // RNFR, RNTO refused
    RenameResult Rename(const std::string& from, const std::string& to);
    bool RenameRefusedAltogether() const;
    void DeleteLeftover(const std::string& hostFileName);
    bool Fail();  // keeps the client's error, returns false
    void Log(const std::string& line);

    std::unique_ptr<net::TFtpClient> client_;
    SessionLogger log_;
    bool atomic_;
    bool binary_ = false;  // TYPE I is in effect
    bool switched_ = false;
    bool passiveMayHelp_ = true;  // false once passive mode failed too
    std::string error_;
};

}  // namespace mondeliar
