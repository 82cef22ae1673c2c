#include "base/text_reader.h"

#include "base/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace mondeliar {

namespace {
constexpr int CtrlZ = 26;
}

TextReader::TextReader(const std::string& path, std::size_t maxLineLength)
    : path_(path), maxLineLength_(maxLineLength)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        ThrowFileError(errno, path);
}

TextReader::~TextReader()
{
    ::close(fd_);
}

bool TextReader::FillBuffer()
{
    for (;;) {
        ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
        if (n > 0) {
            bufferPos_ = 0;
            bufferEnd_ = static_cast<std::size_t>(n);
            return true;
        }
        if (n == 0)
            return false;
        if (errno != EINTR)
            ThrowFileError(errno, path_);
    }
}

int TextReader::NextByte()
{
    if (atEnd_)
        return -1;
    if (bufferPos_ == bufferEnd_ && !FillBuffer()) {
        atEnd_ = true;
        return -1;
    }
    int c = static_cast<unsigned char>(buffer_[bufferPos_++]);
    if (c == CtrlZ) {
        atEnd_ = true;
        return -1;
    }
    return c;
}

bool TextReader::ReadLine(std::string& line)
{
    line.clear();
    int c = NextByte();
    if (c < 0)
        return false;
    for (; c >= 0; c = NextByte()) {
        if (c == '\n')
            return true;
        if (c == '\r') {
            // A CR followed by LF is one line end.
            if (NextByte() != '\n' && !atEnd_)
                --bufferPos_;
            return true;
        }
        if (line.size() < maxLineLength_)
            line.push_back(static_cast<char>(c));
    }
    return true;
}

}  // namespace mondeliar
