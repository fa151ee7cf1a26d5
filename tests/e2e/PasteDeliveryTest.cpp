// The engine on the real X11 desktop, as the application runs it, delivering into applications
// from the system.
#include <QByteArray>

#include "EndToEndSupport.h"
#include "linux/LinuxDesktop.h"

namespace zuna {
namespace {

using namespace test;

using PasteDeliveryTest = Deliveries<platform::LinuxDesktop>;

// Qt 6.4 exports its fields without the Collection interface: they are found through the tree.
// Caps Lock stays on throughout: it is no held key and must not turn Control+V into something
// else.
TEST_F(PasteDeliveryTest, GtkAndQtFieldsGetTheExactTextAndPasswordsAreRefused) {
    const std::string slovenian = "Žiga je čez Šmarno goro — 5 € & <ščđćž> ČŠŽĆĐ";
    const std::string lines = "Prva vrstica\nDruga: šđčćž\n\n\tZamaknjena  z  dvojnimi\nKonec";
    struct Case {
        const char* what;
        QString program;
        QStringList arguments;
        std::string text;
        // The keys that make the target print its field and end, and what it prints.
        QStringList done;
        std::string printed;
    };
    const std::vector<Case> cases{
        {"GTK entry",
         "zenity",
         {"--entry", "--title=Vnos"},
         slovenian,
         {"Return"},
         slovenian + "\n"},
        // Control+Tab leaves the text view; Return then presses OK.
        {"GTK text view",
         "zenity",
         {"--text-info", "--editable"},
         lines,
         {"ctrl+Tab", "Return"},
         lines},
        {"GTK password", "zenity", {"--password"}, "geslo123", {"Return"}, "\n"},
        {"Qt line", ZUNA_QT_TARGET, {"line"}, "Qt: šumniki ščž", {"Return"}, "Qt: šumniki ščž\n"},
        {"Qt area", ZUNA_QT_TARGET, {"area"}, "ena\ndve", {"ctrl+Return"}, "ena\ndve\n"},
        {"Qt password", ZUNA_QT_TARGET, {"password"}, "geslo", {"Return"}, "\n"},
        // Only mask characters in a plain field: a password all the same.
        {"Qt masked", ZUNA_QT_TARGET, {"masked"}, "geslo", {"Return"}, "●●●●●\n"},
    };
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    struct CapsLockOff {
        ~CapsLockOff() { xdotool({"key", "Caps_Lock"}); }
    } off;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TargetApp target(c.program, c.arguments);
        ASSERT_TRUE(target.waitUntilReady(desktop));
        setClipboardText("prejšnja vsebina");
        const auto start = Clock::now();
        const Report report = deliver(c.text);
        const bool refused = c.printed.find(c.text) == std::string::npos;
        EXPECT_EQ(report.isError, refused) << report.message;
        EXPECT_EQ(report.message.rfind(refused ? secure : "✓ Poslano v ", 0), 0u);
        EXPECT_LT(report.at - start, 100ms);
        EXPECT_EQ(clipboardText(), refused ? "prejšnja vsebina" : c.text);
        ASSERT_TRUE(xdotool(QStringList{"key"} + c.done));
        EXPECT_EQ(target.finish(), c.printed);
    }
}

// A program running in the terminal reads what arrived, raw: the exact bytes, line breaks and
// tabs included. A terminal with the terminal role (VTE) pastes with Ctrl+Shift+V; xterm, which
// shows no accessibility, with Shift+Insert from the primary selection. The terminal keeps its
// own element.
TEST_F(PasteDeliveryTest, AProgramInATerminalReadsTheExactBytes) {
    const std::string text = "echo 'Žiga čšž — 5 €'\tkonec\nvrstica 2 ☺";
    const auto ready = data / "ready";
    const auto received = data / "received";
    const QString reader = QString::fromStdString("stty -icanon -echo; touch '" + ready.string() +
                                                  "'; head -c " + std::to_string(text.size()) +
                                                  " > '" + received.string() + "'; exec sleep 60");
    // xfce4-terminal asks before it passes on text with a line break; Return confirms.
    const std::tuple<const char*, QString, QStringList, bool> terminals[] = {
        {"VTE",
         "xfce4-terminal",
         {"--disable-server", "--title=Terminal", "--execute", "sh", "-c", reader},
         true},
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
        EXPECT_EQ(before.first, terminal.processId());
        EXPECT_EQ(deliver(text).message, "✓ Poslano v Terminal · Gumb");
        if (asks) {
            ASSERT_TRUE(waitUntil([&] {
                const auto active = desktop.frontmostApplication();
                return active && active->name == "Warning: Potentially Unsafe Paste";
            }));
            ASSERT_TRUE(xdotool({"key", "Return"}));
        }
        const auto arrived = [&] {
            return std::filesystem::exists(received) ? readFile(received) : "nothing";
        };
        EXPECT_TRUE(waitUntil([&] { return arrived() == text; }, 5s)) << arrived();
        EXPECT_TRUE(waitUntil([&] { return focusNow() == before; }, 3s));
    }
}

// gnome-text-editor: GTK 4 has an accessibility implementation of its own. What arrived is read
// back by selecting all and copying it.
TEST_F(PasteDeliveryTest, SeveralLinesArriveExactlyInAGtk4TextView) {
    const QString home = QString::fromStdString(data.path().string());
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
    setClipboardText("—");
    ASSERT_TRUE(xdotool({"key", "ctrl+a", "ctrl+c"}));
    EXPECT_TRUE(waitUntil([&] { return clipboardText() == text; }, 5s)) << clipboardText();
}

// A page's text area receives the text exactly (its script shows each field's value in the
// window's title); its password inputs, also one that calls itself a text box, are refused, stay
// empty and leave the clipboard as it was. Chromium keeps its fields hidden until asked; it is
// started as a user starts it, without any accessibility switch.
TEST_F(PasteDeliveryTest, BrowsersFillATextAreaAndRefuseEveryPasswordInput) {
    writeFile(data / "page.html", R"(<!doctype html>
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
    std::filesystem::create_directory(data / "firefox");
    writeFile(data / "firefox" / "user.js",
              "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
              "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
              "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n");
    const QString page = QString::fromStdString("file://" + (data / "page.html").string());
    const QString profile = QString::fromStdString(data.path().string());
    const std::tuple<const char*, QString, QStringList> browsers[] = {
        {"Chromium",
         "chromium",
         {"--no-sandbox", "--no-first-run", "--disable-background-networking",
          "--disable-component-update", "--disable-sync", "--password-store=basic",
          "--user-data-dir=" + profile + "/chromium", page}},
        {"Firefox", "firefox-esr", {"--no-remote", "--profile", profile + "/firefox", page}},
    };
    // What the page's title says the text area holds, or nothing when its last change was
    // elsewhere.
    const auto area = [&]() -> std::optional<std::string> {
        const auto active = desktop.frontmostApplication();
        if (!active || active->name.rfind("area=", 0) != 0) return std::nullopt;
        const std::string encoded = active->name.substr(5);
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
        EXPECT_FALSE(deliver(text).isError);
        EXPECT_TRUE(waitUntil([&] { return area() == text; }, 5s));
        EXPECT_EQ(focusNow(), before);

        setClipboardText("prejšnja vsebina");
        for (const char* input : {"pw", "pwbox"}) {
            SCOPED_TRACE(input);
            ASSERT_TRUE(xdotool({"key", "Tab"}));
            ASSERT_TRUE(waitUntil([&] {
                const auto now = focusNow();
                return !now.second.empty() && now.second != before.second;
            }));
            before = focusNow();
            EXPECT_EQ(deliver("geslo123").message, secure);
            EXPECT_EQ(clipboardText(), "prejšnja vsebina");
            spin(300ms);
            EXPECT_EQ(area(), text);
            EXPECT_EQ(focusNow(), before);
        }
    }
}

}  // namespace
}  // namespace zuna
