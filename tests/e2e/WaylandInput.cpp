// The test's hands on a wlroots compositor (sway): a virtual pointer and a virtual keyboard; on
// KWin its fake input, which the session grants this program. Driven by the command line, as a
// user's mouse and keyboard would be.
//
//   zuna_wayland_input hold                 keeps a pointer and a keyboard until killed
//   zuna_wayland_input click X Y            moves to X Y (of 1280 x 800) and clicks the left button
//   zuna_wayland_input down KEY | up KEY | tap KEY ...
//
// KEY is a key symbol name ("Return", "Shift_L", "Tab", "a"), pressed on an English keyboard
// (KWin's fake input reads the key codes with the seat's layout, English in the session).
// The session runs one holder from its start: sway 1.7 ends when a seat's pointer goes away
// under a GTK client, so the seat must never lose its pointer while the tests run.
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "fake-input-client-protocol.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

constexpr unsigned extentX = 1280;
constexpr unsigned extentY = 800;
// Linux key codes are X key codes less 8.
constexpr unsigned evdevOffset = 8;

struct Globals {
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
    org_kde_kwin_fake_input* fake = nullptr;
};

template <class T>
void bind(T*& into, const wl_interface& wanted, wl_registry* registry, unsigned name,
          const char* interface, unsigned version = 1) {
    if (into == nullptr && std::strcmp(interface, wanted.name) == 0)
        into = static_cast<T*>(wl_registry_bind(registry, name, &wanted, version));
}

void global(void* data, wl_registry* registry, unsigned name, const char* interface, unsigned) {
    auto* globals = static_cast<Globals*>(data);
    bind(globals->seat, wl_seat_interface, registry, name, interface);
    bind(globals->keyboards, zwp_virtual_keyboard_manager_v1_interface, registry, name, interface);
    bind(globals->pointers, zwlr_virtual_pointer_manager_v1_interface, registry, name, interface);
    // Version 4 has the keyboard.
    bind(globals->fake, org_kde_kwin_fake_input_interface, registry, name, interface, 4);
}
const wl_registry_listener registryListener{global, [](void*, wl_registry*, unsigned) {}};

unsigned now() {
    using namespace std::chrono;
    return static_cast<unsigned>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class Keyboard {
  public:
    Keyboard(const Globals& globals) : fake_(globals.fake) {
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        keymap_ = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        state_ = xkb_state_new(keymap_);
        if (fake_ != nullptr) return;
        keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.keyboards,
                                                                            globals.seat);
        char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
        const std::size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("keymap", MFD_CLOEXEC);
        if (::write(fd, text, size) != static_cast<ssize_t>(size)) std::perror("keymap");
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<unsigned>(size));
        ::close(fd);
        std::free(text);
    }

    bool key(const std::string& name, bool pressed) {
        const xkb_keysym_t sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_);
             code <= xkb_keymap_max_keycode(keymap_); ++code) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap_, code, 0, 0, &syms) > 0 &&
                syms[0] == sym) {
                if (fake_ != nullptr) {
                    org_kde_kwin_fake_input_keyboard_key(
                        fake_, code - evdevOffset,
                        pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
                    return true;
                }
                zwp_virtual_keyboard_v1_key(
                    keyboard_, now(), code - evdevOffset,
                    pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
                xkb_state_update_key(state_, code, pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
                zwp_virtual_keyboard_v1_modifiers(
                    keyboard_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
                    xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
                    xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED), 0);
                return true;
            }
        }
        std::fprintf(stderr, "zuna_wayland_input: no key for %s\n", name.c_str());
        return false;
    }

  private:
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    org_kde_kwin_fake_input* fake_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "zuna_wayland_input: no Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &globals);
    wl_display_roundtrip(display);
    const bool virtualInput =
        globals.seat != nullptr && globals.keyboards != nullptr && globals.pointers != nullptr;
    if (!virtualInput && globals.fake == nullptr) {
        std::fprintf(stderr, "zuna_wayland_input: the compositor offers no virtual input\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        virtualInput
            ? zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.pointers, globals.seat)
            : nullptr;
    if (!virtualInput)
        org_kde_kwin_fake_input_authenticate(globals.fake, "zuna_wayland_input", "test input");
    Keyboard keyboard(globals);
    wl_display_roundtrip(display);

    for (int i = 1; i < argc; ++i) {
        const std::string command = argv[i];
        const auto argument = [&](int n) { return i + n < argc ? std::string(argv[i + n]) : ""; };
        bool ok = true;
        if (command == "hold") {
            // Until the session ends; a dispatch loop keeps the compositor's pings answered.
            while (wl_display_dispatch(display) >= 0) {
            }
            return 0;
        } else if (command == "click") {
            const unsigned x = std::stoul(argument(1));
            const unsigned y = std::stoul(argument(2));
            i += 2;
            // Each step its own frame, answered before the next, as a real mouse would send.
            const auto step = [&](auto&& send, int pause) {
                send();
                if (pointer != nullptr) zwlr_virtual_pointer_v1_frame(pointer);
                wl_display_roundtrip(display);
                std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            };
            step(
                [&] {
                    if (pointer == nullptr)
                        org_kde_kwin_fake_input_pointer_motion_absolute(
                            globals.fake, wl_fixed_from_int(int(x)), wl_fixed_from_int(int(y)));
                    else
                        zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, extentX,
                                                                extentY);
                },
                50);
            for (const auto state :
                 {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED})
                step(
                    [&] {
                        if (pointer == nullptr)
                            org_kde_kwin_fake_input_button(globals.fake, BTN_LEFT, state);
                        else
                            zwlr_virtual_pointer_v1_button(pointer, now(), BTN_LEFT, state);
                    },
                    30);
        } else if (command == "down" || command == "up" || command == "tap") {
            const std::string key = argument(1);
            ++i;
            ok = (command == "up" || keyboard.key(key, true)) &&
                 (command == "down" || keyboard.key(key, false));
        } else {
            std::fprintf(stderr, "zuna_wayland_input: unknown command %s\n", command.c_str());
            ok = false;
        }
        if (!ok) return 2;
        wl_display_roundtrip(display);
    }
    return wl_display_roundtrip(display) < 0 ? 1 : 0;
}
