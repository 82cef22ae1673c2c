#pragma once
// Writing files. OutputFile writes a file in place (the pages); AtomicFile replaces a file
// only once the whole new content is on disk, so a failed save leaves the old file intact.
// Both write lines ended by CR LF and raise the file error of the system's answer.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace mondeliar {

// Gathers what a writer makes in thousands of small pieces and hands it on in blocks, so that
// a piece costs a copy and not a call: the pages and the files the program saves.
class BufferedWriter {
public:
    BufferedWriter(const BufferedWriter&) = delete;
    BufferedWriter& operator=(const BufferedWriter&) = delete;

    void Write(std::string_view text)
    {
        if (text.size() <= size_ - used_) {
            std::copy(text.begin(), text.end(), buffer_.get() + used_);
            used_ += text.size();
        } else {
            WriteThrough(text);
        }
    }
    void WriteLine(std::string_view text = {})  // text and CR LF
    {
        Write(text);
        Write("\r\n");
    }

    // The texts one after another, without building them into one string first.
    template <typename... Texts>
    void Write(std::string_view first, std::string_view second, const Texts&... rest)
    {
        Write(first);
        Write(second);
        (Write(std::string_view(rest)), ...);
    }
    template <typename... Texts>
    void WriteLine(std::string_view first, std::string_view second, const Texts&... rest)
    {
        Write(first, second, rest...);
        Write("\r\n");
    }

protected:
    explicit BufferedWriter(std::size_t bufferSize);
    virtual ~BufferedWriter();
    // Hands on what is gathered.
    void Flush();
    // Receives the bytes written, in order.
    virtual void Deliver(std::string_view bytes) = 0;

private:
    void WriteThrough(std::string_view text);  // flushes, then buffers or delivers `text`

    std::unique_ptr<char[]> buffer_;
    std::size_t size_;
    std::size_t used_ = 0;
};

// The file behind OutputFile and AtomicFile.
class FileWriter : public BufferedWriter {
public:
    const std::string& Path() const { return path_; }

protected:
    FileWriter();
    ~FileWriter() override;
    void Open(const std::string& openedPath, const std::string& reportedPath, int flags,
              mode_t mode);
    void Deliver(std::string_view bytes) override;
    void CloseHandle();  // raises when the system reports a failure on close
    int fd_ = -1;
    std::string path_;
    std::uintmax_t written_ = 0;  // bytes handed to the file so far
};

class OutputFile : public FileWriter {
public:
    // Creates `path`, or writes over it from its start when it exists: when it is closed or
    // abandoned, it holds exactly what was written. An existing page is not truncated first,
    // since some file systems (ext4 among them) make a truncation followed by a rewrite cost
    // far more than the writing itself.
    explicit OutputFile(const std::string& path);
    // A file abandoned by an error keeps what was written before it, and nothing else.
    ~OutputFile();
    // Writes what is buffered, cuts the file after it and closes it.
    void Close();

private:
    void CutAfterWritten();
};

class AtomicFile : public FileWriter {
public:
    // Keep the mode of a file being replaced; a new file gets 0666 less the umask.
    static constexpr mode_t KeepMode = 0;

    // Starts a new content for `path` in a temporary file of the same folder. Refuses at
    // once, with the error a direct write would meet, when `path` cannot be written.
    explicit AtomicFile(const std::string& path, mode_t mode = KeepMode);
    ~AtomicFile();

    // Flushes the new content to disk and renames it over `path`.
    void Commit();

private:
    std::string tempPath_;
    mode_t mode_;
};

}  // namespace mondeliar
