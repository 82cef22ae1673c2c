#pragma once
// Writing files. OutputFile writes a file in place (the pages); AtomicFile replaces a file
// only once the whole new content is on disk, so a failed save leaves the old file intact.
// Both write lines ended by CR LF and raise the file error of the system's answer.

#include <string>
#include <string_view>
#include <sys/types.h>

namespace mondeliar {

class BufferedWriter {
public:
    BufferedWriter(const BufferedWriter&) = delete;
    BufferedWriter& operator=(const BufferedWriter&) = delete;

    void Write(std::string_view text);
    void WriteLine(std::string_view text = {});  // text and CR LF
    const std::string& Path() const { return path_; }

protected:
    BufferedWriter() = default;
    ~BufferedWriter();
    void Open(const std::string& openedPath, const std::string& reportedPath, int flags,
              mode_t mode);
    void Flush();
    void CloseHandle();  // raises when the system reports a failure on close
    int fd_ = -1;
    std::string path_;

private:
    std::string buffer_;
};

class OutputFile : public BufferedWriter {
public:
    // Creates `path`, or empties it when it exists.
    explicit OutputFile(const std::string& path);
    // A file abandoned by an error keeps what was written before it.
    ~OutputFile();
    // Writes what is buffered and closes the file.
    void Close();
};

class AtomicFile : public BufferedWriter {
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
