#include "platform/system_platform.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "platform/ansi.h"
#include "platform/system.h"
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

/// Hands out the given pieces in order; throws in place of the piece after
/// the last when `fails` is set.
class ListedPieces : public ByteSource {
 public:
  ListedPieces(std::vector<std::string> pieces, bool fails)
      : pieces_(std::move(pieces)), fails_(fails) {}
  std::string_view next_piece() override {
    if (next_ < pieces_.size()) return pieces_[next_++];
    if (fails_) throw std::runtime_error("the plan ran dry");
    return {};
  }

 private:
  std::vector<std::string> pieces_;
  bool fails_;
  size_t next_ = 0;
};

// A group mixing whole contents and contents in pieces: each file holds
// exactly its pieces, one after the other, and a
// source that fails part-way leaves every old file of the group as it was,
// with no temporary file behind.
TEST_F(SystemPlatformTest, GroupWithContentInPiecesIsAllOrNone) {
  write_bytes(file("a.dat"), "old a");
  write_bytes(file("b.dat"), "old b");
  const std::vector<std::string> pieces{"first ", std::string("\x00\r\n", 3), "last"};

  ListedPieces failing(pieces, true);
  const NewFile broken[] = {{file("a.dat"), "new a"}, {file("b.dat"), failing}};
  EXPECT_THROW(platform.replace_files(broken), std::runtime_error);
  EXPECT_EQ(read_bytes(file("a.dat")), "old a");
  EXPECT_EQ(read_bytes(file("b.dat")), "old b");
  EXPECT_EQ(files_in(folder.path()), 2u);

  ListedPieces complete(pieces, false);
  const NewFile group[] = {{file("a.dat"), "new a"}, {file("b.dat"), complete}};
  platform.replace_files(group);
  EXPECT_EQ(read_bytes(file("a.dat")), "new a");
  EXPECT_EQ(read_bytes(file("b.dat")), std::string("first \x00\r\nlast", 13));
  EXPECT_EQ(files_in(folder.path()), 2u);
}

// A replace in two halves: while staged, the new content waits in a
// temporary file and the old file is as it was; a staged file let go
// leaves nothing, and placing a group puts every file in place.
TEST_F(SystemPlatformTest, AStagedFileIsPlacedOrLeavesNothing) {
  write_bytes(file("a.dat"), "old a");
  {
    const SystemPlatform::StagedFile dropped = platform.stage({file("a.dat"), "new a"});
    EXPECT_EQ(read_bytes(dropped.temporary()), "new a");
    EXPECT_EQ(read_bytes(file("a.dat")), "old a");
  }
  EXPECT_EQ(files_in(folder.path()), 1u);

  std::vector<SystemPlatform::StagedFile> group;
  group.push_back(platform.stage({file("a.dat"), "new a"}));
  group.push_back(platform.stage({file("b.dat"), "new b"}));
  platform.place(group);
  EXPECT_EQ(read_bytes(file("a.dat")), "new a");
  EXPECT_EQ(read_bytes(file("b.dat")), "new b");
  EXPECT_EQ(files_in(folder.path()), 2u);
}

TEST_F(SystemPlatformTest, ReplaceInAFolderThatIsAFileFailsNamingTheFile) {
  write_bytes(file("plain"), "keep");
  const fs::path target = file("plain") / "out.dat";
  try {
    platform.replace_file(target, "new");
    FAIL() << "no failure";
  } catch (const FileError& failure) {
    EXPECT_EQ(failure.file(), target);
    const std::string prefix = target.string() + ": cannot create a file in its folder: ";
    EXPECT_EQ(std::string(failure.what()).substr(0, prefix.size()), prefix);
#ifndef _WIN32
    EXPECT_EQ(std::string(failure.what()), prefix + "Not a directory");
#endif
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

#ifndef _WIN32
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

/// A file system that answers "busy" to the first `busy` renames.
class BusyPlatform : public SystemPlatform {
 public:
  BusyPlatform(const fs::path& folder, unsigned busy) : SystemPlatform(folder), busy_(busy) {}
  std::vector<unsigned> pauses;

 protected:
  std::error_code rename_over(const fs::path& from, const fs::path& to) override {
    if (busy_ > 0) {
      --busy_;
      return std::make_error_code(std::errc::device_or_resource_busy);
    }
    return SystemPlatform::rename_over(from, to);
  }
  void pause(unsigned milliseconds) override { pauses.push_back(milliseconds); }

 private:
  unsigned busy_;
};

// A target held busy gets a few short tries: it is replaced when it comes
// free in time, and otherwise stays as it was, with an error that names it.
TEST_F(SystemPlatformTest, BusyTargetIsTriedAgainAFewTimes) {
  write_bytes(file("out.dat"), "old");
  BusyPlatform soon(folder.path(), 2);
  soon.replace_file(file("out.dat"), "new");
  EXPECT_EQ(read_bytes(file("out.dat")), "new");
  EXPECT_EQ(soon.pauses, (std::vector<unsigned>{50, 100}));

  BusyPlatform never(folder.path(), 100);
  try {
    never.replace_file(file("out.dat"), "newer");
    FAIL() << "no failure";
  } catch (const FileError& failure) {
    EXPECT_EQ(std::string(failure.what()),
              file("out.dat").string() +
                  ": cannot replace: Device or resource busy (held open by another program? "
                  "tried 5 times)");
  }
  EXPECT_EQ(never.pauses, (std::vector<unsigned>{50, 100, 200, 400}));
  EXPECT_EQ(read_bytes(file("out.dat")), "new");
  EXPECT_EQ(files_in(folder.path()), 1u);
}
#endif

#ifdef _WIN32
// The simulator or a virus scanner holds the file open without letting it
// be deleted: the replace gives up after its tries, names the file, keeps
// the old content and leaves no temporary file.
TEST_F(SystemPlatformTest, FileHeldOpenByAnotherProgramStaysAsItWas) {
  write_bytes(file("out.dat"), "old");
  const HANDLE held = CreateFileW(file("out.dat").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    platform.replace_file(file("out.dat"), "new");
    ADD_FAILURE() << "replaced a file held open";
  } catch (const FileError& failure) {
    const std::string message = failure.what();
    EXPECT_EQ(message.rfind(file("out.dat").string() + ": cannot replace: ", 0), 0u) << message;
    EXPECT_NE(message.find("tried 5 times"), std::string::npos) << message;
  }
  CloseHandle(held);
  EXPECT_EQ(read_bytes(file("out.dat")), "old");
  EXPECT_EQ(files_in(folder.path()), 1u);
  platform.replace_file(file("out.dat"), "new");  // let go: replaced at once
  EXPECT_EQ(read_bytes(file("out.dat")), "new");
}
#endif

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

// A name with a Windows-1252 letter, as the builder holds it, makes a file
// whose name the system shows with that letter, and the file is found again
// under the same name.
TEST_F(SystemPlatformTest, Windows1252NameRoundTripsThroughTheFileName) {
  const std::string name = "Citt\xE0_Alta_linea.dat";  // held as Windows-1252
  const fs::path target = file_in_folder(folder.path(), name);
  platform.replace_file(target, "bytes");
  ASSERT_EQ(files_in(folder.path()), 1u);
  const fs::path listed = fs::directory_iterator(folder.path())->path();
  EXPECT_EQ(utf8_of_path(listed.filename()), "Citt\xC3\xA0_Alta_linea.dat");
  EXPECT_TRUE(platform.file_exists(file_in_folder(folder.path(), name)));
  EXPECT_EQ(platform.read_file(listed), "bytes");
  EXPECT_EQ(utf8_to_cp1252(utf8_of_path(listed.filename())), name);
}

// The program folder comes from the system's own record of the running
// program, whatever argv[0] says.
TEST(ProgramFolderTest, IsTheFolderOfTheRunningProgram) {
  const fs::path program = os::running_program();
  ASSERT_FALSE(program.empty());
  EXPECT_TRUE(fs::is_regular_file(program)) << program;
  EXPECT_EQ(program.stem(), "core_tests");
  EXPECT_EQ(SystemPlatform::for_executable("elsewhere/nothing").program_folder(),
            program.parent_path());
}

/// A desktop that records what it would show.
class RecordingDesktop : public Desktop {
 public:
  explicit RecordingDesktop(std::vector<std::string>& shown) : shown_(shown) {}
  void show_window(const std::string& caption, const std::string& label) override {
    shown_.push_back("window " + caption + ": " + label);
  }
  void message_box(const std::string& text) override { shown_.push_back("box: " + text); }

 private:
  std::vector<std::string>& shown_;
};

// Started from a console or a script (as this suite is), there is no
// desktop: the terminal gets everything and nobody is asked for a click.
TEST(DesktopChoiceTest, ConsoleOrScriptNeverGetsADesktop) {
  EXPECT_FALSE(os::started_by_double_click());
  bool made = false;
  EXPECT_EQ(SystemPlatform::desktop_for(false,
                                        [&] {
                                          made = true;
                                          return std::unique_ptr<Desktop>();
                                        }),
            nullptr);
  EXPECT_FALSE(made);
}

// Double-clicked: the window shows the label under the form's caption, a
// guard's box is a real box, and report lines (a recorded code, a file
// failure) come together in one box at the end, unless a box was shown.
TEST(DesktopChoiceTest, DoubleClickShowsTheWindowAndTheBoxes) {
  TempFolder folder;
  std::vector<std::string> shown;
  SystemPlatform clicked(folder.path(), SystemPlatform::desktop_for(true, [&] {
                           return std::make_unique<RecordingDesktop>(shown);
                         }));
  clicked.show_window("Attendere");
  clicked.report("Lin_12: error 16 at 5950 m: a signal stands on an occupied cell");
  clicked.report("second line");
  EXPECT_EQ(shown, std::vector<std::string>{"window Form1: Attendere"});
  clicked.show_reports();
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "window Form1: Attendere",
                       "box: Lin_12: error 16 at 5950 m: a signal stands on an occupied cell\n"
                       "second line"}));

  shown.clear();
  SystemPlatform guarded(folder.path(), std::make_unique<RecordingDesktop>(shown));
  guarded.message_box(" Errore n. 1250");
  guarded.report("Lin_12: error 1250: ...");
  guarded.show_reports();
  EXPECT_EQ(shown, std::vector<std::string>{"box:  Errore n. 1250"});
}

}  // namespace
