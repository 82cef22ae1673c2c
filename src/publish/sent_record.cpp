#include "publish/sent_record.h"

#include "base/errors.h"
#include "base/output_file.h"
#include "base/text_reader.h"

#include <algorithm>
#include <cctype>

namespace mondeliar {

namespace {

constexpr std::size_t DigestLength = 64;  // SHA-256 in hex digits

bool IsDigest(const std::string& text)
{
    return text.size() == DigestLength && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
}

}  // namespace

bool SentPlace::operator==(const SentPlace& other) const
{
    return Host == other.Host && Port == other.Port && User == other.User
           && RemoteDir == other.RemoteDir && Protocol == other.Protocol;
}

SentRecord SentRecord::Load(const std::string& path)
{
    SentRecord record;
    try {
        TextReader reader(path, SmallFileSizeLimit);
        std::string line;
        while (reader.ReadLine(line))
            record.ReadLine(line);
    } catch (const Error&) {
        return SentRecord();
    }
    return record;
}

// Lines the record does not know are passed over; a file line without a well-formed digest
// is dropped, so its file is sent again.
void SentRecord::ReadLine(const std::string& line)
{
    std::size_t equals = line.find('=');
    if (equals == std::string::npos)
        return;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "HOST")
        place_.Host = value;
    else if (key == "PORT")
        place_.Port = value;
    else if (key == "USER")
        place_.User = value;
    else if (key == "REMOTEDIR")
        place_.RemoteDir = value;
    else if (key == "PROTOCOL")
        place_.Protocol = value;
    else if (key == "FILE" && value.size() > DigestLength + 1 && value[DigestLength] == ' ') {
        std::string digest = value.substr(0, DigestLength);
        if (IsDigest(digest))
            digests_[value.substr(DigestLength + 1)] = digest;
    }
}

void SentRecord::Save(const std::string& path) const
{
    // Like the settings file beside it, readable by its owner only: it names the account.
    AtomicFile file(path, 0600);
    file.WriteLine("HOST=", place_.Host);
    file.WriteLine("PORT=", place_.Port);
    file.WriteLine("USER=", place_.User);
    file.WriteLine("REMOTEDIR=", place_.RemoteDir);
    if (!place_.Protocol.empty())
        file.WriteLine("PROTOCOL=", place_.Protocol);
    for (const auto& [remoteFile, digest] : digests_)
        file.WriteLine("FILE=", digest, " ", remoteFile);
    file.Commit();
}

void SentRecord::MoveTo(const SentPlace& place)
{
    if (place == place_)
        return;
    place_ = place;
    digests_.clear();
}

bool SentRecord::Holds(const std::string& remoteFile, const std::string& digest) const
{
    auto found = digests_.find(remoteFile);
    return found != digests_.end() && found->second == digest;
}

void SentRecord::Stored(const std::string& remoteFile, const std::string& digest)
{
    digests_[remoteFile] = digest;
}

bool SentRecord::Forget(const std::string& remoteFile)
{
    return digests_.erase(remoteFile) > 0;
}

bool SentRecord::operator==(const SentRecord& other) const
{
    return place_ == other.place_ && digests_ == other.digests_;
}

}  // namespace mondeliar
