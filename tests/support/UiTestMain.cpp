#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    // Source texts whatever the developer's language and catalog; no display needed.
    setenv("ZUNA_LANGUAGE", "sl", 1);
    setenv("ZUNA_LOCALIZATION_FILE", "/nonexistent/Translations.json", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
