#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>

namespace zuna::platform {

// Hands bytes to clipboard readers from Qt's event loop, without threads: a reader that stops
// reading holds only its descriptor until it has made no progress for a few seconds, and at most
// a handful are served at once; more are turned away. Every reader shares one copy of the text.
class ClipboardServer {
  public:
    ClipboardServer();
    ~ClipboardServer();
    ClipboardServer(const ClipboardServer&) = delete;
    ClipboardServer& operator=(const ClipboardServer&) = delete;

    // Writes `bytes` to `fd`, which this takes over and closes when done, stalled or refused.
    void serve(int fd, std::shared_ptr<const std::string> bytes);
    // The readers being served now.
    std::size_t readers() const;

    static constexpr std::size_t kMaxReaders = 8;

  private:
    class Reader;
    std::set<Reader*> readers_;
};

}  // namespace zuna::platform
