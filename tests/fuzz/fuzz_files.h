#pragma once
// The readers work on files: a fuzz input is written to a file of a folder that belongs to
// this process, on a memory file system when there is one (each save ends with fsync), and
// the same file is reused for every input. Any broken property aborts, so libFuzzer reports it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace mondeliar::fuzz {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string base = std::filesystem::is_directory("/dev/shm")
                               ? std::string("/dev/shm")
                               : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/mondeliar-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern + "/";
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The process's folder, with a trailing "/".
inline const std::string& Folder()
{
    static ScratchFolder folder;
    return folder.Path();
}

// Writes the bytes to `name` in the process's folder and returns the file's path.
inline std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    std::string path = Folder() + name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        std::abort();
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            std::abort();
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return path;
}

inline std::string ReadWhole(const std::string& path)
{
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[8192];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

// Stops the run with a message when a property does not hold.
inline void Require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

}  // namespace mondeliar::fuzz
