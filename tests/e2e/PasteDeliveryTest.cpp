// The engine on the real X11 desktop, as the application runs it, delivering into applications
// from the system.
#include <QByteArray>

#include "EndToEndSupport.h"
#include "linux/LinuxDesktop.h"

namespace zuna {
namespace {

using namespace test;

using PasteDeliveryTest = Deliveries<platform::LinuxDesktop>;

QStringList asIs(const QString& program, const QStringList& arguments) {
    return QStringList{program} + arguments;
}

// Qt 6.4 exports its fields without the Collection interface: they are found through the tree.
TEST_F(PasteDeliveryTest, GtkAndQtFieldsGetTheExactTextAndPasswordsAreRefused) {
    auto fields = gtkAndQtFields(asIs);
    // Only mask characters in a plain field: a password all the same.
    fields.push_back({"Qt masked", {ZUNA_QT_TARGET, "masked"}, "geslo", {"Return"}, "●●●●●\n"});
    expectDeliveries(fields);
}

// A program in the terminal reads the exact bytes, line breaks and tabs included, and the
// terminal keeps its element. VTE (the terminal role) pastes with Ctrl+Shift+V, after asking
// about the line break; xterm, which shows no accessibility, with Shift+Insert.
TEST_F(PasteDeliveryTest, AProgramInATerminalReadsTheExactBytes) {
    const std::string text = "echo 'Žiga čšž — 5 €'\tkonec\nvrstica 2 ☺";
    const auto ready = data / "ready", received = data / "received";
    const QString reader = QString::fromStdString("stty -icanon -echo; touch '" + ready.string() +
                                                  "'; head -c " + std::to_string(text.size()) +
                                                  " > '" + received.string() + "'; exec sleep 60");
    const std::tuple<QString, QStringList, bool> terminals[] = {
        {"xfce4-terminal", {"--disable-server", "--title=Terminal", "--execute"}, true},
        {"xterm", {"-T", "Terminal", "-e"}, false},
    };
    for (const auto& [program, arguments, asks] : terminals) {
        SCOPED_TRACE(program.toStdString());
        std::filesystem::remove(ready);
        std::filesystem::remove(received);
        TargetApp terminal(program, arguments + QStringList{"sh", "-c", reader});
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

// GTK 4 (gnome-text-editor) has an accessibility of its own; its tree is walked element by
// element, and a walk may run out of time while it takes the text. Select all and copy shows
// what arrived.
TEST_F(PasteDeliveryTest, SeveralLinesArriveExactlyInAGtk4TextView) {
    const QString home = QString::fromStdString(data.path().string());
    TargetApp editor("gnome-text-editor", {"--standalone"},
                     {"XDG_DATA_HOME=" + home + "/data", "XDG_STATE_HOME=" + home + "/state",
                      "XDG_CONFIG_HOME=" + home + "/config", "XDG_CACHE_HOME=" + home + "/cache"});
    ASSERT_TRUE(editor.waitUntilReady(desktop, 30s));
    const auto before = focusNow();
    const std::string text = "Prva vrstica\nDruga: šđčćž ŠĐČĆŽ\n\tZamaknjena  z  dvojnimi\nKonec";
    EXPECT_FALSE(deliver(text).isError);
    EXPECT_TRUE(waitUntil([&] { return focusNow() == before; }, 3s));
    setClipboardText("—");
    ASSERT_TRUE(xdotool({"key", "ctrl+a", "ctrl+c"}));
    EXPECT_TRUE(waitUntil([&] { return clipboardText() == text; }, 5s)) << clipboardText();
}

// A page's text area gets the text exactly (its script puts the value in the window's title);
// its password inputs, also one that calls itself a text box, are refused, stay empty and leave
// the clipboard alone. Chromium, started without any accessibility switch, shows its fields only
// when asked.
TEST_F(PasteDeliveryTest, BrowsersFillATextAreaAndRefuseEveryPasswordInput) {
    writeFile(data / "page.html", R"(<!doctype html>
<meta charset="utf-8"><title>prazno</title>
<textarea id="area" autofocus rows="4" cols="40"></textarea>
<input id="pw" type="password"> <input id="pwbox" type="password" role="textbox">
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
    const std::pair<QString, QStringList> browsers[] = {
        {"chromium",
         {"--no-sandbox", "--no-first-run", "--disable-background-networking",
          "--disable-component-update", "--disable-sync", "--password-store=basic",
          "--user-data-dir=" + profile + "/chromium", page}},
        {"firefox-esr", {"--no-remote", "--profile", profile + "/firefox", page}},
    };
    // The page's title, "area=<value> - Browser", after the text area's last change.
    const auto title = [&] {
        const auto active = desktop.frontmostApplication();
        const QString name = QString::fromStdString(active ? active->name : "");
        return QByteArray::fromPercentEncoding(name.section(' ', 0, 0).toUtf8()).toStdString();
    };
    const std::string text = "Prva vrstica\nŽiga čšž — 5 € <b>&amp;</b>\tkonec";
    for (const auto& [program, arguments] : browsers) {
        SCOPED_TRACE(program.toStdString());
        TargetApp browser(program, arguments);
        ASSERT_TRUE(browser.waitUntilReady(desktop, 60s));
        // The page may take the focus a moment after the window has it.
        ASSERT_TRUE(waitUntil([&] {
            const auto field = desktop.focusedField(browser.application());
            return field && field->role == FieldRole::textArea;
        }));
        auto before = focusNow();
        EXPECT_FALSE(deliver(text).isError);
        EXPECT_TRUE(waitUntil([&] { return title() == "area=" + text; }, 5s));
        EXPECT_EQ(focusNow(), before);
        setClipboardText(earlier);
        for (int input = 0; input < 2; ++input) {
            SCOPED_TRACE(input);
            ASSERT_TRUE(xdotool({"key", "Tab"}));
            ASSERT_TRUE(waitUntil([&] {
                const auto now = focusNow();
                return !now.second.empty() && now.second != before.second;
            }));
            before = focusNow();
            EXPECT_EQ(deliver("geslo123").message, secure);
            EXPECT_EQ(clipboardText(), earlier);
            spin(300ms);
            EXPECT_EQ(title(), "area=" + text);
            EXPECT_EQ(focusNow(), before);
        }
    }
}

}  // namespace
}  // namespace zuna
