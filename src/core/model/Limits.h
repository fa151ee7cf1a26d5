#pragma once

#include <cstddef>
#include <string_view>

namespace zuna {

inline constexpr std::string_view kFormat = "zuna-trep";
// No file the program reads or writes may be larger than this.
inline constexpr std::size_t kMaxFileBytes = 16'777'216;
inline constexpr std::size_t kMaxTextBytes = 1'048'576;
inline constexpr std::size_t kMaxButtonNameLength = 120;
inline constexpr std::size_t kMaxGroupNameLength = 40;
inline constexpr std::size_t kMaxGroups = 5;
// The user's paste rules: one per application, named by its window class or bus name.
inline constexpr std::size_t kMaxApplicationRules = 50;
inline constexpr std::size_t kMaxApplicationNameLength = 100;
inline constexpr std::string_view kDefaultColor = "#405875";
// The colour of buttons read without one; the one-time colour migration replaces it.
inline constexpr std::string_view kLegacyColor = "#397D70";

}  // namespace zuna
