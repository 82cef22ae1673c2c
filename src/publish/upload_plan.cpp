#include "publish/upload_plan.h"

#include "base/errors.h"
#include "base/files.h"
#include "config/calendar_files.h"
#include "publish/page_digest.h"

#include <cerrno>
#include <unistd.h>

namespace mondeliar {

namespace {

SentPlace PlaceOf(const CalendarSettings& s)
{
    return {s.FTPHOST, s.FTPPORT, s.FTPUSER, s.FTPREMOTEDIR, s.SFTP ? "SFTP" : ""};
}

// A file that cannot be read has no digest: it is sent, and its store tells what is wrong.
std::string DigestOrNothing(const std::string& path, const std::string& maskedLine,
                            std::string& bytes)
{
    try {
        bytes = ReadPageBytes(path);
        return PageBytesDigest(bytes, maskedLine);
    } catch (const Error&) {
        return std::string();
    }
}

}  // namespace

UploadPlan::UploadPlan(const CalendarContext& context, std::vector<UploadedFile> files,
                       bool uploadAll, const std::string& maskedLine)
    : changedOnly_(context.Settings.FTPCHANGEDONLY)
    , counted_(changedOnly_ && !uploadAll)
    , host_(context.Settings.FTPHOST + (context.Settings.SFTP ? " (SFTP)" : ""))
    , recordPath_(CalendarFiles(context.CalendarsFolder(), context.CalendarName).SentRecord)
{
    if (!changedOnly_) {
        files_ = std::move(files);
        return;
    }
    record_ = SentRecord::Load(recordPath_);
    record_.MoveTo(PlaceOf(context.Settings));
    Choose(std::move(files), uploadAll, maskedLine);
}

void UploadPlan::Choose(std::vector<UploadedFile> files, bool uploadAll,
                        const std::string& maskedLine)
{
    bool struck = false;
    for (UploadedFile& file : files) {
        std::string bytes;
        const std::string digest = DigestOrNothing(file.LocalFileName, maskedLine, bytes);
        if (!uploadAll && !digest.empty() && record_.Holds(file.HostFileName, digest)) {
            ++unchanged_;
            continue;
        }
        struck = record_.Forget(file.HostFileName) || struck;
        digests_[file.HostFileName] = SendFromCopy(file, bytes, digest);
        files_.push_back(std::move(file));
    }
    // A publish broken off (a crash, a lost machine) must not leave a record vouching for
    // files it was replacing.
    if (struck)
        SaveOrRemoveRecord();
}

// The digest the record may take once the file is stored: the copy's, or none when the page
// itself goes (its bytes may change while it is sent).
std::string UploadPlan::SendFromCopy(UploadedFile& file, const std::string& bytes,
                                     const std::string& digest)
{
    if (digest.empty())
        return digest;
    const std::string copy = snapshots_.Keep(FileNamePart(file.LocalFileName), bytes);
    if (copy.empty())
        return std::string();
    file.LocalFileName = copy;
    return digest;
}

void UploadPlan::Stored(const UploadedFile& file)
{
    auto found = digests_.find(file.HostFileName);
    if (found != digests_.end() && !found->second.empty())
        record_.Stored(file.HostFileName, found->second);
}

std::string UploadPlan::SentMessage(const std::string& note) const
{
    std::string message = "Calendar files sent to " + host_;
    if (counted_)
        message += ": " + std::to_string(files_.size()) + " changed, " + std::to_string(unchanged_)
                   + " unchanged";
    return message + note;
}

void UploadPlan::KeepRecord(std::string& message)
{
    std::string problem;
    if (changedOnly_) {
        problem = SaveOrRemoveRecord();
    } else if (::unlink(recordPath_.c_str()) != 0 && errno != ENOENT) {
        problem = FileErrorText(errno, recordPath_);
    }
    if (!problem.empty())
        message += "\nThe record of the files sent could not be kept (" + problem
                   + "); the next publish sends every file.";
}

// The error text of a failed save, or nothing. A record that cannot be saved is removed, as
// an outdated one could skip a file the server no longer holds.
std::string UploadPlan::SaveOrRemoveRecord()
{
    try {
        record_.Save(recordPath_);
        return std::string();
    } catch (const Error& error) {
        ::unlink(recordPath_.c_str());
        return error.what();
    }
}

}  // namespace mondeliar
