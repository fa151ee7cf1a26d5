#pragma once

#include <filesystem>
#include <string>

namespace zuna::platform {

// Start at login through the desktop's autostart folder ($XDG_CONFIG_HOME/autostart, else
// ~/.config/autostart), as every XDG desktop reads it. The entry the program writes carries a
// mark of its own, so that one the user wrote by hand is told apart and never touched unasked.
class Autostart {
  public:
    enum class Entry {
        none,
        // Written by this program.
        ours,
        // Written by someone else (the user, another tool).
        theirs,
    };

    // The folder from the environment, or the one given.
    Autostart();
    explicit Autostart(std::filesystem::path folder);

    const std::filesystem::path& file() const { return file_; }
    Entry entry() const;
    // Present and not switched off (Hidden=true, or GNOME's X-GNOME-Autostart-enabled=false).
    bool enabled() const;

    // Writes the program's own entry for `command` (an absolute path), replacing whatever is
    // there; throws FileError.
    void enable(const std::string& command);
    // Removes the entry; throws FileError. Nothing to do when there is none.
    void disable();

  private:
    std::filesystem::path file_;
};

}  // namespace zuna::platform
