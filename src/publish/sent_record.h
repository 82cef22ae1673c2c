#pragma once
// What the server holds of a calendar, as far as this program sent it: the place the files
// went to (protocol, host, port, user, remote folder) and, for each remote file, the SHA-256 of the
// bytes stored there. Publishing only what changed skips a file whose bytes the record shows
// already stored at the same place.
//
// Kept in calendars/.<name>.sent (CalendarFiles::SentRecord), replaced atomically, as lines
// ended by CR LF:
//   HOST=<host>  PORT=<port>  USER=<user>  REMOTEDIR=<folder>
//   PROTOCOL=SFTP                               (only over SFTP; without it, FTP)
//   FILE=<64 hex digits> <remote file name>     (one line per file)

#include <map>
#include <string>

namespace mondeliar {

struct SentPlace {
    std::string Host;
    std::string Port;
    std::string User;
    std::string RemoteDir;
    std::string Protocol{};  // "SFTP", or empty for FTP

    bool operator==(const SentPlace& other) const;
    bool operator!=(const SentPlace& other) const { return !(*this == other); }
};

class SentRecord {
public:
    // The record of `path`. A missing, unreadable or damaged record holds nothing, so that
    // every file is sent: a record is only ever a reason to skip.
    static SentRecord Load(const std::string& path);
    // Replaces `path` atomically; raises the file error of a failed save.
    void Save(const std::string& path) const;

    const SentPlace& Place() const { return place_; }
    // Files go to `place` from now on: what was sent elsewhere says nothing about it.
    void MoveTo(const SentPlace& place);

    // True when `remoteFile` holds the bytes of `digest` at the record's place.
    bool Holds(const std::string& remoteFile, const std::string& digest) const;
    void Stored(const std::string& remoteFile, const std::string& digest);
    // The server's copy of `remoteFile` is no longer known (a store began or failed); false
    // when the record held nothing of it.
    bool Forget(const std::string& remoteFile);

    bool operator==(const SentRecord& other) const;

private:
    void ReadLine(const std::string& line);

    SentPlace place_;
    std::map<std::string, std::string> digests_;  // remote file name -> hex SHA-256
};

}  // namespace mondeliar
