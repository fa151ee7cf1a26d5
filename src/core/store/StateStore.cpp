#include "store/StateStore.h"

#include <algorithm>
#include <chrono>
#include <regex>
#include <unordered_set>

#include "fs/FileSystem.h"
#include "localization/Localization.h"
#include "model/Errors.h"
#include "model/ExchangeFiles.h"
#include "model/JsonData.h"
#include "model/Validation.h"

namespace zuna {

namespace {

constexpr mode_t kDirectoryMode = 0700;
constexpr mode_t kFileMode = 0600;

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
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
}

std::string StateStore::stamp() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return std::to_string(millis) + "-" + freshIdentifier().substr(0, 6);
}

SavedState StateStore::load(const std::filesystem::path& path, bool checkLegacy) {
    // A file that reads at all says "version": 1 exactly when the reader took the legacy form.
    bool legacy = false;
    SavedState loaded = SavedState::fromJson(limitedData(path), &legacy);
    if (checkLegacy) needsMigrationBackup_ = legacy;
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
    static const std::regex kOwnFile(
        "state\\.json|state\\.previous\\.json|"
        "(state-damaged-|pred-prenovo-1\\.0-|pred-kompaktno-1\\.2-)[0-9]+-[0-9A-F]{6}\\.json|"
        "pred-uvozom-[0-9]+-[0-9A-F]{6}\\.zuna\\.json");
    fs::removeLeftovers(directory_, [](std::string_view target) {
        return std::regex_match(target.begin(), target.end(), kOwnFile);
    });
}

void StateStore::migrateColors() {
    if (!writable_ || state_.appearanceVersion >= 1) return;
    needsAppearanceBackup_ = true;
    for (auto& group : state_.groups) {
        for (auto& button : group.buttons) {
            if (upper(button.color) == kLegacyColor) button.color = std::string(kDefaultColor);
        }
    }
    state_.appearanceVersion = 1;
}

void StateStore::save(const SavedState& newState) {
    if (!writable_) {
        throw ZunaError(L(
            "Shranjevanje je ustavljeno, da ohranimo neberljive podatke. Odpri mapo podatkov in obnovi svojo datoteko."));
    }
    validateGroups(newState.groups);
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

    if (stateFileExists) {
        const auto previous = directory_ / "state.previous.json";
        fs::writeFileAtomically(previous, jsonData(state_));
        fs::setPermissions(previous, kFileMode);
    }
    fs::writeFileAtomically(file_, bytes);
    fs::setPermissions(file_, kFileMode);
    state_ = newState;
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
