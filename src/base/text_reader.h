#pragma once
// Reading the program's text files line by line. Every file the program reads goes through
// this one reader: it takes regular files only (a FIFO, a device such as /dev/zero or a
// folder would hang or exhaust the program) and stops at a size limit far above any real
// file of the kind. CR LF, CR alone and LF alone all end a line, and a Ctrl-Z byte ends the
// file. A line longer than the reader's limit keeps its first `maxLineLength` bytes; the
// rest is skipped.

#include <cstddef>
#include <cstdint>
#include <string>

namespace mondeliar {

constexpr std::uintmax_t MiB = 1024 * 1024;

// Size limits by kind of file. Whatever a file holds, reading it costs at most this much.
constexpr std::uintmax_t HtmlTextSizeLimit = 16 * MiB;   // header and footer files, pagetrim.*
constexpr std::uintmax_t NotesFileSizeLimit = 16 * MiB;  // 1000 full lines take about 2.2 MB
constexpr std::uintmax_t SmallFileSizeLimit = 1 * MiB;   // settings, recurring entries, language

class TextReader {
public:
    static constexpr std::size_t DefaultMaxLineLength = 64 * 1024;

    // Opens `path` for reading without waiting on it. A failure raises the file error of the
    // system's answer; anything but a regular file, or a file larger than `sizeLimit`,
    // raises RefusedFileError ("<path> is not a regular file", "<path> is larger than 1 MiB").
    TextReader(const std::string& path, std::uintmax_t sizeLimit,
               std::size_t maxLineLength = DefaultMaxLineLength);
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // The next line without its line end; false when the file holds no more lines. A file
    // that grows past the limit while it is read raises RefusedFileError.
    bool ReadLine(std::string& line);

    // The size of the file when it was opened.
    std::uintmax_t FileSize() const { return fileSize_; }

private:
    bool FillBuffer();  // false at the end of the file
    int PeekByte();     // -1 at the end of the file
    // The number of bytes from bufferPos_ before the first CR, LF or Ctrl-Z of the buffer.
    std::size_t RunLength();
    void Keep(std::string& line, std::size_t count) const;

    std::string path_;
    std::uintmax_t sizeLimit_;
    std::size_t maxLineLength_;
    int fd_ = -1;
    std::uintmax_t fileSize_ = 0;
    std::uintmax_t bytesRead_ = 0;
    char buffer_[64 * 1024];
    std::size_t bufferPos_ = 0;
    std::size_t bufferEnd_ = 0;
    // Where the next LF of the buffer stands (bufferEnd_ when it holds none), so that a file
    // of CR line ends is not searched to the end of the buffer for every line.
    std::size_t lineFeed_ = 0;
    bool lineFeedKnown_ = false;
    bool atEnd_ = false;
};

}  // namespace mondeliar
