#pragma once
// The error model: every failure the user is told about travels as an exception that
// carries the exact text the user reads. Only the outermost handler of a command (a window
// event, the command line tool) turns it into the standard error report.

#include <stdexcept>
#include <string>
#include <utility>

namespace mondeliar {

// A failure with a user-facing text.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& text) : std::runtime_error(text) {}
};

// A file operation failed: "File not found", "Disk full", "Cannot open file x", ... The text
// is the one the user reads; `path` names the file when the text does not.
class FileError : public Error {
public:
    explicit FileError(const std::string& text, std::string path = {})
        : Error(text), path_(std::move(path))
    {
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A file the readers do not take: not a regular file (a folder, a FIFO, a device), or larger
// than the reader's limit. Its text names the file and says why.
class RefusedFileError : public FileError {
public:
    using FileError::FileError;
};

// A text that should hold a whole number does not.
class ConversionError : public Error {
public:
    using Error::Error;
};

// The program cannot go on at all.
class FatalError : public Error {
public:
    using Error::Error;
};

// The text for a system error number met while working on `path`. ENOENT reads
// "File not found" when the folder of `path` exists and "Invalid filename" when it does not.
std::string FileErrorText(int systemError, const std::string& path);

[[noreturn]] void ThrowFileError(int systemError, const std::string& path);

// "'<text>' is not a valid integer value"
[[noreturn]] void ThrowConversionError(const std::string& text);

// The text of the standard error report: the message with a full stop added when it lacks one.
std::string StandardErrorReportText(const std::string& message);

// The message of a failure as the windows report it: a file error followed by the file it
// names ("File not found: calendars/club.rcr"), shown relative to `folder` when inside it.
std::string FailureText(const std::exception& failure, const std::string& folder);

// Names typed by the user become file names inside a fixed folder (a calendar, a language).
// A name that would leave that folder or that no folder should hold ("/" or a control
// character in it, "." or "..") raises "Invalid filename".
void RequirePlainFileName(const std::string& name);

}  // namespace mondeliar
