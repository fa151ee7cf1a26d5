#include "platform/atspi/KeyWatch.h"

#include <atspi/atspi.h>

#include <iterator>

namespace zuna::platform {
namespace {

// The registry hands an event only to listeners registered for exactly its modifier state, so
// the listener is registered for every combination of the bits that matter: Shift, Caps Lock,
// Control, Alt, Num Lock and Super.
constexpr unsigned watchedBits[] = {1u << 0, 1u << 1, 1u << 2, 1u << 3, 1u << 4, 1u << 6};

}  // namespace

KeyWatch::KeyWatch() {
    const int init = atspi_init();
    if (init != 0 && init != 1) return;
    listener_ = atspi_device_listener_new(&KeyWatch::onKey, this, nullptr);
    if (listener_ == nullptr) return;
    const AtspiKeyEventMask types =
        (1u << ATSPI_KEY_PRESSED_EVENT) | (1u << ATSPI_KEY_RELEASED_EVENT);
    constexpr unsigned combinations = 1u << std::size(watchedBits);
    listening_ = true;
    for (unsigned combination = 0; combination < combinations && listening_; ++combination) {
        AtspiKeyMaskType mask = 0;
        for (std::size_t bit = 0; bit < std::size(watchedBits); ++bit) {
            if ((combination & (1u << bit)) != 0) mask |= watchedBits[bit];
        }
        GError* error = nullptr;
        // Without the synchronous flag the registry does not hold the application's key
        // handling up for this program. The answer is false even where the registry takes the
        // listener (at-spi2-core 2.46); only an error means it does not.
        atspi_register_keystroke_listener(listener_, nullptr, mask, types, ATSPI_KEYLISTENER_NOSYNC,
                                          &error);
        if (error != nullptr) {
            listening_ = false;
            g_error_free(error);
        }
    }
}

KeyWatch::~KeyWatch() {
    if (listener_ != nullptr) g_object_unref(listener_);
}

int KeyWatch::onKey(_AtspiDeviceEvent* event, void* self) {
    auto* watch = static_cast<KeyWatch*>(self);
    watch->held_.record(event->id, event->type == ATSPI_KEY_PRESSED_EVENT,
                        static_cast<unsigned>(event->modifiers));
    g_boxed_free(ATSPI_TYPE_DEVICE_EVENT, event);
    // Never consumed: the application handles its key as usual.
    return FALSE;
}

}  // namespace zuna::platform
