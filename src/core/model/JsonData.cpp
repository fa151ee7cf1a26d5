#include "core/model/JsonData.h"

#include "core/fs/FileSystem.h"
#include "core/localization/Localization.h"
#include "core/model/Errors.h"
#include "core/model/RecordCodec.h"

namespace zuna {

std::string jsonData(const SavedState& state) {
    using json::Json;
    Json document = Json::object();
    document["alwaysOnTop"] = state.alwaysOnTop;
    document["appearanceVersion"] = state.appearanceVersion;
    if (!state.applicationRules.empty())
        document["applicationRules"] = json::encode(state.applicationRules);
    document["format"] = state.format;
    if (!state.globalShortcut.empty()) document["globalShortcut"] = state.globalShortcut;
    document["groups"] = json::encode(state.groups);
    if (state.macWindow) document["macWindow"] = json::encode(*state.macWindow);
    if (state.pasteUncheckedFields) document["pasteUncheckedFields"] = true;
    document["selectedGroupID"] = state.selectedGroupID;
    document["theme"] = std::string(state.theme.rawValue());
    document["version"] = 2;
    return json::limitedDump(document);
}

std::string jsonData(const ButtonFile& file) {
    using json::Json;
    Json document = Json::object();
    document["buttons"] = json::encode(file.buttons);
    document["format"] = file.format;
    document["version"] = file.version;
    return json::limitedDump(document);
}

std::string jsonData(const GroupFile& file) {
    using json::Json;
    Json document = Json::object();
    document["format"] = file.format;
    document["groups"] = json::encode(file.groups);
    document["version"] = file.version;
    return json::limitedDump(document);
}

std::string limitedData(const std::filesystem::path& location, fs::FileIdentity* identity) {
    auto bytes = fs::readFileLimited(location, kMaxFileBytes, identity);
    if (!bytes) throw ZunaError(L("Datoteka je prevelika (največ 16 MB)."));
    return std::move(*bytes);
}

}  // namespace zuna
