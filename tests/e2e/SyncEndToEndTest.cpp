// Two palettes on two Syncthing devices of this machine, as one user's laptop and desktop: what
// is written on one side, by hand or by a palette, online or offline, ends up on both.
#include <QTcpServer>
#include <set>

#include "EndToEndSupport.h"
#include "StoreTestSupport.h"

namespace zuna {
namespace {

using namespace test;

QString freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return QString::number(server.serverPort());
}

// A device sharing one folder with one other, reaching nothing but 127.0.0.1: no discovery,
// relays, NAT, reports or upgrades. What config.xml leaves out is zero, not Syncthing's default:
// without maxConflicts a concurrent change would be lost instead of kept aside. A pull that met
// the file being written is tried again after pullerPauseS, a minute if left out.
struct Device {
    explicit Device(const std::filesystem::path& dir)
        : config(dir / "config.xml"), home("--home=" + QString::fromStdString(dir.string())) {
        run("syncthing", {"generate", home});
        id = QString::fromStdString(run("syncthing", {"serve", home, "--device-id"}).value_or(""))
                 .trimmed();
    }
    ~Device() {
        process.terminate();
        process.waitForFinished(5000);
    }
    bool start(const std::filesystem::path& folder, const Device& other) {
        writeFile(config, QStringLiteral(R"(<configuration version="36">
<folder id="zuna" path="%1" rescanIntervalS="5" fsWatcherEnabled="true" fsWatcherDelayS="1">
 <device id="%2"></device><device id="%3"></device><maxConflicts>10</maxConflicts>
 <pullerPauseS>2</pullerPauseS></folder>
<device id="%3"><address>tcp://127.0.0.1:%4</address></device>
<gui enabled="true" tls="false"><address>127.0.0.1:%5</address><apikey>%2</apikey></gui>
<options><listenAddress>tcp://127.0.0.1:%6</listenAddress><urAccepted>-1</urAccepted>
 <globalAnnounceEnabled>false</globalAnnounceEnabled><localAnnounceEnabled>false</localAnnounceEnabled>
 <relaysEnabled>false</relaysEnabled><natEnabled>false</natEnabled><autoUpgradeIntervalH>0</autoUpgradeIntervalH>
 <crashReportingEnabled>false</crashReportingEnabled></options></configuration>)")
                              .arg(QString::fromStdString(folder.string()), id, other.id,
                                   other.port, gui, port)
                              .toStdString());
        auto environment = QProcessEnvironment::systemEnvironment();
        for (const QString& name : environment.keys())  // a proxy would take it off the machine
            if (name.contains("proxy", Qt::CaseInsensitive)) environment.remove(name);
        environment.insert("STNOUPGRADE", "1");
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start("syncthing", {"serve", home, "--no-browser", "--no-restart"});
        return process.waitForStarted(5000);
    }
    std::filesystem::path config;
    QString home, id, port = freePort(), gui = freePort();
    QProcess process;
};

// A folder's state; one empty group while the file cannot be read or is missing (Syncthing
// deletes the old file before it renames the new one into place).
SavedState held(const Program& program) {
    try {
        return program.stored();
    } catch (const std::exception&) {
        return SavedState(std::vector<Snippet>{});
    }
}
std::set<std::string> ids(const Program& program) {
    std::set<std::string> found;
    const SavedState state = held(program);
    for (const auto& button : state.buttons())
        found.insert(button.id);
    return found;
}
// Syncthing's conflict copies of the state file and of its previous copy.
std::size_t conflicts(const Program& program) {
    return namesStartingWith(program.data, "state.sync-conflict").size() +
           namesStartingWith(program.data, "state.previous.sync-conflict").size();
}
// A button added by hand: in place, or as a new file renamed over the old as editors do.
void addByHand(const Program& program, const std::string& id, bool inPlace) {
    SavedState changed = program.stored();
    changed.buttons().emplace_back("Ročno " + id, "iz urejevalnika", id);
    const std::filesystem::path target = program.data / "state.json",
                                written = target.string() + ".new";
    writeFile(inPlace ? target : written, jsonData(changed));
    if (!inPlace) std::filesystem::rename(written, target);
}
TEST(SyncEndToEndTest, TwoPalettesOnSyncedFoldersKeepEveryButtonOnlineOfflineAndAfterDamage) {
    TempDir temp;
    Device deviceA(temp / "a-home"), deviceB(temp / "b-home");
    Program a(temp / "a"), b(temp / "b");
    a.prepare(SavedState(std::vector<Snippet>{Snippet("Pozdrav", "Lep pozdrav", "P")}));
    b.prepare(a.stored());
    ASSERT_TRUE(deviceA.start(a.data, deviceB) && deviceB.start(b.data, deviceA));
    // Both palettes open at the same place: B moves aside.
    ASSERT_TRUE(a.start() && a.shown() && b.start() && b.shown());
    ASSERT_TRUE(xdotool({"windowmove", b.window, "300", "100"}));
    ASSERT_TRUE(waitUntil([&] { return b.shown() && b.frame.x() < a.frame.x() - 200; }));
    // Both folders hold the same state, with `buttons`, and keep it: no palette answers the
    // other's write. The start's frame saves are over before the first hand edit.
    const auto settled = [&](const std::set<std::string>& buttons) {
        return waitUntil(
            [&] {
                const SavedState now = held(a);
                return ids(a) == buttons && held(b) == now &&
                       !waitUntil([&] { return held(a) != now || held(b) != now; }, 4s);
            },
            40s);
    };
    ASSERT_TRUE(settled({"P"}));

    addByHand(a, "H", true);
    ASSERT_TRUE(waitUntil([&] { return ids(b).contains("H"); }));
    // The click travels to A. Where Syncthing made it a conflict with a write on A, the copy is
    // merged as additions and its settings do not win: then both sides keep the theme they had.
    const auto merged = [&] {
        return namesStartingWith(a.data, "sinhronizacija-").size() +
               namesStartingWith(b.data, "sinhronizacija-").size();
    };
    const std::size_t mergedBefore = merged();
    ASSERT_TRUE(clickAt(b.midnightDot()));
    EXPECT_TRUE(waitUntil(
        [&] {
            const AppTheme theme = held(a).theme;
            return theme == held(b).theme &&
                   (theme == AppTheme::midnight || merged() > mergedBefore);
        },
        30s))
        << testing::PrintToString(namesStartingWith(a.data, ""));
    for (const Program* side : {&b, &a})
        EXPECT_EQ(ids(*side), (std::set<std::string>{"P", "H"}));

    // Offline (B paused on A, as a laptop goes; Syncthing's client finds the address and the
    // API key in config.xml), each side gets a button by hand, then a click on its light dot.
    const auto paused = [&](const QString& on) {
        return run("syncthing",
                   {"cli", deviceA.home, "config", "devices", deviceB.id, "paused", "set", on})
            .has_value();
    };
    ASSERT_TRUE(paused("true"));
    for (const Program* side : {&a, &b}) {
        const std::string id = side == &a ? "HA" : "HB";
        addByHand(*side, id, false);
        ASSERT_TRUE(clickAt(side->lightDot()));
        EXPECT_TRUE(waitUntil([&] { return held(*side).theme == AppTheme::light; }));
        EXPECT_EQ(ids(*side), (std::set<std::string>{"P", "H", id}));
    }
    ASSERT_TRUE(paused("false"));
    const std::set<std::string> all{"P", "H", "HA", "HB"};
    EXPECT_TRUE(settled(all)) << ids(a).size() << " and " << ids(b).size() << " buttons";
    EXPECT_EQ(conflicts(a) + conflicts(b), 0u);

    const std::string damaged = R"({"nicht json)";
    writeFile(a.data / "state.json", damaged);
    EXPECT_TRUE(waitUntil([&] {
        const auto copies = namesStartingWith(a.data, "state-damaged-");
        return ids(a) == all && !copies.empty() && readFile(a.data / copies[0]) == damaged;
    }));
    EXPECT_TRUE(settled(all)) << ids(a).size() << " and " << ids(b).size() << " buttons";
    EXPECT_EQ(conflicts(a) + conflicts(b), 0u);
}

}  // namespace
}  // namespace zuna
