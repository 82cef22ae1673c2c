#include "sftp/sftp_client.h"

#include "base/errors.h"
#include "base/files.h"

#include <libssh/libssh.h>

#include <cerrno>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace mondeliar::sftp {

namespace {

constexpr std::uint32_t ProtocolVersion = 3;
// Every SFTP server takes writes of 32 KiB (draft section 3); sixteen of them in flight stay
// well inside the channel window OpenSSH grants.
constexpr std::size_t WriteChunk = 32 * 1024;
constexpr std::size_t WritesInFlight = 16;
constexpr std::uint32_t PagePermissions = 0644;  // the web server must read the pages
const char* const PosixRenameExtension = "posix-rename@openssh.com";
const char* const UnexpectedReply = "The server's reply does not answer the request";

}  // namespace

// A local file being sent, closed however the store ends. Raises the file error of a file
// that cannot be opened or read, or is not a regular file.
class SftpClient::LocalFile {
public:
    explicit LocalFile(const std::string& path) : path_(path)
    {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0)
            ThrowFileError(errno, path);
        try {
            RequireRegularFile(fd_, path);
        } catch (...) {
            ::close(fd_);
            throw;
        }
    }
    ~LocalFile() { ::close(fd_); }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    // The next bytes, at most `limit`; empty at the end.
    std::string Read(std::size_t limit)
    {
        std::string chunk(limit, '\0');
        ssize_t count;
        do
            count = ::read(fd_, chunk.data(), limit);
        while (count < 0 && errno == EINTR);
        if (count < 0)
            ThrowFileError(errno, path_);
        chunk.resize(static_cast<std::size_t>(count));
        return chunk;
    }

private:
    std::string path_;
    int fd_ = -1;
};

std::string NoAnswerText(int seconds)
{
    return "No answer from the server within " + std::to_string(seconds)
           + (seconds == 1 ? " second" : " seconds");
}

// The replies of one file's writes and its close, which all go out before the first reply is
// awaited.
struct SftpClient::Transfer {
    std::set<std::uint32_t> Pending;
    std::uint64_t Sent = 0;
    bool AllRead = false;
    std::uint32_t CloseId = 0;
    std::optional<StatusReply> RefusedWrite;
    std::optional<StatusReply> CloseReply;
    std::string LocalError;

    bool Sending() const { return !AllRead && !RefusedWrite && LocalError.empty(); }
};

SftpClient::SftpClient(ssh_channel_struct* channel, std::function<void(const std::string&)> log,
                       Liveness& liveness, int timeoutSeconds)
    : channel_(channel), log_(std::move(log)), liveness_(liveness), timeoutSeconds_(timeoutSeconds)
{
}

bool SftpClient::Start()
{
    std::string packet;
    if (!Send(PacketBuilder(PacketType::Init).Uint32(ProtocolVersion).Bytes()) || !Receive(packet))
        return false;
    std::optional<VersionReply> version = ParseVersion(packet);
    if (!version)
        return FailConnection("The server did not start SFTP");
    for (const auto& [name, data] : version->Extensions)
        if (name == PosixRenameExtension && data == "1")
            posixRename_ = true;
    Log("SFTP version " + std::to_string(version->Version)
        + (posixRename_ ? ", with posix-rename" : ", without posix-rename"));
    return true;
}

bool SftpClient::Store(const std::string& localPath, const std::string& remotePath)
{
    if (!Ready())
        return false;
    std::optional<LocalFile> source;
    try {
        source.emplace(localPath);
    } catch (const mondeliar::Error& error) {
        return FailLocal(error.what());
    }
    std::string handle;
    if (!OpenRemote(remotePath, handle))
        return false;
    Transfer transfer;
    while (transfer.CloseId == 0 || !transfer.Pending.empty()) {
        if (!SendWrites(*source, handle, transfer) || !AwaitWriteReply(transfer))
            return false;
    }
    if (transfer.RefusedWrite)
        return FailRequest(*transfer.RefusedWrite, "write " + remotePath);
    if (!transfer.LocalError.empty())
        return FailLocal(transfer.LocalError);
    if (transfer.CloseReply->Code != StatusCode::Ok)
        return FailRequest(*transfer.CloseReply, "close " + remotePath);
    return true;
}

bool SftpClient::OpenRemote(const std::string& remotePath, std::string& handle)
{
    const std::uint32_t id = NextId();
    Log("> OPEN " + remotePath);
    PacketBuilder open(PacketType::Open);
    open.Uint32(id).String(remotePath).Uint32(OpenWrite | OpenCreate | OpenTruncate);
    open.Uint32(AttrPermissions).Uint32(PagePermissions);
    std::string reply;
    if (!Send(open.Bytes()) || !ReceiveReplyTo(id, reply))
        return false;
    if (std::optional<std::string> given = ParseHandle(reply)) {
        handle = *given;
        return true;
    }
    std::optional<StatusReply> status = ParseStatus(reply);
    if (!status || status->Code == StatusCode::Ok)
        return FailConnection(UnexpectedReply);
    return FailRequest(*status, "open " + remotePath);
}

// Fills the pipeline with writes; once nothing more is to be written (all of it, or a write
// was refused, or the local file failed), sends the close after them.
bool SftpClient::SendWrites(LocalFile& source, const std::string& handle, Transfer& transfer)
{
    while (transfer.Sending() && transfer.Pending.size() < WritesInFlight) {
        std::string chunk;
        try {
            chunk = source.Read(WriteChunk);
        } catch (const mondeliar::Error& error) {
            transfer.LocalError = error.what();
            break;
        }
        if (chunk.empty()) {
            transfer.AllRead = true;
            break;
        }
        const std::uint32_t id = NextId();
        PacketBuilder write(PacketType::Write);
        write.Uint32(id).String(handle).Uint64(transfer.Sent).String(chunk);
        if (!Send(write.Bytes()))
            return false;
        transfer.Pending.insert(id);
        transfer.Sent += chunk.size();
    }
    if (transfer.Sending() || transfer.CloseId != 0)
        return true;
    Log("> WRITE " + std::to_string(transfer.Sent) + " bytes");
    Log("> CLOSE");
    transfer.CloseId = NextId();
    transfer.Pending.insert(transfer.CloseId);
    return Send(PacketBuilder(PacketType::Close).Uint32(transfer.CloseId).String(handle).Bytes());
}

bool SftpClient::AwaitWriteReply(Transfer& transfer)
{
    std::string packet;
    if (!Receive(packet))
        return false;
    std::optional<StatusReply> status = ParseStatus(packet);
    if (!status || transfer.Pending.erase(status->Id) == 0)
        return FailConnection(UnexpectedReply);
    if (status->Id == transfer.CloseId)
        transfer.CloseReply = status;
    else if (status->Code != StatusCode::Ok && !transfer.RefusedWrite)
        transfer.RefusedWrite = status;
    return true;
}

bool SftpClient::Rename(const std::string& from, const std::string& to)
{
    if (!Ready())
        return false;
    const std::uint32_t id = NextId();
    Log("> RENAME " + from + " " + to);
    return Request(PacketBuilder(PacketType::Rename).Uint32(id).String(from).String(to), id,
                   "rename " + from + " to " + to);
}

bool SftpClient::PosixRename(const std::string& from, const std::string& to)
{
    if (!Ready())
        return false;
    const std::uint32_t id = NextId();
    Log("> POSIX-RENAME " + from + " " + to);
    PacketBuilder request(PacketType::Extended);
    request.Uint32(id).String(PosixRenameExtension).String(from).String(to);
    return Request(request, id, "rename " + from + " to " + to);
}

bool SftpClient::Remove(const std::string& path)
{
    if (!Ready())
        return false;
    const std::uint32_t id = NextId();
    Log("> REMOVE " + path);
    return Request(PacketBuilder(PacketType::Remove).Uint32(id).String(path), id, "remove " + path);
}

bool SftpClient::Ready()
{
    lastStatus_ = StatusCode::Ok;
    if (broken_) {
        error_ = brokenReason_;
        lastStatus_ = StatusCode::ConnectionLost;
        return false;
    }
    error_.clear();
    return true;
}

bool SftpClient::Request(const PacketBuilder& request, std::uint32_t id, const std::string& what)
{
    std::string reply;
    if (!Send(request.Bytes()) || !ReceiveReplyTo(id, reply))
        return false;
    std::optional<StatusReply> status = ParseStatus(reply);
    if (!status)
        return FailConnection(UnexpectedReply);
    return status->Code == StatusCode::Ok || FailRequest(*status, what);
}

bool SftpClient::Send(const std::string& packet)
{
    int written = ssh_channel_write(channel_, packet.data(), static_cast<std::uint32_t>(packet.size()));
    if (written != static_cast<int>(packet.size()))
        return FailConnection(ConnectionErrorText());
    liveness_.Mark();
    return true;
}

// One request is outstanding: its reply is the next packet.
bool SftpClient::ReceiveReplyTo(std::uint32_t id, std::string& packet)
{
    if (!Receive(packet))
        return false;
    if (ReplyId(packet) != id)
        return FailConnection(UnexpectedReply);
    return true;
}

bool SftpClient::Receive(std::string& packet)
{
    char buffer[WriteChunk];
    for (;;) {
        if (std::optional<std::string> next = incoming_.Next()) {
            packet = std::move(*next);
            return true;
        }
        if (incoming_.Broken())
            return FailConnection("The server sent a malformed SFTP packet");
        int count = ssh_channel_read_timeout(channel_, buffer, sizeof buffer, 0,
                                             timeoutSeconds_ * 1000);
        if (count > 0) {
            liveness_.Mark();
            incoming_.Append(buffer, static_cast<std::size_t>(count));
            continue;
        }
        if (count == 0 && ssh_channel_is_open(channel_) && !ssh_channel_is_eof(channel_))
            return FailConnection(NoAnswerText(timeoutSeconds_));
        return FailConnection(ConnectionErrorText());
    }
}

std::string SftpClient::ConnectionErrorText() const
{
    std::string text = "The connection to the server was lost";
    const char* detail = ssh_get_error(ssh_channel_get_session(channel_));
    if (detail && *detail)
        text += std::string(" (") + detail + ")";
    return text;
}

bool SftpClient::FailRequest(const StatusReply& status, const std::string& what)
{
    lastStatus_ = status.Code;
    error_ = "The server refused to " + what + ": " + StatusText(status);
    Log("< " + StatusText(status));
    return false;
}

bool SftpClient::FailLocal(const std::string& why)
{
    lastStatus_ = StatusCode::Failure;
    error_ = why;
    Log("! " + why);
    return false;
}

bool SftpClient::FailConnection(const std::string& why)
{
    broken_ = true;
    brokenReason_ = why;
    lastStatus_ = StatusCode::ConnectionLost;
    error_ = why;
    Log("! " + why);
    return false;
}

void SftpClient::Log(const std::string& line)
{
    if (log_)
        log_(line);
}

}  // namespace mondeliar::sftp
