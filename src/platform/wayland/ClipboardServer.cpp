#include "platform/wayland/ClipboardServer.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>

namespace zuna::platform {

namespace {

constexpr int kStallMilliseconds = 5000;

}  // namespace

// One reader: written to whenever its pipe takes more, dropped when it stalls.
class ClipboardServer::Reader : public QObject {
  public:
    Reader(int fd, std::shared_ptr<const std::string> bytes, std::set<Reader*>& all)
        : fd_(fd), bytes_(std::move(bytes)), all_(all), notifier_(fd, QSocketNotifier::Write) {
        all_.insert(this);
        stall_.setSingleShot(true);
        stall_.setInterval(kStallMilliseconds);
        QObject::connect(&stall_, &QTimer::timeout, this, [this] { finish(); });
        QObject::connect(&notifier_, &QSocketNotifier::activated, this, [this] { write(); });
        stall_.start();
        write();
    }
    ~Reader() override {
        all_.erase(this);
        ::close(fd_);
    }

  private:
    void write() {
        while (written_ < bytes_->size()) {
            const ssize_t n = ::write(fd_, bytes_->data() + written_, bytes_->size() - written_);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                stall_.start();
                return;
            }
            if (n <= 0) break;  // the reader went away
            written_ += static_cast<std::size_t>(n);
        }
        finish();
    }
    void finish() {
        notifier_.setEnabled(false);
        stall_.stop();
        deleteLater();
    }

    int fd_;
    std::shared_ptr<const std::string> bytes_;
    std::set<Reader*>& all_;
    QSocketNotifier notifier_;
    QTimer stall_;
    std::size_t written_ = 0;
};

ClipboardServer::ClipboardServer() {
    // A reader that closes its end early must end one write, not the program.
    // A handler someone else installed stays.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    if (previous != SIG_DFL && previous != SIG_ERR) std::signal(SIGPIPE, previous);
}

ClipboardServer::~ClipboardServer() {
    while (!readers_.empty())
        delete *readers_.begin();
}

void ClipboardServer::serve(int fd, std::shared_ptr<const std::string> bytes) {
    if (readers_.size() >= kMaxReaders || bytes == nullptr) {
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    new Reader(fd, std::move(bytes), readers_);
}

std::size_t ClipboardServer::readers() const {
    return readers_.size();
}

}  // namespace zuna::platform
