#pragma once

#include <memory>
#include <string>

#include "core/paste/DesktopAccess.h"
#include "platform/wayland/ClipboardServer.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_v1;
struct zwlr_data_control_source_v1;
struct zwlr_data_control_offer_v1;
class QSocketNotifier;

namespace zuna::platform {

// A connection of this program's own to the Wayland compositor (the palette itself is an X11
// client through XWayland): the virtual keyboard that sends the paste shortcut, and the
// data-control clipboard, where the compositor offers them (wlroots: sway, Hyprland, labwc).
// Compositors that offer neither (GNOME, KDE) leave this connected but unable.
class WaylandSession {
  public:
    WaylandSession();
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    bool hasVirtualKeyboard() const { return keyboard_ != nullptr; }
    bool hasDataControl() const { return dataControl_ != nullptr; }

    // The shortcut's modifiers down, its key down and up, the modifiers up, on a keyboard of our
    // own whose keymap has a Latin "v" whatever layout the user types with. False when the
    // compositor closed the connection.
    bool sendPasteKeys(PasteShortcut shortcut);
    // Makes the text the seat's clipboard; this program serves it until someone else copies.
    bool setClipboardText(const std::string& text);

    // The compositor's events.
    static void global(void* data, wl_registry* registry, unsigned name, const char* interface,
                       unsigned version);
    static void globalRemove(void* data, wl_registry* registry, unsigned name);
    static void send(void* data, zwlr_data_control_source_v1* source, const char* mimeType, int fd);
    static void cancelled(void* data, zwlr_data_control_source_v1* source);
    void dataControlFinished(zwlr_data_control_v1* device);
    // The readers of the clipboard being served now.
    std::size_t clipboardReaders() const { return server_.readers(); }

  private:
    bool uploadKeymap();
    bool flush();
    void dispatch();
    bool dispatchAvailable();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboardManager_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    zwlr_data_control_manager_v1* dataControlManager_ = nullptr;
    zwlr_data_control_v1* dataControl_ = nullptr;
    zwlr_data_control_source_v1* source_ = nullptr;
    std::shared_ptr<const std::string> clipboard_;
    ClipboardServer server_;
    unsigned controlMask_ = 0;
    unsigned shiftMask_ = 0;
    std::unique_ptr<QSocketNotifier> events_;
};

}  // namespace zuna::platform
