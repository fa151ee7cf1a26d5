#pragma once

#include <filesystem>
#include <string>

#include "core/fs/FileSystem.h"
#include "core/model/ExchangeFiles.h"
#include "core/model/SavedState.h"

namespace zuna {

// The one JSON writer: two-space indentation, members sorted by name, plain slashes, UTF-8 as
// is. Refuses (ZunaError) a result larger than 16 MB and a number that is not finite (JsonError).
std::string jsonData(const SavedState& state);
std::string jsonData(const ButtonFile& file);
std::string jsonData(const GroupFile& file);

// The one bounded reader: a file larger than 16 MB is refused before it is read. `identity`, when
// given, gets the identity of the version read.
std::string limitedData(const std::filesystem::path& location,
                        fs::FileIdentity* identity = nullptr);

}  // namespace zuna
