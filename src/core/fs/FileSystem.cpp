#include "core/fs/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <random>

#include "core/model/Errors.h"

namespace zuna::fs {

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

namespace {

FileIdentity identityOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size,
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::optional<std::string> readOpened(int fd, const std::filesystem::path& path,
                                      const struct stat& info, std::uintmax_t maxBytes) {
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) return std::nullopt;
    // One byte more than announced, so that a file that grew meanwhile is noticed.
    std::string data(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (filled > maxBytes) return std::nullopt;
            data.resize(static_cast<std::size_t>(
                std::min<std::uintmax_t>(maxBytes + 1, data.size() * 2 + 4096)));
        }
        const ssize_t n = ::read(fd, data.data() + filled, data.size() - filled);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(path, errno);
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    if (filled > maxBytes) return std::nullopt;
    data.resize(filled);
    return data;
}

}  // namespace

std::optional<FileIdentity> identify(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) return identityOf(info);
    if (errno == ENOENT) return std::nullopt;
    throw FileError(path, errno);
}

std::optional<std::string> readFileLimited(const std::filesystem::path& path,
                                           std::uintmax_t maxBytes, FileIdentity* identity) {
    // O_NONBLOCK keeps a named pipe from blocking the open; regular files ignore it.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) throw FileError(path, errno);
    for (int attempt = 0;; ++attempt) {
        struct stat info {};
        if (::fstat(fd.get(), &info) != 0) throw FileError(path, errno);
        if (S_ISDIR(info.st_mode)) throw FileError(path, EISDIR);
        if (!S_ISREG(info.st_mode)) throw FileError(path, "Not a regular file");
        auto data = readOpened(fd.get(), path, info, maxBytes);
        if (identity == nullptr) return data;
        // Written to while it was read: the bytes may be half old, half new.
        struct stat after {};
        if (::fstat(fd.get(), &after) != 0) throw FileError(path, errno);
        *identity = identityOf(after);
        if (identityOf(info) == *identity || attempt == 3) return data;
        if (::lseek(fd.get(), 0, SEEK_SET) != 0) throw FileError(path, errno);
    }
}

}  // namespace zuna::fs

namespace zuna::fs {

namespace {

void writeAll(int fd, std::string_view bytes, const std::filesystem::path& nameForErrors) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(nameForErrors, errno);
        }
        written += static_cast<std::size_t>(n);
    }
}

std::filesystem::path parentOf(const std::filesystem::path& path) {
    const auto parent = path.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

// Makes a rename or a new directory entry durable.
void syncDirectory(const std::filesystem::path& directory,
                   const std::filesystem::path& nameForErrors) {
    FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0 || ::fsync(fd.get()) != 0) throw FileError(nameForErrors, errno);
}

// Hidden, and named after the target, so that a leftover from a crash is recognisable.
std::string temporaryName(const std::filesystem::path& target) {
    return (parentOf(target) / ("." + target.filename().string() + ".XXXXXX")).string();
}

// A new temporary file for `target`: owner-only (mkostemp's mode), or with the mode every new
// file gets, 0666 under the umask and the directory's default ACL, which the kernel applies.
int createTemporary(std::string& name, FileAccess access) {
    if (access == FileAccess::owner) return ::mkostemp(name.data(), O_CLOEXEC);
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = name.size() - 6; i < name.size(); ++i)
            name[i] = kLetters[pick(random)];
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         FileAccess access) {
    const auto directory = parentOf(target);
    std::string temporary = temporaryName(target);
    const int raw = createTemporary(temporary, access);
    if (raw < 0) throw FileError(target, errno);
    bool renamed = false;
    try {
        FileDescriptor fd(raw);
        writeAll(fd.get(), bytes, target);
        if (::fsync(fd.get()) != 0) throw FileError(target, errno);
        if (::rename(temporary.c_str(), target.c_str()) != 0) throw FileError(target, errno);
        renamed = true;
        syncDirectory(directory, target);
    } catch (...) {
        if (!renamed) ::unlink(temporary.c_str());
        throw;
    }
}

std::optional<FileIdentity> replaceFileIfUnchanged(const std::filesystem::path& target,
                                                   std::string_view bytes,
                                                   const std::optional<FileIdentity>& expected) {
    std::string temporary = temporaryName(target);
    FileDescriptor fd(createTemporary(temporary, FileAccess::owner));
    if (fd.get() < 0) throw FileError(target, errno);
    // Whatever has the temporary name at the end goes: the new file when it was not put in
    // place, or the old one it was swapped with.
    struct Leftover {
        const std::string& path;
        bool keep = false;
        ~Leftover() {
            if (!keep) ::unlink(path.c_str());
        }
    } leftover{temporary};
    writeAll(fd.get(), bytes, target);
    if (::fsync(fd.get()) != 0) throw FileError(target, errno);
    const char* from = temporary.c_str();
    const char* to = target.c_str();
    // An exchange would move a directory aside where a rename fails.
    struct stat existing {};
    if (::stat(to, &existing) == 0 && S_ISDIR(existing.st_mode)) throw FileError(target, EISDIR);
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, expected ? RENAME_EXCHANGE : RENAME_NOREPLACE) !=
        0) {
        if (errno == (expected ? ENOENT : EEXIST)) return std::nullopt;
        if (errno != EINVAL && errno != ENOSYS) throw FileError(target, errno);
        // A file system without these renames: look, then rename, a few microseconds apart.
        if (identify(target) != expected) return std::nullopt;
        if (::rename(from, to) != 0) throw FileError(target, errno);
        leftover.keep = true;
    } else if (!expected) {
        leftover.keep = true;
    } else if (identify(temporary) != expected) {
        // The file swapped out is not the one this writer knew: it goes back in place.
        leftover.keep = true;
        if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE) != 0)
            throw FileError(target, errno);
        leftover.keep = false;
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) throw FileError(target, errno);
    syncDirectory(parentOf(target), target);
    return identityOf(info);
}

void copyFileExclusively(const std::filesystem::path& source, const std::filesystem::path& target) {
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (in.get() < 0) throw FileError(source, errno);
    struct stat info {};
    if (::fstat(in.get(), &info) != 0) throw FileError(source, errno);
    if (S_ISDIR(info.st_mode)) throw FileError(source, EISDIR);
    if (!S_ISREG(info.st_mode)) throw FileError(source, "Not a regular file");
    if (fs::exists(target)) throw FileError(target, EEXIST);

    // Copied under a temporary name and linked into place only when whole, so that a crash in
    // the middle never leaves a partial backup under a backup's name; link() refuses an existing
    // target, as the exclusive copy must.
    const auto directory = parentOf(target);
    std::string temporary = temporaryName(target);
    const int raw = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (raw < 0) throw FileError(target, errno);
    try {
        FileDescriptor out(raw);
        std::string buffer(1 << 20, '\0');
        for (;;) {
            const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                throw FileError(source, errno);
            }
            if (n == 0) break;
            writeAll(out.get(), std::string_view(buffer.data(), static_cast<std::size_t>(n)),
                     target);
        }
        if (::fsync(out.get()) != 0) throw FileError(target, errno);
        if (::link(temporary.c_str(), target.c_str()) != 0) {
            // A file system without hard links: an exclusive rename where the kernel has one.
            if ((errno != EPERM && errno != EOPNOTSUPP) ||
                ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(),
                            RENAME_NOREPLACE) != 0) {
                throw FileError(target, errno);
            }
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    ::unlink(temporary.c_str());
    syncDirectory(directory, target);
}

void createDirectories(const std::filesystem::path& directory, mode_t mode) {
    struct stat info {};
    if (::stat(directory.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) throw FileError(directory, ENOTDIR);
        return;
    }
    if (errno == ENOTDIR) {
        // Some parent is not a directory: name that one.
        createDirectories(directory.parent_path(), mode);
        throw FileError(directory, ENOTDIR);
    }
    if (errno != ENOENT) throw FileError(directory, errno);

    // A dangling symbolic link stands for the directory it names.
    std::filesystem::path wanted = directory;
    if (::lstat(directory.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(directory, error);
        if (error) throw FileError(directory, error.value());
        wanted = target.is_absolute() ? target : parentOf(directory) / target;
        createDirectories(wanted, mode);
        return;
    }

    const auto parent = wanted.parent_path();
    if (!parent.empty() && parent != wanted) createDirectories(parent, mode);
    if (::mkdir(wanted.c_str(), mode) != 0) {
        if (errno == EEXIST) return createDirectories(wanted, mode);
        throw FileError(wanted, errno);
    }
    // mkdir's mode passes through the umask; the data directory must still be the owner's only.
    if (::chmod(wanted.c_str(), mode) != 0) throw FileError(wanted, errno);
}

void moveExclusively(const std::filesystem::path& source, const std::filesystem::path& target) {
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0)
        throw FileError(target, errno);
    syncDirectory(parentOf(target), target);
}

void setPermissions(const std::filesystem::path& path, mode_t mode) {
    if (::chmod(path.c_str(), mode) != 0) throw FileError(path, errno);
}

bool isRegularFile(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool exists(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) return true;
    // An entry that cannot be examined is still there.
    return errno != ENOENT && errno != ENOTDIR;
}

std::size_t removeLeftovers(const std::filesystem::path& directory,
                            const std::function<bool(std::string_view)>& ownsTarget) {
    DIR* listing = ::opendir(directory.c_str());
    if (listing == nullptr) return 0;
    constexpr std::size_t kRandomPart = 6;  // the XXXXXX of mkostemp
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name.size() < 2 + kRandomPart + 1 || name.front() != '.' ||
            name[name.size() - kRandomPart - 1] != '.') {
            continue;
        }
        const std::string_view random = name.substr(name.size() - kRandomPart);
        if (!std::all_of(random.begin(), random.end(),
                         [](unsigned char c) { return std::isalnum(c) != 0; })) {
            continue;
        }
        if (!ownsTarget(name.substr(1, name.size() - kRandomPart - 2))) continue;
        struct stat info {};
        const auto path = directory / std::string(name);
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid() && ::unlink(path.c_str()) == 0) {
            ++removed;
        }
    }
    ::closedir(listing);
    return removed;
}

}  // namespace zuna::fs
