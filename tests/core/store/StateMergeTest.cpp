#include <gtest/gtest.h>

#include <functional>

#include "core/model/Errors.h"
#include "core/model/Validation.h"
#include "core/store/StateMerge.h"

namespace zuna {
namespace {

// "A:a1,a2|B:b1": the groups and the names of their buttons, in order.
std::string layout(const SavedState& state) {
    std::string text;
    for (const auto& group : state.groups) {
        text += (text.empty() ? "" : "|") + group.name + ":";
        for (const auto& button : group.buttons)
            text += (text.back() == ':' ? "" : ",") + button.name;
    }
    return text;
}

// Both sides grow from one base, each with its own edit; the merge keeps what either typed.
TEST(StateMergeTest, MergesByIdentifiersAndKeepsWhatEitherSideTyped) {
    SavedState base;
    base.groups = {
        SnippetGroup("A",
                     {Snippet("a1", "1", "a1"), Snippet("a2", "2", "a2"), Snippet("a3", "3", "a3")},
                     "A"),
        SnippetGroup("B", {Snippet("b1", "1", "b1")}, "B")};
    base.selectedGroupID = "A";
    base.applicationRules = {{"xterm", PasteShortcut::shiftInsert}};
    using Edit = std::function<void(SavedState&)>;
    const auto add = [](std::size_t group, std::string id) -> Edit {
        return [=](SavedState& s) { s.groups[group].buttons.emplace_back(id, "new", id); };
    };
    const auto retext = [](std::string text) -> Edit {
        return [=](SavedState& s) { s.groups[0].buttons[0].text = text; };
    };
    const auto order = [](std::vector<int> at) -> Edit {
        return [=](SavedState& s) {
            const auto list = s.groups[0].buttons;
            for (std::size_t i = 0; i < at.size(); ++i)
                s.groups[0].buttons[i] = list[at[i]];
        };
    };
    const auto groups = [](std::string one, std::string two) -> Edit {
        return [=](SavedState& s) {
            for (const auto& name : {one, two})
                s.groups.emplace_back(name, std::vector<Snippet>{}, name);
        };
    };
    const auto rule = [](std::string application, PasteShortcut keys) -> Edit {
        return [=](SavedState& s) {
            s.applicationRules = withRule(s.applicationRules, {application, keys});
        };
    };
    const Edit unruled = [](SavedState& s) { s.applicationRules.clear(); };
    const Edit none = [](SavedState&) {};
    const Edit dropFirst = [](SavedState& s) {
        s.groups[0].buttons.erase(s.groups[0].buttons.begin());
    };
    struct Row {
        const char* what;
        Edit local, outside;
        std::string expected;  // empty: the result breaks the group rules
        bool conflictCopy = false;
        std::string rules = "xterm=Shift+Insert";
    };
    const std::string start = "A:a1,a2,a3|B:b1";
    using S = PasteShortcut;
    const Row rows[] = {
        {"identical sides", none, none, "A:a1,a2,a3|B:b1"},
        {"additions on both", add(0, "a4"), add(1, "b2"), "A:a1,a2,a3,a4|B:b1,b2"},
        {"deleted, unchanged elsewhere", none, dropFirst, "A:a2,a3|B:b1"},
        {"deleted, changed elsewhere", retext("L"), dropFirst, "A:a1,a2,a3|B:b1"},
        {"changed on one side", none, [](SavedState& s) { s.groups[0].buttons[0].name = "x"; },
         "A:x,a2,a3|B:b1"},
        {"changed on both", retext("L"), retext("O"), "A:a1,a1 (druga različica),a2,a3|B:b1"},
        {"order and an addition", add(0, "a4"), order({2, 0, 1}), "A:a3,a1,a2,a4|B:b1"},
        {"order on both: the newer wins", order({1, 0, 2}), order({2, 1, 0}), "A:a3,a2,a1|B:b1"},
        {"moved to another group", none, [&](SavedState& s) { add(1, "a1")(s), dropFirst(s); },
         "A:a2,a3|B:b1,a1"},
        {"six groups", groups("C", "D"), groups("E", "F"), ""},
        {"conflict copy", add(0, "a4"), [&](SavedState& s) { retext("O")(s), add(1, "b2")(s); },
         "A:a1,a1 (druga različica),a2,a3,a4|B:b1,b2", true},
        {"rules added on both", rule("kate", S::controlV), rule("emacs", S::controlY), start, false,
         "xterm=Shift+Insert,emacs=Ctrl+Y,kate=Ctrl+V"},
        {"rule removed, unchanged elsewhere", none, unruled, start, false, ""},
        {"rule removed, keys changed elsewhere", rule("xterm", S::controlV), unruled, start, false,
         "xterm=Ctrl+V"},
        {"keys changed on both: the newer wins", rule("xterm", S::controlV),
         rule("xterm", S::controlY), start, false, "xterm=Ctrl+Y"},
        {"conflict copy of rules",
         [&](SavedState& s) { rule("xterm", S::controlV)(s), rule("kate", S::controlV)(s); },
         [&](SavedState& s) { rule("xterm", S::controlY)(s), rule("emacs", S::controlY)(s); },
         start, true, "xterm=Ctrl+V,kate=Ctrl+V,emacs=Ctrl+Y"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SavedState local = base, outside = base;
        row.local(local);
        row.outside(outside);
        local.macWindow = WindowFrame{1, 2, 300, 400};
        outside.theme = AppTheme::midnight;
        const auto merge = [&] {
            return row.conflictCopy ? mergeConflictCopy(local, outside)
                                    : mergeStates(base, local, outside, Newer::outside);
        };
        const SavedState merged = merge();
        if (row.expected.empty()) {
            EXPECT_THROW(validateGroups(merged.groups), ZunaError);
            continue;
        }
        EXPECT_NO_THROW(validateGroups(merged.groups));
        EXPECT_EQ(layout(merged), row.expected);
        std::string rules;
        for (const auto& [application, keys] : merged.applicationRules)
            rules +=
                (rules.empty() ? "" : ",") + application + "=" + std::string(shortcutName(keys));
        EXPECT_EQ(rules, row.rules);
        // The frame is this machine's; a setting changed on one side wins, unless it is a copy's.
        EXPECT_EQ(merged.macWindow, local.macWindow);
        EXPECT_EQ(merged.theme, row.conflictCopy ? AppTheme::graphite : AppTheme::midnight);
        // Two machines that meet the same conflict make the same copy.
        EXPECT_EQ(merged, merge());
    }
}

}  // namespace
}  // namespace zuna
