#include "platform/wayland/RemoteDesktopPortal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <vector>

#include "core/fs/FileSystem.h"
#include "core/localization/Localization.h"

namespace zuna::platform {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr unsigned kKeyboardDevice = 1;
// Kept until the user revokes it in the desktop's settings.
constexpr unsigned kPersistUntilRevoked = 2;
constexpr int kControlKeysym = 0xffe3;  // Control_L
constexpr int kShiftKeysym = 0xffe1;    // Shift_L
constexpr int kVKeysym = 0x76;          // v
constexpr int kYKeysym = 0x79;          // y
constexpr int kInsertKeysym = 0xff63;   // Insert
constexpr int kPropertyTimeoutMs = 2000;
constexpr int kKeyTimeoutMs = 500;
constexpr std::uintmax_t kMaxTokenBytes = 4096;

std::optional<QVariant> portalProperty(const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kRemoteDesktop << name;
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(get, QDBus::Block, kPropertyTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    return reply.arguments().front().value<QDBusVariant>().variant();
}

}  // namespace

RemoteDesktopPortal::RemoteDesktopPortal(std::filesystem::path tokenFile,
                                         std::chrono::milliseconds answerLimit)
    : tokenFile_(std::move(tokenFile)) {
    answerTimer_.setSingleShot(true);
    answerTimer_.setInterval(answerLimit);
    connect(&answerTimer_, &QTimer::timeout, this, &RemoteDesktopPortal::giveUp);
    // A grant the user gave in an earlier run comes back without a dialog.
    if (savedToken()) request();
}

RemoteDesktopPortal::~RemoteDesktopPortal() {
    forgetRequest();
    dropSession();
}

bool RemoteDesktopPortal::available() {
    if (!available_) {
        const auto version = portalProperty(QStringLiteral("version"));
        const auto types = portalProperty(QStringLiteral("AvailableDeviceTypes"));
        version_ = version ? version->toUInt() : 0;
        available_ = version_ > 0 && types && (types->toUInt() & kKeyboardDevice) != 0;
    }
    return *available_;
}

std::string RemoteDesktopPortal::limitation() {
    if (granted()) return {};
    if (state_ == State::asking)
        return L("Namizje čaka na tvoj odgovor v oknu za oddaljeno upravljanje.");
    if (timedOut_)
        return L(
            "Namizje ni odgovorilo na vprašanje za oddaljeno upravljanje. Poskusi znova z gumbom Odpri nastavitve.");
    return L(
        "Ukaz za lepljenje potrebuje dovoljenje namizja za oddaljeno upravljanje; vprašanje odpre gumb Odpri nastavitve.");
}

void RemoteDesktopPortal::request() {
    if (state_ == State::asking || state_ == State::granted || !available()) return;
    setState(State::asking);
    timedOut_ = false;
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"),
                   QStringLiteral("zuna_session%1").arg(++requests_));
    if (!call(QStringLiteral("CreateSession"), {}, options,
              SLOT(sessionCreated(uint, QVariantMap))))
        setState(State::refused);
}

void RemoteDesktopPortal::sessionCreated(uint response, const QVariantMap& results) {
    forgetRequest();
    const QString handle = results.value(QStringLiteral("session_handle")).toString();
    if (response != 0 || handle.isEmpty()) {
        setState(State::refused);
        return;
    }
    session_ = QDBusObjectPath(handle);
    QDBusConnection::sessionBus().connect(kPortalService, handle, kSessionInterface,
                                          QStringLiteral("Closed"), this, SLOT(sessionClosed()));
    QVariantMap options;
    options.insert(QStringLiteral("types"), QVariant::fromValue(kKeyboardDevice));
    // Restoring needs version 2 of the interface; older portals ask at every start.
    if (version_ >= 2) {
        options.insert(QStringLiteral("persist_mode"), QVariant::fromValue(kPersistUntilRevoked));
        if (auto token = savedToken())
            options.insert(QStringLiteral("restore_token"), QString::fromStdString(*token));
    }
    if (!call(QStringLiteral("SelectDevices"), {QVariant::fromValue(session_)}, options,
              SLOT(devicesSelected(uint, QVariantMap)))) {
        dropSession();
        setState(State::refused);
    }
}

void RemoteDesktopPortal::devicesSelected(uint response, const QVariantMap&) {
    forgetRequest();
    if (response != 0) {
        dropSession();
        setState(State::refused);
        return;
    }
    // Here the portal shows its dialog, unless the restore token stands for an earlier consent.
    if (!call(QStringLiteral("Start"), {QVariant::fromValue(session_), QString()}, {},
              SLOT(started(uint, QVariantMap)))) {
        dropSession();
        setState(State::refused);
    }
}

void RemoteDesktopPortal::started(uint response, const QVariantMap& results) {
    forgetRequest();
    const unsigned devices = results.value(QStringLiteral("devices")).toUInt();
    if (response != 0 || (devices & kKeyboardDevice) == 0) {
        dropSession();
        setState(State::refused);
        return;
    }
    const QString token = results.value(QStringLiteral("restore_token")).toString();
    if (!token.isEmpty()) {
        try {
            fs::writeFileAtomically(tokenFile_, token.toStdString());
        } catch (const std::exception&) {
            // The grant still holds for this run; the next start asks again.
        }
    }
    setState(State::granted);
}

void RemoteDesktopPortal::sessionClosed() {
    // Revoked by the user or the desktop: only a new question brings it back.
    session_ = QDBusObjectPath();
    setState(State::refused);
}

bool RemoteDesktopPortal::sendPasteKeys(PasteShortcut shortcut) {
    if (state_ != State::granted) return false;
    std::vector<int> held;
    const ShortcutKeys keys = shortcutKeys(shortcut);
    if (keys.control) held.push_back(kControlKeysym);
    if (keys.shift) held.push_back(kShiftKeysym);
    held.push_back(keys.key == ShortcutKey::insert ? kInsertKeysym
                   : keys.key == ShortcutKey::y    ? kYKeysym
                                                   : kVKeysym);
    // A press whose answer did not come in time may still reach the compositor: every press
    // sent gets its release, in the reverse order, whatever the answers say.
    std::size_t pressed = 0;
    bool sent = true;
    while (sent && pressed < held.size())
        sent = notifyKey(held[pressed++], true);
    while (pressed > 0)
        sent = notifyKey(held[--pressed], false) && sent;
    return sent;
}

bool RemoteDesktopPortal::notifyKey(int keysym, bool pressed) {
    QDBusMessage notify = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, kRemoteDesktop, QStringLiteral("NotifyKeyboardKeysym"));
    notify << QVariant::fromValue(session_) << QVariantMap() << keysym
           << static_cast<uint>(pressed ? 1 : 0);
    // Each answer is waited for: the portal hands the events on to the compositor without
    // keeping their order otherwise, and a v that overtakes its Control arrives as a letter.
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(notify, QDBus::Block, kKeyTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool RemoteDesktopPortal::call(const QString& method, QList<QVariant> arguments,
                               QVariantMap options, const char* slot) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    const QString token = QStringLiteral("zuna%1").arg(++requests_);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    forgetRequest();
    requestPath_ = path;
    requestSlot_ = slot;
    bus.connect(kPortalService, path, kRequestInterface, QStringLiteral("Response"), this, slot);
    answerTimer_.start();
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage message =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, kRemoteDesktop, method);
    arguments.append(options);
    message.setArguments(arguments);
    // The reply only names the request object, which is known already; the answer is the signal.
    return bus.send(message);
}

void RemoteDesktopPortal::forgetRequest() {
    answerTimer_.stop();
    if (requestPath_.isEmpty()) return;
    // Disconnecting needs the very slot that was connected.
    QDBusConnection::sessionBus().disconnect(kPortalService, requestPath_, kRequestInterface,
                                             QStringLiteral("Response"), this, requestSlot_);
    requestPath_.clear();
    requestSlot_ = nullptr;
}

void RemoteDesktopPortal::giveUp() {
    forgetRequest();
    dropSession();
    timedOut_ = true;
    setState(State::refused);
}

void RemoteDesktopPortal::setState(State state) {
    if (state_ == state) return;
    state_ = state;
}

void RemoteDesktopPortal::dropSession() {
    if (session_.path().isEmpty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.disconnect(kPortalService, session_.path(), kSessionInterface, QStringLiteral("Closed"),
                   this, SLOT(sessionClosed()));
    bus.send(QDBusMessage::createMethodCall(kPortalService, session_.path(), kSessionInterface,
                                            QStringLiteral("Close")));
    session_ = QDBusObjectPath();
}

std::optional<std::string> RemoteDesktopPortal::savedToken() const {
    try {
        if (!fs::exists(tokenFile_)) return std::nullopt;
        auto token = fs::readFileLimited(tokenFile_, kMaxTokenBytes);
        if (!token || token->empty()) return std::nullopt;
        return token;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace zuna::platform
