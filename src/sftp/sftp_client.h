#pragma once
// The SFTP requests of an upload (protocol version 3), spoken over a channel that libssh has
// opened with the "sftp" subsystem: storing a local file, renaming, removing. Writes are
// pipelined, so a page goes up in one round trip however large it is. Every call blocks;
// Timeout bounds each wait for the server.

#include "sftp/liveness.h"
#include "sftp/sftp_packet.h"

#include <cstdint>
#include <functional>
#include <string>

struct ssh_channel_struct;

namespace mondeliar::sftp {

// "No answer from the server within N seconds"
std::string NoAnswerText(int seconds);

class SftpClient {
public:
    SftpClient(ssh_channel_struct* channel, std::function<void(const std::string&)> log,
               Liveness& liveness, int timeoutSeconds);

    // INIT and VERSION: learns the server's extensions.
    bool Start();
    bool OffersPosixRename() const { return posixRename_; }

    // Creates or truncates `remotePath` (permissions 0644) and writes the local file's bytes
    // into it. A local file that cannot be read fails before anything is sent.
    bool Store(const std::string& localPath, const std::string& remotePath);
    // RENAME: refused by most servers when `to` exists.
    bool Rename(const std::string& from, const std::string& to);
    // posix-rename@openssh.com: replaces `to` in one step. Only when offered.
    bool PosixRename(const std::string& from, const std::string& to);
    bool Remove(const std::string& path);

    // Why the last request failed, and the status the server gave (Failure when the
    // connection failed instead).
    const std::string& Error() const { return error_; }
    StatusCode LastStatus() const { return lastStatus_; }
    // False once the channel has failed: every later request fails at once.
    bool Usable() const { return !broken_; }

private:
    class LocalFile;
    struct Transfer;

    bool Ready();
    bool OpenRemote(const std::string& remotePath, std::string& handle);
    bool SendWrites(LocalFile& source, const std::string& handle, Transfer& transfer);
    bool AwaitWriteReply(Transfer& transfer);
    bool Request(const PacketBuilder& request, std::uint32_t id, const std::string& what);
    bool Send(const std::string& packet);
    bool ReceiveReplyTo(std::uint32_t id, std::string& packet);
    bool Receive(std::string& packet);
    std::string ConnectionErrorText() const;
    std::uint32_t NextId() { return nextId_++; }
    bool FailRequest(const StatusReply& status, const std::string& what);
    bool FailLocal(const std::string& why);
    bool FailConnection(const std::string& why);
    void Log(const std::string& line);

    ssh_channel_struct* channel_;
    std::function<void(const std::string&)> log_;
    Liveness& liveness_;
    int timeoutSeconds_;
    PacketStream incoming_;
    std::uint32_t nextId_ = 1;
    bool posixRename_ = false;
    bool broken_ = false;
    std::string brokenReason_;
    StatusCode lastStatus_ = StatusCode::Ok;
    std::string error_;
};

}  // namespace mondeliar::sftp
