#include "platform/system_platform.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

size_t files_in(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

struct SystemPlatformTest : testing::Test {
  TempFolder folder;
  SystemPlatform platform{folder.path()};
  fs::path file(const char* name) const { return folder.path() / name; }
};

TEST_F(SystemPlatformTest, ReplaceWritesExactlyTheBytesAndNothingElse) {
  const std::string bytes("\x00\x01\r\n\xFF\x1A tail", 10);
  for (const std::string& old : {std::string(), std::string(5000, 'o'), std::string("ab")}) {
    if (!old.empty()) write_bytes(file("out.dat"), old);
    platform.replace_file(file("out.dat"), bytes);
    EXPECT_EQ(read_bytes(file("out.dat")), bytes);
    EXPECT_EQ(files_in(folder.path()), 1u);  // no temporary file left behind
  }
  platform.replace_file(file("out.dat"), "");
  EXPECT_EQ(fs::file_size(file("out.dat")), 0u);
}

TEST_F(SystemPlatformTest, ReplaceInAFolderThatIsAFileFailsNamingTheFile) {
  write_bytes(file("plain"), "keep");
  const fs::path target = file("plain") / "out.dat";
  try {
    platform.replace_file(target, "new");
    FAIL() << "no failure";
  } catch (const FileError& failure) {
    EXPECT_EQ(failure.file(), target);
    EXPECT_EQ(std::string(failure.what()),
              target.string() + ": cannot create a file in its folder: Not a directory");
  }
  EXPECT_EQ(read_bytes(file("plain")), "keep");
}

TEST_F(SystemPlatformTest, FailedRenameRemovesItsTemporaryFile) {
  // A folder in the way of the file: the new content is written, the
  // rename over the folder fails, and only the folder remains.
  fs::create_directory(file("out.dat"));
  write_bytes(file("out.dat") / "inside", "keep");
  EXPECT_THROW(platform.replace_file(file("out.dat"), "new"), FileError);
  EXPECT_EQ(files_in(folder.path()), 1u);
  EXPECT_EQ(read_bytes(file("out.dat") / "inside"), "keep");
}

TEST_F(SystemPlatformTest, ReplaceInAReadOnlyFolderLeavesTheOldFile) {
  write_bytes(file("out.dat"), "old content");
  fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
  const bool bites = ::access(folder.path().c_str(), W_OK) != 0;
  if (bites) {
    EXPECT_THROW(platform.replace_file(file("out.dat"), "new"), FileError);
  }
  fs::permissions(folder.path(), fs::perms::owner_all);
  if (!bites) GTEST_SKIP() << "folder permissions do not bind this user";
  EXPECT_EQ(read_bytes(file("out.dat")), "old content");
  EXPECT_EQ(files_in(folder.path()), 1u);
}

TEST_F(SystemPlatformTest, ReadExistsAndDelete) {
  EXPECT_FALSE(platform.file_exists(file("a.txt")));
  EXPECT_THROW(platform.read_file(file("a.txt")), FileError);
  EXPECT_NO_THROW(platform.delete_file(file("a.txt")));  // missing: no error

  write_bytes(file("a.txt"), std::string("x\0y\r\n", 5));
  EXPECT_TRUE(platform.file_exists(file("a.txt")));
  EXPECT_EQ(platform.read_file(file("a.txt")), std::string("x\0y\r\n", 5));
  platform.delete_file(file("a.txt"));
  EXPECT_FALSE(fs::exists(file("a.txt")));

  fs::create_directory(file("sub"));
  EXPECT_FALSE(platform.file_exists(file("sub")));  // a folder is no file
  EXPECT_EQ(platform.program_folder(), folder.path());
}

}  // namespace
