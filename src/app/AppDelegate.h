#pragma once

#include <QObject>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/paste/DesktopAccess.h"
#include "core/paste/PasteEngine.h"
#include "core/paste/Scheduler.h"
#include "core/store/StateStore.h"
#include "platform/DesktopShell.h"
#include "ui/PaletteOwner.h"
#include "ui/PalettePanel.h"

class QAction;
class QDialog;
class QMenu;
class QMessageBox;
class QSystemTrayIcon;
class QWidget;

namespace zuna {

class DialogRunner;
class PaletteView;

// The application controller: starts the program, owns the store, the paste engine and the
// palette, and is the only place where the three meet. Every command reads the store's state,
// hands a changed copy back to the store, and only on success updates the palette.
class AppDelegate : public QObject, public PaletteOwner {
    Q_OBJECT

  public:
    // What the controller uses of the world outside; the tests replace them all.
    struct Services {
        DesktopAccess& desktop;
        DesktopShell& shell;
        Scheduler& scheduler;
        DialogRunner& dialogs;
    };

    AppDelegate(std::filesystem::path dataDirectory, Services services);
    ~AppDelegate() override;

    // Start-up: store, theme, menus, panel, frame, engine, permission, first save or notice.
    void applicationDidFinishLaunching();
    // The one way out: saves the window's frame at once.
    void applicationWillTerminate();
    // Brings the palette to the front without taking the focus.
    void showPanel();
    // Asks the application to end (refused while a dialog runs); by default Qt's quit.
    std::function<void()> terminate;

    // Takes in what another writer changed in the data directory and shows it; waits while a
    // modal window is open, so that nothing changes under it.
    void takeOutsideChanges();

    // The status line: errors stay, red, until the next message; successes show only in the
    // tooltips and fall back to the ready text after four seconds.
    void status(const std::string& message, bool error);
    void refresh();
    // One alert with a single button.
    void alert(const std::string& title, const std::string& text);
    // Runs a modal window: the palette stops acting on clicks, and afterwards the application
    // the user was typing in gets the focus back and the palette comes to the front.
    int modal(QDialog& dialog);
    // An alert with its buttons in the order given; Return picks `defaultButton`, Escape
    // `escapeButton`. Returns the index of the button that closed it, or -1.
    struct Question {
        std::string title;
        std::string text;
        std::vector<std::string> buttons;
        int defaultButton = 0;
        int escapeButton = -1;
    };
    int ask(const Question& question);
    // Places a window beside the palette.
    void position(QWidget& window);

    void restoreFrame();
    void fitPanel();
    void applyPin();
    void scheduleFrameSave();
    void saveFrame();

    // The palette's controls and commands.
    void hidePanel() override;
    void quit() override;
    void showGroups() override;
    void edit(const std::optional<std::string>& id) override;
    void showOptions() override;
    void togglePin() override;
    void showPermission() override;
    void selectTheme(AppTheme theme) override;
    std::unique_ptr<QMenu> buttonMenu(const std::string& id) override;
    void paste(const std::string& text, const std::string& name) override;
    void reorder(const std::string& id, std::size_t insertionIndex) override;
    bool modalOpen() const override { return modalOpen_; }
    const SavedState& state() const override;

    // Button commands.
    void duplicate(const std::string& id);
    void move(const std::string& id, int step);
    void moveToGroup(const std::string& id, const std::string& groupID);
    void deleteButton(const std::string& id);
    void saveButtons(std::vector<Snippet> buttons, const std::string& message);
    // Stores what the editor saved: in place, or at the end of another group.
    void storeEdited(const std::optional<std::string>& id, const Snippet& edited,
                     const std::string& groupID);

    // Group commands.
    std::unique_ptr<QMenu> groupMenu();
    void selectGroup(const std::string& id);
    void editGroup(bool isNew);
    void deleteGroup();

    // The options menu and its commands.
    std::unique_ptr<QMenu> optionsMenu();
    void exportData(bool all);
    void importData();
    void togglePasteUnchecked();
    // The user's paste rule for one application: a new rule replaces the one it had. Saved,
    // then handed to the engine.
    void addApplicationRule(const std::string& application, PasteShortcut keys);
    void removeApplicationRule(const std::string& application);
    void help();
    void openData();
    // The keys that show or hide the palette from anywhere ("" for none): saved, then grabbed.
    void chooseShortcut(const std::string& keys);
    // Start at login: writes or removes the autostart entry (asking before touching one the
    // user wrote).
    void toggleAutostart();

    PalettePanel* panel() const { return panel_; }
    PaletteView* view() const { return view_; }
    StateStore* store() const { return store_.get(); }
    PasteEngine& engine() { return engine_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    // Grabs the saved shortcut; says in the status line when it cannot (and, if `announce`,
    // when it can).
    void applyShortcut(bool announce);
    void toggleFromShortcut();
    void createPanel();
    void watchScreens();
    void applyTheme();
    // Puts the state on the screen after it changed from outside: theme, pin, options, buttons.
    // The window's frame stays: it is this machine's own.
    void applyOutsideState();
    // Hands the saved paste options to the engine: unchecked fields and the application rules.
    void applyPasteOptions();
    // The options submenu that offers, lists and removes the application rules.
    void addRulesMenu(QMenu& options);
    void permissionTick();
    void schedulePermissionTick();
    void resetStatus();
    // Saves a changed state; a refusal is shown in an alert with that title, and false returned.
    bool saveOrAlert(const SavedState& changed, const std::string& failureTitle);
    // Pops a menu up below one of the palette's buttons.
    void popUp(QMenu& menu, QWidget* below);
    // The frame around the file choosers: no other command while one runs, and the focus goes
    // back to where the user was typing afterwards.
    QString chooseFile(bool save, const std::string& title, const QString& proposedName);
    // Runs `work` later unless the controller is gone by then.
    void later(std::chrono::milliseconds delay, std::function<void(AppDelegate&)> work);

    std::filesystem::path dataDirectory_;
    DesktopAccess& desktop_;
    DesktopShell& shell_;
    Scheduler& scheduler_;
    DialogRunner& dialogs_;

    QPointer<PalettePanel> panel_;
    PaletteView* view_ = nullptr;
    std::unique_ptr<StateStore> store_;
    PasteEngine engine_;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<QMenu> trayMenu_;
    // Pending delayed work is cancelled by moving on to a new generation.
    unsigned frameWork_ = 0;
    unsigned statusWork_ = 0;
    bool ready_ = false;
    bool modalOpen_ = false;
    // Another writer changed the data while a modal window was open.
    bool outsidePending_ = false;
    // The keys last handed to the desktop for showing the palette.
    std::string grabbedShortcut_;
    // Ctrl+Q was pressed in a modal window: quit once it has closed.
    bool quitAfterModal_ = false;
};

}  // namespace zuna
