#include "in_place_platform.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
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

/// Hands out its text as one piece, and counts the pieces asked for.
class CountedText : public ByteSource {
 public:
  explicit CountedText(std::string text) : text_(std::move(text)) {}
  std::string_view next_piece() override { return asked_++ == 0 ? text_ : std::string_view(); }
  int asked() const { return asked_; }

 private:
  std::string text_;
  int asked_ = 0;
};

std::map<std::string, std::string> files_of(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& f : fs::directory_iterator(folder))
    files[f.path().filename().string()] = read_bytes(f.path());
  return files;
}

// A file staged early is written while the build goes on and takes its
// name only when the build hands it over and the writes are allowed; the
// content handed over then is not read again. Refused, or never handed
// over, it leaves the folder as it was.
TEST(InPlacePlatformTest, AFileStagedEarlyTakesItsNameOnlyWhenTheWritesAreAllowed) {
  for (const bool allowed : {false, true}) {
    SCOPED_TRACE(allowed);
    TempFolder folder;
    write_bytes(folder.path() / "a.dat", "old a");
    InPlacePlatform platform(folder.path(), [&] { return allowed; });
    platform.stage_early(folder.path() / "a.dat", std::make_unique<CountedText>("early a"));
    CountedText handed("early a");
    const NewFile group[] = {{folder.path() / "a.dat", handed}, {folder.path() / "b.sim", "bb"}};
    platform.replace_files(group);
    EXPECT_EQ(handed.asked(), 0);
    const std::map<std::string, std::string> written{{"a.dat", "early a"}, {"b.sim", "bb"}};
    const std::map<std::string, std::string> untouched{{"a.dat", "old a"}};
    EXPECT_EQ(files_of(folder.path()), allowed ? written : untouched);
  }
  TempFolder folder;
  {
    InPlacePlatform platform(folder.path(), [] { return true; });
    platform.stage_early(folder.path() / "a.dat", std::make_unique<CountedText>("early a"));
  }
  EXPECT_TRUE(files_of(folder.path()).empty());
}

// A file that cannot be staged early fails the writes where the build
// hands it over, with its name, as a file written then would; when the
// writes are refused, nobody hears of it.
TEST(InPlacePlatformTest, AFailureToStageEarlyIsToldOnlyWhenTheFileIsWritten) {
  for (const bool allowed : {false, true}) {
    SCOPED_TRACE(allowed);
    TempFolder folder;
    const fs::path nowhere = folder.path() / "missing" / "a.dat";
    InPlacePlatform platform(folder.path(), [&] { return allowed; });
    platform.stage_early(nowhere, std::make_unique<CountedText>("early a"));
    const NewFile group[] = {{nowhere, "early a"}, {folder.path() / "b.sim", "bb"}};
    if (allowed) {
      try {
        platform.replace_files(group);
        ADD_FAILURE() << "no failure";
      } catch (const FileError& failure) {
        EXPECT_EQ(failure.file(), nowhere);
      }
    } else {
      EXPECT_NO_THROW(platform.replace_files(group));
    }
    EXPECT_TRUE(files_of(folder.path()).empty());
  }
}

}  // namespace
