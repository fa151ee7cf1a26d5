// A Qt application to deliver into: Qt 6.4 exports its fields without the Collection interface,
// so finding the focused field takes the walk through the tree. Prints the field's text and
// quits on Return (line, password, masked) or Control+Return (text area).
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString kind = argc > 1 ? QString::fromUtf8(argv[1]) : QString("line");
    auto print = [](const QString& text) {
        std::fputs(text.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        QApplication::quit();
    };
    std::unique_ptr<QWidget> window;
    if (kind == "area") {
        auto* area = new QPlainTextEdit;
        window.reset(area);
        auto* done = new QShortcut(QKeySequence("Ctrl+Return"), area);
        QObject::connect(done, &QShortcut::activated, [=] { print(area->toPlainText()); });
    } else {
        auto* line = new QLineEdit;
        window.reset(line);
        if (kind == "password") {
            line->setEchoMode(QLineEdit::Password);
        } else if (kind == "masked") {
            // A field that says nothing of a password but shows only mask characters.
            line->setText(QString::fromUtf8("\u25CF\u25CF\u25CF\u25CF\u25CF"));
        }
        QObject::connect(line, &QLineEdit::returnPressed, [=] { print(line->text()); });
    }
    window->setWindowTitle("Qt " + kind);
    window->resize(400, 200);
    window->show();
    window->activateWindow();
    return application.exec();
}
