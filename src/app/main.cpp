#include <QApplication>
#include <QStandardPaths>
#include <QStyleFactory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "AppDelegate.h"
#include "DialogRunner.h"
#include "InstanceGuard.h"
#include "QtScheduler.h"
#include "TerminationSignals.h"
#include "linux/LinuxDesktop.h"
#include "localization/Localization.h"

namespace {

// ZUNA_DATA_DIR as given, else "Zuna Trep" in the user's data directory.
std::filesystem::path dataDirectory() {
    if (const char* chosen = std::getenv("ZUNA_DATA_DIR")) return chosen;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return std::filesystem::path(base.toStdString()) / "Zuna Trep";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zuna Trep"));
    QApplication::setApplicationVersion(QStringLiteral("1.3"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const auto directory = dataDirectory();
    zuna::InstanceGuard guard(directory);
    if (!guard.acquire()) {
        // Two writers must never share a data directory: show the running palette instead.
        if (guard.askRunningInstanceToShow()) return 0;
        std::fprintf(stderr, "%s\n", zuna::L("Zuna Trep že teče za to mapo podatkov.").c_str());
        return 1;
    }

    zuna::platform::LinuxDesktop desktop;
    zuna::platform::QtScheduler scheduler;
    zuna::QtDialogRunner dialogs;
    zuna::AppDelegate delegate(directory, {desktop, scheduler, dialogs});
    guard.listen([&delegate] { delegate.showPanel(); });

    zuna::TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &zuna::TerminationSignals::received, &app,
                     &QCoreApplication::quit);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });

    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
