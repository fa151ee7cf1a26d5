#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>

#include "platform/KeySender.h"

namespace zuna::platform {

// The desktop portal's remote-control grant (org.freedesktop.portal.RemoteDesktop), through
// which GNOME and KDE let a program send key events to the application in front. The user
// agrees once in the portal's own dialog; the portal's restore token, kept in a file of the data
// folder, brings the grant back at the next start without asking again. Until the user agreed,
// the grant is not there, and nothing pretends otherwise.
class RemoteDesktopPortal : public QObject, public KeySender {
    Q_OBJECT
  public:
    enum class State { idle, asking, granted, refused };

    // `tokenFile` keeps the restore token between runs. With a token from an earlier run the
    // grant is asked back at once, which needs no dialog.
    // A question the portal leaves unanswered for `answerLimit` is given up (see timedOut()).
    explicit RemoteDesktopPortal(std::filesystem::path tokenFile,
                                 std::chrono::milliseconds answerLimit = std::chrono::minutes(2));
    ~RemoteDesktopPortal() override;

    // The session bus has a portal with the remote-control interface (asked once, then kept).
    bool available() override;
    // The portal keeps a grant across runs (version 2 of the interface, xdg-desktop-portal 1.18
    // and later); Debian 12's 1.16 asks again at every start of the program.
    bool restores() { return available() && version_ >= 2; }
    State state() const { return state_; }
    bool granted() override { return state_ == State::granted; }
    std::string limitation() override;
    // The last question got no answer in time.
    bool timedOut() const { return timedOut_; }
    // Opens the portal's dialog; returns at once, the answer arrives later. Does nothing while a
    // question is open or the grant is there.
    void request() override;

    // The shortcut's modifiers down, its key down and up, the modifiers up, by key symbol, so
    // the portal's keyboard layout decides the key. False when the grant is not there.
    bool sendPasteKeys(PasteShortcut shortcut) override;

  private slots:
    void sessionCreated(uint response, const QVariantMap& results);
    void devicesSelected(uint response, const QVariantMap& results);
    void started(uint response, const QVariantMap& results);
    void sessionClosed();

  private:
    // Calls a portal method whose answer comes as a Response signal on a request object; the
    // signal is connected before the call, so a fast answer is not lost.
    bool call(const QString& method, QList<QVariant> arguments, QVariantMap options,
              const char* slot);
    bool notifyKey(int keysym, bool pressed);
    void setState(State state);
    // Removes the hook of the request that was answered or given up.
    void forgetRequest();
    void giveUp();
    void dropSession();
    std::optional<std::string> savedToken() const;

    std::filesystem::path tokenFile_;
    State state_ = State::idle;
    std::optional<bool> available_;
    unsigned version_ = 0;
    QDBusObjectPath session_;
    QString requestPath_;
    const char* requestSlot_ = nullptr;
    QTimer answerTimer_;
    bool timedOut_ = false;
    int requests_ = 0;
};

}  // namespace zuna::platform
