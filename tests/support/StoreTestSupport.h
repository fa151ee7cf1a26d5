#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/model/SavedState.h"
#include "core/store/StateStore.h"

namespace zuna::test {

// Everything in a directory: each entry's name (relative), permission bits and bytes.
struct Entry {
    mode_t mode = 0;
    bool directory = false;
    std::string bytes;
    bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;
Snapshot snapshot(const std::filesystem::path& directory);

// Names in a directory that start with `prefix`.
std::vector<std::string> namesStartingWith(const std::filesystem::path& directory,
                                           const std::string& prefix);
mode_t permissions(const std::filesystem::path& path);

// A valid version 2 state with the given groups of buttons, named by `tag` so states differ.
SavedState sampleState(const std::string& tag, std::size_t groups = 1, std::size_t buttons = 3);

}  // namespace zuna::test
