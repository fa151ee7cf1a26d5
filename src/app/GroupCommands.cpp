// The group button's menu: switch, create, rename and delete groups.
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "app/AppDelegate.h"
#include "app/DialogRunner.h"
#include "core/localization/Localization.h"
#include "core/model/TextMeasures.h"
#include "ui/ChromeButton.h"
#include "ui/Drawing.h"
#include "ui/NameDialog.h"
#include "ui/PaletteView.h"

namespace zuna {

std::unique_ptr<QMenu> AppDelegate::groupMenu() {
    auto menu = std::make_unique<QMenu>();
    QPointer<AppDelegate> self(this);
    const auto add = [&](const std::string& title, bool enabled, auto command) {
        QAction* action = menu->addAction(qt(title));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [self, command] {
            if (self) command(*self);
        });
        return action;
    };
    for (const auto& group : state().groups) {
        const std::string id = group.id;
        QAction* action = add(group.name, true, [id](AppDelegate& app) { app.selectGroup(id); });
        action->setCheckable(true);
        action->setChecked(group.id == state().selectedGroupID);
    }
    menu->addSeparator();
    const std::size_t count = state().groups.size();
    add(L("Nova skupina…"), count < kMaxGroups, [](AppDelegate& app) { app.editGroup(true); });
    add(L("Preimenuj skupino…"), true, [](AppDelegate& app) { app.editGroup(false); });
    add(L("Izbriši skupino…"), count > 1, [](AppDelegate& app) { app.deleteGroup(); });
    return menu;
}

void AppDelegate::showGroups() {
    if (view_ == nullptr) return;
    auto menu = groupMenu();
    popUp(*menu, view_->groups());
}

void AppDelegate::popUp(QMenu& menu, QWidget* below) {
    menu.setPalette(themePalette());
    menu.exec(below->mapToGlobal(QPoint(0, below->height())));
}

void AppDelegate::selectGroup(const std::string& id) {
    SavedState changed = state();
    changed.selectedGroupID = id;
    if (!saveOrAlert(changed, L("Shranjevanje ni uspelo"))) return;
    view_->scroll()->verticalScrollBar()->setValue(0);
    refresh();
    status(L("Pripravljeno"), false);
}

void AppDelegate::editGroup(bool isNew) {
    if (modalOpen_) return;
    if (isNew && state().groups.size() >= kMaxGroups) return;
    const std::string title = isNew ? L("Nova skupina") : L("Preimenuj skupino");
    const std::string current =
        isNew ? std::string() : state().groups[state().selectedIndex()].name;
    NameDialog dialog(qt(title),
                      qt(L("Poimenuj zbirko svojih gumbov. Ustvariš lahko do 5 skupin.")),
                      qt(current));
    std::string name;
    // The dialog comes back, with what was typed, until the name fits or the user cancels.
    for (;;) {
        if (modal(dialog) != QDialog::Accepted) return;
        name = trimmed(dialog.name().toStdString());
        if (!name.empty() && userPerceivedLength(name, kMaxGroupNameLength) <= kMaxGroupNameLength)
            break;
        alert(L("Preveri ime"), L("Ime skupine sme imeti od 1 do 40 znakov."));
    }
    SavedState changed = state();
    if (isNew) {
        SnippetGroup group(name);
        changed.selectedGroupID = group.id;
        changed.groups.push_back(std::move(group));
    } else {
        changed.groups[changed.selectedIndex()].name = name;
    }
    if (!saveOrAlert(changed, L("Shranjevanje ni uspelo"))) return;
    refresh();
    status(L("Skupina je shranjena."), false);
}

void AppDelegate::deleteGroup() {
    if (state().groups.size() <= 1) return;
    const SnippetGroup doomed = state().groups[state().selectedIndex()];
    const int answer = ask(
        {L("Izbrišem skupino »{0}«?", doomed.name),
         L("Izbrisana bo skupina in vsi njeni gumbi ({0}). Pred izbrisom se shrani varnostna kopija.",
           std::to_string(doomed.buttons.size())),
         {L("Prekliči"), L("Izbriši skupino")},
         0,
         0});
    if (answer != 1) return;
    SavedState changed = state();
    auto& groups = changed.groups;
    groups.erase(std::remove_if(groups.begin(), groups.end(),
                                [&](const SnippetGroup& g) { return g.id == doomed.id; }),
                 groups.end());
    changed.selectedGroupID = groups.front().id;
    try {
        store_->backupBeforeImport();
        store_->save(changed);
    } catch (const std::exception& error) {
        alert(L("Brisanje ni uspelo"), error.what());
        return;
    }
    refresh();
    status(L("Skupina je izbrisana."), false);
}

}  // namespace zuna
