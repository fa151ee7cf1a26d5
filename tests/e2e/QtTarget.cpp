// A Qt application to deliver into: Qt 6.4 exports its fields without the Collection interface,
// so finding the focused field takes the walk through the tree. Prints the field's text and
// quits on Return.
#include <QApplication>
#include <QLineEdit>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString kind = argc > 1 ? QString::fromUtf8(argv[1]) : QString("line");
    // Only the line asked for exists: the accessibility tree holds one window.
    QLineEdit line;
    QObject::connect(&line, &QLineEdit::returnPressed, [&] {
        std::printf("%s\n", line.text().toUtf8().constData());
        std::fflush(stdout);
        QApplication::quit();
    });
    if (kind == "password") line.setEchoMode(QLineEdit::Password);
    // A field that says nothing of a password but shows only mask characters.
    if (kind == "masked")
        line.setText(QString::fromUtf8("\u25CF\u2022*\u2219\u00B7\u2731\u25E6\u25A0"));
    line.setWindowTitle("Qt " + kind);
    line.resize(400, 200);
    line.show();
    line.activateWindow();
    return application.exec();
}
