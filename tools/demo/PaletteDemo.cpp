// Shows the palette with a list of snippets in a real window. Options:
//   --theme graphite|zuna|midnight|light   --count N   --status   --permission
//   --grab FILE (save the window as PNG after it has been shown, then quit)
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "DemoOwner.h"
#include "core/appearance/Theme.h"
#include "core/localization/Localization.h"
#include "ui/Drawing.h"
#include "ui/PalettePanel.h"
#include "ui/PaletteView.h"

int main(int argc, char** argv) {
    using namespace zuna;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStringLiteral("Fusion"));

    AppTheme theme = AppTheme::graphite;
    std::size_t count = 7;
    bool status = false;
    bool permission = false;
    QString grab;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--theme") && hasValue) {
            theme = AppTheme::fromRaw(argv[++i]).value_or(AppTheme::graphite);
        } else if (!std::strcmp(argv[i], "--count") && hasValue) {
            count = std::strtoul(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--status")) {
            status = true;
        } else if (!std::strcmp(argv[i], "--permission")) {
            permission = true;
        } else if (!std::strcmp(argv[i], "--grab") && hasValue) {
            grab = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }

    Theme::setCurrent(theme);
    SavedState state(DemoOwner::sampleSnippets(count));
    state.groups.emplace_back("Stranke");
    state.groups.emplace_back("Računi in plačila, dolgo ime skupine");
    state.theme = theme;
    DemoOwner owner(std::move(state));
    owner.refresh();
    owner.panel().move(60, 40);
    owner.panel().showWithoutActivating();
    if (status) {
        owner.view().status()->setText(
            QString::fromStdString(L("Shranjevanje ni uspelo: {0}", "disk je poln")));
        owner.view().status()->setTextColor(systemRed());
        owner.view().setStatusVisible(true);
    }
    if (permission) owner.view().setPermissionVisible(true);

    if (!grab.isEmpty()) {
        QTimer::singleShot(400, [&] {
            const bool saved = owner.panel().grab().save(grab);
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return QApplication::exec();
}
