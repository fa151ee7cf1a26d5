#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace zuna::fs {

// Reads a whole regular file. Gives no value when the file is larger than maxBytes; the size is
// checked before anything is read. Throws FileError when the file cannot be opened or read, or
// is not a regular file (a directory, a pipe or a device is never read, so nothing can block).
std::optional<std::string> readFileLimited(const std::filesystem::path& path,
                                           std::uintmax_t maxBytes);

}  // namespace zuna::fs
