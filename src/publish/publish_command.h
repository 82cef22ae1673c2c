#pragma once
// The publish command: write the current calendar's pages, then upload fourteen of them to
// the calendar's FTP server in one session.

#include "html/page_writer.h"
#include "publish/uploader.h"

#include <functional>
#include <string>
#include <vector>

namespace mondeliar {

extern const char* const FtpSettingsIncomplete;  // "FTP settings are not complete"

// The limit of every wait of the FTP session, in seconds (the client's Timeout).
constexpr int PublishTimeoutSeconds = 15;
// How long a publish waits for another process's publish of the same calendar to end.
constexpr int PublishLockWaitSeconds = 5;

// How a publish ended, for the front end to choose how to tell it.
enum class PublishResult {
    Sent,                // every file to send was stored
    NothingChanged,      // only changes were to be sent, and there were none
    SettingsIncomplete,  // nothing written or sent: a setting of the server is missing
    Busy,                // nothing written or sent: another process publishes the calendar
    Failed,              // some or all files were not stored
};

struct PublishOutcome {
    PublishOutcome() = default;
    PublishOutcome(PublishResult result, std::string message)
        : Result(result), Succeeded(result == PublishResult::Sent
                                    || result == PublishResult::NothingChanged)
        , Message(std::move(message))
    {
    }

    PublishResult Result = PublishResult::Failed;
    bool Succeeded = false;
    // What the user is told: "Calendar files sent to <host>" when every file was stored, or
    // what failed.
    std::string Message;
};

// The files to upload, in order: "calendar", "current", then the month pages January to
// December named by HTMLFILENAME (skipped when it is outside 0..2), never with a year; with
// ICSFEED set, the iCalendar feed "calendar.ics" last.
std::vector<UploadedFile> FilesToPublish(const CalendarContext& context);

// Told before each store: the file's place in the upload (1-based), how many files there
// are, and its name on the server.
using PublishProgress = std::function<void(int index, int count, const std::string& hostFileName)>;

struct PublishRequest {
    PageWriterHooks Hooks;
    // Receives every line of the FTP session log with the password masked.
    SessionLogger SessionLog;
    // Hears of each file before it is stored.
    PublishProgress Progress;
    int TimeoutSeconds = PublishTimeoutSeconds;
    int LockWaitSeconds = PublishLockWaitSeconds;
    // Send every file, even those FTPCHANGEDONLY would skip ("Upload all pages", --all).
    bool UploadAll = false;
    // Asks the user a question with Yes and No (whether to trust an unknown SSH host key);
    // true for Yes. Without it nothing is asked, and the publish stops where it would ask.
    std::function<bool(const std::string& question)> Confirm;
};

// Runs the command in a session of its own (MakeUploader). Incomplete FTP settings end it before anything is
// written; an error of the write command propagates and nothing is sent. Two publishes of one
// calendar never overlap: while another process publishes it (calendars/.<name>.lock is
// locked), this one waits up to LockWaitSeconds and then ends, having done nothing.
//
// FTPPASSIVE makes every transfer passive. Without it the session starts in active mode and
// switches to passive for the rest of the session, retrying the file once, when the server
// refuses PORT, answers the transfer with 425, or its data connection does not come within
// the time-out; the closing message then says "(passive mode)". When passive mode fails too,
// the file is lost and the session goes back to active mode. FTPTLS publishes over
// explicit FTP over TLS, with TYPE I so the pages arrive byte for byte.
//
// FTPCHANGEDONLY sends only the files whose bytes, the last-updated line left out, differ
// from what the calendar's sent record says the server holds at the same place; the record
// (calendars/.<name>.sent) then takes every file stored, sent from a copy taken when its
// digest was made. The closing message counts them:
// "Calendar files sent to <host>: 3 changed, 11 unchanged". Without FTPCHANGEDONLY the
// record is removed, since the files it vouches for may change without it.
//
// FTPATOMIC stores each file as ".<name>.part" and renames it over the old one (RNFR, RNTO).
// The old file is never deleted before the new one has its name: a server that will not
// rename onto an existing file gets the old one moved aside first (".<name>.old"). A server
// that does not implement renaming (502) gets the rest of its files under their final names.
//
// With SFTP the files go over SSH instead (sftp_uploader.h); the password may then be empty,
// and the messages name the host with "(SFTP)".
PublishOutcome PublishCalendar(CalendarContext& context, const PublishRequest& request = {});

}  // namespace mondeliar
