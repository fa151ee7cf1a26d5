#include "fs/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "model/Errors.h"

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

std::optional<std::string> readFileLimited(const std::filesystem::path& path,
                                           std::uintmax_t maxBytes) {
    // O_NONBLOCK keeps a named pipe from blocking the open; regular files ignore it.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) throw FileError(path, errno);

    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) throw FileError(path, errno);
    if (S_ISDIR(info.st_mode)) throw FileError(path, EISDIR);
    if (!S_ISREG(info.st_mode)) throw FileError(path, "Not a regular file");
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
        const ssize_t n = ::read(fd.get(), data.data() + filled, data.size() - filled);
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

}  // namespace zuna::fs
