#include "platform/linux/ProcessIdentity.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace zuna::platform {

int ownProcessId() {
    return static_cast<int>(::getpid());
}

// Field 22 of /proc/<pid>/stat, after the command name (which may hold spaces and parentheses).
std::uint64_t processStartTime(int processId) {
    if (processId <= 0) {
        return 0;
    }
    std::ifstream file("/proc/" + std::to_string(processId) + "/stat");
    std::string line;
    if (!std::getline(file, line)) {
        return 0;
    }
    const auto end = line.rfind(')');
    if (end == std::string::npos) {
        return 0;
    }
    std::istringstream fields(line.substr(end + 1));
    std::string state;
    fields >> state;
    if (state == "Z" || state == "X") {
        return 0;
    }
    std::string skipped;
    for (int field = 4; field < 22; ++field) {
        fields >> skipped;
    }
    std::uint64_t start = 0;
    fields >> start;
    return fields ? start : 0;
}

bool processRunning(int processId, std::uint64_t startTime) {
    const std::uint64_t now = processStartTime(processId);
    return now != 0 && now == startTime;
}

}  // namespace zuna::platform
