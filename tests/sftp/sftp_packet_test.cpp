// The SFTP packet reader against the replies a broken or hostile server may send.
#include "sftp/sftp_packet.h"

#include <gtest/gtest.h>

namespace mondeliar::sftp {
namespace {

using namespace std::string_literals;

// A packet as PacketStream hands it on: the type and the fields, without the length.
std::string Unframed(const PacketBuilder& packet)
{
    return packet.Bytes().substr(4);
}

TEST(SftpPacketTest, RepliesAreReadOrRefusedWhole)
{
    const std::string status = Unframed(PacketBuilder(PacketType::Status).Uint32(7).Uint32(3).String("No way").String("en"));
    struct Row {
        const char* what;
        std::string packet;
        bool isStatus;
        std::string text;  // StatusText of the status read
    } rows[] = {
        {"a full status", status, true, "No way"},
        {"a version 2 status without message", "\x65\0\0\0\7\0\0\0\2"s, true, "No such file"},
        {"a status cut inside its code", "\x65\0\0\0\7\0\0"s, false, ""},
        {"a message longer than the packet", "\x65\0\0\0\7\0\0\0\4\xFF\xFF\xFF\xFFx"s, true, "Failure"},
        {"an unknown code", Unframed(PacketBuilder(PacketType::Status).Uint32(1).Uint32(99)), true, "Status 99"},
        {"a handle is no status", Unframed(PacketBuilder(PacketType::Handle).Uint32(7).String("h")), false, ""},
        {"an empty packet", "", false, ""},
    };
    for (const Row& row : rows) {
        std::optional<StatusReply> read = ParseStatus(row.packet);
        EXPECT_EQ(read.has_value(), row.isStatus) << row.what;
        if (read) {
            EXPECT_EQ(StatusText(*read), row.text) << row.what;
        }
    }
    EXPECT_EQ(ParseHandle(Unframed(PacketBuilder(PacketType::Handle).Uint32(7).String(""))), std::nullopt);
    EXPECT_EQ(ParseHandle(Unframed(PacketBuilder(PacketType::Handle).Uint32(7).String("h1"))), "h1");
}

TEST(SftpPacketTest, VersionKeepsWholeExtensionsOnly)
{
    PacketBuilder version(PacketType::Version);
    version.Uint32(3).String("posix-rename@openssh.com").String("1");
    std::optional<VersionReply> read = ParseVersion(Unframed(version));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Version, 3u);
    ASSERT_EQ(read->Extensions.size(), 1u);
    EXPECT_EQ(read->Extensions[0].first, "posix-rename@openssh.com");
    // An extension name without its data is a broken reply.
    EXPECT_FALSE(ParseVersion(Unframed(PacketBuilder(PacketType::Version).Uint32(3).String("x"))));
}

TEST(SftpPacketTest, StreamCutsPacketsAcrossReadsAndRefusesAbsurdLengths)
{
    const std::string two = PacketBuilder(PacketType::Status).Uint32(1).Uint32(0).Bytes()
                            + PacketBuilder(PacketType::Handle).Uint32(2).String("h").Bytes();
    PacketStream stream;
    std::vector<std::string> packets;
    for (char byte : two) {
        stream.Append(&byte, 1);
        while (std::optional<std::string> packet = stream.Next())
            packets.push_back(*packet);
    }
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(ReplyId(packets[1]), 2u);
    EXPECT_FALSE(stream.Broken());

    for (const std::string& length : {"\0\0\0\0"s, "\0\x10\0\x01"s}) {
        PacketStream broken;
        broken.Append(length.data(), length.size());
        EXPECT_EQ(broken.Next(), std::nullopt);
        EXPECT_TRUE(broken.Broken());
    }
}

}  // namespace
}  // namespace mondeliar::sftp
