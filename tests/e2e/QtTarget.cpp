// A Qt application to deliver into: Qt 6.4 exports its fields without the Collection interface,
// so finding the focused field takes the walk through the tree. Prints the field's text and
// quits on Return (line, password, masked) or Control+Return (area).
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString kind = argc > 1 ? QString::fromUtf8(argv[1]) : QString("line");
    const auto print = [](const QString& text) {
        std::printf("%s\n", text.toUtf8().constData());
        std::fflush(stdout);
        QApplication::quit();
    };
    // Only the widget asked for exists: the accessibility tree holds one window.
    std::unique_ptr<QWidget> window;
    if (kind == "area") {
        auto* area = new QPlainTextEdit;
        window.reset(area);
        QObject::connect(new QShortcut(QKeySequence("Ctrl+Return"), area), &QShortcut::activated,
                         [=] { print(area->toPlainText()); });
    } else {
        auto* line = new QLineEdit;
        window.reset(line);
        QObject::connect(line, &QLineEdit::returnPressed, [=] { print(line->text()); });
        if (kind == "password") line->setEchoMode(QLineEdit::Password);
        // A field that says nothing of a password but shows only mask characters.
        if (kind == "masked") line->setText(QString::fromUtf8("\u25CF\u25CF\u25CF\u25CF\u25CF"));
    }
    window->setWindowTitle("Qt " + kind);
    window->resize(400, 200);
    window->show();
    window->activateWindow();
    return application.exec();
}
