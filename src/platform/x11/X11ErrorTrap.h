#pragma once

#include <X11/Xlib.h>

namespace zuna::platform {

// Collects the errors of one display while it lives, instead of Xlib's default handler, which
// ends the process. The handler is process-wide, so the previous one is put back afterwards.
class ErrorTrap {
  public:
    explicit ErrorTrap(Display* display)
        : display_(display), outer_(current_), previous_(XSetErrorHandler(&ErrorTrap::handle)) {
        current_ = this;
    }
    ~ErrorTrap() {
        XSync(display_, False);
        current_ = outer_;
        XSetErrorHandler(previous_);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits for the server's answers to everything sent so far.
    bool failed() { return errorCode() != 0; }
    // The code of the last error so far (BadAccess, BadWindow, ...), 0 for none.
    int errorCode() {
        XSync(display_, False);
        return error_;
    }

  private:
    static int handle(Display* display, XErrorEvent* event) {
        for (ErrorTrap* trap = current_; trap != nullptr; trap = trap->outer_) {
            if (trap->display_ == display) {
                trap->error_ = event->error_code;
                break;
            }
        }
        return 0;
    }

    static inline ErrorTrap* current_ = nullptr;
    Display* display_;
    ErrorTrap* outer_;
    XErrorHandler previous_;
    int error_ = 0;
};

}  // namespace zuna::platform
