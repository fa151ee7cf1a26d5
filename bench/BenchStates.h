#pragma once

// States of realistic shape for the benchmarks.
#include <string>

#include "core/model/SavedState.h"

namespace zuna::bench {

// A paragraph of the kind users keep: letters beyond ASCII, line breaks, slashes, quotes.
std::string paragraph(std::size_t bytes, std::size_t seed);
SavedState makeState(std::size_t groups, std::size_t buttonsPerGroup, std::size_t textBytes);
// About 50 KB: two groups of 25 buttons with a paragraph each.
SavedState typicalState();
// Just under 16 MB: five groups of 300 buttons of about 10.5 KB each.
SavedState largeState();

}  // namespace zuna::bench
