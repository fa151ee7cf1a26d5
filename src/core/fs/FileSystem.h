#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zuna::fs {

// What tells one version of a file from another without reading it: the file itself (a rename
// over it makes another) and when and to what size its content last changed.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of what is at `path` (a link is followed); none when nothing is there. Throws
// FileError when it cannot be examined.
std::optional<FileIdentity> identify(const std::filesystem::path& path);

// Reads a whole regular file. Gives no value when the file is larger than maxBytes; the size is
// checked before anything is read. Throws FileError when the file cannot be opened or read, or
// is not a regular file (a directory, a pipe or a device is never read, so nothing can block).
// `identity`, when given, gets the identity of exactly the bytes returned: a file that changed
// while it was read is read again.
std::optional<std::string> readFileLimited(const std::filesystem::path& path,
                                           std::uintmax_t maxBytes,
                                           FileIdentity* identity = nullptr);

// Who may read a written file: only its owner (the data folder's files), or whoever the user's
// umask lets read a new file (files the user passes on, such as exports).
enum class FileAccess { owner, usual };

// Replaces `target` with `bytes` so that it always holds either the old or the new content,
// whole: a temporary file beside it (created with its final access) is written, flushed to the
// disk, renamed over the target, and the directory is flushed. On failure the temporary file is
// removed, the target is left as it was, and FileError names the target.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FileAccess access = FileAccess::owner);

// Replaces `target` as writeFileAtomically does (owner-only), but only while it is still the
// version `expected` (none: no file there). The rename swaps the new file with the old one and
// then looks at what it displaced, so another writer's file is never lost, even one that arrived
// after the last look: it is swapped back and none is returned. Otherwise returns the identity
// of the new file.
std::optional<FileIdentity> replaceFileIfUnchanged(const std::filesystem::path& target,
                                                   std::string_view bytes,
                                                   const std::optional<FileIdentity>& expected);

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

// Renames a file to a name that must be new: an existing target makes it fail.
void moveExclusively(const std::filesystem::path& source, const std::filesystem::path& target);

void setPermissions(const std::filesystem::path& path, mode_t mode);

// True when the path names a regular file, or a link to one.
bool isRegularFile(const std::filesystem::path& path);

// True when there is an entry at the path: a file, a directory, a link (even a dangling one), or
// something that cannot be examined.
bool exists(const std::filesystem::path& path);

}  // namespace zuna::fs
