// The options menu: export, import, the permission prompt, pasting into unchecked fields, the
// application rules, the shortcut, start at login, help, the data folder and quitting.
#include <QActionGroup>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QPointer>
#include <QUrl>
#include <algorithm>

#include "app/AppDelegate.h"
#include "app/DialogRunner.h"
#include "core/fs/FileSystem.h"
#include "core/localization/Localization.h"
#include "core/model/ExchangeFiles.h"
#include "core/model/JsonData.h"
#include "platform/linux/Autostart.h"
#include "ui/ChromeButton.h"
#include "ui/Drawing.h"
#include "ui/PaletteView.h"

namespace zuna {

std::unique_ptr<QMenu> AppDelegate::optionsMenu() {
    auto menu = std::make_unique<QMenu>();
    QPointer<AppDelegate> self(this);
    const auto add = [&](const std::string& title, auto command) {
        QAction* action = menu->addAction(qt(title));
        connect(action, &QAction::triggered, this, [self, command] {
            if (self) command(*self);
        });
        return action;
    };
    add(L("Izvozi vse skupine…"), [](AppDelegate& app) { app.exportData(true); });
    add(L("Izvozi trenutno skupino…"), [](AppDelegate& app) { app.exportData(false); });
    add(L("Uvozi skupine ali gumbe…"), [](AppDelegate& app) { app.importData(); });
    menu->addSeparator();
    add(L("Dovoljenje za lepljenje…"), [](AppDelegate& app) { app.showPermission(); });
    QAction* unchecked =
        add(L("Lepi tudi v polja, ki jih ni mogoče preveriti (gesel tam ni mogoče prepoznati)"),
            [](AppDelegate& app) { app.togglePasteUnchecked(); });
    unchecked->setCheckable(true);
    unchecked->setChecked(state().pasteUncheckedFields);
    addRulesMenu(*menu);
    menu->addSeparator();

    // The keys that show or hide the palette; a value saved by hand is offered as it is.
    QMenu* keys = menu->addMenu(qt(L("Bližnjica za prikaz palete")));
    std::vector<std::string> choices{"", "Ctrl+Alt+Z", "Ctrl+Alt+Space", "Ctrl+Alt+P", "Super+Z"};
    const std::string& current = state().globalShortcut;
    if (std::find(choices.begin(), choices.end(), current) == choices.end())
        choices.push_back(current);
    auto* exclusive = new QActionGroup(keys);
    for (const auto& choice : choices) {
        QAction* item = keys->addAction(choice.empty() ? qt(L("Brez")) : qt(choice));
        item->setCheckable(true);
        exclusive->addAction(item);
        item->setChecked(choice == current);
        connect(item, &QAction::triggered, this, [self, choice] {
            if (self) self->chooseShortcut(choice);
        });
    }
    QAction* login = add(L("Zaženi ob prijavi"), [](AppDelegate& app) { app.toggleAutostart(); });
    login->setCheckable(true);
    login->setChecked(platform::Autostart().enabled());
    menu->addSeparator();
    add(L("Kako uporabljam Zuna Trep?"), [](AppDelegate& app) { app.help(); });
    add(L("Odpri mapo podatkov"), [](AppDelegate& app) { app.openData(); });
    menu->addSeparator();
    add(L("Končaj Zuna Trep"), [](AppDelegate& app) { app.quit(); });
    return menu;
}

namespace {

// Application names come from the desktop: an "&" in them is text, not a menu accelerator.
QString menuText(const std::string& text) {
    return qt(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

void AppDelegate::addRulesMenu(QMenu& options) {
    QMenu* rules = options.addMenu(qt(L("Pravila za aplikacije")));
    QPointer<AppDelegate> self(this);
    // The application where pasting failed last, or went last: its keys may be the wrong ones.
    // The keys that apply there now, the user's or built in, are ticked.
    const std::string offer = engine_.ruleOffer();
    const std::optional<PasteShortcut> current = engine_.ruleKeys(offer);
    for (const PasteShortcut keys : kPasteShortcuts) {
        if (offer.empty()) break;
        QAction* item = rules->addAction(menuText(
            L("Lepi v {0} brez preverjanja s {1}", offer, std::string(shortcutName(keys)))));
        item->setCheckable(true);
        item->setChecked(current == keys);
        connect(item, &QAction::triggered, this, [self, offer, keys] {
            if (self) self->addApplicationRule(offer, keys);
        });
    }
    if (offer.empty() && state().applicationRules.empty()) {
        rules->addAction(qt(L("Aplikacija, v katero lepljenje ne uspe, se pokaže tukaj.")))
            ->setEnabled(false);
    }
    if (!offer.empty() && !state().applicationRules.empty()) rules->addSeparator();
    for (const auto& rule : state().applicationRules) {
        QMenu* one = rules->addMenu(
            menuText(rule.application + " · " + std::string(shortcutName(rule.keys))));
        const std::string application = rule.application;
        connect(one->addAction(qt(L("Odstrani pravilo"))), &QAction::triggered, this,
                [self, application] {
                    if (self) self->removeApplicationRule(application);
                });
    }
}

void AppDelegate::showOptions() {
    if (view_ == nullptr) return;
    auto menu = optionsMenu();
    popUp(*menu, view_->options());
}

QString AppDelegate::chooseFile(bool save, const std::string& title, const QString& proposedName) {
    modalOpen_ = true;
    const auto remembered = desktop_.frontmostApplication();
    const QString path = save ? dialogs_.saveFileName(nullptr, qt(title), proposedName)
                              : dialogs_.openFileName(nullptr, qt(title));
    modalOpen_ = false;
    if (remembered && remembered->processId != desktop_.ownProcessId())
        shell_.activate(*remembered);
    showPanel();
    if (outsidePending_) later(std::chrono::milliseconds(0), &AppDelegate::takeOutsideChanges);
    return path;
}

void AppDelegate::exportData(bool all) {
    if (modalOpen_) return;
    const QString path =
        chooseFile(true, all ? L("Izvozi vse skupine") : L("Izvozi trenutno skupino"),
                   all ? QStringLiteral("Zuna-Trep-skupine.zuna.json")
                       : QStringLiteral("Zuna-Trep-gumbi.zuna.json"));
    if (path.isEmpty()) return;
    if (store_->holds(path.toStdString())) {
        alert(
            L("Izvoz ni uspel"),
            L("Te datoteke Zuna Trep uporablja za svoje podatke; izvoz bi jih prepisal. Izberi drugo ime ali mapo."));
        return;
    }
    try {
        const std::string bytes =
            all ? GroupFile(state().groups).data() : ButtonFile(state().buttons()).data();
        // A file to pass on: readable as any new file of the user's, not owner-only.
        fs::writeFileAtomically(path.toStdString(), bytes, fs::FileAccess::usual);
    } catch (const std::exception& error) {
        alert(L("Izvoz ni uspel"), error.what());
        return;
    }
    status(L("Izvoz je shranjen."), false);
}

void AppDelegate::importData() {
    if (modalOpen_) return;
    const QString path = chooseFile(false, L("Uvozi skupine ali gumbe"), {});
    if (path.isEmpty()) return;
    try {
        const std::string bytes = limitedData(path.toStdString());
        if (isGroupFileDocument(bytes)) {
            const GroupFile file = GroupFile::fromJson(bytes);
            file.validated();
            const int answer = ask(
                {L("Uvoz skupin: {0}", std::to_string(file.groups.size())),
                 L("Dodaj skupine ali zamenjaj vse skupine. Pred uvozom se shrani varnostna kopija."),
                 {L("Dodaj"), L("Zamenjaj vse skupine"), L("Prekliči")},
                 0,
                 2});
            if (answer != 0 && answer != 1) return;
            store_->importGroups(file.groups, answer == 1);
        } else {
            const ButtonFile file = ButtonFile::fromJson(bytes);
            file.validated();
            const int answer = ask(
                {L("Uvoz gumbov: {0}", std::to_string(file.buttons.size())),
                 L("Gumbe dodaj trenutni skupini ali zamenjaj njene gumbe. Druge skupine ostanejo. Pred uvozom se shrani varnostna kopija."),
                 {L("Dodaj"), L("Zamenjaj gumbe skupine"), L("Prekliči")},
                 0,
                 2});
            if (answer != 0 && answer != 1) return;
            store_->importButtons(file.buttons, answer == 1);
        }
    } catch (const std::exception& error) {
        alert(L("Uvoz ni uspel"), L("Obstoječi podatki ostajajo. {0}", error.what()));
        return;
    }
    refresh();
    status(L("Uvoz je končan."), false);
}

void AppDelegate::chooseShortcut(const std::string& keys) {
    if (modalOpen_) return;
    SavedState changed = state();
    changed.globalShortcut = keys;
    if (!saveOrAlert(changed, L("Shranjevanje ni uspelo"))) return;
    applyShortcut(true);
}

void AppDelegate::applyShortcut(bool announce) {
    const std::string keys = state().globalShortcut;
    grabbedShortcut_ = keys;
    QPointer<AppDelegate> self(this);
    const ShortcutResult result = shell_.setGlobalShortcut(keys, [self] {
        if (self) self->toggleFromShortcut();
    });
    if (keys.empty()) {
        if (announce) status(L("Bližnjica za prikaz palete je izključena."), false);
    } else if (result == ShortcutResult::taken) {
        status(L("Tipke {0} že uporablja drug program. Pod zobnikom izberi drugo bližnjico.", keys),
               true);
    } else if (result == ShortcutResult::unavailable) {
        status(L("Bližnjice {0} na tem namizju ni mogoče nastaviti.", keys), true);
    } else if (announce) {
        status(L("Bližnjica za prikaz palete: {0}", keys), false);
    }
}

void AppDelegate::toggleAutostart() {
    if (modalOpen_) return;
    platform::Autostart autostart;
    const bool on = !autostart.enabled();
    // An entry someone else wrote is only replaced or removed when the user says so.
    if (autostart.entry() == platform::Autostart::Entry::theirs) {
        const std::string file = autostart.file().string();
        const int answer =
            ask({L("Vnos za samodejni zagon ni od Zuna Trep"),
                 on ? L("Datoteko {0} je napisal nekdo drug. Jo zamenjam z vnosom Zuna Trep?", file)
                    : L("Datoteko {0} je napisal nekdo drug. Jo odstranim?", file),
                 {L("Prekliči"), on ? L("Zamenjaj") : L("Odstrani")},
                 0,
                 0});
        if (answer != 1) return;
    }
    try {
        if (on) {
            autostart.enable(QCoreApplication::applicationFilePath().toStdString());
        } else {
            autostart.disable();
        }
    } catch (const std::exception& error) {
        alert(L("Samodejnega zagona ni bilo mogoče nastaviti"), error.what());
        return;
    }
    status(on ? L("Zuna Trep se bo zagnal ob prijavi.")
              : L("Zuna Trep se ob prijavi ne bo več zagnal."),
           false);
}

// Saved first, then handed to the engine, as the pin does.
void AppDelegate::togglePasteUnchecked() {
    SavedState changed = state();
    changed.pasteUncheckedFields = !changed.pasteUncheckedFields;
    if (!saveOrAlert(changed, L("Shranjevanje ni uspelo"))) return;
    engine_.pasteUnchecked = state().pasteUncheckedFields;
    status(state().pasteUncheckedFields ? L("Lepljenje v nepreverjena polja · vključeno")
                                        : L("Lepljenje v nepreverjena polja · izključeno"),
           false);
}

void AppDelegate::addApplicationRule(const std::string& application, PasteShortcut keys) {
    if (modalOpen_) return;
    SavedState changed = state();
    changed.applicationRules = withRule(changed.applicationRules, {application, keys});
    if (!saveOrAlert(changed, L("Shranjevanje ni uspelo"))) return;
    applyPasteOptions();
    status(L("Pravilo za {0}: lepljenje brez preverjanja s {1}", application,
             std::string(shortcutName(keys))),
           false);
}

void AppDelegate::removeApplicationRule(const std::string& application) {
    if (modalOpen_) return;
    SavedState changed = state();
    changed.applicationRules = withoutRule(changed.applicationRules, application);
    if (changed == state()) return;
    if (!saveOrAlert(changed, L("Shranjevanje ni uspelo"))) return;
    applyPasteOptions();
    status(L("Pravilo za {0} je odstranjeno.", application), false);
}

void AppDelegate::help() {
    alert("Zuna Trep · " ZUNA_VERSION, shell_.helpText());
}

void AppDelegate::openData() {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QString::fromStdString(store_->directory().string())));
}

}  // namespace zuna
