#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

// Tests against the real desktop: they run inside scripts/headless-session, which gives them an
// X server, a window manager and the accessibility bus.
int main(int argc, char** argv) {
    setenv("ZUNA_LANGUAGE", "sl", 1);
    setenv("ZUNA_LOCALIZATION_FILE", "/nonexistent/Translations.json", 1);
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::fprintf(stderr,
                     "These tests need a desktop: run them through scripts/headless-session.\n");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
