// The commands on single buttons of the selected group: the context menu, the editor, duplicate,
// move, re-order after a drag, move to another group and delete.
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <algorithm>

#include "app/AppDelegate.h"
#include "core/localization/Localization.h"
#include "core/model/TextMeasures.h"
#include "ui/Drawing.h"
#include "ui/EditorController.h"

namespace zuna {

namespace {

// Position of a button in a list; none when it is not there.
std::optional<std::size_t> positionOf(const std::vector<Snippet>& buttons, const std::string& id) {
    const auto found =
        std::find_if(buttons.begin(), buttons.end(), [&](const Snippet& b) { return b.id == id; });
    if (found == buttons.end()) return std::nullopt;
    return static_cast<std::size_t>(found - buttons.begin());
}

}  // namespace

std::unique_ptr<QMenu> AppDelegate::buttonMenu(const std::string& id) {
    auto menu = std::make_unique<QMenu>();
    const auto& buttons = state().buttons();
    const std::size_t position = positionOf(buttons, id).value_or(0);
    const std::size_t count = buttons.size();
    QPointer<AppDelegate> self(this);
    const auto add = [&](QMenu& into, const std::string& title, bool enabled, auto command) {
        QAction* action = into.addAction(qt(title));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [self, command] {
            if (self) command(*self);
        });
        return action;
    };

    add(*menu, L("Uredi…"), true, [id](AppDelegate& app) { app.edit(id); });
    add(*menu, L("Podvoji gumb"), true, [id](AppDelegate& app) { app.duplicate(id); });
    menu->addSeparator();
    add(*menu, L("Premakni gor"), position != 0, [id](AppDelegate& app) { app.move(id, -1); });
    add(*menu, L("Premakni dol"), position + 1 < count,
        [id](AppDelegate& app) { app.move(id, +1); });
    if (state().groups.size() >= 2) {
        QMenu* groups = menu->addMenu(qt(L("Premakni v skupino")));
        for (const auto& group : state().groups) {
            if (group.id == state().selectedGroupID) continue;
            const std::string groupID = group.id;
            add(*groups, group.name, true,
                [id, groupID](AppDelegate& app) { app.moveToGroup(id, groupID); });
        }
    }
    menu->addSeparator();
    add(*menu, L("Izbriši…"), true, [id](AppDelegate& app) { app.deleteButton(id); });
    return menu;
}

void AppDelegate::edit(const std::optional<std::string>& id) {
    // One editor at a time; nothing is queued while a dialog runs.
    if (modalOpen_) return;
    std::optional<Snippet> existing;
    if (id) {
        if (const auto position = positionOf(state().buttons(), *id))
            existing = state().buttons()[*position];
    }
    EditorController editor(existing, state().groups, state().selectedGroupID);
    editor.setOnSave([self = QPointer<AppDelegate>(this), id](const Snippet& snippet,
                                                              const std::string& groupID) {
        if (self) self->storeEdited(id, snippet, groupID);
    });
    editor.name()->setFocus();
    modal(editor);
}

void AppDelegate::saveButtons(std::vector<Snippet> buttons, const std::string& message) {
    try {
        store_->replaceButtons(std::move(buttons));
    } catch (const std::exception& error) {
        alert(L("Shranjevanje ni uspelo"), error.what());
        return;
    }
    refresh();
    status(message, false);
}

void AppDelegate::duplicate(const std::string& id) {
    std::vector<Snippet> buttons = state().buttons();
    const auto position = positionOf(buttons, id);
    if (!position) return;
    const Snippet& source = buttons[*position];
    // The copy's name keeps within the name limit, counted in the same characters.
    const std::string suffix = L(" – kopija");
    const std::size_t suffixLength = userPerceivedLength(suffix);
    const std::size_t keep =
        suffixLength >= kMaxButtonNameLength ? 0 : kMaxButtonNameLength - suffixLength;
    Snippet copy(prefixOfLength(source.name, keep) + suffix, source.text, freshIdentifier(),
                 source.color);
    buttons.insert(buttons.begin() + static_cast<std::ptrdiff_t>(*position) + 1, std::move(copy));
    saveButtons(std::move(buttons), L("Gumb je podvojen."));
}

void AppDelegate::move(const std::string& id, int step) {
    std::vector<Snippet> buttons = state().buttons();
    const auto position = positionOf(buttons, id);
    if (!position) return;
    const auto target = static_cast<long>(*position) + step;
    if (target < 0 || target >= static_cast<long>(buttons.size())) return;
    std::swap(buttons[*position], buttons[static_cast<std::size_t>(target)]);
    saveButtons(std::move(buttons), L("Vrstni red je shranjen."));
}

void AppDelegate::reorder(const std::string& id, std::size_t insertionIndex) {
    std::vector<Snippet> buttons = state().buttons();
    const auto source = positionOf(buttons, id);
    if (!source) return;
    Snippet moving = buttons[*source];
    buttons.erase(buttons.begin() + static_cast<std::ptrdiff_t>(*source));
    std::size_t target = *source < insertionIndex ? insertionIndex - 1 : insertionIndex;
    target = std::min(target, buttons.size());
    // A drop onto the button's own gap or the one right after it changes nothing.
    if (target == *source) return;
    buttons.insert(buttons.begin() + static_cast<std::ptrdiff_t>(target), std::move(moving));
    saveButtons(std::move(buttons), L("Vrstni red je shranjen."));
}

void AppDelegate::moveToGroup(const std::string& id, const std::string& groupID) {
    const auto position = positionOf(state().buttons(), id);
    if (!position) return;
    SavedState changed = state();
    const Snippet moving = changed.buttons()[*position];
    auto& list = changed.buttons();
    list.erase(
        std::remove_if(list.begin(), list.end(), [&](const Snippet& b) { return b.id == id; }),
        list.end());
    const auto target = std::find_if(changed.groups.begin(), changed.groups.end(),
                                     [&](const SnippetGroup& g) { return g.id == groupID; });
    if (target == changed.groups.end()) return;
    target->buttons.push_back(moving);
    const std::string targetName = target->name;
    if (!saveOrAlert(changed, L("Premik ni uspel"))) return;
    refresh();
    status(L("Premaknjeno v {0}.", targetName), false);
}

void AppDelegate::deleteButton(const std::string& id) {
    const auto position = positionOf(state().buttons(), id);
    if (!position) return;
    const std::string name = state().buttons()[*position].name;
    const int answer = ask({L("Izbrišem »{0}«?", name),
                            L("Izbrisana bosta gumb in njegovo besedilo."),
                            {L("Prekliči"), L("Izbriši")},
                            0,
                            0});
    if (answer != 1) return;
    std::vector<Snippet> kept;
    for (const auto& button : state().buttons()) {
        if (button.id != id) kept.push_back(button);
    }
    saveButtons(std::move(kept), L("Gumb je izbrisan."));
}

void AppDelegate::storeEdited(const std::optional<std::string>& id, const Snippet& edited,
                              const std::string& groupID) {
    SavedState changed = state();
    const auto position = id ? positionOf(changed.buttons(), *id) : std::nullopt;
    if (position && groupID == changed.selectedGroupID) {
        changed.buttons()[*position] = edited;
    } else {
        if (id) {
            for (auto& group : changed.groups) {
                auto& list = group.buttons;
                list.erase(std::remove_if(list.begin(), list.end(),
                                          [&](const Snippet& b) { return b.id == *id; }),
                           list.end());
            }
        }
        const auto target = std::find_if(changed.groups.begin(), changed.groups.end(),
                                         [&](const SnippetGroup& g) { return g.id == groupID; });
        if (target != changed.groups.end()) target->buttons.push_back(edited);
        changed.selectedGroupID = groupID;
    }
    // A refusal goes back to the editor, which stays open with the input.
    store_->save(changed);
    refresh();
    status(L("Shranjeno · {0}", edited.name), false);
}

}  // namespace zuna
