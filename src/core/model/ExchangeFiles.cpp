#include "core/model/ExchangeFiles.h"

#include "core/localization/Localization.h"
#include "core/model/Errors.h"
#include "core/model/JsonData.h"
#include "core/model/JsonSupport.h"
#include "core/model/RecordCodec.h"
#include "core/model/Validation.h"

namespace zuna {

namespace {

// The members both kinds share; the caller reads its own list.
template <typename File>
json::Json decodeHeader(std::string_view bytes, File& file) {
    using namespace json;
    Json document = parse(bytes);
    const Path root;
    asObject(document, root);
    file.format = takeString(required(document, "format", root), root.member("format"));
    file.version = asInteger(required(document, "version", root), root.member("version"));
    return document;
}

// Both kinds are read the same way: bounded read, strict decoding, then their own checks.
template <typename File>
File readValidated(const std::filesystem::path& location) {
    File file = File::fromJson(limitedData(location));
    file.validated();
    return file;
}

}  // namespace

const ButtonFile& ButtonFile::validated() const {
    if (format != kFormat || version != 1) {
        throw ZunaError(L("Ta datoteka ni podprta datoteka gumbov Zuna Trep."));
    }
    validateButtons(buttons);
    return *this;
}

ButtonFile ButtonFile::fromJson(std::string_view bytes) {
    ButtonFile file;
    json::Json document = decodeHeader(bytes, file);
    const json::Path root;
    file.buttons =
        json::decodeButtons(json::required(document, "buttons", root), root.member("buttons"));
    return file;
}

ButtonFile ButtonFile::read(const std::filesystem::path& location) {
    return readValidated<ButtonFile>(location);
}

std::string ButtonFile::data() const {
    return jsonData(validated());
}

const GroupFile& GroupFile::validated() const {
    if (format != kFormat || version != 2) {
        throw ZunaError(L("Nepodprta datoteka skupin Zuna Trep."));
    }
    validateGroups(groups);
    return *this;
}

GroupFile GroupFile::fromJson(std::string_view bytes) {
    GroupFile file;
    json::Json document = decodeHeader(bytes, file);
    const json::Path root;
    file.groups =
        json::decodeGroups(json::required(document, "groups", root), root.member("groups"));
    return file;
}

GroupFile GroupFile::read(const std::filesystem::path& location) {
    return readValidated<GroupFile>(location);
}

std::string GroupFile::data() const {
    return jsonData(validated());
}

}  // namespace zuna

namespace zuna {

bool isGroupFileDocument(std::string_view bytes) {
    const json::Json document = json::parse(bytes);
    if (!document.is_object()) return false;
    const auto version = document.find("version");
    return version != document.end() && version->is_number_integer() && *version == 2;
}

}  // namespace zuna
