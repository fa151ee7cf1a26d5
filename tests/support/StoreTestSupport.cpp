#include "StoreTestSupport.h"

#include <sys/stat.h>

#include "TestSupport.h"

namespace zuna::test {

Snapshot snapshot(const std::filesystem::path& directory) {
    Snapshot result;
    if (!std::filesystem::exists(directory)) return result;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
        Entry e;
        e.mode = permissions(entry.path());
        e.directory = entry.is_directory();
        if (entry.is_regular_file()) e.bytes = readFile(entry.path());
        result[std::filesystem::relative(entry.path(), directory).string()] = e;
    }
    return result;
}

std::vector<std::string> namesStartingWith(const std::filesystem::path& directory,
                                           const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        const auto name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
}

mode_t permissions(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

SavedState sampleState(const std::string& tag, std::size_t groups, std::size_t buttons) {
    SavedState state;
    for (std::size_t g = 0; g < groups; ++g) {
        std::vector<Snippet> list;
        for (std::size_t b = 0; b < buttons; ++b) {
            const std::string suffix = tag + "-" + std::to_string(g) + "-" + std::to_string(b);
            list.emplace_back("Gumb " + suffix, "Besedilo " + suffix + "\nčšž/2", "B" + suffix);
        }
        state.groups.emplace_back("Skupina " + std::to_string(g), std::move(list),
                                  "G" + tag + "-" + std::to_string(g));
    }
    state.selectedGroupID = state.groups.front().id;
    return state;
}

}  // namespace zuna::test
