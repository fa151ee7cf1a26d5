#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/Records.h"

namespace zuna {

// The buttons of one group as they travel between users and programs.
struct ButtonFile {
    std::string format = std::string(kFormat);
    std::int64_t version = 1;
    std::vector<Snippet> buttons;

    ButtonFile() = default;
    explicit ButtonFile(std::vector<Snippet> buttons) : buttons(std::move(buttons)) {}

    // Returns itself unchanged, or throws ZunaError.
    const ButtonFile& validated() const;
    // Reads, decodes and validates a file; throws FileError, JsonError or ZunaError.
    static ButtonFile read(const std::filesystem::path& location);
    // Decodes a document's bytes without validating it.
    static ButtonFile fromJson(std::string_view bytes);
    // The validated file's bytes.
    std::string data() const;

    bool operator==(const ButtonFile&) const = default;
};

// Whole groups: the export of all groups, and the store's backup before imports.
struct GroupFile {
    std::string format = std::string(kFormat);
    std::int64_t version = 2;
    std::vector<SnippetGroup> groups;

    GroupFile() = default;
    explicit GroupFile(std::vector<SnippetGroup> groups) : groups(std::move(groups)) {}

    const GroupFile& validated() const;
    static GroupFile read(const std::filesystem::path& location);
    static GroupFile fromJson(std::string_view bytes);
    std::string data() const;

    bool operator==(const GroupFile&) const = default;
};

// Which reader an imported file goes to: a JSON object whose "version" is the integer 2 is a
// group file, everything else a button file. Throws JsonError for text that is not JSON.
bool isGroupFileDocument(std::string_view bytes);

}  // namespace zuna
