#include "base/errors.h"

#include "base/files.h"

#include <cerrno>

namespace mondeliar {

namespace {

bool FolderOfPathExists(const std::string& path)
{
    return HasFileAttribute(FolderPart(path), faDirectory);
}

}  // namespace

std::string FileErrorText(int systemError, const std::string& path)
{
    switch (systemError) {
    case ENOENT:
        return FolderOfPathExists(path) ? "File not found" : "Invalid filename";
    case ENOTDIR:
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(systemError);
    }
}

void ThrowFileError(int systemError, const std::string& path)
{
    throw FileError(FileErrorText(systemError, path), path);
}

void ThrowConversionError(const std::string& text)
{
    throw ConversionError("'" + text + "' is not a valid integer value");
}

std::string StandardErrorReportText(const std::string& message)
{
    if (!message.empty() && message.back() == '.')
        return message;
    return message + ".";
}

std::string FailureText(const std::exception& failure, const std::string& folder)
{
    const auto* fileError = dynamic_cast<const FileError*>(&failure);
    if (!fileError || fileError->Path().empty())
        return failure.what();
    std::string path = fileError->Path();
    if (!folder.empty() && path.size() > folder.size()
        && path.compare(0, folder.size(), folder) == 0)
        path.erase(0, folder.size());
    return std::string(failure.what()) + ": " + path;
}

void RequirePlainFileName(const std::string& name)
{
    bool plain = name != "." && name != "..";
    for (unsigned char c : name)
        if (c == '/' || c < 0x20 || c == 0x7F)
            plain = false;
    if (!plain)
        throw FileError("Invalid filename");
}

}  // namespace mondeliar
