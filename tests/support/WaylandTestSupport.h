#pragma once

#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <string>

namespace zuna::test {

// The test's pointer and keyboard on sway (the program ZUNA_WAYLAND_INPUT names):
// "click X Y", "down KEY", "up KEY", "tap KEY", "wait MS".
bool input(const QStringList& arguments);

// The seat's clipboard as a Wayland client reads it.
std::string waylandClipboard();

// The arguments for env that start a program as a native Wayland client.
QStringList onWayland(const QString& program, const QStringList& arguments);

// Ticks "Allow remote interaction" and presses "Share" in the desktop portal's dialog (a GTK 4
// window of xdg-desktop-portal-gnome, found through the accessibility bus), as a user who agrees.
bool agreeInPortalDialog();

// The test's keyboard and mouse on GNOME, through mutter's own remote-desktop interface. From
// its first key on, the seat has a keyboard, so windows mapped later get the focus.
class MutterInput {
  public:
    MutterInput();
    ~MutterInput();
    MutterInput(const MutterInput&) = delete;
    MutterInput& operator=(const MutterInput&) = delete;

    bool tap(unsigned keysym);
    bool key(unsigned keysym, bool pressed);
    // A left click at a point of the screen (mutter moves its pointer only relatively here).
    bool click(int x, int y);

  private:
    static QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                             const QList<QVariant>& arguments);
    QString session_;
};

constexpr unsigned returnKeysym = 0xff0d;

}  // namespace zuna::test
