#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/SavedState.h"

namespace zuna {

// Owns the data directory and the current state. Opening never fails and changes no existing
// file; every write goes through here, validated, atomic and with the backups that keep the
// user's snippets safe.
class StateStore {
  public:
    // Opens the data in `directory`: the state file, else the copy of the previous version, else
    // nothing is ever written again in this process (see writable()). Unless it stops, opening
    // also removes the temporary files of saves that a crash cut short, so the caller must be
    // the directory's only writer (the program holds the directory's lock).
    explicit StateStore(std::filesystem::path directory);

    const std::filesystem::path& directory() const { return directory_; }
    const std::filesystem::path& file() const { return file_; }
    const SavedState& state() const { return state_; }
    // A message for the user about an unusual opening; absent after an ordinary one.
    const std::optional<std::string>& recoveryNotice() const { return recoveryNotice_; }
    // False once the stored data was found unreadable: then every write is refused.
    bool writable() const { return writable_; }

    // Milliseconds since 1970 and six random hexadecimal digits, for file names that sort by time.
    static std::string stamp();

    // Writes `newState` as the state file and adopts it; on failure the state stays as it was.
    void save(const SavedState& newState);
    // Stores a new button list for the selected group.
    void replaceButtons(std::vector<Snippet> buttons);
    // Writes all groups to "pred-uvozom-<stamp>.zuna.json" in the data directory.
    void backupBeforeImport();
    // Adds the buttons to the selected group, or replaces its buttons with them.
    void importButtons(std::vector<Snippet> incoming, bool replace);
    // Adds the groups after the current ones, or replaces all groups with them.
    void importGroups(std::vector<SnippetGroup> incoming, bool replace);

  private:
    SavedState load(const std::filesystem::path& path, bool checkLegacy);
    void open();
    // Refuses every later write, with the notice that names `failure`.
    void stop(const std::string& failure);
    void removeLeftovers();
    void migrateColors();

    std::filesystem::path directory_;
    std::filesystem::path file_;
    SavedState state_;
    std::optional<std::string> recoveryNotice_;
    bool writable_ = true;
    // The state file was in the version 1 form and is not backed up yet.
    bool needsMigrationBackup_ = false;
    // The colour migration changed the state in memory; the file before it is not backed up yet.
    bool needsAppearanceBackup_ = false;
};

}  // namespace zuna
