#pragma once

#include <set>

namespace zuna::platform {

// Which of Shift, Control, Alt and Super the user holds, told from the key events that the
// application in front reports on the accessibility bus. Each event also carries the modifier
// state the application saw with it, which corrects a release that went unseen (a key let go
// while another application had the focus).
class HeldKeys {
  public:
    // Modifier bits as the accessibility bus reports them: the X11 ones, and for Super and Meta
    // also GDK's own, which GTK sets on Wayland.
    static constexpr unsigned kShiftBit = 1u << 0;
    static constexpr unsigned kControlBit = 1u << 2;
    static constexpr unsigned kAltBit = (1u << 3) | (1u << 28);
    static constexpr unsigned kSuperBit = (1u << 6) | (1u << 26);

    // One key event: its key symbol, pressed or released, and the modifier bits in force
    // before it.
    void record(unsigned keysym, bool pressed, unsigned modifiers) {
        for (auto held = keys_.begin(); held != keys_.end();) {
            // A modifier the event's state no longer shows was released unseen.
            held = (modifiers & bitOf(*held)) == 0 && *held != keysym ? keys_.erase(held)
                                                                      : std::next(held);
        }
        if (bitOf(keysym) == 0) return;
        if (pressed) {
            keys_.insert(keysym);
        } else {
            keys_.erase(keysym);
        }
    }

    bool any() const { return !keys_.empty(); }
    // Forgets everything, when the source of the events is lost.
    void clear() { keys_.clear(); }

    // The modifier bits of a modifier key's symbol; 0 for any other key.
    static unsigned bitOf(unsigned keysym) {
        switch (keysym) {
            case 0xffe1:  // Shift_L
            case 0xffe2:  // Shift_R
                return kShiftBit;
            case 0xffe3:  // Control_L
            case 0xffe4:  // Control_R
                return kControlBit;
            case 0xffe7:  // Meta_L
            case 0xffe8:  // Meta_R
            case 0xffe9:  // Alt_L
            case 0xffea:  // Alt_R
                return kAltBit;
            case 0xffeb:  // Super_L
            case 0xffec:  // Super_R
                return kSuperBit;
            default:
                return 0;
        }
    }

  private:
    std::set<unsigned> keys_;
};

}  // namespace zuna::platform
