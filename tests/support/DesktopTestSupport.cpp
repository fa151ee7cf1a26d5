#include "DesktopTestSupport.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QThread>

namespace zuna::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired()) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}

void spin(std::chrono::milliseconds duration) {
    QDeadlineTimer deadline(duration);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

std::optional<std::string> run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    // The program needs nothing from us, but the clipboard may be asked for meanwhile.
    waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10s);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    return process.readAllStandardOutput().toStdString();
}

TargetApp::TargetApp(const QString& program, const QStringList& arguments,
                     const QStringList& environment)
    : process_(std::make_unique<QProcess>()) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment) {
        variables.insert(entry.section('=', 0, 0), entry.section('=', 1));
    }
    process_->setProcessEnvironment(variables);
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->start(program, arguments);
    process_->waitForStarted(5000);
}

TargetApp::~TargetApp() {
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
    }
}

int TargetApp::processId() const {
    return static_cast<int>(process_->processId());
}

bool TargetApp::waitUntilReady(DesktopAccess& desktop, std::chrono::milliseconds timeout) {
    // Before it is on the accessibility bus an application cannot be checked.
    const auto checkable = [&] {
        const auto field = desktop.focusedField(application_);
        return field && field->checkable;
    };
    return waitUntilActive(desktop, timeout) && waitUntil(checkable, timeout);
}

bool TargetApp::waitUntilActive(DesktopAccess& desktop, std::chrono::milliseconds timeout) {
    return waitUntil(
        [&] {
            auto active = desktop.frontmostApplication();
            if (!active || active->processId != processId()) return false;
            application_ = *active;
            return true;
        },
        timeout);
}

std::string TargetApp::output() {
    printed_ += process_->readAllStandardOutput().toStdString();
    return printed_;
}

const DesktopApplication& TargetApp::application() const {
    return application_;
}

std::optional<std::string> TargetApp::finish(std::chrono::milliseconds timeout) {
    if (!waitUntil([&] { return process_->state() == QProcess::NotRunning; }, timeout)) {
        return std::nullopt;
    }
    return output();
}

std::string clipboardText() {
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard).toStdString();
}

void setClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text), QClipboard::Clipboard);
}

}  // namespace zuna::test
