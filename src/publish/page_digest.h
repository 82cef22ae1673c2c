#pragma once
// The SHA-256 by which changed-only publishing compares a file with what the server holds.

#include <string>

namespace mondeliar {

// The hex SHA-256 of the file's bytes with every occurrence of `masked` taken out (the
// last-updated line, which changes with every write while the page may not). Raises the
// file error when the file cannot be read; a file that is not a regular file, or is larger
// than any page the writer makes, raises RefusedFileError.
std::string PageDigest(const std::string& path, const std::string& masked);

// The two halves of PageDigest, for a caller that keeps the bytes it digested.
std::string ReadPageBytes(const std::string& path);
std::string PageBytesDigest(std::string bytes, const std::string& masked);

}  // namespace mondeliar
