#include "in_place_platform.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

// The build sees the text it was given under the description's name, and
// its delete hides that file from it as on the main program's disk; the
// file of that name on disk is neither read nor deleted nor written.
TEST(InPlacePlatformTest, DescriptionFilesAreReadFromTheTextAndNeverTouched) {
  TempFolder folder;
  const fs::path description = folder.path() / "Prova_linea.txt";
  write_bytes(description, "on disk");
  int asked = 0;
  InPlacePlatform platform(folder.path(), [&] { return ++asked, true; });
  platform.add_description(description, "converted text");

  EXPECT_EQ(platform.read_file(description), "converted text");
  EXPECT_TRUE(platform.was_read(description));
  platform.delete_file(description);
  EXPECT_FALSE(platform.file_exists(description));
  EXPECT_THROW(platform.read_file(description), FileError);
  EXPECT_THROW(platform.replace_file(description, "new"), FileError);
  EXPECT_EQ(read_bytes(description), "on disk");
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(platform.handed_over().empty());
}

// The decision is asked once, when the build first hands over files; what
// it says holds for every file after.
TEST(InPlacePlatformTest, TheFirstDecisionHoldsForEveryWrite) {
  for (const bool allowed : {false, true}) {
    SCOPED_TRACE(allowed);
    TempFolder folder;
    int asked = 0;
    InPlacePlatform platform(folder.path(), [&] { return ++asked, allowed; });
    const std::string a = "aaa", b = "bb";
    const NewFile group[] = {{folder.path() / "a.dat", a}, {folder.path() / "b.sim", b}};
    platform.replace_files(group);
    platform.replace_file(folder.path() / "c.dat", "c");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(platform.writing_allowed(), allowed);
    EXPECT_EQ(platform.handed_over(),
              (std::vector<fs::path>{folder.path() / "a.dat", folder.path() / "b.sim",
                                     folder.path() / "c.dat"}));
    EXPECT_EQ(fs::exists(folder.path() / "b.sim"), allowed);
    if (allowed) {
      EXPECT_EQ(read_bytes(folder.path() / "a.dat"), "aaa");
    }
    EXPECT_EQ(fs::exists(folder.path() / "c.dat"), allowed);
  }
}

}  // namespace
