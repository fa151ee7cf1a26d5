#include "app/DataFolderWatch.h"

namespace zuna {

namespace {

// A writer that rewrites the file in place usually finishes within this; a half-written file
// read earlier is only kept aside and read again when the rest arrives.
constexpr int kSettleMilliseconds = 150;

}  // namespace

DataFolderWatch::DataFolderWatch(const std::filesystem::path& directory,
                                 std::function<void()> onChange, QObject* parent)
    : QObject(parent),
      stateFile_(QString::fromStdString((directory / "state.json").string())),
      onChange_(std::move(onChange)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, [this] { onChange_(); });
    // The folder's watch sees entries come and go; only a watch on the file itself sees it
    // written in place.
    watcher_.addPath(QString::fromStdString(directory.string()));
    watcher_.addPath(stateFile_);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &DataFolderWatch::changed);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &DataFolderWatch::changed);
}

void DataFolderWatch::changed() {
    // A watch stays with the file it was put on; after a rename over it, follow the new one.
    watcher_.removePath(stateFile_);
    watcher_.addPath(stateFile_);
    settle_.start();
}

}  // namespace zuna
