#include "BenchStates.h"

#include <iterator>

namespace zuna::bench {

// A paragraph of the kind users keep: letters beyond ASCII, line breaks, slashes, quotes.
std::string paragraph(std::size_t bytes, std::size_t seed) {
    static const std::string words[] = {"Spoštovani", "hvala",      "za",
                                        "vaše",       "sporočilo.", "Lep",
                                        "pozdrav,",   "Jana",       "https://zuna.example/a/b",
                                        "\"čšž\"",    "ulica",      "12/a\n",
                                        "naročilo",   "št.",        "2024"};
    std::string text;
    std::size_t i = seed;
    while (text.size() < bytes) {
        text += words[i++ % std::size(words)];
        text += ' ';
    }
    text.resize(bytes);
    // Never cut a multi-byte character in half.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0x80))
        text.pop_back();
    return text;
}

SavedState makeState(std::size_t groups, std::size_t buttonsPerGroup, std::size_t textBytes) {
    SavedState state;
    for (std::size_t g = 0; g < groups; ++g) {
        std::vector<Snippet> buttons;
        for (std::size_t b = 0; b < buttonsPerGroup; ++b) {
            buttons.emplace_back("Gumb " + std::to_string(b) + " – odgovor",
                                 paragraph(textBytes, g * 7919 + b), freshIdentifier(),
                                 b % 2 ? "#405875" : "#C0392B");
        }
        state.groups.emplace_back("Skupina " + std::to_string(g + 1), std::move(buttons));
    }
    state.selectedGroupID = state.groups.front().id;
    return state;
}

SavedState typicalState() {
    return makeState(2, 25, 950);
}

SavedState largeState() {
    return makeState(5, 300, 10'500);
}

}  // namespace zuna::bench
