#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <filesystem>

#include "DesktopTestSupport.h"
#include "TestSupport.h"
#include "QtScheduler.h"
#include "linux/LinuxDesktop.h"
#include "paste/PasteEngine.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using test::TargetApp;
using test::waitUntil;
using test::xdotool;
using Clock = std::chrono::steady_clock;

struct Report {
    std::string message;
    bool isError = false;
    Clock::time_point at;
};

const std::string secure = "Zaščiteno polje ne dovoljuje tega načina lepljenja.";

// The engine on the real desktop, as the application runs it.
class PasteDeliveryTest : public testing::Test {
  protected:
    PasteDeliveryTest() {
        engine.onStatus = [this](const std::string& message, bool isError) {
            reports.push_back({message, isError, Clock::now()});
        };
    }

    // Starts a delivery and waits for its one report.
    Report deliver(const std::string& text, const std::string& name = "Gumb") {
        const std::size_t before = reports.size();
        engine.paste(text, name);
        EXPECT_TRUE(waitUntil([&] { return reports.size() > before; }, 5s));
        // The target asks for the clipboard only after the keys arrive.
        test::spin(100ms);
        return reports.size() > before ? reports.back() : Report{};
    }
    // Presses the keys that make the target print its field and end; what it printed.
    std::optional<std::string> confirm(TargetApp& target, const char* keys = "Return") {
        EXPECT_TRUE(xdotool({"key", keys}));
        return target.finish();
    }

    // The active window's process, and the element that has the focus there now.
    std::pair<int, std::string> focusNow() {
        const auto active = desktop.frontmostApplication();
        if (!active) return {0, {}};
        const auto field = desktop.focusedField(*active);
        return {active->processId, field ? field->identity : std::string()};
    }

    platform::LinuxDesktop desktop;
    platform::QtScheduler scheduler;
    PasteEngine engine{desktop, scheduler};
    std::vector<Report> reports;
};

TEST_F(PasteDeliveryTest, SlovenianTextArrivesInAGtkEntryEvenWithCapsLockOn) {
    TargetApp entry("zenity", {"--entry", "--title=Vnos", "--text=Besedilo"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    const auto start = Clock::now();
    const std::string text = "Žiga je čez Šmarno goro — 5 € & <ščđćž> ČŠŽĆĐ";
    const Report report = deliver(text, "Pozdrav");
    xdotool({"key", "Caps_Lock"});
    EXPECT_EQ(report.message, "✓ Poslano v Vnos · Pozdrav");
    EXPECT_LT(report.at - start, 100ms);
    EXPECT_EQ(test::clipboardText(), text);
    EXPECT_EQ(confirm(entry), text + "\n");
}

TEST_F(PasteDeliveryTest, SeveralLinesArriveExactlyInAGtkTextView) {
    TargetApp view("zenity", {"--text-info", "--editable", "--title=Besedilo"});
    ASSERT_TRUE(view.waitUntilReady(desktop));
    const std::string text =
        "Prva vrstica\nDruga: šđčćž\n\n\tZamaknjena  z  dvojnimi presledki\nKonec";
    EXPECT_FALSE(deliver(text).isError);
    // Control+Tab leaves the text view; Return then presses OK, and zenity prints the text.
    ASSERT_TRUE(xdotool({"key", "ctrl+Tab"}));
    EXPECT_EQ(confirm(view), text);
}

TEST_F(PasteDeliveryTest, APasswordFieldIsRefusedAndTheClipboardKeepsItsContent) {
    TargetApp password("zenity", {"--password"});
    ASSERT_TRUE(password.waitUntilReady(desktop));
    test::setClipboardText("prejšnja vsebina");
    const Report report = deliver("geslo123");
    EXPECT_EQ(report.message, secure);
    EXPECT_TRUE(report.isError);
    EXPECT_EQ(test::clipboardText(), "prejšnja vsebina");
    EXPECT_EQ(confirm(password), "\n");
}

TEST_F(PasteDeliveryTest, AHeldShiftDelaysTheDeliveryUntilItIsReleased) {
    TargetApp entry("zenity", {"--entry"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ASSERT_TRUE(xdotool({"keydown", "Shift_L"}));
    engine.paste("brez Shift", "Gumb");
    test::spin(300ms);
    EXPECT_TRUE(reports.empty());
    // A second click while waiting is dropped without a word.
    engine.paste("drugi klik", "Gumb");

    const auto released = Clock::now();
    ASSERT_TRUE(xdotool({"keyup", "Shift_L"}));
    ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 2s));
    EXPECT_FALSE(reports[0].isError) << reports[0].message;
    // Delivered at the next check after the release.
    EXPECT_LT(reports[0].at - released, 200ms);
    test::spin(100ms);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(confirm(entry), "brez Shift\n");
}

TEST_F(PasteDeliveryTest, FocusMovedWhileWaitingIsRefused) {
    TargetApp form("zenity", {"--forms", "--add-entry=Ime", "--add-entry=Priimek"});
    ASSERT_TRUE(form.waitUntilReady(desktop));
    test::setClipboardText("ostane");
    ASSERT_TRUE(xdotool({"keydown", "Shift_L"}));
    engine.paste("v napačno polje", "Gumb");
    // Shift+Tab moves the focus to the other field while the engine waits for Shift.
    ASSERT_TRUE(xdotool({"key", "Tab"}));
    test::spin(100ms);
    ASSERT_TRUE(xdotool({"keyup", "Shift_L"}));
    ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 2s));
    EXPECT_EQ(reports[0].message, "Ciljno polje se je spremenilo. Klikni ga in poskusi znova.");
    EXPECT_EQ(test::clipboardText(), "ostane");
}

// Qt 6.4 exports its fields without the Collection interface: they are found through the tree.
TEST_F(PasteDeliveryTest, QtFieldsGetTheTextOrRefuseIt) {
    const std::tuple<const char*, const char*, const char*, const char*> fields[] = {
        {"line", "Qt: šumniki ščž", "Return", "Qt: šumniki ščž\n"},
        {"area", "ena\ndve", "ctrl+Return", "ena\ndve\n"},
        {"password", "geslo", "Return", "\n"},
        // Only mask characters in a plain field: a password all the same.
        {"masked", "geslo", "Return", "●●●●●\n"}};
    for (const auto& [kind, text, keys, printed] : fields) {
        SCOPED_TRACE(kind);
        TargetApp target(ZUNA_QT_TARGET, {kind});
        ASSERT_TRUE(target.waitUntilReady(desktop));
        const Report report = deliver(text);
        const bool refused = std::string(printed) != std::string(text) + "\n";
        EXPECT_EQ(report.message,
                  refused ? secure : "✓ Poslano v Qt " + std::string(kind) + " · Gumb");
        EXPECT_EQ(confirm(target, keys), printed);
    }
}

// A program running in the terminal reads what arrived, raw: the exact bytes, line breaks and
// tabs included. A terminal with the terminal role (VTE) pastes with Ctrl+Shift+V; xterm, which
// shows no accessibility, with Shift+Insert from the primary selection.
TEST_F(PasteDeliveryTest, AProgramInATerminalReadsTheExactBytes) {
    const std::string text = "echo 'Žiga čšž — 5 €'\tkonec\nvrstica 2 ☺";
    test::TempDir dir;
    const std::string ready = (dir / "ready").string();
    const std::string received = (dir / "received").string();
    const QString reader = QString::fromStdString(
        "stty -icanon -echo; touch '" + ready + "'; head -c " + std::to_string(text.size()) +
        " > '" + received + "'; exec sleep 60");
    // xfce4-terminal asks before it passes on text with a line break; Return confirms.
    const std::tuple<const char*, QString, QStringList, bool> terminals[] = {
        {"VTE", "xfce4-terminal",
         {"--disable-server", "--title=Terminal", "--execute", "sh", "-c", reader}, true},
        {"xterm", "xterm", {"-T", "Terminal", "-e", "sh", "-c", reader}, false},
    };
    for (const auto& [kind, program, arguments, asks] : terminals) {
        SCOPED_TRACE(kind);
        std::filesystem::remove(ready);
        std::filesystem::remove(received);
        TargetApp terminal(program, arguments);
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(ready); }, 15s));
        ASSERT_TRUE(terminal.waitUntilReady(desktop));
        const auto before = focusNow();
        const Report report = deliver(text);
        EXPECT_EQ(report.message, "✓ Poslano v Terminal · Gumb");
        if (asks) {
            ASSERT_TRUE(waitUntil([&] {
                const auto active = desktop.frontmostApplication();
                return active && active->name == "Warning: Potentially Unsafe Paste";
            }));
            ASSERT_TRUE(xdotool({"key", "Return"}));
        }
        ASSERT_TRUE(waitUntil(
            [&] {
                return std::filesystem::exists(received) &&
                       std::filesystem::file_size(received) >= text.size();
            },
            5s))
            << (std::filesystem::exists(received) ? test::readFile(received) : "nothing");
        EXPECT_EQ(test::readFile(received), text);
        // Back in the terminal's own element once its question is answered.
        EXPECT_TRUE(waitUntil([&] { return focusNow() == before; }, 3s));
        EXPECT_EQ(before.first, terminal.processId());
    }
}

// gnome-text-editor: GTK 4 has an accessibility implementation of its own. What arrived is read
// back by selecting all and copying it.
TEST_F(PasteDeliveryTest, SeveralLinesArriveExactlyInAGtk4TextView) {
    test::TempDir dir;
    const QString home = QString::fromStdString(dir.path().string());
    TargetApp editor("gnome-text-editor", {"--standalone"},
                     {"XDG_DATA_HOME=" + home + "/data", "XDG_STATE_HOME=" + home + "/state",
                      "XDG_CONFIG_HOME=" + home + "/config", "XDG_CACHE_HOME=" + home + "/cache"});
    ASSERT_TRUE(editor.waitUntilReady(desktop, 30s));
    const auto field = desktop.focusedField(editor.application());
    ASSERT_TRUE(field);
    EXPECT_EQ(field->role, FieldRole::textArea);
    const auto before = focusNow();
    const std::string text = "Prva vrstica\nDruga: šđčćž ŠĐČĆŽ\n\tZamaknjena  z  dvojnimi\nKonec";
    const Report report = deliver(text);
    EXPECT_FALSE(report.isError) << report.message;
    // Its tree is walked element by element; while it takes the text a walk may run out of time.
    EXPECT_TRUE(waitUntil([&] { return focusNow() == before; }, 3s));
    test::setClipboardText("—");
    ASSERT_TRUE(xdotool({"key", "ctrl+a", "ctrl+c"}));
    EXPECT_TRUE(waitUntil([&] { return test::clipboardText() == text; }, 5s))
        << test::clipboardText();
}

// A page's text area receives the text exactly (its script shows each field's value in the
// window's title); its password inputs, also one that calls itself a text box, are refused, stay
// empty and leave the clipboard as it was. Chromium keeps its fields hidden until asked; it is
// started as a user starts it, without any accessibility switch.
TEST_F(PasteDeliveryTest, BrowsersFillATextAreaAndRefuseEveryPasswordInput) {
    test::TempDir dir;
    test::writeFile(dir / "page.html", R"(<!doctype html>
<meta charset="utf-8"><title>prazno</title>
<textarea id="area" autofocus rows="4" cols="40"></textarea>
<input id="pw" type="password">
<input id="pwbox" type="password" role="textbox">
<script>
for (const field of document.querySelectorAll('textarea, input'))
  field.addEventListener('input', () =>
    document.title = field.id + '=' + encodeURIComponent(field.value));
</script>
)");
    std::filesystem::create_directory(dir / "firefox");
    test::writeFile(dir / "firefox" / "user.js",
                    "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
                    "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
                    "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n");
    const QString page = QString::fromStdString("file://" + (dir / "page.html").string());
    const QString profile = QString::fromStdString(dir.path().string());
    const std::tuple<const char*, QString, QStringList> browsers[] = {
        {"Chromium", "chromium",
         {"--no-sandbox", "--no-first-run", "--disable-background-networking",
          "--disable-component-update", "--disable-sync", "--password-store=basic",
          "--user-data-dir=" + profile + "/chromium", page}},
        {"Firefox", "firefox-esr", {"--no-remote", "--profile", profile + "/firefox", page}},
    };
    // What the page's title says a field holds, or nothing when its last change was elsewhere.
    const auto value = [&](const std::string& id) -> std::optional<std::string> {
        const auto active = desktop.frontmostApplication();
        if (!active || active->name.rfind(id + "=", 0) != 0) return std::nullopt;
        const std::string encoded = active->name.substr(id.size() + 1);
        return QByteArray::fromPercentEncoding(
                   QByteArray::fromStdString(encoded.substr(0, encoded.find(' '))))
            .toStdString();
    };
    const std::string text = "Prva vrstica\nŽiga čšž — 5 € <b>&amp;</b>\tkonec";
    for (const auto& [name, program, arguments] : browsers) {
        SCOPED_TRACE(name);
        TargetApp browser(program, arguments);
        ASSERT_TRUE(browser.waitUntilReady(desktop, 60s));
        // The page may take the focus a moment after the window has it.
        ASSERT_TRUE(waitUntil([&] {
            const auto field = desktop.focusedField(browser.application());
            return field && field->role == FieldRole::textArea;
        }));
        auto before = focusNow();
        ASSERT_EQ(before.first, browser.processId());
        const Report report = deliver(text);
        EXPECT_FALSE(report.isError) << report.message;
        EXPECT_TRUE(waitUntil([&] { return value("area") == text; }, 5s));
        EXPECT_EQ(focusNow(), before);

        test::setClipboardText("prejšnja vsebina");
        for (const char* input : {"pw", "pwbox"}) {
            SCOPED_TRACE(input);
            ASSERT_TRUE(xdotool({"key", "Tab"}));
            ASSERT_TRUE(waitUntil([&] {
                const auto now = focusNow();
                return !now.second.empty() && now.second != before.second;
            }));
            before = focusNow();
            EXPECT_EQ(deliver("geslo123").message, secure);
            EXPECT_EQ(test::clipboardText(), "prejšnja vsebina");
            test::spin(300ms);
            EXPECT_EQ(value("area"), text);
            EXPECT_EQ(focusNow(), before);
        }
    }
}

}  // namespace
}  // namespace zuna
