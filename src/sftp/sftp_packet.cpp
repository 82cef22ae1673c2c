#include "sftp/sftp_packet.h"

namespace mondeliar::sftp {

namespace {

void AppendUint32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::uint32_t ReadUint32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

PacketBuilder::PacketBuilder(PacketType type)
{
    body_.push_back(static_cast<char>(type));
}

PacketBuilder& PacketBuilder::Uint32(std::uint32_t value)
{
    AppendUint32(body_, value);
    return *this;
}

PacketBuilder& PacketBuilder::Uint64(std::uint64_t value)
{
    AppendUint32(body_, static_cast<std::uint32_t>(value >> 32));
    AppendUint32(body_, static_cast<std::uint32_t>(value));
    return *this;
}

PacketBuilder& PacketBuilder::String(const std::string& bytes)
{
    return String(bytes.data(), bytes.size());
}

PacketBuilder& PacketBuilder::String(const char* bytes, std::size_t length)
{
    AppendUint32(body_, static_cast<std::uint32_t>(length));
    body_.append(bytes, length);
    return *this;
}

std::string PacketBuilder::Bytes() const
{
    std::string framed;
    framed.reserve(4 + body_.size());
    AppendUint32(framed, static_cast<std::uint32_t>(body_.size()));
    return framed + body_;
}

PacketReader::PacketReader(std::string packet) : packet_(std::move(packet))
{
    if (packet_.empty()) {
        ok_ = false;
        position_ = 0;
        return;
    }
    rawType_ = static_cast<std::uint8_t>(packet_[0]);
    switch (static_cast<PacketType>(rawType_)) {
    case PacketType::Init:
    case PacketType::Version:
    case PacketType::Open:
    case PacketType::Close:
    case PacketType::Write:
    case PacketType::Remove:
    case PacketType::Rename:
    case PacketType::Status:
    case PacketType::Handle:
    case PacketType::Extended:
        type_ = static_cast<PacketType>(rawType_);
        break;
    }
}

bool PacketReader::Take(std::size_t count)
{
    if (!ok_ || packet_.size() - position_ < count) {
        ok_ = false;
        return false;
    }
    position_ += count;
    return true;
}

std::uint32_t PacketReader::Uint32()
{
    return Take(4) ? ReadUint32(packet_, position_ - 4) : 0;
}

std::uint64_t PacketReader::Uint64()
{
    std::uint64_t high = Uint32();
    return (high << 32) | Uint32();
}

std::string PacketReader::String()
{
    std::uint32_t length = Uint32();
    if (!Take(length))
        return std::string();
    return packet_.substr(position_ - length, length);
}

void PacketStream::Append(const char* bytes, std::size_t count)
{
    pending_.append(bytes, count);
}

std::optional<std::string> PacketStream::Next()
{
    if (broken_ || pending_.size() - start_ < 4)
        return std::nullopt;
    std::uint32_t length = ReadUint32(pending_, start_);
    if (length == 0 || length > MaxPacketLength) {
        broken_ = true;
        return std::nullopt;
    }
    if (pending_.size() - start_ - 4 < length)
        return std::nullopt;
    std::string packet = pending_.substr(start_ + 4, length);
    start_ += 4 + length;
    // Consumed bytes are dropped once they are the bulk of the buffer, not on every packet.
    if (start_ > pending_.size() / 2) {
        pending_.erase(0, start_);
        start_ = 0;
    }
    return packet;
}

std::optional<VersionReply> ParseVersion(const std::string& packet)
{
    PacketReader reader(packet);
    if (reader.Type() != PacketType::Version)
        return std::nullopt;
    VersionReply reply;
    reply.Version = reader.Uint32();
    while (reader.Ok() && !reader.AtEnd()) {
        std::string name = reader.String();
        std::string data = reader.String();
        if (reader.Ok())
            reply.Extensions.emplace_back(std::move(name), std::move(data));
    }
    if (!reader.Ok())
        return std::nullopt;
    return reply;
}

std::optional<StatusReply> ParseStatus(const std::string& packet)
{
    PacketReader reader(packet);
    if (reader.Type() != PacketType::Status)
        return std::nullopt;
    StatusReply reply;
    reply.Id = reader.Uint32();
    reply.Code = static_cast<StatusCode>(reader.Uint32());
    if (!reader.Ok())
        return std::nullopt;
    // The message and its language tag came with version 3; older servers end here.
    if (!reader.AtEnd()) {
        std::string message = reader.String();
        if (reader.Ok())
            reply.Message = message;
    }
    return reply;
}

std::optional<std::uint32_t> ReplyId(const std::string& packet)
{
    PacketReader reader(packet);
    std::uint32_t id = reader.Uint32();
    if (!reader.Ok())
        return std::nullopt;
    return id;
}

std::optional<std::string> ParseHandle(const std::string& packet)
{
    PacketReader reader(packet);
    if (reader.Type() != PacketType::Handle)
        return std::nullopt;
    reader.Uint32();
    std::string handle = reader.String();
    if (!reader.Ok() || handle.empty())
        return std::nullopt;
    return handle;
}

std::string StatusText(const StatusReply& status)
{
    if (!status.Message.empty())
        return status.Message;
    switch (status.Code) {
    case StatusCode::Ok:
        return "Success";
    case StatusCode::Eof:
        return "End of file";
    case StatusCode::NoSuchFile:
        return "No such file";
    case StatusCode::PermissionDenied:
        return "Permission denied";
    case StatusCode::Failure:
        return "Failure";
    case StatusCode::BadMessage:
        return "Bad message";
    case StatusCode::NoConnection:
        return "No connection";
    case StatusCode::ConnectionLost:
        return "Connection lost";
    case StatusCode::OpUnsupported:
        return "Operation unsupported";
    }
    return "Status " + std::to_string(static_cast<std::uint32_t>(status.Code));
}

}  // namespace mondeliar::sftp
