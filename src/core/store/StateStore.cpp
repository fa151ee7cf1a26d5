#include "core/store/StateStore.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <regex>
#include <unordered_set>

#include "core/fs/FileSystem.h"
#include "core/localization/Localization.h"
#include "core/model/Errors.h"
#include "core/model/ExchangeFiles.h"
#include "core/model/JsonData.h"
#include "core/model/Validation.h"
#include "core/store/StateMerge.h"

namespace zuna {

namespace {

constexpr mode_t kDirectoryMode = 0700;
constexpr mode_t kFileMode = 0600;

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// The names of the files the store writes and owns.
bool ownName(std::string_view name) {
    static const std::regex kOwnFile(
        "state\\.json|state\\.previous\\.json|"
        "(state-damaged-|pred-prenovo-1\\.0-|pred-kompaktno-1\\.2-|zunanja-|sinhronizacija-)"
        "[0-9]+-[0-9A-F]{6}\\.json|"
        "pred-uvozom-[0-9]+-[0-9A-F]{6}\\.zuna\\.json");
    return std::regex_match(name.begin(), name.end(), kOwnFile);
}

// The copies sync tools leave when a file changed on two machines at once: Syncthing's, and the
// "conflicted copy" of Nextcloud and Dropbox. Of the state file, or of the previous copy.
enum class ConflictCopy { none, state, previous };
ConflictCopy conflictCopyOf(const std::string& name) {
    static const std::regex kConflict(
        "state(\\.previous)?(\\.sync-conflict-[0-9]{8}-[0-9]{6}-[0-9A-Z]+| \\(.*conflicted copy.*\\))"
        "\\.json");
    std::smatch match;
    if (!std::regex_match(name, match, kConflict)) return ConflictCopy::none;
    return match[1].matched ? ConflictCopy::previous : ConflictCopy::state;
}

// A file of an older form, read from another writer, in the colours of the current one.
SavedState& migrated(SavedState& state) {
    if (state.appearanceVersion >= 1) return state;
    for (auto& group : state.groups) {
        for (auto& button : group.buttons) {
            if (upper(button.color) == kLegacyColor) button.color = std::string(kDefaultColor);
        }
    }
    state.appearanceVersion = 1;
    return state;
}

std::vector<std::filesystem::path> entries(const std::filesystem::path& directory) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        found.push_back(it->path());
    }
    return found;
}

// The program's own files, including those that others write for it: an export must never
// overwrite one.
bool heldName(std::string_view name) {
    return ownName(name) || name == ".zuna-trep.lock" || name == "remote-desktop.token";
}

StateStore::Notice updated() {
    return {L("Posodobljeno iz druge naprave"), false};
}

StateStore::Notice saveFailed(const std::exception& error) {
    return {L("Shranjevanje ni uspelo: {0}", error.what()), true};
}

StateStore::Notice cannotMerge(const std::string& reason, const std::string& keptAs) {
    return {
        L("Sprememb iz druge naprave ni bilo mogoče združiti: {0} Datoteka je ohranjena v mapi podatkov kot {1}.",
          reason, keptAs),
        true};
}

std::filesystem::path absolutePath(const std::filesystem::path& path) {
    std::error_code error;
    auto result = std::filesystem::absolute(path, error);
    return error ? path : result;
}

}  // namespace

StateStore::StateStore(std::filesystem::path directory)
    // A relative directory means the one below where the program was started.
    : directory_(absolutePath(directory)),
      file_(directory_ / "state.json"),
      state_(SavedState::initial()) {
    open();
    base_ = state_;
}

std::string StateStore::stamp() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return std::to_string(millis) + "-" + freshIdentifier().substr(0, 6);
}

SavedState StateStore::load(const std::filesystem::path& path, bool checkLegacy) {
    // A file that reads at all says "version": 1 exactly when the reader took the legacy form.
    bool legacy = false;
    fs::FileIdentity identity;
    const std::string bytes = limitedData(path, &identity);
    SavedState loaded = SavedState::fromJson(bytes, &legacy);
    if (checkLegacy) {
        needsMigrationBackup_ = legacy;
        known_ = identity;
        try {
            savedAsIs_ = !legacy && loaded.appearanceVersion >= 1 && bytes == jsonData(loaded);
        } catch (const std::exception&) {
            savedAsIs_ = false;  // it would not even encode within the limit
        }
    }
    return loaded;
}

void StateStore::open() {
    const auto previous = directory_ / "state.previous.json";
    // A dangling link or an entry that cannot be examined counts as a file that is there.
    if (fs::exists(file_)) {
        try {
            state_ = load(file_, true);
            migrateColors();
            removeLeftovers();
            return;
        } catch (const std::exception&) {
            // The state file is unreadable; its own error is not shown, the previous copy decides.
            needsMigrationBackup_ = false;
        }
    } else if (!fs::exists(previous)) {
        return;  // a first start: the initial state, and nothing on disk yet
    }

    // The state file is damaged or gone (only a save writes the previous copy, and always
    // before the state file), so the previous copy holds the user's data.
    try {
        state_ = load(previous, false);
    } catch (const std::exception& previousError) {
        stop(previousError.what());
        return;
    }
    try {
        // What the first save replaces, once the damaged file is kept.
        known_ = fs::identify(file_);
    } catch (const std::exception&) {
        known_.reset();
    }
    if (!fs::exists(file_)) {
        recoveryNotice_ = L(
            "Obnovljena je zadnja varnostna kopija. Poškodovana datoteka je ohranjena v mapi podatkov.");
    } else {
        try {
            fs::copyFileExclusively(file_, directory_ / ("state-damaged-" + stamp() + ".json"));
            recoveryNotice_ = L(
                "Obnovljena je zadnja varnostna kopija. Poškodovana datoteka je ohranjena v mapi podatkov.");
        } catch (const std::exception& copyError) {
            // A file that could not be kept must never be overwritten; a directory, pipe or
            // dangling link named like the state file holds nothing a save could lose.
            if (fs::isRegularFile(file_)) {
                stop(copyError.what());
                return;
            }
            recoveryNotice_ = L(
                "Obnovljena je zadnja varnostna kopija. Vnos state.json ni datoteka, zato ga nismo kopirali; ostal je v mapi podatkov, kot je.");
        }
    }
    migrateColors();
    removeLeftovers();
}

void StateStore::stop(const std::string& failure) {
    writable_ = false;
    state_.setButtons({});
    recoveryNotice_ = L(
        "Podatkov ni bilo mogoče odpreti. Datotek nismo prepisali. Preveri mapo podatkov ali obnovi izvoz. {0}",
        failure);
}

// What saves killed midway left: their temporary files, and only those of the store's own files.
void StateStore::removeLeftovers() {
    fs::removeLeftovers(directory_, ownName);
}

void StateStore::migrateColors() {
    if (!writable_ || state_.appearanceVersion >= 1) return;
    needsAppearanceBackup_ = true;
    migrated(state_);
}

void StateStore::save(const SavedState& newState) {
    if (!writable_) {
        throw ZunaError(L(
            "Shranjevanje je ustavljeno, da ohranimo neberljive podatke. Odpri mapo podatkov in obnovi svojo datoteko."));
    }
    validateGroups(newState.groups);
    validateRules(newState.applicationRules);
    const bool selectedExists =
        std::any_of(newState.groups.begin(), newState.groups.end(),
                    [&](const SnippetGroup& g) { return g.id == newState.selectedGroupID; });
    if (!selectedExists) throw ZunaError(L("Izbrana skupina ne obstaja."));
    const std::string bytes = jsonData(newState);

    fs::createDirectories(directory_, kDirectoryMode);

    // One-time copies of the file as it was before this program converted it. When the file is
    // gone there is nothing left to preserve, and refusing every save would only lose more.
    const bool stateFileExists = fs::exists(file_);
    if (needsAppearanceBackup_ && !needsMigrationBackup_) {
        if (stateFileExists) {
            const auto backup = directory_ / ("pred-kompaktno-1.2-" + stamp() + ".json");
            fs::copyFileExclusively(file_, backup);
            fs::setPermissions(backup, kFileMode);
        }
        needsAppearanceBackup_ = false;
    }
    if (needsMigrationBackup_) {
        needsAppearanceBackup_ = false;
        if (stateFileExists) {
            const auto backup = directory_ / ("pred-prenovo-1.0-" + stamp() + ".json");
            fs::copyFileExclusively(file_, backup);
            fs::setPermissions(backup, kFileMode);
        }
        needsMigrationBackup_ = false;
    }

    // Another writer's file is merged before it is replaced, never overwritten unseen; one that
    // arrives between the look and the rename is caught by the rename itself.
    SavedState target = newState;
    std::string targetBytes = bytes;
    for (int attempt = 0;; ++attempt) {
        if (fs::identify(file_) != known_) {
            const SavedState before = state_;
            absorbOutside();
            target = mergeStates(before, newState, state_, Newer::local);
            validateGroups(target.groups);
            validateRules(target.applicationRules);
            targetBytes = jsonData(target);
        }
        if (known_) {
            const auto previous = directory_ / "state.previous.json";
            fs::writeFileAtomically(previous, jsonData(state_));
            fs::setPermissions(previous, kFileMode);
        }
        if (const auto written = fs::replaceFileIfUnchanged(file_, targetBytes, known_)) {
            known_ = written;
            break;
        }
        if (attempt == 3) throw FileError(file_, EBUSY);
    }
    fs::setPermissions(file_, kFileMode);
    state_ = target;
    base_ = target;
}

bool StateStore::absorbOutside() {
    if (!fs::identify(file_)) {
        known_.reset();
        return true;  // removed: the next save writes the state back
    }
    fs::FileIdentity identity;
    std::string bytes;
    try {
        bytes = limitedData(file_, &identity);
    } catch (const std::exception& error) {
        // Too large or not a file: kept as it is, under a name of its own, if it can be.
        const auto name = "state-damaged-" + stamp() + ".json";
        if (fs::isRegularFile(file_)) fs::copyFileExclusively(file_, directory_ / name);
        known_ = fs::identify(file_);
        notice_ = cannotMerge(error.what(), name);
        return true;
    }
    SavedState outside;
    try {
        outside = SavedState::fromJson(bytes);
    } catch (const std::exception& error) {
        keepAside("state-damaged-" + stamp() + ".json", bytes, error.what());
        known_ = identity;
        return true;
    }
    SavedState merged = mergeStates(base_, state_, migrated(outside), Newer::outside);
    try {
        validateGroups(merged.groups);
        validateRules(merged.applicationRules);
    } catch (const ZunaError& error) {
        keepAside("zunanja-" + stamp() + ".json", bytes, error.message());
        known_ = identity;
        return true;
    }
    known_ = identity;
    base_ = outside;
    state_ = std::move(merged);
    notice_ = updated();
    return !sameExceptFrame(state_, outside);
}

void StateStore::keepAside(const std::string& name, const std::string& bytes,
                           const std::string& reason) {
    const auto location = directory_ / name;
    fs::writeFileAtomically(location, bytes);
    fs::setPermissions(location, kFileMode);
    notice_ = cannotMerge(reason, name);
}

bool StateStore::takeOutsideChanges() {
    if (!writable_) return false;
    bool changed = false;
    try {
        // Most calls follow this program's own saves: then the file is the one it knows, and
        // nothing is read or copied.
        if (fs::identify(file_) != known_) {
            const SavedState before = state_;
            if (absorbOutside()) save(state_);
            changed = state_ != before;
        }
    } catch (const std::exception& error) {
        notice_ = saveFailed(error);
    }
    return mergeConflictCopies() || changed;
}

bool StateStore::mergeConflictCopies() {
    bool changed = false;
    for (const auto& path : entries(directory_)) {
        const ConflictCopy kind = conflictCopyOf(path.filename().string());
        if (kind == ConflictCopy::none || !fs::isRegularFile(path)) continue;
        std::optional<SavedState> merged;
        std::string problem;
        // A copy of an older state (two machines' previous copies) is only kept aside: merging
        // it would bring back what was deleted since.
        if (kind == ConflictCopy::state) {
            try {
                SavedState copy = SavedState::fromJson(limitedData(path));
                merged = mergeConflictCopy(state_, migrated(copy));
                validateGroups(merged->groups);
                validateRules(merged->applicationRules);
            } catch (const std::exception& error) {
                problem = error.what();
                merged.reset();
            }
        }
        try {
            if (merged && *merged != state_) {
                save(*merged);
                changed = true;
            }
            // Under a name that no sync tool takes for a conflict, so it never comes back.
            const auto name = "sinhronizacija-" + stamp() + ".json";
            fs::moveExclusively(path, directory_ / name);
            if (merged) notice_ = updated();
            if (!problem.empty()) notice_ = cannotMerge(problem, name);
        } catch (const std::exception& error) {
            notice_ = saveFailed(error);
        }
    }
    return changed;
}

std::optional<StateStore::Notice> StateStore::takeNotice() {
    auto notice = std::move(notice_);
    notice_.reset();
    return notice;
}

bool StateStore::holds(const std::filesystem::path& path) const {
    std::error_code error;
    const auto folder = path.has_parent_path() ? path.parent_path() : ".";
    if (heldName(path.filename().string()) &&
        std::filesystem::equivalent(folder, directory_, error))
        return true;
    // Another name of one of them: a link, or a hard link.
    const auto entriesHeld = entries(directory_);
    return std::any_of(entriesHeld.begin(), entriesHeld.end(), [&](const auto& entry) {
        return heldName(entry.filename().string()) &&
               std::filesystem::equivalent(path, entry, error);
    });
}

void StateStore::replaceButtons(std::vector<Snippet> buttons) {
    SavedState changed = state_;
    changed.setButtons(std::move(buttons));
    save(changed);
}

void StateStore::backupBeforeImport() {
    if (!writable_) throw ZunaError(L("Najprej obnovi mapo podatkov; uvoz je ustavljen."));
    fs::createDirectories(directory_, kDirectoryMode);
    const auto location = directory_ / ("pred-uvozom-" + stamp() + ".zuna.json");
    const std::string bytes = GroupFile(state_.groups).data();
    fs::writeFileAtomically(location, bytes);
    fs::setPermissions(location, kFileMode);
}

void StateStore::importButtons(std::vector<Snippet> incoming, bool replace) {
    validateButtons(incoming);
    SavedState changed = state_;
    const std::size_t selected = changed.selectedIndex();

    std::unordered_set<std::string> taken;
    for (std::size_t g = 0; g < changed.groups.size(); ++g) {
        if (replace && g == selected) continue;
        for (const auto& button : changed.groups[g].buttons)
            taken.insert(button.id);
    }
    for (auto& button : incoming) {
        if (taken.count(button.id) != 0) button.id = freshIdentifier();
        taken.insert(button.id);
    }

    std::vector<Snippet> list = replace ? std::vector<Snippet>{} : changed.buttons();
    list.insert(list.end(), std::make_move_iterator(incoming.begin()),
                std::make_move_iterator(incoming.end()));
    changed.setButtons(std::move(list));
    validateGroups(changed.groups);
    backupBeforeImport();
    save(changed);
}

void StateStore::importGroups(std::vector<SnippetGroup> incoming, bool replace) {
    validateGroups(incoming);
    SavedState changed = state_;
    if (replace) {
        changed.selectedGroupID = incoming.front().id;
        changed.groups = std::move(incoming);
    } else {
        if (incoming.size() + changed.groups.size() > kMaxGroups) {
            throw ZunaError(L(
                "Skupaj bi bilo več kot 5 skupin. Izberi zamenjavo vseh ali najprej odstrani prazno skupino."));
        }
        for (auto& group : incoming) {
            group.id = freshIdentifier();
            for (auto& button : group.buttons)
                button.id = freshIdentifier();
            changed.groups.push_back(std::move(group));
        }
    }
    validateGroups(changed.groups);
    backupBeforeImport();
    save(changed);
}

}  // namespace zuna
