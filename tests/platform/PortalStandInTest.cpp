// The remote-control grant against a recording stand-in for the desktop portal, on a private
// session bus (dbus-run-session): the parts a real portal on Debian 12 cannot show, since its
// xdg-desktop-portal 1.16 keeps no grant across runs. The real portal is met on a headless
// mutter by the Wayland tests.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QThread>
#include <QTimer>

#include "DesktopTestSupport.h"
#include "TestSupport.h"
#include "core/fs/FileSystem.h"
#include "platform/wayland/RemoteDesktopPortal.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using platform::RemoteDesktopPortal;
using State = RemoteDesktopPortal::State;

// Stands in for org.freedesktop.portal.Desktop: answers every request as a user who agrees (or
// refuses), and writes down what it was asked. Runs on a thread and a connection of its own, so
// that the portal's blocking calls from the test's thread get their answers.
class PortalStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint version MEMBER version)
    Q_PROPERTY(uint AvailableDeviceTypes MEMBER deviceTypes)

  public:
    uint version = 2;
    uint deviceTypes = 7;
    // What Start answers: 0 agreed, 1 refused by the user.
    uint startAnswer = 0;
    // Answers Start this late; holds up the answer to this key's press.
    int startDelayMs = 10;
    int slowKeysym = 0;
    QString token = QStringLiteral("token-1");

    // Written on the stand-in's thread; read through StandInRig::record().
    struct Record {
        QStringList calls;
        QVariantMap selectOptions;
        std::vector<std::pair<int, uint>> keys;
    } record;

  public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message) {
        note("CreateSession");
        session_ = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                       .arg(sender(message), options.value("session_handle_token").toString());
        return respond(message, options, 0, {{"session_handle", session_}});
    }
    QDBusObjectPath SelectDevices(const QDBusObjectPath&, const QVariantMap& options,
                                  const QDBusMessage& message) {
        note("SelectDevices");
        record.selectOptions = options;
        return respond(message, options, 0, {});
    }
    QDBusObjectPath Start(const QDBusObjectPath&, const QString&, const QVariantMap& options,
                          const QDBusMessage& message) {
        note("Start");
        QVariantMap results{{"devices", 1u}};
        if (version >= 2) results.insert("restore_token", token);
        return respond(message, options, startAnswer, startAnswer == 0 ? results : QVariantMap(),
                       startDelayMs);
    }
    void NotifyKeyboardKeysym(const QDBusObjectPath&, const QVariantMap&, int keysym, uint state) {
        record.keys.emplace_back(keysym, state);
        if (keysym == slowKeysym && state == 1) QThread::msleep(700);
    }
    // The user revokes the grant in the desktop's settings.
    void closeSession() {
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stand-in")
            .send(QDBusMessage::createSignal(session_, "org.freedesktop.portal.Session", "Closed"));
    }

  private:
    static QString sender(const QDBusMessage& message) {
        return message.service().mid(1).replace('.', '_');
    }
    void note(const QString& call) { record.calls << call; }
    // Replies with the request object and answers on it a moment later, as a portal does.
    QDBusObjectPath respond(const QDBusMessage& message, const QVariantMap& options, uint answer,
                            QVariantMap results, int delayMs = 10) {
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender(message), options.value("handle_token").toString());
        QTimer::singleShot(delayMs, this, [path, answer, results] {
            QDBusMessage response =
                QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
            response << answer << results;
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stand-in").send(response);
        });
        return QDBusObjectPath(path);
    }

    QString session_;
};

// The stand-in on its thread, registered under the portal's name.
class StandInRig {
  public:
    explicit StandInRig(uint version = 2, uint startAnswer = 0) {
        standIn.version = version;
        standIn.startAnswer = startAnswer;
        standIn.moveToThread(&thread);
        thread.start();
        onThread([this] {
            auto bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stand-in");
            bus.registerObject(
                "/org/freedesktop/portal/desktop", &standIn,
                QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
            bus.registerService("org.freedesktop.portal.Desktop");
        });
    }
    ~StandInRig() {
        onThread([] {
            auto bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stand-in");
            bus.unregisterService("org.freedesktop.portal.Desktop");
            bus.unregisterObject("/org/freedesktop/portal/desktop");
        });
        thread.quit();
        thread.wait();
    }
    void closeSession() {
        onThread([this] { standIn.closeSession(); });
    }
    PortalStandIn::Record record() {
        PortalStandIn::Record copy;
        onThread([&] { copy = standIn.record; });
        return copy;
    }
    void onThread(const std::function<void()>& work) {
        QMetaObject::invokeMethod(&standIn, work, Qt::BlockingQueuedConnection);
    }

    PortalStandIn standIn;
    QThread thread;
};

const std::vector<std::pair<int, uint>> pasteKeys{{0xffe3, 1}, {0x76, 1}, {0x76, 0}, {0xffe3, 0}};

TEST(PortalStandIn, TheGrantIsKeptAsATokenAndComesBackAtTheNextStartWithoutAsking) {
    test::TempDir data;
    const auto tokenFile = data / "remote-desktop.token";
    StandInRig rig;
    {
        RemoteDesktopPortal portal(tokenFile);
        // Nothing is asked, or sent, before the user presses the permission button.
        EXPECT_TRUE(portal.available());
        EXPECT_EQ(portal.state(), State::idle);
        EXPECT_FALSE(portal.sendPasteKeys(PasteShortcut::controlV));
        EXPECT_TRUE(rig.record().calls.isEmpty());

        portal.request();
        ASSERT_TRUE(test::waitUntil([&] { return portal.granted(); }, 5s));
        const auto first = rig.record();
        EXPECT_EQ(first.calls, (QStringList{"CreateSession", "SelectDevices", "Start"}));
        EXPECT_EQ(first.selectOptions.value("types").toUInt(), 1u);
        EXPECT_EQ(first.selectOptions.value("persist_mode").toUInt(), 2u);
        EXPECT_FALSE(first.selectOptions.contains("restore_token"));
        EXPECT_EQ(fs::readFileLimited(tokenFile, 4096), "token-1");

        EXPECT_TRUE(portal.sendPasteKeys(PasteShortcut::controlV));
        EXPECT_EQ(rig.record().keys, pasteKeys);
        // A terminal's keys: Shift joins Control, and both come up in the reverse order.
        EXPECT_TRUE(portal.sendPasteKeys(PasteShortcut::controlShiftV));
        const auto keys = rig.record().keys;
        EXPECT_EQ(std::vector(keys.begin() + 4, keys.end()),
                  (std::vector<std::pair<int, uint>>{
                      {0xffe3, 1}, {0xffe1, 1}, {0x76, 1}, {0x76, 0}, {0xffe1, 0}, {0xffe3, 0}}));
        // A press answered too late may still have arrived: it is released all the same.
        rig.onThread([&] { rig.standIn.slowKeysym = 0xffe3; });
        EXPECT_FALSE(portal.sendPasteKeys(PasteShortcut::controlV));
        EXPECT_TRUE(test::waitUntil([&] { return rig.record().keys.size() == 12; }, 3s));
        EXPECT_EQ(rig.record().keys.back(), (std::pair<int, uint>{0xffe3, 0}));
        rig.onThread([&] { rig.standIn.slowKeysym = 0; });
    }
    // The next start hands the token back at once; the portal answers without its dialog.
    RemoteDesktopPortal again(tokenFile);
    ASSERT_TRUE(test::waitUntil([&] { return again.granted(); }, 5s));
    EXPECT_EQ(rig.record().selectOptions.value("restore_token").toString(), "token-1");
}

// A refusal in the dialog or a revocation later leaves the grant missing; a portal of version 1
// grants for this run only and keeps no token.
TEST(PortalStandIn, ARefusalARevocationAndAnOldPortalLeaveTheGrantMissing) {
    const std::tuple<const char*, uint, uint, bool> cases[] = {
        {"the user cancels the dialog", 2, 1, false},
        {"the user revokes the grant later", 2, 0, true},
        {"version 1 keeps nothing", 1, 0, false},
    };
    for (const auto& [situation, version, answer, revoke] : cases) {
        SCOPED_TRACE(situation);
        test::TempDir data;
        StandInRig rig(version, answer);
        RemoteDesktopPortal portal(data / "remote-desktop.token");
        EXPECT_EQ(portal.restores(), version >= 2);
        portal.request();
        ASSERT_TRUE(test::waitUntil([&] { return portal.state() != State::asking; }, 5s));
        EXPECT_EQ(portal.granted(), answer == 0);
        if (revoke) {
            rig.closeSession();
            EXPECT_TRUE(test::waitUntil([&] { return portal.state() == State::refused; }, 5s));
        }
        EXPECT_EQ(portal.sendPasteKeys(PasteShortcut::controlV), version == 1);
        EXPECT_EQ(rig.record().selectOptions.contains("persist_mode"), version >= 2);
        EXPECT_EQ(std::filesystem::exists(data / "remote-desktop.token"),
                  version >= 2 && answer == 0);
    }
    // A question left unanswered is given up, and its late answer changes nothing.
    test::TempDir data;
    StandInRig rig;
    rig.onThread([&] { rig.standIn.startDelayMs = 1500; });
    RemoteDesktopPortal portal(data / "remote-desktop.token", 300ms);
    portal.request();
    ASSERT_TRUE(test::waitUntil([&] { return portal.state() == State::refused; }, 3s));
    EXPECT_TRUE(portal.timedOut());
    test::waitUntil([] { return false; }, 1500ms);
    EXPECT_EQ(portal.state(), State::refused);
}

}  // namespace
}  // namespace zuna

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}

#include "PortalStandInTest.moc"
