#pragma once
// Reading the program's text files line by line. CR LF, CR alone and LF alone all end a
// line, and a Ctrl-Z byte ends the file. A line longer than the reader's limit keeps its
// first `maxLineLength` bytes; the rest is skipped, so no file can make the reader allocate
// more than that, whatever it holds.

#include <cstddef>
#include <string>

namespace mondeliar {

class TextReader {
public:
    static constexpr std::size_t DefaultMaxLineLength = 64 * 1024;

    // Opens `path` for reading; a failure raises the file error of the system's answer.
    explicit TextReader(const std::string& path, std::size_t maxLineLength = DefaultMaxLineLength);
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // The next line without its line end; false when the file holds no more lines.
    bool ReadLine(std::string& line);

private:
    bool FillBuffer();  // false at the end of the file
    int NextByte();     // -1 at the end of the file

    std::string path_;
    std::size_t maxLineLength_;
    int fd_ = -1;
    char buffer_[64 * 1024];
    std::size_t bufferPos_ = 0;
    std::size_t bufferEnd_ = 0;
    bool atEnd_ = false;
};

}  // namespace mondeliar
