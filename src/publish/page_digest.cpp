#include "publish/page_digest.h"

#include "base/errors.h"
#include "base/files.h"
#include "base/text_reader.h"

#include <cerrno>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mondeliar {

namespace {

// A page holds a header and a footer text of up to 16 MiB each and a year of notes.
constexpr std::uintmax_t PageSizeLimit = 64 * MiB;

class ReadHandle {
public:
    explicit ReadHandle(const std::string& path)
    {
        RefuseSpecialFile(path);
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            ThrowFileError(errno, path);
    }
    ~ReadHandle() { ::close(fd_); }
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
};

}  // namespace

std::string ReadPageBytes(const std::string& path)
{
    ReadHandle file(path);
    RequireRegularFile(file.Fd(), path);
    struct stat info;
    if (::fstat(file.Fd(), &info) != 0)
        ThrowFileError(errno, path);
    if (static_cast<std::uintmax_t>(info.st_size) > PageSizeLimit)
        throw RefusedFileError(path + " is larger than 64 MiB");
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(file.Fd(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowFileError(errno, path);
        if (got == 0)
            break;  // cut while being read: the digest is of what is there
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

namespace {

void RemoveEvery(std::string& text, const std::string& piece)
{
    if (piece.empty())
        return;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at))
        text.erase(at, piece.size());
}

std::string Sha256Hex(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw Error("SHA-256 is not available");
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0x0F];
    }
    return text;
}

}  // namespace

std::string PageBytesDigest(std::string bytes, const std::string& masked)
{
    RemoveEvery(bytes, masked);
    return Sha256Hex(bytes);
}

std::string PageDigest(const std::string& path, const std::string& masked)
{
    return PageBytesDigest(ReadPageBytes(path), masked);
}

}  // namespace mondeliar
