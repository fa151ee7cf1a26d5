#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "core/model/SavedState.h"
#include "ui/PaletteOwner.h"

namespace zuna {

class PalettePanel;
class PaletteView;

// A stand-in controller for the demo and the benchmark: keeps a state in memory, renders the
// palette and answers its controls without storing anything.
class DemoOwner : public PaletteOwner {
  public:
    explicit DemoOwner(SavedState state);
    ~DemoOwner() override;

    PalettePanel& panel() { return *panel_; }
    PaletteView& view() { return *view_; }
    SavedState& mutableState() { return state_; }
    void refresh();
    void fitPanel();
    // Items in each button's context menu; zero gives buttons without a menu.
    int menuItems = 4;

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
    bool modalOpen() const override { return false; }
    const SavedState& state() const override { return state_; }

    // Demo buttons with names and colours of the kind users keep.
    static std::vector<Snippet> sampleSnippets(std::size_t count);

  private:
    SavedState state_;
    PalettePanel* panel_;
    PaletteView* view_;
};

}  // namespace zuna
