#pragma once
// What the end-to-end tests share: the engine on a real desktop, reporting as the palette does,
// and the whole program started as a user starts it, with a data folder of its own.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRect>
#include <filesystem>
#include <map>
#include <memory>

#include "DesktopTestSupport.h"
#include "QtScheduler.h"
#include "TestSupport.h"
#include "WaylandTestSupport.h"
#include "model/JsonData.h"
#include "model/SavedState.h"
#include "paste/PasteEngine.h"

namespace zuna::test {

using Clock = std::chrono::steady_clock;

inline const std::string secure = "Zaščiteno polje ne dovoljuje tega načina lepljenja.";

struct Report {
    std::string message;
    bool isError = false;
    Clock::time_point at;
};

template <class Desktop>
class Deliveries : public testing::Test {
  protected:
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

    // The active window's process, and the element that has the focus there now.
    std::pair<int, std::string> focusNow() {
        const auto active = desktop.frontmostApplication();
        const auto field = active ? desktop.focusedField(*active) : std::nullopt;
        return {active ? active->processId : 0, field ? field->identity : std::string()};
    }

    TempDir data;
    Desktop desktop = [this] {
        if constexpr (std::is_constructible_v<Desktop, std::filesystem::path>) {
            return Desktop(data.path());
        } else {
            return Desktop();
        }
    }();
    platform::QtScheduler scheduler;
    PasteEngine engine{desktop, scheduler};
    std::vector<Report> reports;
};

// The ids of the visible windows whose title is exactly `title`.
inline std::vector<std::string> windowsTitled(const std::string& title) {
    const auto out = run("xdotool", {"search", "--onlyvisible", "--name",
                                     QString::fromStdString("^" + title + "$")});
    QStringList ids = QString::fromStdString(out.value_or("")).split('\n', Qt::SkipEmptyParts);
    std::vector<std::string> result;
    for (const QString& id : ids)
        result.push_back(id.toStdString());
    return result;
}

class Program {
  public:
    explicit Program(std::filesystem::path data) : data(std::move(data)) {}
    ~Program() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        process.waitForFinished(5000);
    }

    void prepare(const SavedState& state) const {
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", jsonData(state));
    }
    SavedState stored() const { return SavedState::fromJson(readFile(data / "state.json")); }

    // Starts the program (as `into`, or as this one), or `command` followed by the program's
    // path; environment entries with an empty value are removed. The program chooses its Qt
    // platform itself.
    bool start(const std::map<QString, QString>& environment = {}, QStringList command = {},
               QProcess* into = nullptr) {
        QProcess& started = into != nullptr ? *into : process;
        auto variables = QProcessEnvironment::systemEnvironment();
        variables.remove("QT_QPA_PLATFORM");
        variables.insert("ZUNA_DATA_DIR", QString::fromStdString(data.string()));
        for (const auto& [name, value] : environment) {
            value.isEmpty() ? variables.remove(name) : variables.insert(name, value);
        }
        started.setProcessEnvironment(variables);
        started.setProcessChannelMode(QProcess::ForwardedChannels);
        command << QStringLiteral(ZUNA_TREP);
        started.start(command.takeFirst(), command);
        return started.waitForStarted(5000);
    }

    // Waits for the palette on the screen and takes its frame.
    bool shown() {
        return waitUntil([&] {
            const auto windows = windowsTitled("Zuna Trep");
            if (windows.empty()) return false;
            const auto shell = run("xdotool", {"getwindowgeometry", "--shell",
                                               QString::fromStdString(windows.front())});
            const auto value = [&](const std::string& key) {
                const auto at = shell.value_or("").find(key + "=");
                return at == std::string::npos ? 0 : std::stoi(shell->substr(at + key.size() + 1));
            };
            frame = QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
            return frame.width() == 200;
        });
    }
    // The first row: 98 points below the palette's top, 28 high.
    QPoint firstButton() const { return frame.topLeft() + QPoint(100, 98 + 14); }
    // The third theme dot (midnight), which changes the state file and opens nothing.
    QPoint midnightDot() const { return frame.topLeft() + QPoint(200 - 85 + 19 * 2 + 9, 38 + 12); }
    // The minus button (hides) and the power button (quits) in the header.
    QPoint hideButton() const { return frame.topLeft() + QPoint(200 - 45 + 9, 8 + 10); }
    QPoint quitButton() const { return frame.topLeft() + QPoint(200 - 24 + 9, 8 + 10); }

    const std::filesystem::path data;
    QProcess process;
    QRect frame;
};

// Other waits may already have seen the process end, so ask for its state, not for the event.
inline bool finished(QProcess& process) {
    return waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10s);
}

}  // namespace zuna::test
