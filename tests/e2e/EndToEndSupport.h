#pragma once
// What the end-to-end tests share: the engine on a real desktop, reporting as the palette does,
// the fields of GTK and Qt it delivers into, and the whole program started as a user starts it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRect>
#include <filesystem>
#include <map>

#include "DesktopTestSupport.h"
#include "TestSupport.h"
#include "WaylandTestSupport.h"
#include "core/model/JsonData.h"
#include "core/model/SavedState.h"
#include "core/paste/PasteEngine.h"
#include "platform/QtScheduler.h"

namespace zuna::test {

using Clock = std::chrono::steady_clock;

inline const std::string secure = "Zaščiteno polje ne dovoljuje tega načina lepljenja.";
inline const std::string earlier = "prejšnja vsebina";
inline const std::string unrecognised =
    "Polja ni mogoče prepoznati. Klikni v besedilno polje in poskusi znova.";

struct Report {
    std::string message;
    bool isError = false;
    Clock::time_point at;
};

// A field to deliver into: the command that shows it, the keys ("Return", "ctrl+Tab") that make
// it print its text and end, and what it prints then.
struct Field {
    const char* what;
    QStringList command;
    std::string text;
    QStringList done;
    std::string printed;
};

// GTK 3 and Qt fields; `native` makes the command of a client of the desktop's own kind.
inline std::vector<Field> gtkAndQtFields(QStringList (*native)(const QString&,
                                                               const QStringList&)) {
    const std::string word = "Žiga je čez Šmarno goro — 5 € & <ščđćž> ČŠŽĆĐ";
    const std::string lines = "Prva vrstica\nDruga: šđčćž\n\n\tZamaknjena  z  dvojnimi\nKonec";
    std::vector<Field> fields{
        {"GTK entry", native("zenity", {"--entry"}), word, {"Return"}, word + "\n"},
        // Control+Shift+Tab leaves the text view for OK (zenity 4 puts Cancel after the view).
        {"GTK text view",
         native("zenity", {"--text-info", "--editable"}),
         lines,
         {"ctrl+shift+Tab", "Return"},
         lines},
        {"GTK password", native("zenity", {"--password"}), "geslo123", {"Return"}, "\n"},
        {"Qt line", native(ZUNA_QT_TARGET, {"line"}), "Qt: ščž", {"Return"}, "Qt: ščž\n"},
        {"Qt password", native(ZUNA_QT_TARGET, {"password"}), "geslo", {"Return"}, "\n"},
        // GTK 4 shows an entry that hides its text as a plain one, real text and all; empty or
        // not, it is refused, and a plain empty one keeps nothing of the check.
        {"GTK 4 entry", native(ZUNA_GTK4_TARGET, {"plain"}), word, {"Return"}, word + "\n"},
        {"GTK 4 hidden", native(ZUNA_GTK4_TARGET, {"hidden"}), "geslo123", {"Return"}, "\n"},
        {"GTK 4 hidden, typed",
         native(ZUNA_GTK4_TARGET, {"hidden", "ab"}),
         "geslo123",
         {"Return"},
         "ab\n"},
    };
    // libadwaita 1.2 (Debian 12) marks nothing in its password row focused: it cannot be found.
    if (std::atoi(run(ZUNA_GTK4_TARGET, {"adwaita"}).value_or("0").c_str()) > 2)
        fields.push_back({"Adw row", native(ZUNA_GTK4_TARGET, {"row"}), "geslo", {"Return"}, "\n"});
    return fields;
}

template <class Desktop>
class Deliveries : public testing::Test {
  protected:
    static constexpr bool wayland = std::is_constructible_v<Desktop, std::filesystem::path>;

    Deliveries() {
        engine.onStatus = [this](const std::string& message, bool isError) {
            reports.push_back({message, isError, Clock::now()});
        };
    }

    // Starts a delivery and waits for its one report.
    Report deliver(const std::string& text) {
        const std::size_t before = reports.size();
        engine.paste(text, "Gumb");
        EXPECT_TRUE(waitUntil([&] { return reports.size() > before; }, 5s));
        // The target asks for the clipboard only after the keys arrive.
        spin(150ms);
        return reports.size() > before ? reports.back() : Report{};
    }

    // Each field gets the exact text at once, or is a password field and gets a refusal that
    // leaves the clipboard as it was.
    void expectDeliveries(const std::vector<Field>& fields) {
        for (const Field& field : fields) {
            SCOPED_TRACE(field.what);
            TargetApp target("env", field.command);
            ASSERT_TRUE(settled(target));
            ASSERT_TRUE(desktop.setClipboardText(earlier, false));
            const auto start = Clock::now();
            const Report report = deliver(field.text);
            const bool refused = field.printed.find(field.text) == std::string::npos;
            EXPECT_EQ(report.isError, refused) << report.message;
            EXPECT_EQ(report.message.rfind(refused ? secure : "✓ Poslano v ", 0), 0u);
            EXPECT_LT(report.at - start, 100ms);
            EXPECT_EQ(wayland ? waylandClipboard() : clipboardText(),
                      refused ? earlier : field.text);
            for (const QString& keys : field.done)
                ASSERT_TRUE(wayland ? input(waylandKeys(keys)) : xdotool({"key", keys}));
            EXPECT_EQ(target.finish(), field.printed);
        }
    }

    // The target's window is active and its field found, and still so a moment later: a window
    // that has just mapped may lose and regain the activation once while the compositor settles.
    bool settled(TargetApp& target) {
        if (!target.waitUntilReady(desktop)) return false;
        spin(300ms);
        return target.waitUntilReady(desktop);
    }

    // The active window's process, and the element that has the focus there now.
    std::pair<int, std::string> focusNow() {
        const auto active = desktop.frontmostApplication();
        const auto field = active ? desktop.focusedField(*active) : std::nullopt;
        return {active ? active->processId : 0, field ? field->identity : std::string()};
    }

    static QStringList waylandKeys(const QString& keys) {
        QStringList held = keys.split('+');
        const QString key = held.takeLast();
        QStringList steps;
        for (QString& modifier : held) {
            modifier = modifier == "ctrl" ? "Control_L" : "Shift_L";
            steps << "down" << modifier;
        }
        steps << "tap" << key;
        for (const QString& modifier : held)
            steps << "up" << modifier;
        return steps;
    }

    TempDir data;
    Desktop desktop = [this] {
        if constexpr (wayland)
            return Desktop(data.path());
        else
            return Desktop();
    }();
    platform::QtScheduler scheduler;
    PasteEngine engine{desktop, scheduler};
    std::vector<Report> reports;
};

// The ids of the visible windows whose title is exactly `title`.
inline QStringList windowsTitled(const QString& title) {
    const auto out = run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
    return QString::fromStdString(out.value_or("")).split('\n', Qt::SkipEmptyParts);
}

inline bool clickAt(const QPoint& point) {
    return xdotool({"mousemove", "--sync", QString::number(point.x()), QString::number(point.y()),
                    "click", "1"});
}

inline bool finished(QProcess& process) {
    // Other waits may already have seen the process end: ask for its state, not for the event.
    return waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10s);
}

class Program {
  public:
    explicit Program(std::filesystem::path data) : data(std::move(data)) {}
    ~Program() {
        process.terminate();
        process.waitForFinished(5000);
    }

    void prepare(const SavedState& state) const {
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", jsonData(state));
    }
    SavedState stored() const { return SavedState::fromJson(readFile(data / "state.json")); }

    // Starts the program (as `into`, or as this one), after `command` when there is one; an
    // environment entry with an empty value is removed. The program picks its Qt platform.
    bool start(const std::map<QString, QString>& environment = {}, QStringList command = {},
               QProcess* into = nullptr) {
        QProcess& started = into != nullptr ? *into : process;
        auto variables = QProcessEnvironment::systemEnvironment();
        variables.remove("QT_QPA_PLATFORM");
        variables.insert("ZUNA_DATA_DIR", QString::fromStdString(data.string()));
        for (const auto& [name, value] : environment)
            value.isEmpty() ? variables.remove(name) : variables.insert(name, value);
        started.setProcessEnvironment(variables);
        started.setProcessChannelMode(QProcess::ForwardedChannels);
        command << QStringLiteral(ZUNA_TREP);
        started.start(command.takeFirst(), command);
        return started.waitForStarted(5000);
    }

    // Waits for this program's palette on the screen and takes its window and frame.
    bool shown() {
        return waitUntil([&] {
            const QString pid = QString::number(process.processId());
            window = QString::fromStdString(run("xdotool", {"search", "--all", "--onlyvisible",
                                                            "--pid", pid, "--name", "^Zuna Trep$"})
                                                .value_or(""))
                         .section('\n', 0, 0);
            if (window.isEmpty()) return false;
            const auto shell = run("xdotool", {"getwindowgeometry", "--shell", window});
            const auto value = [&](const std::string& key) {
                const auto at = shell.value_or("").find(key + "=");
                return at == std::string::npos ? 0 : std::stoi(shell->substr(at + key.size() + 1));
            };
            frame = QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
            return frame.width() == 200;
        });
    }
    // The first row, 98 points below the top; the third and fourth theme dots (midnight, light),
    // which change the state file and open nothing; the header's minus (hides) and power (quits)
    // buttons.
    QPoint firstButton() const { return frame.topLeft() + QPoint(100, 98 + 14); }
    QPoint midnightDot() const { return frame.topLeft() + QPoint(200 - 85 + 19 * 2 + 9, 38 + 12); }
    QPoint lightDot() const { return midnightDot() + QPoint(19, 0); }
    QPoint hideButton() const { return frame.topLeft() + QPoint(200 - 45 + 9, 8 + 10); }
    QPoint quitButton() const { return frame.topLeft() + QPoint(200 - 24 + 9, 8 + 10); }

    const std::filesystem::path data;
    QProcess process;
    QString window;
    QRect frame;
};

}  // namespace zuna::test
