#pragma once

#include <memory>
#include <string>

#include "core/paste/DesktopAccess.h"
#include "platform/wayland/ClipboardServer.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct org_kde_kwin_fake_input;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_v1;
struct zwlr_data_control_source_v1;
struct zwlr_data_control_offer_v1;
class QSocketNotifier;

namespace zuna::platform {

// A connection of this program's own to the Wayland compositor (the palette itself is an X11
// client through XWayland): the virtual keyboard (wlroots: sway, Hyprland, labwc) or KWin's fake
// input that sends the paste shortcut, and the data-control clipboard (wlroots, KWin), where the
// compositor offers them. A compositor that offers none (GNOME) leaves this connected but unable.
class WaylandSession {
  public:
    WaylandSession();
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    bool hasVirtualKeyboard() const { return keyboard_ != nullptr; }
    bool hasDataControl() const { return dataControl_ != nullptr; }
    // KWin offers its fake input only to a program whose installed desktop entry asks for it.
    bool hasFakeInput() const { return fakeInput_ != nullptr; }

    // The shortcut's modifiers down, its key down and up, the modifiers up, on a keyboard of our
    // own whose keymap has a Latin "v" whatever layout the user types with. False when the
    // compositor closed the connection.
    bool sendPasteKeys(PasteShortcut shortcut);
    // The same through KWin's fake input, whose key codes the seat's own layout reads: the keys
    // that give Control, Shift and the letter there. False when the compositor closed the
    // connection.
    bool sendFakeInputKeys(PasteShortcut shortcut);
    // Makes the text the seat's clipboard; this program serves it until someone else copies.
    bool setClipboardText(const std::string& text);

    // The compositor's events.
    static void global(void* data, wl_registry* registry, unsigned name, const char* interface,
                       unsigned version);
    static void globalRemove(void* data, wl_registry* registry, unsigned name);
    static void capabilities(void* data, wl_seat* seat, unsigned capabilities);
    static void keymap(void* data, wl_keyboard* keyboard, unsigned format, int fd, unsigned size);
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
    org_kde_kwin_fake_input* fakeInput_ = nullptr;
    // The seat's keyboard, for its keymap alone: this program never has the keyboard focus.
    wl_keyboard* seatKeyboard_ = nullptr;
    // Evdev codes of the keys that give Control, Shift, "v", "y" and Insert in the seat's layout.
    struct SeatKeys {
        unsigned control, shift, v, y, insert;
    };
    SeatKeys seatKeys_;
    std::shared_ptr<const std::string> clipboard_;
    ClipboardServer server_;
    unsigned controlMask_ = 0;
    unsigned shiftMask_ = 0;
    std::unique_ptr<QSocketNotifier> events_;
};

}  // namespace zuna::platform
