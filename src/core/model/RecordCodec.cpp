#include "core/model/RecordCodec.h"

#include <cmath>

#include "core/localization/Localization.h"
#include "core/model/Errors.h"

namespace zuna::json {

namespace {

Snippet decodeButton(Json& value, const Path& at) {
    asObject(value, at);
    const Path idAt = at.member("id");
    const Path nameAt = at.member("name");
    const Path textAt = at.member("text");
    std::string id = takeString(required(value, "id", at), idAt);
    std::string name = takeString(required(value, "name", at), nameAt);
    std::string text = takeString(required(value, "text", at), textAt);
    // Buttons written before colours existed read as the colour the migration replaces.
    std::string color = std::string(kLegacyColor);
    if (Json* c = optional(value, "color")) color = takeString(*c, at.member("color"));
    return Snippet(std::move(name), std::move(text), std::move(id), std::move(color));
}

SnippetGroup decodeGroup(Json& value, const Path& at) {
    asObject(value, at);
    const Path buttonsAt = at.member("buttons");
    std::vector<Snippet> buttons = decodeButtons(required(value, "buttons", at), buttonsAt);
    std::string id = takeString(required(value, "id", at), at.member("id"));
    std::string name = takeString(required(value, "name", at), at.member("name"));
    return SnippetGroup(std::move(name), std::move(buttons), std::move(id));
}

}  // namespace

std::vector<Snippet> decodeButtons(Json& value, const Path& at) {
    asArray(value, at);
    std::vector<Snippet> buttons;
    buttons.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        buttons.push_back(decodeButton(value[i], at.element(i)));
    }
    return buttons;
}

std::vector<SnippetGroup> decodeGroups(Json& value, const Path& at) {
    asArray(value, at);
    std::vector<SnippetGroup> groups;
    groups.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        groups.push_back(decodeGroup(value[i], at.element(i)));
    }
    return groups;
}

WindowFrame decodeFrame(Json& value, const Path& at) {
    asObject(value, at);
    WindowFrame frame;
    frame.height = asNumber(required(value, "height", at), at.member("height"));
    frame.width = asNumber(required(value, "width", at), at.member("width"));
    frame.x = asNumber(required(value, "x", at), at.member("x"));
    frame.y = asNumber(required(value, "y", at), at.member("y"));
    return frame;
}

std::vector<ApplicationRule> decodeRules(Json& value, const Path& at) {
    asArray(value, at);
    std::vector<ApplicationRule> rules;
    rules.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const Path ruleAt = at.element(i);
        Json& rule = asObject(value[i], ruleAt);
        std::string application =
            takeString(required(rule, "application", ruleAt), ruleAt.member("application"));
        const std::string name = takeString(required(rule, "keys", ruleAt), ruleAt.member("keys"));
        const std::optional<PasteShortcut> keys = shortcutNamed(name);
        if (!keys) {
            throw ZunaError(L(
                "Neznane tipke za lepljenje: {0}. Mogoče so Ctrl+V, Ctrl+Shift+V, Shift+Insert in Ctrl+Y.",
                name));
        }
        rules.push_back({std::move(application), *keys});
    }
    return rules;
}

Json encode(const std::vector<ApplicationRule>& rules) {
    Json list = Json::array();
    for (const auto& rule : rules) {
        list.push_back(Json::object(
            {{"application", rule.application}, {"keys", std::string(shortcutName(rule.keys))}}));
    }
    return list;
}

Json encode(const Snippet& button) {
    return Json::object(
        {{"color", button.color}, {"id", button.id}, {"name", button.name}, {"text", button.text}});
}

Json encode(const SnippetGroup& group) {
    return Json::object(
        {{"buttons", encode(group.buttons)}, {"id", group.id}, {"name", group.name}});
}

Json encode(const std::vector<Snippet>& buttons) {
    Json list = Json::array();
    list.get_ref<Json::array_t&>().reserve(buttons.size());
    for (const auto& button : buttons)
        list.push_back(encode(button));
    return list;
}

Json encode(const std::vector<SnippetGroup>& groups) {
    Json list = Json::array();
    for (const auto& group : groups)
        list.push_back(encode(group));
    return list;
}

Json encode(const WindowFrame& frame) {
    for (double number : {frame.x, frame.y, frame.width, frame.height}) {
        if (!std::isfinite(number)) {
            throw JsonError("The window frame cannot be written: a number is not finite.");
        }
    }
    return Json::object(
        {{"height", frame.height}, {"width", frame.width}, {"x", frame.x}, {"y", frame.y}});
}

std::string limitedDump(const Json& document) {
    std::string bytes = dump(document);
    if (bytes.size() > kMaxFileBytes) {
        throw ZunaError(L("Podatki presegajo 16 MB. Skrajšaj besedilo ali izvozi nekaj gumbov."));
    }
    return bytes;
}

}  // namespace zuna::json
