#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <filesystem>
#include <functional>

namespace zuna {

// Tells when anything in the data directory changed: an entry created, renamed or removed (a
// sync tool's rename over the state file, a conflict copy) or the state file written in place.
// Waits until the writing has settled for a moment. The kernel reports the changes; nothing
// runs while nothing changes.
class DataFolderWatch : public QObject {
  public:
    DataFolderWatch(const std::filesystem::path& directory, std::function<void()> onChange,
                    QObject* parent = nullptr);

  private:
    void changed();

    QString stateFile_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::function<void()> onChange_;
};

}  // namespace zuna
