// Prints the language this process chose, then each argument looked up with the value "1".
#include <cstdio>

#include "core/localization/Localization.h"

int main(int argc, char** argv) {
    std::printf("%s\n", zuna::Localization::language().c_str());
    for (int i = 1; i < argc; ++i)
        std::printf("%s\n", zuna::L(argv[i], "1").c_str());
    return 0;
}
