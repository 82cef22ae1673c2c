#pragma once
// One FTP session of a publish: logging on, the transfer type, the switch to passive mode
// when active mode fails, and the atomic replace of each file on the server.

#include <functional>
#include <string>

namespace mondeliar {

namespace net {
class TFtpClient;
}

// One file of the upload: the page in HTMLPATH and its name on the server.
struct UploadedFile {
    std::string LocalFileName;
    std::string HostFileName;
    // Sent after TYPE I, so its bytes arrive unchanged: the feed's CR LF line ends are part
    // of its format. The pages go in the server's default type, as they always have.
    bool Binary = false;
};

// The temporary name a file is stored under before it replaces the old one: ".<name>.part"
// in the same remote folder.
std::string PartFileName(const std::string& hostFileName);
// Where the old file waits while the new one takes its name, on a server that will not rename
// onto an existing file: ".<name>.old" in the same remote folder.
std::string AsideFileName(const std::string& hostFileName);

class UploadSession {
public:
    // `atomic`: store each file as its part file, then rename it over the old one.
    UploadSession(net::TFtpClient& client, const std::function<void(const std::string&)>& log,
                  bool atomic);

    // Logs on; over TLS also sets TYPE I (the pages then arrive as written, where the
    // server's default ASCII type may rewrite line ends).
    bool Open();

    // Stores one file. On failure, Error() tells why, and no part file is left behind
    // wherever the server still answers.
    bool Store(const UploadedFile& file);

    const std::string& Error() const { return error_; }
    bool SwitchedToPassive() const { return switched_; }

private:
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

    net::TFtpClient& client_;
    const std::function<void(const std::string&)>& log_;
    bool atomic_;
    bool binary_ = false;  // TYPE I is in effect
    bool switched_ = false;
    bool passiveMayHelp_ = true;  // false once passive mode failed too
    std::string error_;
};

}  // namespace mondeliar
