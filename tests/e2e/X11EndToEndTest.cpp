// On the real X11 desktop: the engine as the application runs it, delivering into applications
// from the system, and the whole program started as a user starts it, clicked with the pointer.
#include <gmock/gmock.h>
#include <sys/stat.h>

#include <QByteArray>
#include <set>

#include "EndToEndSupport.h"
#include "StoreTestSupport.h"
#include "platform/x11/X11Desktop.h"

namespace zuna {
namespace {

using namespace test;

using PasteDeliveryTest = Deliveries<platform::X11Desktop>;

// Qt 6.4 exports its fields without the Collection interface: they are found through the tree.
// CopyQ from Debian watches all along, with its documented rule for the copies of password
// managers: a plain copy enters its history, none of the snippets does.
TEST_F(PasteDeliveryTest, GtkAndQtFieldsGetTheExactTextAndPasswordsAreRefused) {
    const QStringList copyq{"XDG_CONFIG_HOME=" + QString::fromStdString(data.path().string()),
                            "copyq", "--session=zuna"};
    const auto ask = [&](const QStringList& arguments) {
        return run("env", copyq + arguments).value_or("");
    };
    QProcess manager;
    manager.start("env", copyq);
    ASSERT_TRUE(waitUntil([&] { return ask({"count"}) == "0\n"; }, 10s));
    ask({"eval",
         "setCommands([{automatic: true, input: 'x-kde-passwordManagerHint', "
         "cmd: 'copyq ignore'}])"});
    spin(2s);  // it watches the clipboard a little after it answers
    setClipboardText(earlier);
    ASSERT_TRUE(waitUntil([&] { return ask({"count"}) == "1\n"; }, 10s));
    auto fields = gtkAndQtFields([](const QString& program, const QStringList& arguments) {
        return QStringList{program} + arguments;
    });
    // Only mask characters in a plain field: a password all the same.
    fields.push_back({"Qt masked", {ZUNA_QT_TARGET, "masked"}, "geslo", {"Return"}, "●•*∙·✱◦■\n"});
    expectDeliveries(fields);
    EXPECT_EQ(ask({"count"}), "1\n");
    EXPECT_EQ(ask({"read", "0"}), earlier);
    ask({"exit"});
}

// Terminals, GTK 4 and browsers each get the exact bytes, line breaks and tabs included, and
// keep their element. VTE (the terminal role) pastes with Ctrl+Shift+V after asking about the
// line break, xterm (no accessibility) with Shift+Insert; a program in each reads what arrives.
// GTK 4 (gnome-text-editor) has an accessibility of its own, walked element by element; select
// all and copy shows what arrived there. A page's script puts its text area's value in the
// window's title; its password input, even one that calls itself a text box, is refused, stays
// empty and leaves the clipboard alone, as does an input that the page masks by its style.
// Chromium, started without any accessibility switch, shows its fields only when asked.
TEST_F(PasteDeliveryTest, TerminalsGtk4AndBrowsersGetTheExactTextAndRefuseAPasswordInput) {
    const std::string text = "Prva vrstica\nŽiga čšž — 5 € <b>&amp;</b>\tkonec ☺";
    const auto ready = data / "ready", received = data / "received";
    const QString home = QString::fromStdString(data.path().string());
    const QStringList inTerminal{
        "sh", "-c",
        QString::fromStdString("stty -icanon -echo; touch '" + ready.string() + "'; head -c " +
                               std::to_string(text.size()) + " > '" + received.string() +
                               "'; exec sleep 60")};
    writeFile(data / "page.html", R"(<!doctype html>
<meta charset="utf-8"><title>prazno</title>
<textarea id="area" autofocus rows="4" cols="40"></textarea>
<input id="pwbox" type="password" role="textbox">
<input id="masked" style="-webkit-text-security: square" value="skrito">
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
    const QString page = "file://" + home + "/page.html";
    const QStringList ownHome{
        "XDG_DATA_HOME=" + home + "/data", "XDG_STATE_HOME=" + home + "/state",
        "XDG_CONFIG_HOME=" + home + "/config", "XDG_CACHE_HOME=" + home + "/cache"};
    // An editor that shows what arrived when all is selected and copied, or one that saves it.
    enum class Kind { terminal, asking, editor, saving, browser };
    const std::tuple<QString, QStringList, QStringList, Kind> targets[] = {
        {"xfce4-terminal",
         QStringList{"--disable-server", "--title=Terminal", "--execute"} + inTerminal,
         {},
         Kind::asking},
        {"xterm", QStringList{"-T", "Terminal", "-e"} + inTerminal, {}, Kind::terminal},
        {"gnome-text-editor", {"--standalone"}, ownHome, Kind::editor},
        // Qt 5 marks every container above Konsole's terminal and KWrite's text focused too.
        {"konsole", QStringList{"--separate", "--nofork", "-e"} + inTerminal, ownHome,
         Kind::terminal},
        {"kwrite", {home + "/kwrite.txt"}, ownHome, Kind::editor},
        // Emacs shows a panel only: its built-in rule yanks with Control+Y.
        {"emacs", {"-Q", QString::fromStdString(received.string())}, {}, Kind::saving},
        {"chromium",
         {"--no-sandbox", "--no-first-run", "--disable-background-networking",
          "--disable-component-update", "--disable-sync", "--password-store=basic",
          "--user-data-dir=" + home + "/chromium", page},
         {},
         Kind::browser},
        {"firefox-esr", {"--no-remote", "--profile", home + "/firefox", page}, {}, Kind::browser},
        // Qt WebEngine shows a page's fields when started so.
        {"falkon",
         {"--no-extensions", "--private-browsing", page},
         ownHome + QStringList{"QTWEBENGINE_DISABLE_SANDBOX=1",
                               "QTWEBENGINE_CHROMIUM_FLAGS=--force-renderer-accessibility"},
         Kind::browser},
    };
    for (const auto& [program, arguments, environment, kind] : targets) {
        SCOPED_TRACE(program.toStdString());
        std::filesystem::remove(ready);
        std::filesystem::remove(received);
        TargetApp target(program, arguments, environment);
        // Chromium's tree opens at the first click, the delivery's own: nothing asks it before.
        const bool firstClick = program == "chromium";
        ASSERT_TRUE(kind == Kind::saving || firstClick ? target.waitUntilActive(desktop, 60s)
                                                       : target.waitUntilReady(desktop, 60s));
        // The reader is in place, or the page or the editor has put the focus in its text area.
        ASSERT_TRUE(waitUntil(
            [&] {
                if (kind == Kind::terminal || kind == Kind::asking)
                    return std::filesystem::exists(ready);
                if (firstClick) return desktop.frontmostApplication()->name.rfind("prazno", 0) == 0;
                const auto field = desktop.focusedField(target.application());
                const bool area = kind == Kind::browser || kind == Kind::editor;
                return !area || (field && field->role == FieldRole::textArea);
            },
            15s));
        ASSERT_TRUE(kind == Kind::saving || firstClick || settled(target));
        auto before = firstClick ? std::pair(target.processId(), std::string()) : focusNow();
        const Report report = deliver(text);
        if (firstClick) before = focusNow();
        EXPECT_EQ(before.first, target.processId());
        EXPECT_EQ(report.message.rfind("✓ Poslano v ", 0), 0u) << report.message;
        if (kind == Kind::asking) {
            ASSERT_TRUE(waitUntil([&] {
                const auto active = desktop.frontmostApplication();
                return active && active->name == "Warning: Potentially Unsafe Paste";
            }));
            // Its Paste button by the mnemonic: since xfce4-terminal 1.1 Return means Cancel.
            ASSERT_TRUE(xdotool({"key", "alt+p"}));
        }
        EXPECT_TRUE(waitUntil([&] { return focusNow() == before; }, 3s));
        if (kind == Kind::editor) {
            setClipboardText("—");
            ASSERT_TRUE(xdotool({"key", "ctrl+a", "ctrl+c"}));
        }
        if (kind == Kind::saving) {
            ASSERT_TRUE(xdotool({"key", "ctrl+x", "ctrl+s"}));
        }
        // In the reader's file, in the editor, or in the page's title ("area=<value> - Browser").
        const auto arrived = [&]() -> std::string {
            if (kind == Kind::editor) return clipboardText();
            if (kind != Kind::browser)
                return std::filesystem::exists(received) ? readFile(received) : "nothing";
            const auto active = desktop.frontmostApplication();
            const QString name = QString::fromStdString(active ? active->name : "");
            return QByteArray::fromPercentEncoding(name.section(' ', 0, 0).toUtf8()).toStdString();
        };
        const std::string expected = (kind == Kind::browser ? "area=" : "") + text;
        EXPECT_TRUE(waitUntil([&] { return arrived() == expected; }, 5s)) << arrived();
        if (kind != Kind::browser) continue;

        // The password input, then the input the page masks by its style. Qt WebEngine shows
        // the latter's real text and draws nothing else: it cannot be told from a plain one.
        for (int field = 0; field < (program == "falkon" ? 1 : 2); ++field) {
            setClipboardText(earlier);
            ASSERT_TRUE(xdotool({"key", "Tab"}));
            ASSERT_TRUE(waitUntil([&] {
                const auto now = focusNow();
                return !now.second.empty() && now.second != before.second;
            }));
            before = focusNow();
            EXPECT_EQ(deliver("geslo123").message, secure) << field;
            EXPECT_EQ(clipboardText(), earlier);
            spin(300ms);
            EXPECT_EQ(arrived(), expected);
            EXPECT_EQ(focusNow(), before);
        }
    }
}

// Applications that show no field: each refusal names the cause and the way out, and leaves the
// clipboard alone. IDLE (Tk) is not on the accessibility bus and its window names no process;
// Falkon on Qt 5 WebEngine (Debian 12), started plainly, shows its page's document but nothing
// in it.
TEST_F(PasteDeliveryTest, ApplicationsThatShowNoFieldSayWhyAndWhatToDo) {
    const QString home = QString::fromStdString(data.path().string());
    writeFile(data / "page.html", "<!doctype html><title>prazno</title><textarea autofocus>");
    const std::tuple<QString, QStringList, QStringList, std::string> targets[] = {
        {"idle", {home + "/idle.py"}, {}, "Aplikacija ne sodeluje z dostopnostjo"},
        {"falkon",
         {"--no-extensions", "--private-browsing", "file://" + home + "/page.html"},
         {"QTWEBENGINE_DISABLE_SANDBOX=1", "XDG_CONFIG_HOME=" + home},
         "Aplikacija (Qt WebEngine)"},
    };
    for (const auto& [program, arguments, environment, cause] : targets) {
        SCOPED_TRACE(program.toStdString());
        TargetApp target(program, arguments, environment);
        // Tk names its window's class a moment after the window shows, and IDLE may replace its
        // first window: the active one is asked each time. Qt 6 WebEngine (Debian 13) shows its
        // pages' fields unasked: there Falkon is a target like any other.
        bool shown = false;
        const auto said = [&] {
            if (!target.waitUntilActive(desktop, 1s)) return false;
            const auto field = desktop.focusedField(target.application());
            shown = field && field->role == FieldRole::textArea;
            return shown ||
                   (field && field->hint.rfind(cause, 0) == 0 && !field->application.empty());
        };
        ASSERT_TRUE(target.waitUntilActive(desktop, 60s) && waitUntil(said, 30s));
        setClipboardText(earlier);
        const Report report = deliver("geslo123");
        EXPECT_EQ(report.message.rfind(shown ? "✓ Poslano v " : cause, 0), 0u) << report.message;
        if (shown) continue;
        EXPECT_EQ(clipboardText(), earlier);
        if (program != "idle") continue;
        // The user's rule for it, by its window's class (Tk's own), lets the text in.
        ASSERT_EQ(engine.ruleOffer(), "toplevel");
        engine.applicationRules = {{"toplevel", PasteShortcut::controlV}};
        const std::string text = "print('Žiga čšž')\n";
        EXPECT_EQ(deliver(text).message.rfind("✓ Poslano v ", 0), 0u);
        ASSERT_TRUE(xdotool({"key", "ctrl+s"}));
        const auto saved = data / "idle.py";
        EXPECT_TRUE(waitUntil([&] { return exists(saved) && readFile(saved) == text; }, 5s));
    }
}

class AppEndToEndTest : public PasteDeliveryTest {
  protected:
    Program program{data / "program"};
};

// The program as a user meets it, started under a file-size limit so that its saves fail as on
// a full disk: it goes on and every file stays. The palette is on every workspace; the chosen
// keys hide and show it; a click on a button pastes while the entry the user types in keeps the
// focus all along. Every path to the data folder meets the one lock inside it: a second start
// that reaches the first shows its hidden palette at once, one that cannot says so, and none
// runs beside it or touches the state. Runtime directories that are not the user's own are
// never used.
TEST_F(AppEndToEndTest, OneProgramOnEveryWorkspacePastesOnAClickAndOutlivesFailedSaves) {
    const std::string text = "Lep pozdrav, Žiga Čuk — ščđćž ŠČĐĆŽ";
    SavedState state(std::vector<Snippet>{Snippet("Pozdrav", text, "P"),
                                          Snippet("Dolg", std::string(65536, 'x'), "D")});
    state.globalShortcut = "Ctrl+Alt+Z";
    program.prepare(state);
    const std::string before = readFile(program.data / "state.json");
    const auto folder = [&](const std::string& name, mode_t mode) {
        const auto path = data.path() / name;
        std::filesystem::create_directory(path);
        chmod(path.c_str(), mode);
        return QString::fromStdString(path.string());
    };
    const QString otherLogin = folder("other-runtime", 0700);
    const QString shared = folder("shared-runtime", 0777);
    const QString bind = folder("bind", 0700);
    std::filesystem::create_symlink(program.data, data.path() / "link");
    const QString link = QString::fromStdString((data.path() / "link").string());
    const QString dataFolder = QString::fromStdString(program.data.string());
    const bool bindMounts = QProcess::execute("unshare", {"-m", "true"}) == 0;

    ASSERT_TRUE(program.start({}, {"prlimit", "--fsize=8192"}));
    ASSERT_TRUE(program.shown());
    // i3 keeps only the workspaces in use, so it is asked for the third by its number; the first,
    // left empty when the palette moves along, is gone then.
    const bool i3 =
        run("xprop", {"-root", "I3_SOCKET_PATH"}).value_or("").find('=') != std::string::npos;
    const auto toWorkspace = [&](int index) {
        return i3 ? run("i3-msg", {"workspace", "number", QString::number(index + 1)}).has_value()
                  : xdotool({"set_desktop", QString::number(index)});
    };
    ASSERT_TRUE(toWorkspace(2));
    EXPECT_TRUE(waitUntil([&] {
        return i3 ? run("xprop", {"-root", "-notype", "_NET_DESKTOP_NAMES"}) ==
                        "_NET_DESKTOP_NAMES = \"3\"\n"
                  : run("xdotool", {"get_desktop"}) == "2\n";
    }));
    EXPECT_EQ(windowsTitled("Zuna Trep").size(), 1);
    ASSERT_TRUE(toWorkspace(0));

    TargetApp entry("zenity", {"--entry", "--title=Vnos"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    for (const int palettes : {0, 1}) {
        ASSERT_TRUE(xdotool({"key", "ctrl+alt+z"}));
        EXPECT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").size() == palettes; }));
    }
    // i3 places the palette anew each time it is shown.
    ASSERT_TRUE(program.shown());
    std::set<int> activeProcesses;
    ASSERT_TRUE(clickAt(program.firstButton()));
    waitUntil(
        [&] {
            if (auto active = desktop.frontmostApplication())
                activeProcesses.insert(active->processId);
            return clipboardText() == text;
        },
        5s);
    // Give the entry time to ask the program for the clipboard's text.
    spin(300ms);
    EXPECT_THAT(activeProcesses, testing::ElementsAre(entry.processId()));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(entry.finish(), text + "\n");
    // The palette's frame could not be saved.
    EXPECT_EQ(program.process.state(), QProcess::Running);
    EXPECT_THAT(namesStartingWith(program.data, ".state"), testing::IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(program.data / "state.previous.json"));

    ASSERT_TRUE(clickAt(program.hideButton()));
    ASSERT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").empty(); }));
    const std::tuple<const char*, std::map<QString, QString>, QStringList, int> starts[] = {
        {"the same way", {}, {}, 0},
        {"through a link", {{"ZUNA_DATA_DIR", link}}, {}, 0},
        {"through a bind mount",
         {{"ZUNA_DATA_DIR", bind}},
         {"unshare", "-m", "sh", "-c",
          "mount --bind '" + dataFolder + "' '" + bind + "' && exec \"$0\""},
         0},
        {"from another login", {{"XDG_RUNTIME_DIR", otherLogin}}, {}, 1},
        {"without a runtime directory", {{"XDG_RUNTIME_DIR", ""}}, {}, 1},
        {"with a shared runtime directory", {{"XDG_RUNTIME_DIR", shared}}, {}, 1},
        {"with a file for a data folder", {{"ZUNA_DATA_DIR", dataFolder + "/state.json"}}, {}, 1},
    };
    // A sync tool that renames a file of its own over a lock file lets no one in.
    writeFile(data.path() / "synced-lock", "");
    std::filesystem::rename(data.path() / "synced-lock", program.data / ".zuna-trep.lock");
    for (const auto& [how, environment, command, exitCode] : starts) {
        SCOPED_TRACE(how);
        if (!command.isEmpty() && !bindMounts) continue;
        QProcess second;
        const auto started = Clock::now();
        ASSERT_TRUE(program.start(environment, command, &second));
        ASSERT_TRUE(finished(second));
        EXPECT_EQ(second.exitCode(), exitCode);
        EXPECT_LT(Clock::now() - started, 1s);
        EXPECT_TRUE(program.shown());
    }
    EXPECT_EQ(readFile(program.data / "state.json"), before);
    // The power button quits; with only a shared runtime directory the program runs and leaves
    // nothing there.
    ASSERT_TRUE(clickAt(program.quitButton()));
    ASSERT_TRUE(finished(program.process));
    EXPECT_EQ(program.process.exitCode(), 0);
    ASSERT_TRUE(program.start({{"XDG_RUNTIME_DIR", shared}}));
    ASSERT_TRUE(program.shown());
    EXPECT_TRUE(std::filesystem::is_empty(shared.toStdString()));
}

}  // namespace
}  // namespace zuna
