#include "WaylandTestSupport.h"

#include <atspi/atspi.h>

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <cstdlib>

#include "DesktopTestSupport.h"

namespace zuna::test {
namespace {

constexpr const char* mutterSession = "org.gnome.Mutter.RemoteDesktop.Session";
constexpr unsigned shiftKeysym = 0xffe1;

// By label in any case, past a list row without an action to its check box (both GNOME 48).
bool pressButtonLabelled(AtspiAccessible* element, const QString& label, int depth = 0) {
    if (depth > 16) return false;
    const AtspiRole role = atspi_accessible_get_role(element, nullptr);
    if (role == ATSPI_ROLE_PUSH_BUTTON || role == ATSPI_ROLE_CHECK_BOX) {
        gchar* name = atspi_accessible_get_name(element, nullptr);
        const bool match = name != nullptr && QString(name).contains(label, Qt::CaseInsensitive);
        g_free(name);
        if (match) {
            AtspiAction* action = atspi_accessible_get_action_iface(element);
            const bool done = action != nullptr && atspi_action_do_action(action, 0, nullptr);
            if (action != nullptr) g_object_unref(action);
            if (done) return true;
        }
    }
    const int count = atspi_accessible_get_child_count(element, nullptr);
    for (int i = 0; i < count; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(element, i, nullptr);
        if (child == nullptr) continue;
        const bool done = pressButtonLabelled(child, label, depth + 1);
        g_object_unref(child);
        if (done) return true;
    }
    return false;
}

// Presses the button or ticks the check box with this label once the portal's dialog shows it.
bool answerPortalDialog(const std::string& label) {
    return waitUntil([&] {
        AtspiAccessible* desktop = atspi_get_desktop(0);
        bool done = false;
        const int count = atspi_accessible_get_child_count(desktop, nullptr);
        for (int i = 0; i < count && !done; ++i) {
            AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (application == nullptr) continue;
            gchar* name = atspi_accessible_get_name(application, nullptr);
            if (name != nullptr && std::string(name) == "xdg-desktop-portal-gnome")
                done = pressButtonLabelled(application, QString::fromStdString(label));
            g_free(name);
            g_object_unref(application);
        }
        g_object_unref(desktop);
        return done;
    });
}

}  // namespace

bool input(const QStringList& arguments) {
    const char* program = std::getenv("ZUNA_WAYLAND_INPUT");
    return program != nullptr && run(QString::fromLocal8Bit(program), arguments).has_value();
}

std::string waylandClipboard() {
    return run(QStringLiteral("wl-paste"), {"--no-newline"}).value_or("");
}

QStringList onWayland(const QString& program, const QStringList& arguments) {
    return QStringList{"GDK_BACKEND=wayland", "QT_QPA_PLATFORM=wayland", program} + arguments;
}

bool agreeInPortalDialog() {
    // Share stays greyed out until remote interaction is ticked.
    return answerPortalDialog("Allow remote interaction") && answerPortalDialog("Share");
}

MutterInput::MutterInput() {
    const auto reply = call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                            "CreateSession", {});
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        session_ = reply.arguments().front().value<QDBusObjectPath>().path();
        call(session_, mutterSession, "Start", {});
        // Each device is made at its first event; mutter 48 drops those sent before it is ready.
        tap(shiftKeysym);
        call(session_, mutterSession, "NotifyPointerMotionRelative", {0.0, 0.0});
        spin(200ms);
    }
}

MutterInput::~MutterInput() {
    if (!session_.isEmpty()) call(session_, mutterSession, "Stop", {});
}

bool MutterInput::tap(unsigned keysym) {
    return key(keysym, true) && key(keysym, false);
}

bool MutterInput::key(unsigned keysym, bool pressed) {
    return call(session_, mutterSession, "NotifyKeyboardKeysym", {keysym, pressed}).type() ==
           QDBusMessage::ReplyMessage;
}

bool MutterInput::click(int x, int y) {
    const auto ok = [](const QDBusMessage& reply) {
        return reply.type() == QDBusMessage::ReplyMessage;
    };
    constexpr unsigned leftButton = 0x110;  // BTN_LEFT
    // Into the top left corner first, which the pointer cannot leave, then to the point.
    const bool moved =
        ok(call(session_, mutterSession, "NotifyPointerMotionRelative", {-10000.0, -10000.0})) &&
        ok(call(session_, mutterSession, "NotifyPointerMotionRelative", {double(x), double(y)}));
    spin(100ms);
    return moved &&
           ok(call(session_, mutterSession, "NotifyPointerButton", {int(leftButton), true})) &&
           ok(call(session_, mutterSession, "NotifyPointerButton", {int(leftButton), false}));
}

QDBusMessage MutterInput::call(const QString& path, const QString& interface, const QString& method,
                               const QList<QVariant>& arguments) {
    auto message =
        QDBusMessage::createMethodCall("org.gnome.Mutter.RemoteDesktop", path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
}

}  // namespace zuna::test
