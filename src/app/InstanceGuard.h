#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace zuna {

// One running program per data directory. The lock is on the data directory itself, so every
// path to it (a link, a bind mount, another login's runtime directory) meets the same lock, and
// no lock file exists that a sync tool could copy, replace or turn into a conflict. A second
// start asks the first, over a socket in the user's runtime directory named after the
// directory's device and inode, to show its palette, and leaves. Locking and asking need no
// QApplication, so a second start answers at once.
class InstanceGuard : public QObject {
    Q_OBJECT

  public:
    explicit InstanceGuard(const std::filesystem::path& dataDirectory, QObject* parent = nullptr);
    ~InstanceGuard() override;

    enum class Lock { taken, heldByAnother, failed };
    // Makes this process the only one for the data directory. A lock that cannot be had for
    // another reason than a running program is a failure (see failure()): running without it
    // would let a second start undo every save of the first.
    Lock acquire();
    // Why the lock failed, in the system's words.
    const std::string& failure() const { return failure_; }
    // Asks the running instance to show its palette; false when it did not answer in time.
    bool askRunningInstanceToShow(std::chrono::milliseconds timeout = std::chrono::seconds(1));
    // Once acquired: calls `onShow` whenever another start asks for the palette.
    void listen(std::function<void()> onShow);
    // Closes the socket; to be called while the application object still exists.
    void stopListening();

    // Where the second start finds the first; empty without a private runtime directory.
    const QString& socketPath() const { return socketPath_; }

  private:
    std::filesystem::path dataDirectory_;
    QString socketPath_;
    int lockFd_ = -1;
    std::string failure_;
    QLocalServer* server_ = nullptr;
    std::function<void()> onShow_;
};

}  // namespace zuna
