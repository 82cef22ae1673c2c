#include "base/output_file.h"

#include "base/errors.h"
#include "base/files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mondeliar {

namespace {

mode_t CurrentUmask()
{
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Opening an existing file for writing tells whether it may be replaced (read-only file,
// folder in its place) before any work is done. Anything but a regular file is not replaced.
void CheckWritable(const std::string& path)
{
    RefuseSpecialFile(path);
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno != ENOENT)
        ThrowFileError(errno, path);
}

}  // namespace

// Left uninitialised: only the bytes written are ever read.
BufferedWriter::BufferedWriter(std::size_t bufferSize)
    : buffer_(new char[bufferSize]), size_(bufferSize)
{
}

BufferedWriter::~BufferedWriter() = default;

void BufferedWriter::WriteThrough(std::string_view text)
{
    Flush();
    if (text.size() < size_)
        Write(text);
    else
        Deliver(text);
}

void BufferedWriter::Flush()
{
    std::size_t used = used_;
    used_ = 0;
    if (used > 0)
        Deliver(std::string_view(buffer_.get(), used));
}

FileWriter::FileWriter() : BufferedWriter(64 * 1024) {}

FileWriter::~FileWriter()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void FileWriter::Open(const std::string& openedPath, const std::string& reportedPath, int flags,
                      mode_t mode)
{
    path_ = reportedPath;
    fd_ = ::open(openedPath.c_str(), flags | O_CLOEXEC, mode);
    if (fd_ < 0)
        ThrowFileError(errno, reportedPath);
}

void FileWriter::Deliver(std::string_view bytes)
{
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd_, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int error = errno;
            written_ += done;
            ThrowFileError(error, path_);
        }
        done += static_cast<std::size_t>(n);
    }
    written_ += done;
}

void FileWriter::CloseHandle()
{
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR)
        ThrowFileError(errno, path_);
}

OutputFile::OutputFile(const std::string& path)
{
    RefuseSpecialFile(path);
    Open(path, path, O_WRONLY | O_CREAT | O_NONBLOCK, 0666);
    RequireRegularFile(fd_, path);
}

OutputFile::~OutputFile()
{
    if (fd_ < 0)
        return;
    try {
        Flush();
    } catch (const FileError&) {
        // The error that abandoned the file has already been reported.
    }
    if (::ftruncate(fd_, static_cast<off_t>(written_)) != 0) {
        // Nothing more can be done for a page already abandoned.
    }
}

void OutputFile::Close()
{
    if (fd_ < 0)
        return;
    Flush();
    CutAfterWritten();
    CloseHandle();
}

void OutputFile::CutAfterWritten()
{
    if (::ftruncate(fd_, static_cast<off_t>(written_)) != 0)
        ThrowFileError(errno, path_);
}

AtomicFile::AtomicFile(const std::string& path, mode_t mode) : mode_(mode)
{
    CheckWritable(path);
    std::string pattern = path + ".saving-XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        ThrowFileError(errno, path);
    ::close(fd);
    tempPath_ = pattern;
    Open(tempPath_, path, O_WRONLY | O_TRUNC, 0600);
}

AtomicFile::~AtomicFile()
{
    if (!tempPath_.empty())
        ::unlink(tempPath_.c_str());
}

void AtomicFile::Commit()
{
    Flush();
    mode_t mode = mode_;
    struct stat old;
    if (mode == KeepMode)
        mode = ::stat(path_.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0)
        ThrowFileError(errno, path_);
    CloseHandle();
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0)
        ThrowFileError(errno, path_);
    tempPath_.clear();
}

}  // namespace mondeliar
