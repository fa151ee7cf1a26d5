#include "InstanceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QStandardPaths>

namespace zuna {

namespace {

// The directory for the lock and the socket: the user's runtime directory, else a private one.
QString runtimeDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat info {};
    if (!runtime.isEmpty() && ::stat(runtime.toLocal8Bit().constData(), &info) == 0 &&
        S_ISDIR(info.st_mode) && info.st_uid == ::getuid()) {
        return runtime;
    }
    const QString fallback = QStringLiteral("/tmp/zuna-trep-%1").arg(::getuid());
    ::mkdir(fallback.toLocal8Bit().constData(), 0700);
    return fallback;
}

// The same directory named two ways (relative, through a link) gives the same key.
QString keyFor(const std::filesystem::path& dataDirectory) {
    std::error_code error;
    auto path = std::filesystem::weakly_canonical(std::filesystem::absolute(dataDirectory), error);
    if (error) path = dataDirectory;
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(path.string()),
                                                     QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.toHex().left(16));
}

}  // namespace

InstanceGuard::InstanceGuard(const std::filesystem::path& dataDirectory, QObject* parent)
    : QObject(parent) {
    const QString dir = runtimeDirectory();
    const QString key = keyFor(dataDirectory);
    lockPath_ = dir + QStringLiteral("/zuna-trep-") + key + QStringLiteral(".lock");
    socketPath_ = dir + QStringLiteral("/zuna-trep-") + key + QStringLiteral(".socket");
}

InstanceGuard::~InstanceGuard() {
    if (server_ != nullptr) server_->close();
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool InstanceGuard::acquire() {
    if (lockFd_ >= 0) return true;
    const int fd = ::open(lockPath_.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no lock possible here: better to run than to refuse
    // The kernel drops the lock with the process, also after a crash.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

bool InstanceGuard::askRunningInstanceToShow(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write("show\n");
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    return socket.waitForReadyRead(timeoutMs) && socket.readAll().startsWith("ok");
}

void InstanceGuard::listen(std::function<void()> onShow) {
    onShow_ = std::move(onShow);
    if (server_ != nullptr) return;
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
