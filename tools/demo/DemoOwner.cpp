#include "DemoOwner.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <cstdio>

#include "core/appearance/Theme.h"
#include "core/localization/Localization.h"
#include "ui/ChromeButton.h"
#include "ui/Drawing.h"
#include "ui/PalettePanel.h"
#include "ui/PaletteView.h"
#include "ui/PinButton.h"

namespace zuna {

DemoOwner::DemoOwner(SavedState state)
    : state_(std::move(state)), panel_(new PalettePanel), view_(new PaletteView(*this)) {
    panel_->setContentView(view_);
    panel_->setMinimumSize(static_cast<int>(Theme::kWindowWidth), 150);
    view_->setOnGeometryChange([this] { fitPanel(); });
    panel_->setKeepAbove(state_.alwaysOnTop);
    QApplication::setPalette(themePalette());
}

DemoOwner::~DemoOwner() {
    delete panel_;
}

void DemoOwner::refresh() {
    view_->render(state_.buttons());
    fitPanel();
}

void DemoOwner::fitPanel() {
    panel_->resize(static_cast<int>(Theme::kWindowWidth),
                   static_cast<int>(std::min(view_->desiredHeight(), 760.0)));
}

void DemoOwner::hidePanel() {
    panel_->hide();
}
void DemoOwner::quit() {
    QApplication::quit();
}

void DemoOwner::showGroups() {
    QMenu menu;
    for (std::size_t i = 0; i < state_.groups.size(); ++i) {
        QAction* action = menu.addAction(qt(state_.groups[i].name));
        action->setCheckable(true);
        action->setChecked(i == state_.selectedIndex());
        QObject::connect(action, &QAction::triggered, [this, id = state_.groups[i].id] {
            state_.selectedGroupID = id;
            refresh();
        });
    }
    ChromeButton* anchor = view_->groups();
    menu.exec(anchor->mapToGlobal(QPoint(0, anchor->height() + 2)));
}

void DemoOwner::edit(const std::optional<std::string>& id) {
    std::printf("edit %s\n", id ? id->c_str() : "(new)");
    std::fflush(stdout);
}

void DemoOwner::showOptions() {
    QMenu menu;
    QObject::connect(menu.addAction(QStringLiteral("Status line")), &QAction::triggered,
                     [this] { view_->setStatusVisible(!view_->statusVisible()); });
    QObject::connect(menu.addAction(QStringLiteral("Permission button")), &QAction::triggered,
                     [this] { view_->setPermissionVisible(!view_->permissionVisible()); });
    menu.exec(QCursor::pos());
}

void DemoOwner::togglePin() {
    state_.alwaysOnTop = !state_.alwaysOnTop;
    panel_->setKeepAbove(state_.alwaysOnTop);
    view_->pin()->setOn(state_.alwaysOnTop);
}

void DemoOwner::showPermission() {
    std::printf("permission\n");
    std::fflush(stdout);
}

void DemoOwner::selectTheme(AppTheme theme) {
    if (theme == state_.theme) return;
    state_.theme = theme;
    Theme::setCurrent(theme);
    QApplication::setPalette(themePalette());
    refresh();
}

std::unique_ptr<QMenu> DemoOwner::buttonMenu(const std::string& id) {
    if (menuItems <= 0) return nullptr;
    auto menu = std::make_unique<QMenu>();
    const char* titles[] = {"Uredi …", "Podvoji", "Premakni v skupino", "Izbriši"};
    for (int i = 0; i < menuItems; ++i) {
        QAction* action = menu->addAction(QString::fromUtf8(titles[i % 4]));
        action->setData(QString::fromStdString(id));
    }
    return menu;
}

void DemoOwner::paste(const std::string& text, const std::string& name) {
    std::printf("paste %s (%zu bytes)\n", name.c_str(), text.size());
    std::fflush(stdout);
}

void DemoOwner::reorder(const std::string& id, std::size_t insertionIndex) {
    auto& buttons = state_.buttons();
    const auto it =
        std::find_if(buttons.begin(), buttons.end(), [&](const Snippet& s) { return s.id == id; });
    if (it == buttons.end()) return;
    const auto from = static_cast<std::size_t>(it - buttons.begin());
    Snippet moved = *it;
    buttons.erase(it);
    const std::size_t to = insertionIndex > from ? insertionIndex - 1 : insertionIndex;
    buttons.insert(buttons.begin() + static_cast<std::ptrdiff_t>(std::min(to, buttons.size())),
                   moved);
    std::printf("reorder %s -> %zu\n", moved.name.c_str(), to);
    std::fflush(stdout);
    refresh();
}

std::vector<Snippet> DemoOwner::sampleSnippets(std::size_t count) {
    static const char* names[] = {"Pozdrav",          "Hvala za sporočilo",
                                  "Naslov podjetja",  "Davčna številka",
                                  "Podpis",           "Telefon",
                                  "Nov odgovor",      "Rok plačila: 30 dni od izdaje računa",
                                  "Sestanek v sredo", "IBAN"};
    static const char* texts[] = {"Lep pozdrav,\nJana",
                                  "Hvala za vaše sporočilo.",
                                  "Zuna d.o.o., Trubarjeva 12, Ljubljana",
                                  "SI12345678",
                                  "Jana Novak\nvodja prodaje",
                                  "+386 1 234 56 78",
                                  "",
                                  "Rok plačila je 30 dni od izdaje računa.",
                                  "Se vidimo v sredo ob 10.00.",
                                  "SI56 0201 0001 2345 678"};
    std::vector<Snippet> snippets;
    snippets.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string name = names[i % 10];
        if (i >= 10) name += " " + std::to_string(i / 10 + 1);
        snippets.emplace_back(name, texts[i % 10], freshIdentifier(),
                              std::string(Theme::kColors[(i * 3) % 8]));
    }
    return snippets;
}

}  // namespace zuna
