#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zuna::fs {

// Reads a whole regular file. Gives no value when the file is larger than maxBytes; the size is
// checked before anything is read. Throws FileError when the file cannot be opened or read, or
// is not a regular file (a directory, a pipe or a device is never read, so nothing can block).
std::optional<std::string> readFileLimited(const std::filesystem::path& path,
                                           std::uintmax_t maxBytes);

// Who may read a written file: only its owner (the data folder's files), or whoever the user's
// umask lets read a new file (files the user passes on, such as exports).
enum class FileAccess { owner, usual };

// Replaces `target` with `bytes` so that it always holds either the old or the new content,
// whole: a temporary file beside it (created with its final access) is written, flushed to the
// disk, renamed over the target, and the directory is flushed. On failure the temporary file is
// removed, the target is left as it was, and FileError names the target.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FileAccess access = FileAccess::owner);

// Copies a file byte for byte to a new file (owner-only) and flushes it. Never overwrites: an
// existing target makes the copy fail. The target appears only whole, also after a crash.
void copyFileExclusively(const std::filesystem::path& source, const std::filesystem::path& target);

// Creates a directory and any missing parents with the given permissions; an existing directory,
// or a symbolic link to one, is accepted as it is. A dangling link gets its target created.
void createDirectories(const std::filesystem::path& directory, mode_t mode);

// Removes what the two writers above leave behind when the process dies in the middle: regular
// files of this user in `directory` named "." + target + "." + six random letters or digits,
// for the targets `ownsTarget` accepts. Nothing else is touched. Returns how many were removed.
// Only the directory's one writer may call this, or it would take another's file mid-save.
std::size_t removeLeftovers(const std::filesystem::path& directory,
                            const std::function<bool(std::string_view target)>& ownsTarget);

void setPermissions(const std::filesystem::path& path, mode_t mode);

// True when the path names a regular file, or a link to one.
bool isRegularFile(const std::filesystem::path& path);

// True when there is an entry at the path: a file, a directory, a link (even a dangling one), or
// something that cannot be examined.
bool exists(const std::filesystem::path& path);

}  // namespace zuna::fs
