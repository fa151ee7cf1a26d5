#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>

namespace zuna {

// One running program per data directory: the first takes a lock that lives outside the data
// directory (in the runtime directory) and listens; a second one asks it to show its palette and
// leaves, so that two writers never share the data.
class InstanceGuard : public QObject {
    Q_OBJECT

  public:
    explicit InstanceGuard(const std::filesystem::path& dataDirectory, QObject* parent = nullptr);
    ~InstanceGuard() override;

    // True when this process is the only one for the data directory.
    bool acquire();
    // Asks the running instance to show its palette; false when it did not answer.
    bool askRunningInstanceToShow(int timeoutMs = 1500);
    // Once acquired: calls `onShow` whenever another start asks for the palette.
    void listen(std::function<void()> onShow);

    const QString& lockPath() const { return lockPath_; }

  private:
    QString lockPath_;
    QString socketPath_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
    std::function<void()> onShow_;
};

}  // namespace zuna
