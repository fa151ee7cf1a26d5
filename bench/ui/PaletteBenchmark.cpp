// How long the palette takes to render a group and lay it out, and to paint the window, for a
// typical group of 50 buttons and a large one of 1,000, and for a button of a name of megabytes.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "DemoOwner.h"
#include "ui/PalettePanel.h"
#include "ui/PaletteView.h"

namespace {

using namespace zuna;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double render;
    double paint;
};

Figures measure(DemoOwner& owner, const std::vector<Snippet>& snippets, int runs) {
    std::vector<double> render;
    std::vector<double> paint;
    QImage image(owner.panel().size(), QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        owner.view().render(snippets);
        owner.fitPanel();
        owner.view().layoutContent();
        // The buttons of the previous render go at the next turn of the event loop: count them.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        render.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);

        clock.restart();
        if (image.size() != owner.panel().size())
            image = QImage(owner.panel().size(), QImage::Format_ARGB32_Premultiplied);
        owner.panel().render(&image);
        paint.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return {median(render), median(paint)};
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("ZUNA_LANGUAGE", "sl", 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    SavedState state(DemoOwner::sampleSnippets(1));
    DemoOwner owner(state);
    if (const char* items = std::getenv("ZUNA_BENCH_MENU_ITEMS"))
        owner.menuItems = std::atoi(items);
    owner.refresh();
    owner.panel().showWithoutActivating();
    QCoreApplication::processEvents();

    struct Case {
        std::size_t count;
        double target;
    };
    bool met = true;
    for (const Case c : {Case{50, 5}, Case{1000, 40}}) {
        const auto snippets = DemoOwner::sampleSnippets(c.count);
        measure(owner, snippets, 3);  // warm up fonts, symbols and caches
        const Figures f = measure(owner, snippets, 15);
        const double total = f.render + f.paint;
        std::printf(
            "%5zu buttons: render and layout %.2f ms, paint %.2f ms, together %.2f ms "
            "(target under %.0f ms)\n",
            c.count, f.render, f.paint, total, c.target);
        met = met && total < c.target;
    }
    // A name of one letter and a run of combining marks counts as one character: the largest a
    // name may now be (120 characters of 32 bytes), and the 6 MB one that passed before.
    for (const std::size_t marks : {120 * 32 / 2, 3'000'000}) {
        std::string name = "a";
        for (std::size_t i = 0; i < marks; ++i)
            name += "\u0301";
        const std::vector<Snippet> one{Snippet(name, "x", "")};
        const Figures f = measure(owner, one, 3);
        std::printf("a name of %zu bytes: render and layout %.1f ms, paint %.1f ms\n", name.size(),
                    f.render, f.paint);
    }
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return 0;
}
