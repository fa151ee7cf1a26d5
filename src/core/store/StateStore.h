#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/fs/FileSystem.h"
#include "core/model/SavedState.h"

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
    // The state file holds exactly what a save would write now: no save is needed at start,
    // which keeps the copy of the state from before the last change.
    bool savedAsIs() const { return savedAsIs_; }

    // What the user should hear about another writer's change to the data directory.
    struct Notice {
        std::string message;
        bool error = false;
    };
    // Takes in what other writers (a sync tool, an editor, a second machine) did to the data
    // directory since this process last read or wrote it: a state file replaced or rewritten is
    // merged into the state, a damaged one kept aside; conflict copies of sync tools are merged
    // and moved aside. Saves where the disk no longer holds what the state shows. Returns
    // whether the state changed; what to tell the user waits in takeNotice().
    bool takeOutsideChanges();
    // The message of the last outside change met here or by a save, once.
    std::optional<Notice> takeNotice();
    // True for the program's own files in the data directory, under whatever path: nothing but
    // the store may write them.
    bool holds(const std::filesystem::path& path) const;

    // Milliseconds since 1970 and six random hexadecimal digits, for file names that sort by time.
    static std::string stamp();

    // Writes `newState` as the state file and adopts it; on failure the state stays as it was.
    // A state file that another writer changed is merged first, so the adopted state may hold
    // more than `newState`.
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
    // Merges the state file another writer left into the state; true when the disk does not
    // hold what the state now shows (a merge that added to it, a damaged or removed file).
    bool absorbOutside();
    // True when a copy added to the state.
    bool mergeConflictCopies();
    // Keeps bytes that could not be merged under `name`, and says so.
    void keepAside(const std::string& name, const std::string& bytes, const std::string& reason);

    std::filesystem::path directory_;
    std::filesystem::path file_;
    SavedState state_;
    std::optional<std::string> recoveryNotice_;
    bool writable_ = true;
    // The state file was in the version 1 form and is not backed up yet.
    bool needsMigrationBackup_ = false;
    // The colour migration changed the state in memory; the file before it is not backed up yet.
    bool needsAppearanceBackup_ = false;
    bool savedAsIs_ = false;
    // The state file as this process last read or wrote it: its content and its identity (none
    // when there was no file). Merges start from it; a file that is no longer it is another
    // writer's.
    SavedState base_;
    std::optional<fs::FileIdentity> known_;
    std::optional<Notice> notice_;
};

}  // namespace zuna
