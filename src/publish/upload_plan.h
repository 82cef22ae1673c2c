#pragma once
// Which files a publish sends. Every file, unless FTPCHANGEDONLY is set: then only those
// whose bytes differ from what the calendar's sent record says the server holds, and the
// record follows what is stored.

#include "config/calendar_context.h"
#include "publish/page_snapshots.h"
#include "publish/sent_record.h"
#include "publish/uploader.h"

#include <map>
#include <string>
#include <vector>

namespace mondeliar {

class UploadPlan {
public:
    // `files`: every file of the publish, in order. `maskedLine`: the last-updated line of
    // the pages just written, left out of every comparison. `uploadAll` sends every file
    // while still keeping the record.
    UploadPlan(const CalendarContext& context, std::vector<UploadedFile> files, bool uploadAll,
               const std::string& maskedLine);

    // The host as the messages name it: FTPHOST, with " (SFTP)" over SFTP.
    const std::string& HostLabel() const { return host_; }
    // The files to send, in order. With FTPCHANGEDONLY each is a copy of its page taken when
    // its digest was made, where it could be made.
    const std::vector<UploadedFile>& Files() const { return files_; }
    // `file` is on the server now.
    void Stored(const UploadedFile& file);
    // "Calendar files sent to <host>", with the counts when only changes were sent, then
    // `note` (the uploader's).
    std::string SentMessage(const std::string& note) const;
    // Saves the record once the session is over: with FTPCHANGEDONLY every file stored is
    // in it; without, it is removed. A record that cannot be kept is removed, and the
    // outcome's message says so.
    void KeepRecord(std::string& message);

private:
    void Choose(std::vector<UploadedFile> files, bool uploadAll, const std::string& maskedLine);
    std::string SendFromCopy(UploadedFile& file, const std::string& bytes,
                             const std::string& digest);
    std::string SaveOrRemoveRecord();

    bool changedOnly_;
    bool counted_;  // only changes are sent: the message counts them
    std::string host_;
    std::string recordPath_;
    SentRecord record_;
    std::vector<UploadedFile> files_;
    std::map<std::string, std::string> digests_;  // remote file name -> digest being sent
    std::size_t unchanged_ = 0;
    PageSnapshots snapshots_;
};

}  // namespace mondeliar
