#include "core/store/StateMerge.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <list>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "core/localization/Localization.h"
#include "core/model/Limits.h"
#include "core/model/TextMeasures.h"

namespace zuna {

namespace {

using Ids = std::vector<std::string>;

// Where each group and button of one state is.
struct Index {
    struct Placed {
        const Snippet* button;
        std::string group;
    };

    explicit Index(const SavedState& state) {
        for (const auto& group : state.groups) {
            groups.emplace(group.id, &group);
            order.push_back(group.id);
            for (const auto& button : group.buttons)
                buttons.emplace(button.id, Placed{&button, group.id});
        }
    }
    const SnippetGroup* group(const std::string& id) const {
        const auto found = groups.find(id);
        return found == groups.end() ? nullptr : found->second;
    }
    const Placed* button(const std::string& id) const {
        const auto found = buttons.find(id);
        return found == buttons.end() ? nullptr : &found->second;
    }
    // The button identifiers of one group, in order; none when the group is not here.
    Ids buttonsOf(const std::string& groupID) const {
        Ids ids;
        if (const auto* found = group(groupID)) {
            for (const auto& button : found->buttons)
                ids.push_back(button.id);
        }
        return ids;
    }

    std::unordered_map<std::string, const SnippetGroup*> groups;
    std::unordered_map<std::string, Placed> buttons;
    Ids order;
};

// One value: a change on one side wins; where both changed it, the newer side does.
template <class T>
const T& pick(const T* base, const T& local, const T& outside, Newer newer) {
    if (local == outside || (base != nullptr && outside == *base)) return local;
    if (base != nullptr && local == *base) return outside;
    return newer == Newer::local ? local : outside;
}

// Changed differently on both sides: picking one would lose what was typed on the other.
bool clash(const std::string* base, const std::string& local, const std::string& outside) {
    return local != outside && (base == nullptr || (local != *base && outside != *base));
}

// "Name (druga različica)", shortened at the name's end to stay within the limit.
std::string copyName(const std::string& name, std::size_t limit) {
    std::string kept = name;
    for (;;) {
        std::string named = L("{0} (druga različica)", kept);
        const std::size_t length = userPerceivedLength(named, limit + 1);
        if (length <= limit || kept.empty()) return named;
        const std::size_t keptLength = userPerceivedLength(kept);
        kept = prefixOfLength(kept, keptLength - std::min(keptLength, length - limit));
    }
}

Snippet copyOf(const Snippet& button, const std::string& seed) {
    Snippet copy = button;
    copy.id = derivedIdentifier(seed + '\n' + button.id + '\n' + button.name + '\n' + button.text);
    copy.name = copyName(button.name, kMaxButtonNameLength);
    return copy;
}

// The merged button; `copy` gets the outside version when name or text clash. A colour is a
// setting: the newer side's wins.
Snippet mergeButton(const Snippet* base, const Snippet& local, const Snippet& outside, Newer newer,
                    std::optional<Snippet>& copy) {
    Snippet merged = local;
    bool clashed = false;
    for (auto field : {&Snippet::name, &Snippet::text, &Snippet::color}) {
        const std::string* before = base != nullptr ? &(base->*field) : nullptr;
        if (field != &Snippet::color && clash(before, local.*field, outside.*field)) {
            clashed = true;
        } else {
            merged.*field = pick(before, local.*field, outside.*field, newer);
        }
    }
    if (clashed) copy = copyOf(outside, "button");
    return merged;
}

// One order from two: the side that changed it (or the newer) leads; what only the other side
// holds goes right before its nearest successor there, or at the end, where additions go.
Ids mergeOrder(const Ids& base, const Ids& local, const Ids& outside, Newer newer,
               const std::function<bool(const std::string&)>& keep) {
    const bool outsideLeads = local == base || (outside != base && newer == Newer::outside);
    const Ids& lead = outsideLeads ? outside : local;
    const Ids& other = outsideLeads ? local : outside;
    std::list<std::string> result;
    std::unordered_map<std::string, std::list<std::string>::iterator> placed;
    for (const auto& id : lead) {
        if (keep(id)) placed.emplace(id, result.insert(result.end(), id));
    }
    for (std::size_t i = other.size(); i-- > 0;) {
        if (!keep(other[i]) || placed.count(other[i]) != 0) continue;
        auto at = result.end();
        for (std::size_t j = i + 1; j < other.size(); ++j) {
            const auto found = placed.find(other[j]);
            if (found != placed.end()) {
                at = found->second;
                break;
            }
        }
        placed.emplace(other[i], result.insert(at, other[i]));
    }
    return {result.begin(), result.end()};
}

// Rules by application, each one a setting of its own: a rule added on either side is kept, a
// removal or a change of keys on one side wins, and where both changed the keys the newer side
// does; a removal on one side and a change on the other keep the change.
std::vector<ApplicationRule> mergeRules(const std::vector<ApplicationRule>& base,
                                        const std::vector<ApplicationRule>& local,
                                        const std::vector<ApplicationRule>& outside, Newer newer) {
    const auto keysOf = [](const std::vector<ApplicationRule>& rules, const std::string& name) {
        const ApplicationRule* rule = ruleFor(rules, name);
        return rule != nullptr ? std::optional(rule->keys) : std::nullopt;
    };
    const auto namesOf = [](const std::vector<ApplicationRule>& rules) {
        Ids names;
        for (const auto& rule : rules)
            names.push_back(rule.application);
        return names;
    };
    std::unordered_map<std::string, PasteShortcut> merged;
    for (const auto* side : {&local, &outside}) {
        for (const auto& rule : *side) {
            const auto before = keysOf(base, rule.application);
            const auto mine = keysOf(local, rule.application);
            const auto theirs = keysOf(outside, rule.application);
            auto keys = pick(&before, mine, theirs, newer);
            // A removal never undoes keys the other side chose meanwhile.
            if (!keys) keys = mine != before ? mine : theirs != before ? theirs : std::nullopt;
            if (keys) merged.emplace(rule.application, *keys);
        }
    }
    std::vector<ApplicationRule> rules;
    for (const auto& name :
         mergeOrder(namesOf(base), namesOf(local), namesOf(outside), newer,
                    [&](const std::string& name) { return merged.count(name) != 0; })) {
        rules.push_back({name, merged.at(name)});
    }
    return rules;
}

}  // namespace

std::string derivedIdentifier(const std::string& seed) {
    // FNV-1a, twice with different starting values, for the 128 bits of an identifier.
    const auto hash = [&seed](std::uint64_t value) {
        for (const unsigned char c : seed) {
            value ^= c;
            value *= 1099511628211ULL;
        }
        return value;
    };
    const std::uint64_t high = hash(14695981039346656037ULL);
    const std::uint64_t low = hash(high ^ 0x9E3779B97F4A7C15ULL);
    char text[37];
    std::snprintf(text, sizeof text, "%08llX-%04llX-4%03llX-%04llX-%012llX",
                  static_cast<unsigned long long>(high >> 32),
                  static_cast<unsigned long long>((high >> 16) & 0xFFFF),
                  static_cast<unsigned long long>(high & 0xFFF),
                  static_cast<unsigned long long>(0x8000 | ((low >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text;
}

SavedState mergeStates(const SavedState& base, const SavedState& local, const SavedState& outside,
                       Newer newer) {
    const Index before(base), mine(local), theirs(outside);

    // Buttons, wherever they are: which stay, with what content and in which group.
    struct Kept {
        Snippet button;
        std::string group;
    };
    std::unordered_map<std::string, Kept> kept;
    std::unordered_map<std::string, Snippet> copies;  // by the identifier they follow
    Ids everyButton;
    for (const auto* state : {&local, &outside}) {
        for (const auto& group : state->groups) {
            for (const auto& button : group.buttons)
                everyButton.push_back(button.id);
        }
    }
    const auto changedButton = [](const Index::Placed& now, const Index::Placed* was) {
        return was == nullptr || *now.button != *was->button || now.group != was->group;
    };
    for (const auto& id : everyButton) {
        if (kept.count(id) != 0) continue;
        const auto *b = before.button(id), *l = mine.button(id), *o = theirs.button(id);
        if (l != nullptr && o != nullptr) {
            std::optional<Snippet> copy;
            Snippet merged = mergeButton(b != nullptr ? b->button : nullptr, *l->button, *o->button,
                                         newer, copy);
            if (copy) copies.emplace(id, std::move(*copy));
            kept.emplace(id, Kept{std::move(merged), pick(b != nullptr ? &b->group : nullptr,
                                                          l->group, o->group, newer)});
        } else if (const auto* only = l != nullptr ? l : o; changedButton(*only, b)) {
            // Deleted on one side: it stays only if the other side changed it.
            kept.emplace(id, Kept{*only->button, only->group});
        }
    }

    // Groups: which stay and under which name; a name changed on both sides keeps both.
    std::unordered_map<std::string, std::string> names;
    std::unordered_map<std::string, SnippetGroup> groupCopies;
    const auto changedGroup = [](const SnippetGroup& now, const SnippetGroup* was) {
        return was == nullptr || now.name != was->name || now.buttons != was->buttons;
    };
    for (const auto* order : {&mine.order, &theirs.order}) {
        for (const auto& id : *order) {
            if (names.count(id) != 0) continue;
            const auto *b = before.group(id), *l = mine.group(id), *o = theirs.group(id);
            const std::string* baseName = b != nullptr ? &b->name : nullptr;
            if (l != nullptr && o != nullptr) {
                if (clash(baseName, l->name, o->name)) {
                    SnippetGroup copy(copyName(o->name, kMaxGroupNameLength), {},
                                      derivedIdentifier("group\n" + id + '\n' + o->name));
                    for (const auto& button : o->buttons)
                        copy.buttons.push_back(copyOf(button, copy.id));
                    groupCopies.emplace(id, std::move(copy));
                }
                names.emplace(id, pick(baseName, l->name, o->name, newer));
            } else if (const auto* only = l != nullptr ? l : o; changedGroup(*only, b)) {
                names.emplace(id, only->name);
            }
        }
    }
    const auto survives = [&names](const std::string& id) { return names.count(id) != 0; };
    Ids groupOrder = mergeOrder(before.order, mine.order, theirs.order, newer, survives);

    // A button whose group is gone goes where the other side has it, else into the first group.
    for (auto& [id, entry] : kept) {
        if (survives(entry.group)) continue;
        const auto *l = mine.button(id), *o = theirs.button(id);
        if (l != nullptr && survives(l->group)) {
            entry.group = l->group;
        } else if (o != nullptr && survives(o->group)) {
            entry.group = o->group;
        } else if (!groupOrder.empty()) {
            entry.group = groupOrder.front();
        }
    }

    SavedState merged = local;
    merged.groups.clear();
    for (const auto& groupID : groupOrder) {
        const auto inGroup = [&](const std::string& id) {
            const auto found = kept.find(id);
            return found != kept.end() && found->second.group == groupID;
        };
        Ids order = mergeOrder(before.buttonsOf(groupID), mine.buttonsOf(groupID),
                               theirs.buttonsOf(groupID), newer, inGroup);
        // Buttons that came from a group that is gone.
        std::unordered_set<std::string> listed(order.begin(), order.end());
        for (const auto& id : everyButton) {
            if (inGroup(id) && listed.insert(id).second) order.push_back(id);
        }
        SnippetGroup group(names.at(groupID), {}, groupID);
        for (const auto& id : order) {
            group.buttons.push_back(kept.at(id).button);
            if (const auto copy = copies.find(id); copy != copies.end())
                group.buttons.push_back(copy->second);
        }
        merged.groups.push_back(std::move(group));
        if (const auto copy = groupCopies.find(groupID); copy != groupCopies.end())
            merged.groups.push_back(copy->second);
    }

    merged.selectedGroupID =
        pick(&base.selectedGroupID, local.selectedGroupID, outside.selectedGroupID, newer);
    if (!survives(merged.selectedGroupID)) {
        merged.selectedGroupID = survives(local.selectedGroupID) ? local.selectedGroupID
                                 : groupOrder.empty()            ? std::string()
                                                                 : groupOrder.front();
    }
    merged.theme = pick(&base.theme, local.theme, outside.theme, newer);
    merged.alwaysOnTop = pick(&base.alwaysOnTop, local.alwaysOnTop, outside.alwaysOnTop, newer);
    merged.globalShortcut =
        pick(&base.globalShortcut, local.globalShortcut, outside.globalShortcut, newer);
    merged.pasteUncheckedFields = pick(&base.pasteUncheckedFields, local.pasteUncheckedFields,
                                       outside.pasteUncheckedFields, newer);
    merged.applicationRules =
        mergeRules(base.applicationRules, local.applicationRules, outside.applicationRules, newer);
    merged.appearanceVersion = std::max(local.appearanceVersion, outside.appearanceVersion);
    return merged;
}

SavedState mergeConflictCopy(const SavedState& current, const SavedState& copy) {
    // No groups and no rules in the base: everything is an addition. The copy's settings as the
    // base: the current ones are the changed side, so they stay.
    SavedState base = copy;
    base.groups.clear();
    base.selectedGroupID.clear();
    base.applicationRules.clear();
    return mergeStates(base, current, copy, Newer::local);
}

bool sameExceptFrame(const SavedState& a, const SavedState& b) {
    SavedState other = b;
    other.macWindow = a.macWindow;
    return a == other;
}

}  // namespace zuna
