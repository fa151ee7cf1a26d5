#include <QApplication>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/AppDelegate.h"
#include "app/DialogRunner.h"
#include "app/InstanceGuard.h"
#include "app/TerminationSignals.h"
#include "core/localization/Localization.h"
#include "platform/DesktopChoice.h"
#include "platform/QtScheduler.h"
#include "ui/PalettePanel.h"

namespace {

constexpr const char* kUsage =
    "Usage: zuna-trep [--screenshot FILE] [--version] [--help]\n"
    "\n"
    "Zuna Trep keeps a small floating palette of text-snippet buttons beside your windows.\n"
    "A click on a button pastes its text into the text field you are typing in, in any\n"
    "application, without taking the keyboard focus from it. Buttons live in up to five\n"
    "groups; everything is kept in one file, state.json, in the data folder, with backups\n"
    "beside it. The tray icon \"ZT\" shows the palette again, and so does a second start.\n"
    "\n"
    "Options:\n"
    "  --screenshot FILE  save a picture of the palette as PNG once it is shown\n"
    "  --version          print the version and exit\n"
    "  --help, -h         print this help and exit\n"
    "\n"
    "Environment:\n"
    "  ZUNA_DATA_DIR           the data folder (default: $XDG_DATA_HOME/Zuna Trep,\n"
    "                          else ~/.local/share/Zuna Trep)\n"
    "  ZUNA_LANGUAGE           the language of the texts: sl, en, it, fr, de, es, pt, ru,\n"
    "                          zh-Hans, ja (default: from LANGUAGE, LC_ALL, LC_MESSAGES, LANG)\n"
    "  ZUNA_LOCALIZATION_FILE  a translation catalog to use instead of Translations.json\n"
    "                          beside the program\n"
    "  DISPLAY                 the X11 display (or XWayland) to show the palette on\n"
    "  WAYLAND_DISPLAY, XDG_SESSION_TYPE\n"
    "                          tell a Wayland session: the palette runs on XWayland and\n"
    "                          pastes through the compositor or the desktop portal\n"
    "  XDG_RUNTIME_DIR         where a second start finds the running palette\n"
    "  XDG_CONFIG_HOME         the base of the autostart folder for start at login\n"
    "                          (default: ~/.config)\n"
    "  HOME                    the base of the default folders\n"
    "\n"
    "Pasting needs accessibility (AT-SPI) switched on, and a way to send keys: XTEST in an\n"
    "X11 session; in a Wayland session the compositor's virtual keyboard (sway and other\n"
    "wlroots desktops) or the desktop portal's remote-control grant (GNOME, KDE Plasma).\n"
    "The palette's permission button asks for what is missing.\n";

// ZUNA_DATA_DIR (empty counts as unset; a relative one is below where the program started), else
// "Zuna Trep" in the user's data directory.
std::filesystem::path dataDirectory() {
    if (const char* chosen = std::getenv("ZUNA_DATA_DIR"); chosen != nullptr && *chosen != '\0') {
        std::error_code error;
        const auto absolute = std::filesystem::absolute(chosen, error);
        return error ? std::filesystem::path(chosen) : absolute;
    }
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return std::filesystem::path(base.toStdString()) / "Zuna Trep";
}

}  // namespace

int main(int argc, char** argv) {
    QString screenshot;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--version") {
            std::printf("Zuna Trep " ZUNA_VERSION "\n");
            return 0;
        }
        if (argument == "--help" || argument == "-h") {
            std::printf("%s", kUsage);
            return 0;
        }
        if (argument == "--screenshot" && i + 1 < argc) {
            screenshot = QString::fromLocal8Bit(argv[++i]);
            continue;
        }
        std::fprintf(stderr, "zuna-trep: unknown argument %s\n\n%s", argv[i], kUsage);
        return 2;
    }

    // With a file-size limit (RLIMIT_FSIZE) a long write must fail with EFBIG, which a save reports
    // like a full disk, instead of ending the process in the middle of it.
    ::signal(SIGXFSZ, SIG_IGN);

    // Two writers must never share a data directory: a second start shows the running palette
    // instead. Asked before Qt starts, so that it answers at once.
    const auto directory = dataDirectory();
    zuna::InstanceGuard guard(directory);
    switch (guard.acquire()) {
        case zuna::InstanceGuard::Lock::taken:
            break;
        case zuna::InstanceGuard::Lock::heldByAnother:
            if (guard.askRunningInstanceToShow()) return 0;
            std::fprintf(stderr, "%s\n", zuna::L("Zuna Trep že teče za to mapo podatkov.").c_str());
            return 1;
        case zuna::InstanceGuard::Lock::failed:
            std::fprintf(
                stderr, "zuna-trep: %s\n",
                zuna::L("Mape podatkov ni mogoče zakleniti, zato se Zuna Trep ne zažene: {0}",
                        guard.failure())
                    .c_str());
            return 1;
    }

    // Qt would end the process without a display; one line says why instead.
    if (const auto problem = zuna::platform::prepareDisplay()) {
        std::fprintf(stderr, "zuna-trep: %s\n", problem->c_str());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zuna Trep"));
    QApplication::setApplicationVersion(QStringLiteral(ZUNA_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Qt's own texts (the colour and file dialogs, a field's context menu) in the same language,
    // where Qt has a translation; there is none for Slovenian, which keeps Qt's English.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QString::fromStdString(zuna::Localization::language())),
                     QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    const auto desktop = zuna::platform::chooseDesktop(directory);
    zuna::PalettePanel::setBypassWindowManager(desktop.bypassWindowManager);
    zuna::platform::QtScheduler scheduler;
    zuna::QtDialogRunner dialogs;
    zuna::AppDelegate delegate(directory, {*desktop.access, *desktop.access, scheduler, dialogs});
    guard.listen([&delegate] { delegate.showPanel(); });

    zuna::TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &zuna::TerminationSignals::received, &app,
                     &QCoreApplication::quit);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });

    delegate.applicationDidFinishLaunching();
    if (!screenshot.isEmpty()) {
        // Once the window system has shown the palette, as it looks on the screen.
        QTimer::singleShot(700, &delegate, [&delegate, screenshot] {
            const bool saved = delegate.panel()->grab().save(screenshot, "PNG");
            std::fprintf(stderr, saved ? "Palette saved to %s\n" : "Could not save %s\n",
                         screenshot.toLocal8Bit().constData());
        });
    }
    const int status = QApplication::exec();
    guard.stopListening();
    return status;
}
