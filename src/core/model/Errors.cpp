#include "core/model/Errors.h"

#include <system_error>

namespace zuna {

namespace {

std::string describe(const std::filesystem::path& path, const std::string& description) {
    const std::string name = path.filename().empty() ? path.string() : path.filename().string();
    return name + ": " + description;
}

}  // namespace

FileError::FileError(const std::filesystem::path& path, int errorNumber)
    : std::runtime_error(describe(path, std::generic_category().message(errorNumber))),
      errorNumber_(errorNumber) {}

FileError::FileError(const std::filesystem::path& path, const std::string& description)
    : std::runtime_error(describe(path, description)) {}

}  // namespace zuna
