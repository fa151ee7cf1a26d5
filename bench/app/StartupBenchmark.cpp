// From the start of the process to the palette mapped on the screen, and the memory the program
// holds once it runs, with the initial state and with a group of 1,000 buttons; and from another
// writer's new state file (a button more) to the palette grown by a row. Watches from outside,
// as a user would: the window manager's client list and the window's map state and size.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchStates.h"
#include "core/model/JsonData.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<Window> clientList(Display* display) {
    static const Atom list = XInternAtom(display, "_NET_CLIENT_LIST", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<Window> windows;
    if (XGetWindowProperty(display, DefaultRootWindow(display), list, 0, 4096, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        const auto* ids = reinterpret_cast<const Window*>(data);
        windows.assign(ids, ids + count);
        XFree(data);
    }
    return windows;
}

long windowPid(Display* display, Window window) {
    static const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
        if (count == 1) pid = static_cast<long>(*reinterpret_cast<const unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// The palette's height once it is mapped; 0 before.
int paletteHeight(Display* display, pid_t pid) {
    for (Window window : clientList(display)) {
        if (windowPid(display, window) != pid) continue;
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable && attributes.width == 200) {
            return attributes.height;
        }
    }
    return 0;
}

// Writes the state with one button more, as a sync tool does: a new file renamed over the old.
void addButtonFromOutside(const std::filesystem::path& data) {
    std::ifstream in(data / "state.json");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    zuna::SavedState state = zuna::SavedState::fromJson(bytes);
    state.groups[0].buttons.emplace_back("Od drugod", "besedilo");
    std::ofstream(data / ".incoming") << zuna::jsonData(state);
    std::filesystem::rename(data / ".incoming", data / "state.json");
}

long residentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

struct Run {
    double milliseconds = -1;
    long residentKb = -1;
    double outsideMilliseconds = -1;
};

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Run startOnce(Display* display, const std::filesystem::path& data) {
    setenv("ZUNA_DATA_DIR", data.c_str(), 1);
    char* argv[] = {const_cast<char*>(ZUNA_TREP), nullptr};
    pid_t pid = 0;
    const auto started = Clock::now();
    if (posix_spawn(&pid, ZUNA_TREP, nullptr, nullptr, argv, environ) != 0) return {};
    Run run;
    while (Clock::now() - started < std::chrono::seconds(10)) {
        if (paletteHeight(display, pid) > 0) {
            run.milliseconds = since(started);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // Settled: the first save and the first paint are done.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    run.residentKb = residentKilobytes(pid);
    const int height = paletteHeight(display, pid);
    addButtonFromOutside(data);
    const auto written = Clock::now();
    while (Clock::now() - written < std::chrono::seconds(5)) {
        if (paletteHeight(display, pid) > height) {
            run.outsideMilliseconds = since(written);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(Display* display, const char* label, const std::filesystem::path& data, int runs) {
    std::vector<double> times;
    std::vector<double> memory;
    std::vector<double> outside;
    startOnce(display, data);  // warm the caches once
    for (int i = 0; i < runs; ++i) {
        const Run run = startOnce(display, data);
        if (run.milliseconds < 0) {
            std::printf("%s: the palette did not appear\n", label);
            return;
        }
        times.push_back(run.milliseconds);
        memory.push_back(static_cast<double>(run.residentKb) / 1024.0);
        outside.push_back(run.outsideMilliseconds);
    }
    std::printf(
        "%-24s start to palette mapped: median %.0f ms, worst %.0f ms; resident memory: median %.1f MB\n",
        label, median(times), *std::max_element(times.begin(), times.end()), median(memory));
    // A palette as tall as the screen does not grow: then there is nothing to time.
    if (*std::min_element(outside.begin(), outside.end()) >= 0) {
        std::printf("%-24s outside change to palette grown: median %.0f ms, worst %.0f ms\n", label,
                    median(outside), *std::max_element(outside.begin(), outside.end()));
    }
}

}  // namespace

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "No X display: run inside scripts/headless-session.\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    setenv("ZUNA_LOCALIZATION_FILE", "/nonexistent", 1);
    char pattern[] = "/tmp/zuna-startup-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);

    measure(display, "initial state", dir / "initial", 10);

    zuna::SavedState large = zuna::bench::makeState(1, 1000, 200);
    std::filesystem::create_directories(dir / "large");
    std::ofstream(dir / "large" / "state.json") << zuna::jsonData(large);
    measure(display, "1,000 buttons", dir / "large", 10);

    std::filesystem::remove_all(dir);
    XCloseDisplay(display);
    return 0;
}
