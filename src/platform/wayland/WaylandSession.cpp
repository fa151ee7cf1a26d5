#include "platform/wayland/WaylandSession.h"

#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <QSocketNotifier>
#include <chrono>
#include <cstring>
#include <vector>

#include "fake-input-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace zuna::platform {
namespace {

const wl_registry_listener registryListener{&WaylandSession::global, &WaylandSession::globalRemove};
const wl_seat_listener seatListener{&WaylandSession::capabilities,
                                    [](void*, wl_seat*, const char*) {}};
// Only the keymap matters: the focus, keys and modifiers of other programs never come here.
const wl_keyboard_listener keyboardListener{
    &WaylandSession::keymap,
    [](void*, wl_keyboard*, unsigned, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, unsigned, wl_surface*) {},
    [](void*, wl_keyboard*, unsigned, unsigned, unsigned, unsigned) {},
    [](void*, wl_keyboard*, unsigned, unsigned, unsigned, unsigned, unsigned) {},
    [](void*, wl_keyboard*, int, int) {}};
// Linux key codes are XKB key codes less 8.
constexpr unsigned kEvdevOffset = 8;
// The version of KWin's fake input that has keyboard keys.
constexpr unsigned kFakeInputKeys = 4;

// The keymap of our own keyboard as text, and the bit of Control in it: an English layout, so
// that the key sent is a Latin "v" whatever the user types with.
struct Keymap {
    std::string text;
    unsigned control = 0;
    unsigned shift = 0;
};

Keymap englishKeymap() {
    Keymap result;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context == nullptr) return result;
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    if (xkb_keymap* keymap =
            xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)) {
        if (char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1)) {
            result.text = text;
            std::free(text);
        }
        const xkb_mod_index_t control = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CTRL);
        if (control != XKB_MOD_INVALID) result.control = 1u << control;
        const xkb_mod_index_t shift = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
        if (shift != XKB_MOD_INVALID) result.shift = 1u << shift;
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return result;
}

// The evdev code of the key that gives `sym` at the first level of the first layout that has
// it. The layout in use is not known to a client without the focus; a letter of the first layout
// is the one shortcuts match in Qt and GTK when a non-Latin layout is active.
unsigned keyOf(xkb_keymap* keymap, xkb_keysym_t sym, unsigned fallback) {
    for (xkb_layout_index_t layout = 0; layout < xkb_keymap_num_layouts(keymap); ++layout) {
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap);
             code <= xkb_keymap_max_keycode(keymap); ++code) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, code, layout, 0, &syms) > 0 &&
                syms[0] == sym && code >= kEvdevOffset)
                return code - kEvdevOffset;
        }
    }
    return fallback;
}

unsigned milliseconds() {
    using namespace std::chrono;
    return static_cast<unsigned>(
        duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
}

constexpr const char* kSecretHint = "x-kde-passwordManagerHint";

const zwlr_data_control_source_v1_listener sourceListener{&WaylandSession::send,
                                                          &WaylandSession::cancelled};

// Other programs' clipboards are offered to every data-control client; this one never reads
// them, so each offer is freed as soon as it is announced.
void dropOffer(void*, zwlr_data_control_v1*, zwlr_data_control_offer_v1* offer) {
    if (offer != nullptr) zwlr_data_control_offer_v1_destroy(offer);
}
void newOffer(void*, zwlr_data_control_v1*, zwlr_data_control_offer_v1*) {}
void deviceFinished(void* data, zwlr_data_control_v1* device) {
    static_cast<WaylandSession*>(data)->dataControlFinished(device);
}
const zwlr_data_control_v1_listener deviceListener{&newOffer, &dropOffer, &deviceFinished};

}  // namespace

WaylandSession::WaylandSession()
    : seatKeys_{KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_V, KEY_Y, KEY_INSERT} {
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) return;
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &registryListener, this);
    wl_display_roundtrip(display_);
    if (seat_ != nullptr && keyboardManager_ != nullptr) {
        keyboard_ =
            zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager_, seat_);
        if (!uploadKeymap()) {
            zwp_virtual_keyboard_v1_destroy(keyboard_);
            keyboard_ = nullptr;
        }
    }
    if (seat_ != nullptr && dataControlManager_ != nullptr) {
        dataControl_ = zwlr_data_control_manager_v1_get_data_control(dataControlManager_, seat_);
        zwlr_data_control_v1_add_listener(dataControl_, &deviceListener, this);
    }
    if (fakeInput_ != nullptr)
        org_kde_kwin_fake_input_authenticate(fakeInput_, "Zuna Trep",
                                             "Pastes a saved text into the focused field");
    // A compositor that refuses a request ends the connection: find out now, not at a click.
    // With the fake input, whose device gives KWin's seat a keyboard, a second round brings the
    // keymap of that keyboard.
    if (wl_display_roundtrip(display_) < 0 ||
        (fakeInput_ != nullptr && wl_display_roundtrip(display_) < 0)) {
        keyboard_ = nullptr;
        dataControl_ = nullptr;
        fakeInput_ = nullptr;
        return;
    }
    // Requests for the clipboard's content arrive as events; they are read from Qt's loop.
    events_ = std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    QObject::connect(events_.get(), &QSocketNotifier::activated, [this] { dispatch(); });
}

WaylandSession::~WaylandSession() {
    if (display_ == nullptr) return;
    events_.reset();
    // Destroying the display's connection frees the compositor's side of every object.
    wl_display_disconnect(display_);
}

void WaylandSession::global(void* data, wl_registry* registry, unsigned name, const char* interface,
                            unsigned version) {
    auto* self = static_cast<WaylandSession*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat_ == nullptr) {
        self->seat_ =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        wl_seat_add_listener(self->seat_, &seatListener, self);
    } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 &&
               version >= kFakeInputKeys) {
        self->fakeInput_ = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, kFakeInputKeys));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        self->keyboardManager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        self->dataControlManager_ = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    }
}

void WaylandSession::globalRemove(void*, wl_registry*, unsigned) {}

// Asking a seat that never had a keyboard for one is an error that ends the connection; the
// fake input's own device gives KWin's seat one.
void WaylandSession::capabilities(void* data, wl_seat* seat, unsigned capabilities) {
    auto* self = static_cast<WaylandSession*>(data);
    if (self->fakeInput_ == nullptr || self->seatKeyboard_ != nullptr ||
        (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0)
        return;
    self->seatKeyboard_ = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(self->seatKeyboard_, &keyboardListener, self);
}

// Sent at first and again whenever the user changes the layout.
void WaylandSession::keymap(void* data, wl_keyboard*, unsigned format, int fd, unsigned size) {
    auto* self = static_cast<WaylandSession*>(data);
    void* text = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1
                     ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)
                     : MAP_FAILED;
    ::close(fd);
    if (text == MAP_FAILED) return;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap =
        context == nullptr
            ? nullptr
            : xkb_keymap_new_from_buffer(context, static_cast<const char*>(text),
                                         strnlen(static_cast<const char*>(text), size),
                                         XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (keymap != nullptr) {
        SeatKeys& keys = self->seatKeys_;
        keys.control = keyOf(keymap, XKB_KEY_Control_L, KEY_LEFTCTRL);
        keys.shift = keyOf(keymap, XKB_KEY_Shift_L, KEY_LEFTSHIFT);
        keys.v = keyOf(keymap, XKB_KEY_v, KEY_V);
        keys.y = keyOf(keymap, XKB_KEY_y, KEY_Y);
        keys.insert = keyOf(keymap, XKB_KEY_Insert, KEY_INSERT);
        xkb_keymap_unref(keymap);
    }
    if (context != nullptr) xkb_context_unref(context);
}

bool WaylandSession::uploadKeymap() {
    const Keymap keymap = englishKeymap();
    if (keymap.text.empty() || keymap.control == 0) return false;
    const int fd = memfd_create("zuna-trep-keymap", MFD_CLOEXEC);
    if (fd < 0) return false;
    // The compositor maps the file, terminating zero included.
    const std::size_t size = keymap.text.size() + 1;
    bool written = ::write(fd, keymap.text.c_str(), size) == static_cast<ssize_t>(size);
    if (written) {
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<unsigned>(size));
    }
    ::close(fd);
    controlMask_ = keymap.control;
    shiftMask_ = keymap.shift;
    return written;
}

bool WaylandSession::flush() {
    return wl_display_flush(display_) >= 0 && wl_display_get_error(display_) == 0;
}

bool WaylandSession::dispatchAvailable() {
    // Reads only what the socket holds now: the palette's loop never waits for the compositor.
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) return false;
    }
    wl_display_flush(display_);
    if (wl_display_read_events(display_) < 0) return false;
    return wl_display_dispatch_pending(display_) >= 0;
}

void WaylandSession::dispatch() {
    if (!dispatchAvailable()) {
        // The compositor went away: nothing more can be sent or served.
        events_->setEnabled(false);
        keyboard_ = nullptr;
        dataControl_ = nullptr;
        fakeInput_ = nullptr;
    }
}

bool WaylandSession::sendPasteKeys(PasteShortcut shortcut) {
    if (keyboard_ == nullptr) return false;
    // Evdev key codes, which the keymap above maps to Control, Shift, "v", "y" and Insert.
    std::vector<unsigned> held;
    unsigned mask = 0;
    const ShortcutKeys keys = shortcutKeys(shortcut);
    if (keys.control) {
        held.push_back(KEY_LEFTCTRL);
        mask |= controlMask_;
    }
    if (keys.shift) {
        held.push_back(KEY_LEFTSHIFT);
        mask |= shiftMask_;
    }
    const unsigned key = keys.key == ShortcutKey::insert ? KEY_INSERT
                         : keys.key == ShortcutKey::y    ? KEY_Y
                                                         : KEY_V;
    const unsigned time = milliseconds();
    for (const unsigned modifier : held)
        zwp_virtual_keyboard_v1_key(keyboard_, time, modifier, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, mask, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(keyboard_, time, key, WL_KEYBOARD_KEY_STATE_PRESSED);
    zwp_virtual_keyboard_v1_key(keyboard_, time, key, WL_KEYBOARD_KEY_STATE_RELEASED);
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        zwp_virtual_keyboard_v1_key(keyboard_, time, *it, WL_KEYBOARD_KEY_STATE_RELEASED);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
    return flush();
}

bool WaylandSession::sendFakeInputKeys(PasteShortcut shortcut) {
    if (fakeInput_ == nullptr) return false;
    std::vector<unsigned> held;
    const ShortcutKeys keys = shortcutKeys(shortcut);
    if (keys.control) held.push_back(seatKeys_.control);
    if (keys.shift) held.push_back(seatKeys_.shift);
    held.push_back(keys.key == ShortcutKey::insert ? seatKeys_.insert
                   : keys.key == ShortcutKey::y    ? seatKeys_.y
                                                   : seatKeys_.v);
    // KWin keeps the requests' order and tracks the modifiers from the keys themselves.
    for (const unsigned key : held)
        org_kde_kwin_fake_input_keyboard_key(fakeInput_, key, WL_KEYBOARD_KEY_STATE_PRESSED);
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        org_kde_kwin_fake_input_keyboard_key(fakeInput_, *it, WL_KEYBOARD_KEY_STATE_RELEASED);
    return flush();
}

bool WaylandSession::setClipboardText(const std::string& text) {
    if (dataControl_ == nullptr) return false;
    zwlr_data_control_source_v1* source =
        zwlr_data_control_manager_v1_create_data_source(dataControlManager_);
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, this);
    // Marked as a secret, so that clipboard managers keep no copy in their history.
    for (const char* type :
         {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING", "TEXT", kSecretHint}) {
        zwlr_data_control_source_v1_offer(source, type);
    }
    zwlr_data_control_v1_set_selection(dataControl_, source);
    if (source_ != nullptr) zwlr_data_control_source_v1_destroy(source_);
    source_ = source;
    clipboard_ = std::make_shared<const std::string>(text);
    // The selection is set once the compositor has it; a reader may ask right after the keys.
    return flush() && wl_display_roundtrip(display_) >= 0;
}

void WaylandSession::send(void* data, zwlr_data_control_source_v1* source, const char* mimeType,
                          int fd) {
    auto* self = static_cast<WaylandSession*>(data);
    if (source != self->source_) {
        ::close(fd);
        return;
    }
    static const auto secret = std::make_shared<const std::string>("secret");
    self->server_.serve(fd, std::strcmp(mimeType, kSecretHint) == 0 ? secret : self->clipboard_);
}

void WaylandSession::dataControlFinished(zwlr_data_control_v1* device) {
    if (device == dataControl_) dataControl_ = nullptr;
    zwlr_data_control_v1_destroy(device);
}

void WaylandSession::cancelled(void* data, zwlr_data_control_source_v1* source) {
    auto* self = static_cast<WaylandSession*>(data);
    if (source == self->source_) self->source_ = nullptr;
    zwlr_data_control_source_v1_destroy(source);
}

}  // namespace zuna::platform
