#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // The tests see the source texts whatever the developer's language and catalog are.
    setenv("ZUNA_LANGUAGE", "sl", 1);
    setenv("ZUNA_LOCALIZATION_FILE", "/nonexistent/Translations.json", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
