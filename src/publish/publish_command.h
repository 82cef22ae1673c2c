#pragma once
// The publish command: write the current calendar's pages, then upload fourteen of them to
// the calendar's FTP server in one session.

#include "html/page_writer.h"

#include <functional>
#include <string>
#include <vector>

namespace mondeliar {

namespace net {
class TFtpClient;
}

extern const char* const FtpSettingsIncomplete;  // "FTP settings are not complete"

// The limit of every wait of the FTP session, in seconds (the client's Timeout).
constexpr int PublishTimeoutSeconds = 15;

struct PublishOutcome {
    bool Succeeded = false;
    // What the user is told: "Calendar files sent to <host>" when every file was stored, or
    // what failed.
    std::string Message;
};

// One file of the upload: the page in HTMLPATH and its name on the server.
struct UploadedFile {
    std::string LocalFileName;
    std::string HostFileName;
    // Sent after TYPE I, so its bytes arrive unchanged: the feed's CR LF line ends are part
    // of its format. The pages go in the server's default type, as they always have.
    bool Binary = false;
};

// The files to upload, in order: "calendar", "current", then the month pages January to
// December named by HTMLFILENAME (skipped when it is outside 0..2), never with a year; with
// ICSFEED set, the iCalendar feed "calendar.ics" last.
std::vector<UploadedFile> FilesToPublish(const CalendarContext& context);

// The session log line as it may be shown: the password of a PASS command masked.
std::string MaskedSessionLine(const std::string& line);

// Told before each store: the file's place in the upload (1-based), how many files there
// are, and its name on the server.
using PublishProgress = std::function<void(int index, int count, const std::string& hostFileName)>;

// Runs the command with `client`. Incomplete FTP settings end it before anything is
// written; an error of the write command propagates and nothing is sent. `sessionLog`, when
// set, receives every line of the FTP session log with the password masked; `progress`,
// when set, hears of each file before it is stored.
//
// FTPPASSIVE makes every transfer passive. Without it the session starts in active mode and
// switches to passive for the rest of the session, retrying the file once, when the server
// refuses PORT, answers the transfer with 425, or its data connection does not come within
// the time-out; the closing message then says "(passive mode)". FTPTLS publishes over
// explicit FTP over TLS, with TYPE I so the pages arrive byte for byte.
PublishOutcome PublishCalendar(CalendarContext& context, net::TFtpClient& client,
                               const PageWriterHooks& hooks = {},
                               const std::function<void(const std::string&)>& sessionLog = {},
                               const PublishProgress& progress = {},
                               int timeoutSeconds = PublishTimeoutSeconds);

}  // namespace mondeliar
