#pragma once
// One session with the server that receives a publish's files. The publish command knows only
// this interface: the protocol (FTP through src/net, or SFTP through src/sftp) is chosen by
// MakeUploader from the calendar's settings, so the front ends know nothing of any of them.

#include <functional>
#include <memory>
#include <string>

namespace mondeliar {

struct CalendarSettings;
struct CalendarContext;
struct PublishRequest;

// One file of the upload: the page in HTMLPATH and its name on the server.
struct UploadedFile {
    std::string LocalFileName;
    std::string HostFileName;
    // Sent after TYPE I, so its bytes arrive unchanged: the feed's CR LF line ends are part
    // of its format. The pages go in the server's default type, as they always have.
    bool Binary = false;
};

class Uploader {
public:
    virtual ~Uploader() = default;

    // Logs on. On failure Error() tells why; a session still open is ended with Close().
    virtual bool Open() = 0;
    // Stores one file. On failure, Error() tells why.
    virtual bool Store(const UploadedFile& file) = 0;
    // Ends the session (a no-op when nothing is connected).
    virtual void Close() = 0;
    virtual const std::string& Error() const = 0;
    // What the closing message adds after "Calendar files sent to <host>" ("" or
    // " (passive mode)"; over SFTP the host itself is named "<host> (SFTP)").
    virtual std::string SentNote() const = 0;
};

// The temporary name a file is stored under before it replaces the old one: ".<name>.part"
// in the same remote folder.
std::string PartFileName(const std::string& hostFileName);
// Where the old file waits while the new one takes its name, on a server that will not rename
// onto an existing file: ".<name>.old" in the same remote folder.
std::string AsideFileName(const std::string& hostFileName);

// Receives every line of the session log, the password masked.
using SessionLogger = std::function<void(const std::string&)>;

// The uploader the calendar's settings ask for, each wait of its session limited to the
// request's time-out. The SFTP one may ask the request's Confirm and pin a host key in the
// calendar's settings.
std::unique_ptr<Uploader> MakeUploader(CalendarContext& context, const PublishRequest& request);

// The session log line as it may be shown: the password of a PASS command masked.
std::string MaskedSessionLine(const std::string& line);

}  // namespace mondeliar
