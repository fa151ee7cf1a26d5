#pragma once

#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace zuna {

// The program's own error: `message` is final user text, already looked up through L.
class ZunaError : public std::exception {
  public:
    explicit ZunaError(std::string message) : message_(std::move(message)) {}
    const std::string& message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

// A failure reported by the file system: the system's description with the file's name.
class FileError : public std::runtime_error {
  public:
    FileError(const std::filesystem::path& path, int errorNumber);
    FileError(const std::filesystem::path& path, const std::string& description);
    int errorNumber() const noexcept { return errorNumber_; }

  private:
    int errorNumber_ = 0;
};

// A JSON text that cannot be read as the expected record, or a value that cannot be written.
class JsonError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace zuna
