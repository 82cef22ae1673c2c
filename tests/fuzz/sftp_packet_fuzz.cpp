// The SFTP replies as the upload reads them: received bytes, in pieces of any size, are cut
// into packets, and each packet is read as every reply the client awaits.
//
// Input: byte 0 chooses the piece sizes; the rest is what the server sends.

#include "net_fuzz_support.h"
#include "sftp/sftp_packet.h"

#include <cstdint>
#include <string>

using namespace mondeliar::sftp;

namespace {

// A status read back from its own bytes is the same status.
void CheckStatus(const StatusReply& status)
{
    FUZZ_CHECK(!StatusText(status).empty());
    PacketBuilder again(PacketType::Status);
    again.Uint32(status.Id).Uint32(static_cast<std::uint32_t>(status.Code)).String(status.Message);
    std::optional<StatusReply> reread = ParseStatus(again.Bytes().substr(4));
    FUZZ_CHECK(reread && reread->Id == status.Id && reread->Code == status.Code
               && reread->Message == status.Message);
}

void ReadReplies(const std::string& packet)
{
    FUZZ_CHECK(!packet.empty() && packet.size() <= MaxPacketLength);
    if (std::optional<StatusReply> status = ParseStatus(packet))
        CheckStatus(*status);
    if (std::optional<std::string> handle = ParseHandle(packet))
        FUZZ_CHECK(!handle->empty() && handle->size() < packet.size());
    if (std::optional<VersionReply> version = ParseVersion(packet))
        for (const auto& [name, data] : version->Extensions)
            FUZZ_CHECK(name.size() + data.size() < packet.size());
    ReplyId(packet);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    mondeliar::fuzz::Pieces pieces(data[0]);
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    std::size_t left = size - 1;
    PacketStream stream;
    std::size_t taken = 0;
    while (left > 0) {
        std::size_t piece = pieces.Next(left);
        stream.Append(bytes, piece);
        bytes += piece;
        left -= piece;
        while (std::optional<std::string> packet = stream.Next()) {
            taken += 4 + packet->size();
            ReadReplies(*packet);
        }
    }
    // Whole packets only, never more than arrived; a broken stream gives nothing more.
    FUZZ_CHECK(taken <= size - 1);
    if (stream.Broken())
        FUZZ_CHECK(!stream.Next());
    return 0;
}
