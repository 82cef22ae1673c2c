#include "base/files.h"

#include "base/errors.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace mondeliar {

namespace {

constexpr std::size_t CopyChunkSize = 8192;

struct FileHandle {
    int fd = -1;
    ~FileHandle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string ExpandDestination(const std::string& source, const std::string& destination)
{
    std::string full = !destination.empty() && destination[0] == '/'
                           ? destination
                           : WorkingFolderPath() + "/" + destination;
    if (!HasFileAttribute(full, faDirectory))
        return full;
    if (full.back() != '/')
        full += '/';
    return full + FileNamePart(source);
}

std::size_t ReadChunk(int fd, char* buffer, const std::string& path)
{
    std::size_t got = 0;
    while (got < CopyChunkSize) {
        ssize_t n = ::read(fd, buffer + got, CopyChunkSize - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError(errno, path);
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

void WriteChunk(int fd, const char* buffer, std::size_t count, const std::string& path)
{
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd, buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowFileError(errno, path);
        }
        done += static_cast<std::size_t>(n);
    }
}

bool SameFile(int first, int second)
{
    struct stat a;
    struct stat b;
    return ::fstat(first, &a) == 0 && ::fstat(second, &b) == 0 && a.st_dev == b.st_dev
           && a.st_ino == b.st_ino;
}

}  // namespace

std::string FileNamePart(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string WorkingFolderPath()
{
    std::string folder(256, '\0');
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE)
            return ".";
        folder.resize(folder.size() * 2);
    }
    folder.resize(folder.find('\0'));
    return folder;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool FileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

void RefuseSpecialFile(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw RefusedFileError(path + " is not a regular file");
}

void RequireRegularFile(int fd, const std::string& path)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        ThrowFileError(errno, path);
    if (!S_ISREG(info.st_mode))
        throw RefusedFileError(path + " is not a regular file");
}

bool IsRegularFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ExecutableFolder()
{
    std::string program(256, '\0');
    for (;;) {
        ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size());
        if (length < 0)
            return "./";
        if (static_cast<std::size_t>(length) < program.size()) {
            program.resize(static_cast<std::size_t>(length));
            break;
        }
        program.resize(program.size() * 2);
    }
    return FolderPart(program) + "/";
}

bool HasFileAttribute(const std::string& path, unsigned attributes)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    unsigned present = 0;
    if (S_ISDIR(info.st_mode))
        present |= faDirectory;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        present |= faReadOnly;
    std::string name = FileNamePart(path);
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        present |= faHidden;
    return (present & attributes) == attributes;
}

void CopyFileTo(const std::string& source, const std::string& destination)
{
    std::string target = ExpandDestination(source, destination);
    auto buffer = std::make_unique<char[]>(CopyChunkSize);

    FileHandle in;
    RefuseSpecialFile(source);
    in.fd = ::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in.fd < 0)
        throw FileError("Cannot open file " + source);
    RequireRegularFile(in.fd, source);

    // Opened without truncating, so that a destination that is the source itself (the same
    // name, a link to it) is recognised before anything of it is lost. It is written over
    // from its start and cut after the copy, as OutputFile writes the pages.
    FileHandle out;
    RefuseSpecialFile(target);
    out.fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (out.fd < 0)
        throw FileError("Cannot create file " + target);
    RequireRegularFile(out.fd, target);
    if (SameFile(in.fd, out.fd))
        return;

    off_t copied = 0;
    for (;;) {
        std::size_t got = ReadChunk(in.fd, buffer.get(), source);
        if (got > 0)
            WriteChunk(out.fd, buffer.get(), got, target);
        copied += static_cast<off_t>(got);
        if (got < CopyChunkSize)
            break;
    }
    if (::ftruncate(out.fd, copied) != 0)
        ThrowFileError(errno, target);
    int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        ThrowFileError(errno, target);
}

}  // namespace mondeliar
