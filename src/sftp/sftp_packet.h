#pragma once
// The packets of the SFTP file protocol, version 3 (draft-ietf-secsh-filexfer-02), as the
// upload speaks them inside an SSH channel: building a request, cutting replies out of the
// bytes received, and reading their fields. Plain C++: no SSH here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mondeliar::sftp {

// Packet types (draft section 3).
enum class PacketType : std::uint8_t {
    Init = 1,
    Version = 2,
    Open = 3,
    Close = 4,
    Write = 6,
    Remove = 13,
    Rename = 18,
    Status = 101,
    Handle = 102,
    Extended = 200,
};

// Status codes of an SSH_FXP_STATUS reply (draft section 7).
enum class StatusCode : std::uint32_t {
    Ok = 0,
    Eof = 1,
    NoSuchFile = 2,
    PermissionDenied = 3,
    Failure = 4,
    BadMessage = 5,
    NoConnection = 6,
    ConnectionLost = 7,
    OpUnsupported = 8,
};

// Open flags (draft section 6.3) and the permissions attribute (section 5).
constexpr std::uint32_t OpenWrite = 0x02;
constexpr std::uint32_t OpenCreate = 0x08;
constexpr std::uint32_t OpenTruncate = 0x10;
constexpr std::uint32_t AttrPermissions = 0x04;

// The largest packet taken from a server. OpenSSH sends none above 256 KiB; anything far
// larger is a broken or hostile peer, refused before its bytes are buffered.
constexpr std::uint32_t MaxPacketLength = 1024 * 1024;

// One packet being built: its type, then fields in order. Bytes() frames it with its length.
class PacketBuilder {
public:
    explicit PacketBuilder(PacketType type);
    PacketBuilder& Uint32(std::uint32_t value);
    PacketBuilder& Uint64(std::uint64_t value);
    PacketBuilder& String(const std::string& bytes);
    PacketBuilder& String(const char* bytes, std::size_t length);
    std::string Bytes() const;

private:
    std::string body_;
};

// The fields of one received packet, read in order. A read past the end gives zero or an
// empty text and makes Ok() false, so a short packet is found once, after reading it all.
class PacketReader {
public:
    // `packet`: the type byte and the fields, without the length.
    explicit PacketReader(std::string packet);
    std::optional<PacketType> Type() const { return type_; }
    std::uint8_t RawType() const { return rawType_; }
    std::uint32_t Uint32();
    std::uint64_t Uint64();
    std::string String();
    bool AtEnd() const { return position_ == packet_.size(); }
    bool Ok() const { return ok_; }

private:
    bool Take(std::size_t count);

    std::string packet_;
    std::size_t position_ = 1;
    std::uint8_t rawType_ = 0;
    std::optional<PacketType> type_;
    bool ok_ = true;
};

// Takes every whole packet off the front of the bytes received. A declared length of zero
// or above MaxPacketLength makes the stream unusable: Broken() then stays true.
class PacketStream {
public:
    void Append(const char* bytes, std::size_t count);
    std::optional<std::string> Next();
    bool Broken() const { return broken_; }

private:
    std::string pending_;
    std::size_t start_ = 0;
    bool broken_ = false;
};

// What the server said about a request.
struct StatusReply {
    std::uint32_t Id = 0;
    StatusCode Code = StatusCode::Failure;
    std::string Message;  // the server's text; may be empty (servers before version 3)
};

// The extensions of a VERSION reply: name and data of each.
struct VersionReply {
    std::uint32_t Version = 0;
    std::vector<std::pair<std::string, std::string>> Extensions;
};

// The replies, read from one packet. Nothing when the packet is malformed or of another
// type.
std::optional<VersionReply> ParseVersion(const std::string& packet);
std::optional<StatusReply> ParseStatus(const std::string& packet);
// The request id of any reply packet.
std::optional<std::uint32_t> ReplyId(const std::string& packet);
// The handle of a HANDLE reply.
std::optional<std::string> ParseHandle(const std::string& packet);

// The text for a status: the server's message when it gave one, else the code's name
// ("No such file", "Permission denied", ...).
std::string StatusText(const StatusReply& status);

}  // namespace mondeliar::sftp
