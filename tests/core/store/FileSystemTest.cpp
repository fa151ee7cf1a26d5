#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "StoreTestSupport.h"
#include "TestSupport.h"
#include "fs/FileSystem.h"
#include "model/Errors.h"

namespace zuna::test {
namespace {

TEST(FileSystemTest, BackupCopiesNeverOverwrite) {
    TempDir dir;
    writeFile(dir / "source", "new bytes");
    writeFile(dir / "target", "old bytes");
    EXPECT_EQ(thrown([&] { fs::copyFileExclusively(dir / "source", dir / "target"); }),
              "target: File exists");
    EXPECT_EQ(readFile(dir / "target"), "old bytes");

    EXPECT_EQ(thrown([&] { fs::copyFileExclusively(dir / "missing", dir / "copy"); }),
              "missing: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(dir / "copy"));

    ScopedUmask open(0);
    fs::copyFileExclusively(dir / "source", dir / "copy");
    EXPECT_EQ(readFile(dir / "copy"), "new bytes");
    EXPECT_EQ(permissions(dir / "copy"), 0600u);
}

TEST(FileSystemTest, AtomicWritesAreOwnerOnlyAndLeaveNothingBehindOnFailure) {
    TempDir dir;
    ScopedUmask open(0);
    fs::writeFileAtomically(dir / "a.json", "first");
    EXPECT_EQ(permissions(dir / "a.json"), 0600u);
    fs::writeFileAtomically(dir / "a.json", "second");
    EXPECT_EQ(readFile(dir / "a.json"), "second");
    // A file to pass on gets the mode of any new file of the user's.
    {
        ScopedUmask usual(027);
        fs::writeFileAtomically(dir / "export.json", "x", fs::FileAccess::usual);
        EXPECT_EQ(permissions(dir / "export.json"), 0640u);
    }

    std::filesystem::create_directory(dir / "taken");
    writeFile(dir / "taken" / "inside", "kept");
    EXPECT_EQ(thrown([&] { fs::writeFileAtomically(dir / "taken", "x"); }),
              "taken: Is a directory");
    EXPECT_EQ(thrown([&] { fs::writeFileAtomically(dir / "no" / "a.json", "x"); }),
              "a.json: No such file or directory");
    EXPECT_EQ(readFile(dir / "taken" / "inside"), "kept");
    EXPECT_THAT(namesStartingWith(dir.path(), "."), testing::SizeIs(0));
}

TEST(FileSystemTest, DataDirectoriesAreOwnerOnlyWhateverTheUmask) {
    TempDir dir;
    for (const mode_t mask : {mode_t(0), mode_t(022), mode_t(0777)}) {
        ScopedUmask scoped(mask);
        const auto path = dir / ("m" + std::to_string(mask)) / "inner";
        fs::createDirectories(path, 0700);
        EXPECT_EQ(permissions(path), 0700u);
        EXPECT_EQ(permissions(path.parent_path()), 0700u);
    }
}

}  // namespace
}  // namespace zuna::test
