#pragma once

#include <QAbstractNativeEventFilter>
#include <chrono>

#include "platform/ClipboardWriter.h"

namespace zuna::platform {

// The palette's X11 clipboard, handed to Wayland clients by the compositor's bridge (mutter,
// KWin): a delivery waits until the bridge has asked for it. A QGuiApplication must exist.
class BridgedClipboard : public ClipboardWriter {
  public:
    // How long a delivery waits for the compositor to take the X11 clipboard over.
    static constexpr std::chrono::milliseconds kBridgeWait{250};

    BridgedClipboard() = default;
    ~BridgedClipboard() override;
    BridgedClipboard(const BridgedClipboard&) = delete;
    BridgedClipboard& operator=(const BridgedClipboard&) = delete;

    bool setText(const std::string& text, bool primaryToo) override;

  private:
    // Counts the X11 clients' requests for this program's selections: the compositor's bridge
    // asks for the clipboard's formats before Wayland clients can see it.
    class SelectionRequests : public QAbstractNativeEventFilter {
      public:
        bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;
        int count = 0;
        bool installed = false;
    };

    SelectionRequests selectionRequests_;
};

}  // namespace zuna::platform
