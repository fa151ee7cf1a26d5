// Opens the snippet editor in a real window and prints what it answers. Options:
//   --theme graphite|zuna|midnight|light   --existing (edit a sample button; default: new)
//   --picker (open the custom colour at once)   --fail (the save callback throws)
//   --grab FILE (save the window as PNG after it has been shown, then quit)
//   --measure (print timings for a 1 MB text, then quit)
// On a save it prints the button and the group as JSON with every non-ASCII character escaped.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "core/appearance/Theme.h"
#include "core/model/Errors.h"
#include "ui/EditorController.h"
#include "ui/SnippetTextEdit.h"

namespace {

using namespace zuna;

std::vector<SnippetGroup> sampleGroups() {
    std::vector<SnippetGroup> groups;
    groups.emplace_back("Splošno", std::vector<Snippet>{}, "G-1");
    groups.emplace_back("Stranke", std::vector<Snippet>{}, "G-2");
    groups.emplace_back("Stranke", std::vector<Snippet>{}, "G-3");
    return groups;
}

Snippet sampleSnippet() {
    return Snippet("Podpis", "Lep pozdrav,\nŽiga Čeh\nZuna d.o.o.\tLjubljana", "S-1", "#ae608c");
}

double milliseconds(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Opening with a 1 MB text, a key typed into it (the preview follows every key), and reading
// it back once it has changed.
int measure() {
    std::string big;
    while (big.size() < 1'000'000)
        big += "Vrstica z besedilom, šumniki čšž in tabulatorjem\t" + std::to_string(big.size()) +
               "\r\n";
    Snippet snippet("Velik", big, "S-2", "#405875");
    QElapsedTimer clock;
    clock.start();
    EditorController editor(snippet, sampleGroups(), "G-1");
    std::printf("open with %zu bytes in %zu lines: %.1f ms\n", big.size(),
                static_cast<std::size_t>(std::count(big.begin(), big.end(), '\n')),
                milliseconds(clock));
    clock.restart();
    editor.show();
    QCoreApplication::processEvents();
    std::printf("shown and painted: %.1f ms\n", milliseconds(clock));
    std::vector<double> keys;
    for (int i = 0; i < 9; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        clock.restart();
        QCoreApplication::sendEvent(editor.text(), &press);
        keys.push_back(milliseconds(clock));
    }
    std::sort(keys.begin(), keys.end());
    std::printf("one key typed into it, preview included: median %.1f ms\n", keys[keys.size() / 2]);
    clock.restart();
    const std::string value = editor.textValue();
    std::printf("reading the changed text back: %.1f ms (%zu bytes)\n", milliseconds(clock),
                value.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    AppTheme theme = AppTheme::graphite;
    bool existing = false;
    bool picker = false;
    bool fail = false;
    QString grab;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--theme") && hasValue) {
            theme = AppTheme::fromRaw(argv[++i]).value_or(AppTheme::graphite);
        } else if (!std::strcmp(argv[i], "--existing")) {
            existing = true;
        } else if (!std::strcmp(argv[i], "--picker")) {
            picker = true;
        } else if (!std::strcmp(argv[i], "--fail")) {
            fail = true;
        } else if (!std::strcmp(argv[i], "--grab") && hasValue) {
            grab = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(argv[i], "--measure")) {
            return measure();
        } else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }

    Theme::setCurrent(theme);
    std::optional<Snippet> snippet;
    if (existing) snippet = sampleSnippet();
    EditorController editor(snippet, sampleGroups(), "G-2");
    editor.setOnSave([fail](const Snippet& saved, const std::string& groupID) {
        if (fail) throw ZunaError("Shranjevanje ni mogoče: disk je poln.");
        const nlohmann::json out{{"name", saved.name},
                                 {"text", saved.text},
                                 {"color", saved.color},
                                 {"id", saved.id},
                                 {"group", groupID}};
        std::printf("saved %s\n", out.dump(-1, ' ', true).c_str());
        std::fflush(stdout);
    });
    editor.move(120, 60);
    if (picker) QTimer::singleShot(300, &editor, [&] { editor.openColorPicker(); });
    if (!grab.isEmpty()) {
        QTimer::singleShot(picker ? 900 : 400, &editor,
                           [&] { editor.finish(editor.grab().save(grab) ? 0 : 3); });
    }
    editor.show();
    editor.name()->setFocus();
    const int response = editor.exec();
    std::printf("response %d\n", response);
    return response == 3 ? 1 : 0;
}
