#pragma once

#include <string>

#include "core/model/SavedState.h"

namespace zuna {

// The side that changed last: it decides where both sides changed an order or a setting.
enum class Newer { local, outside };

// Merges two states that both grew from `base` (the state this process last read or wrote) by
// the identifiers of groups and buttons:
// - what either side added is kept;
// - what one side deleted and the other left unchanged is deleted, but never what the other
//   side changed;
// - a field changed on one side only takes that change;
// - a button or group changed differently on both sides is kept twice: the outside version
//   becomes a copy right after it, named so;
// - orders, the selected group and the settings follow the side that changed them, or the newer
//   one; the window frame is always the local one, since it belongs to this machine's screen;
// - application rules merge by application, each as a setting of its own.
// The result may break the group rules (a sixth group) or hold too many application rules; the
// caller checks it as any save does.
SavedState mergeStates(const SavedState& base, const SavedState& local, const SavedState& outside,
                       Newer newer);

// Merges a sync tool's conflict copy, for which no common base is known: everything it holds is
// treated as added, a group or button that differs under the same identifier is kept twice, and
// the order and settings of `current` stay (a rule of both for one application too).
SavedState mergeConflictCopy(const SavedState& current, const SavedState& copy);

// Equal in everything that the window frame does not decide.
bool sameExceptFrame(const SavedState& a, const SavedState& b);

// An identifier in the form of the program's own, derived from `seed`: two machines that merge
// the same conflict make the same copy, so their results agree and no new conflict follows.
std::string derivedIdentifier(const std::string& seed);

}  // namespace zuna
