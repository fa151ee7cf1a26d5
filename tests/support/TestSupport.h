#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace zuna::test {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Sets the process umask for one scope.
struct ScopedUmask {
    explicit ScopedUmask(mode_t mask) : previous(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous); }
    mode_t previous;
};

void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readFile(const std::filesystem::path& path);

// `unit` written `times` times in a row.
inline std::string repeat(std::string_view unit, std::size_t times) {
    std::string result;
    for (std::size_t i = 0; i < times; ++i)
        result += unit;
    return result;
}

// The message of what `f` threw, or "ok" when it returned.
template <typename F>
std::string thrown(F&& f) {
    try {
        f();
        return "ok";
    } catch (const std::exception& error) {
        return error.what();
    }
}

}  // namespace zuna::test
