#include "app/InstanceGuard.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalSocket>
#include <cerrno>
#include <cstring>
#include <string>

#include "core/fs/FileSystem.h"
#include "core/model/Errors.h"

namespace zuna {

namespace {

// The user's runtime directory, only when it is what it should be: a directory of this user that
// nobody else may enter. A shared or planted one is never used.
QString privateRuntimeDirectory() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !runtime.startsWith('/')) return {};
    struct stat info {};
    if (::stat(runtime.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
        return {};
    }
    return QString::fromLocal8Bit(runtime);
}

// Reads until a line arrives, the peer closes, or the time is up.
bool answeredOk(int fd, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::string answer;
    while (answer.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    return answer.rfind("ok", 0) == 0;
}

}  // namespace

InstanceGuard::InstanceGuard(const std::filesystem::path& dataDirectory, QObject* parent)
    : QObject(parent), dataDirectory_(dataDirectory) {}

InstanceGuard::~InstanceGuard() {
    stopListening();
    if (lockFd_ >= 0) ::close(lockFd_);
}

void InstanceGuard::stopListening() {
    delete server_;  // closing removes the socket file
    server_ = nullptr;
}

InstanceGuard::Lock InstanceGuard::acquire() {
    if (lockFd_ >= 0) return Lock::taken;
    try {
        fs::createDirectories(dataDirectory_, 0700);
    } catch (const std::exception& error) {
        failure_ = error.what();
        return Lock::failed;
    }
    struct stat folder {};
    if (::stat(dataDirectory_.c_str(), &folder) == 0) {
        const QString runtime = privateRuntimeDirectory();
        if (!runtime.isEmpty()) {
            socketPath_ = runtime + QStringLiteral("/zuna-trep-%1-%2.socket")
                                        .arg(static_cast<qulonglong>(folder.st_dev), 0, 16)
                                        .arg(static_cast<qulonglong>(folder.st_ino), 0, 16);
        }
    }
    const int fd = ::open(dataDirectory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        failure_ = FileError(dataDirectory_, errno).what();
        return Lock::failed;
    }
    // The kernel drops the lock with the process, also after a crash.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) return Lock::heldByAnother;
        failure_ = FileError(dataDirectory_, error).what();
        return Lock::failed;
    }
    lockFd_ = fd;
    return Lock::taken;
}

bool InstanceGuard::askRunningInstanceToShow(std::chrono::milliseconds timeout) {
    const QByteArray path = socketPath_.toLocal8Bit();
    sockaddr_un address{};
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool shown = false;
    static constexpr char kRequest[] = "show\n";
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, kRequest, sizeof kRequest - 1, MSG_NOSIGNAL) ==
            static_cast<ssize_t>(sizeof kRequest - 1)) {
        shown = answeredOk(fd, timeout);
    }
    ::close(fd);
    return shown;
}

void InstanceGuard::listen(std::function<void()> onShow) {
    onShow_ = std::move(onShow);
    if (server_ != nullptr || lockFd_ < 0 || socketPath_.isEmpty()) return;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a process that died holds no one; we own the lock, so it is ours to clear.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) return;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, client, [this, client] {
                if (!client->readAll().startsWith("show")) return;
                client->write("ok\n");
                client->flush();
                if (onShow_) onShow_();
            });
        }
    });
}

}  // namespace zuna
