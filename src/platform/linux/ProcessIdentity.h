#pragma once

#include <cstdint>

namespace zuna::platform {

// A process as /proc knows it. A process id alone may be reused by a new program; with the
// start time it names one instance.
int ownProcessId();
// The start time of the process, in clock ticks since boot; 0 when it is gone or a zombie.
std::uint64_t processStartTime(int processId);
// Still the same process: alive, not a zombie, and started when it was first seen.
bool processRunning(int processId, std::uint64_t startTime);

}  // namespace zuna::platform
