#pragma once
// Small file system helpers: existence and attribute tests, the program's own folder, and
// the chunked file copy that makes the current-month page.

#include <string>
#include <vector>

namespace mondeliar {

// Attribute bits of a path, as HasFileAttribute tests them.
enum FileAttribute : unsigned {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faDirectory = 0x10,
};

// Paths as plain strings, "/" separated. These stand in for std::filesystem, which would
// bring the C++ streams and locales into every program and a third onto its start-up.

// The part after the last "/" ("" for a path ending with "/").
std::string FileNamePart(const std::string& path);
// The part before the last "/": "." for a bare name, "/" for a name in the root folder.
std::string FolderPart(const std::string& path);
// The working folder, without a trailing "/"; "." when it cannot be told.
std::string WorkingFolderPath();
// The names in `folder`, "." and ".." left out, in no particular order; none for a folder
// that cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// True when an entry (file or folder) named `path` exists.
bool FileExists(const std::string& path);
// A FIFO, a socket or a device in the place of a file would hang or swallow what the program
// writes. Before a file is opened, RefuseSpecialFile raises RefusedFileError "<path> is not a
// regular file" when `path` names one (a missing path and a folder pass: opening them gives
// their own errors); the file is then opened without waiting (O_NONBLOCK) and
// RequireRegularFile checks the open descriptor the same way.
void RefuseSpecialFile(const std::string& path);
void RequireRegularFile(int fd, const std::string& path);
// True when `path` is a regular file, or a link to one.
bool IsRegularFile(const std::string& path);

// The folder of the running program, with a trailing "/".
std::string ExecutableFolder();

// True when `path` exists and carries every bit of `attributes`. A missing path has none.
bool HasFileAttribute(const std::string& path, unsigned attributes);

// Copies `source` to `destination` in 8192-byte pieces, replacing an existing file. A
// destination that is an existing folder receives the copy under the source's name. A
// destination that is the source itself (same device and inode) is left as it is.
// Raises "Cannot open file <source>" or "Cannot create file <destination>" when either
// cannot be opened, and the file error of a failed read or write.
void CopyFileTo(const std::string& source, const std::string& destination);

}  // namespace mondeliar
