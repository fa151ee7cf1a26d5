#pragma once

#include <string>

#include "ui/ActionButton.h"

namespace zuna {

// The symbol and text buttons of the palette's header and footer. The owner sets the symbol
// and the flags right after construction; setting them does not redraw by itself.
class ChromeButton : public ActionButton {
    Q_OBJECT
  public:
    using ActionButton::ActionButton;

    const std::string& symbol() const { return symbol_; }
    void setSymbol(std::string symbol) { symbol_ = std::move(symbol); }
    bool prominent() const { return prominent_; }
    void setProminent(bool on) { prominent_ = on; }
    bool menuStyle() const { return menuStyle_; }
    void setMenuStyle(bool on) { menuStyle_ = on; }
    bool dangerous() const { return dangerous_; }
    void setDangerous(bool on) { dangerous_ = on; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::string symbol_;
    bool prominent_ = false;
    bool menuStyle_ = false;
    bool dangerous_ = false;
};

}  // namespace zuna
