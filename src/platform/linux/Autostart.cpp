#include "platform/linux/Autostart.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <vector>

#include "core/fs/FileSystem.h"
#include "core/model/Errors.h"

namespace zuna::platform {

namespace {

constexpr const char* kMark = "X-Zuna-Trep-Autostart=true";

std::filesystem::path defaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::filesystem::path(config) / "autostart";
    // Without HOME, the user's home from the password database: never a folder relative to
    // wherever the program happened to start.
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "/";
    }
    return std::filesystem::path(home) / ".config" / "autostart";
}

// The lines of the entry's [Desktop Entry] group; none when it cannot be read.
std::vector<std::string> entryLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::optional<std::string> bytes;
    try {
        bytes = fs::readFileLimited(file, 1 << 20);
    } catch (const std::exception&) {
        return lines;
    }
    if (!bytes) return lines;
    std::istringstream text(*bytes);
    bool inGroup = false;
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.front() == '[') {
            inGroup = line == "[Desktop Entry]";
        } else if (inGroup) {
            lines.push_back(line);
        }
    }
    return lines;
}

bool has(const std::vector<std::string>& lines, const std::string& wanted) {
    for (const auto& line : lines) {
        if (line == wanted) return true;
    }
    return false;
}

// A path as one argument of an Exec line: quoted, with the characters reserved inside quotes
// escaped; then the backslashes escaped again, as every string value's are; "%" doubled; a line
// break or tab written as its escape, so that it cannot start a key of its own. Other control
// characters have no escape in an entry: such a path is refused.
std::string execArgument(const std::string& path) {
    std::string quoted;
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    std::string value = "\"";
    for (const char c : quoted) {
        if (c == '\n' || c == '\t' || c == '\r') {
            value += c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) throw FileError(path, EINVAL);
        if (c == '\\') value += '\\';
        if (c == '%') value += '%';
        value += c;
    }
    return value + "\"";
}

}  // namespace

Autostart::Autostart() : Autostart(defaultFolder()) {}

Autostart::Autostart(std::filesystem::path folder)
    : file_(std::move(folder) / "zuna-trep.desktop") {}

Autostart::Entry Autostart::entry() const {
    if (!fs::exists(file_)) return Entry::none;
    return has(entryLines(file_), kMark) ? Entry::ours : Entry::theirs;
}

bool Autostart::enabled() const {
    if (!fs::exists(file_)) return false;
    const auto lines = entryLines(file_);
    return !has(lines, "Hidden=true") && !has(lines, "X-GNOME-Autostart-enabled=false");
}

void Autostart::enable(const std::string& command) {
    std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Zuna Trep\n"
        "Comment=Paste saved texts into any application with one click\n"
        "Exec=" +
        execArgument(command) +
        "\n"
        "Icon=zuna-trep\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n" +
        std::string(kMark) + "\n";
    // The folder is shared with every other autostart entry: the usual modes, not owner-only.
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (error) throw FileError(file_.parent_path(), error.value());
    fs::writeFileAtomically(file_, entry, fs::FileAccess::usual);
}

void Autostart::disable() {
    if (::unlink(file_.c_str()) != 0 && errno != ENOENT) throw FileError(file_, errno);
}

}  // namespace zuna::platform
