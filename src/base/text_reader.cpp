#include "base/text_reader.h"

#include "base/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mondeliar {

namespace {

constexpr int CtrlZ = 26;

std::string LimitText(std::uintmax_t limit)
{
    if (limit % MiB == 0)
        return std::to_string(limit / MiB) + " MiB";
    return std::to_string(limit) + " bytes";
}

[[noreturn]] void RefuseTooLarge(const std::string& path, std::uintmax_t limit)
{
    throw RefusedFileError(path + " is larger than " + LimitText(limit));
}

void RequireRegularFile(const struct stat& info, const std::string& path, std::uintmax_t limit)
{
    if (!S_ISREG(info.st_mode))
        throw RefusedFileError(path + " is not a regular file");
    if (static_cast<std::uintmax_t>(info.st_size) > limit)
        RefuseTooLarge(path, limit);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    int Release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

}  // namespace

// The kind of file is tested before it is opened, so a FIFO is never opened at all, and once
// more on the open descriptor, which is what is read. The open does not wait: a FIFO or a
// device swapped in between still cannot block it.
TextReader::TextReader(const std::string& path, std::uintmax_t sizeLimit, std::size_t maxLineLength)
    : path_(path), sizeLimit_(sizeLimit), maxLineLength_(maxLineLength)
{
    struct stat info;
    if (::stat(path.c_str(), &info) == 0)
        RequireRegularFile(info, path, sizeLimit);
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0)
        ThrowFileError(errno, path);
    if (::fstat(fd.Get(), &info) != 0)
        ThrowFileError(errno, path);
    RequireRegularFile(info, path, sizeLimit);
    fileSize_ = static_cast<std::uintmax_t>(info.st_size);
    fd_ = fd.Release();
}

TextReader::~TextReader()
{
    ::close(fd_);
}

bool TextReader::FillBuffer()
{
    if (atEnd_)
        return false;
    for (;;) {
        ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
        if (n > 0) {
            bytesRead_ += static_cast<std::uintmax_t>(n);
            if (bytesRead_ > sizeLimit_)
                RefuseTooLarge(path_, sizeLimit_);
            bufferPos_ = 0;
            bufferEnd_ = static_cast<std::size_t>(n);
            lineFeedKnown_ = false;
            return true;
        }
        if (n == 0) {
            atEnd_ = true;
            return false;
        }
        if (errno != EINTR)
            ThrowFileError(errno, path_);
    }
}

int TextReader::PeekByte()
{
    if (bufferPos_ == bufferEnd_ && !FillBuffer())
        return -1;
    return static_cast<unsigned char>(buffer_[bufferPos_]);
}

std::size_t TextReader::RunLength()
{
    const char* from = buffer_ + bufferPos_;
    if (!lineFeedKnown_ || lineFeed_ < bufferPos_) {
        const void* found = std::memchr(from, '\n', bufferEnd_ - bufferPos_);
        lineFeed_ = found ? static_cast<std::size_t>(static_cast<const char*>(found) - buffer_)
                          : bufferEnd_;
        lineFeedKnown_ = true;
    }
    std::size_t stop = lineFeed_;
    for (int end : {int('\r'), CtrlZ})
        if (const void* found = std::memchr(from, end, stop - bufferPos_))
            stop = static_cast<std::size_t>(static_cast<const char*>(found) - buffer_);
    return stop - bufferPos_;
}

void TextReader::Keep(std::string& line, std::size_t count) const
{
    if (line.size() < maxLineLength_)
        line.append(buffer_ + bufferPos_, std::min(count, maxLineLength_ - line.size()));
}

bool TextReader::ReadLine(std::string& line)
{
    line.clear();
    bool started = false;
    for (;;) {
        if (bufferPos_ == bufferEnd_ && !FillBuffer())
            return started;
        std::size_t run = RunLength();
        Keep(line, run);
        bufferPos_ += run;
        started = started || run > 0;
        if (bufferPos_ == bufferEnd_)
            continue;
        char end = buffer_[bufferPos_++];
        if (end == CtrlZ) {
            atEnd_ = true;
            bufferPos_ = bufferEnd_;
            return started;
        }
        // A CR followed by LF is one line end, also when the LF begins the next buffer.
        if (end == '\r' && PeekByte() == '\n')
            ++bufferPos_;
        return true;
    }
}

}  // namespace mondeliar
