// Failures of the file system in the middle of a run, injected through the
// seams of SystemPlatform so that the real safe-replace code is what runs:
// a folder that cannot be written, and a failure part-way through each of
// the eight files of a build. Every case runs the whole program (Form_Load)
// over a folder that holds old versions of every file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <optional>
#include <span>

#include "app/form1.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

/// A test platform that remembers every byte it wrote, by file, and can make
/// the writing of one named file fail part-way (once a given number of its
/// bytes is on disk, with the disk full) or its final rename fail. Content
/// handed over in pieces reaches write_block piece by piece, so the failure
/// falls inside whichever piece crosses that number.
class FailingPlatform : public TestPlatform {
 public:
  enum class Fault { none, write, rename };

  FailingPlatform(const fs::path& folder, std::string nome, Fault fault, size_t fail_after = 0)
      : TestPlatform(folder), name_(std::move(nome)), fault_(fault), fail_after_(fail_after) {}

  std::map<std::string, std::string> written;  ///< by file name, every byte written
  std::map<std::string, size_t> pieces;        ///< by file name, how many pieces came
  std::optional<uintmax_t> partial_temporary;  ///< size of the half-written file

 protected:
  size_t write_block(const fs::path& file, std::FILE* out, std::string_view bytes) override {
    const std::string nome = file.filename().string();
    ++pieces[nome];
    std::string& so_far = written[nome];
    if (fault_ != Fault::write || nome != name_) {
      so_far += bytes;
      return TestPlatform::write_block(file, out, bytes);
    }
    const size_t room = fail_after_ - std::min(fail_after_, so_far.size());
    if (bytes.size() <= room) {
      so_far += bytes;
      return TestPlatform::write_block(file, out, bytes);
    }
    const size_t meta = TestPlatform::write_block(file, out, bytes.substr(0, room));
    so_far += bytes.substr(0, meta);
    std::fflush(out);
    partial_temporary = temporary_size(file.parent_path());
    errno = ENOSPC;
    return meta;
  }

  std::error_code rename_over(const fs::path& from, const fs::path& to) override {
    if (fault_ != Fault::rename || to.filename() != name_) return TestPlatform::rename_over(from, to);
    return std::make_error_code(std::errc::read_only_file_system);
  }

 private:
  std::optional<uintmax_t> temporary_size(const fs::path& folder) const {
    for (const auto& e : fs::directory_iterator(folder))
      if (e.path().filename().string().rfind(name_ + ".tmp-", 0) == 0) return e.file_size();
    return std::nullopt;
  }

  std::string name_;
  Fault fault_;
  size_t fail_after_;
};

/// The eight files of a build in the order they are written: the five text
/// files, then the three compiled files. The first two are the description
/// files, which the compiler deletes once it has read them.
constexpr const char* kFile[] = {
    "Valdarco_Lornese_linea.txt",
    "Valdarco_Lornese_4158-.txt",
    "Valdarco_Lornese_4158_note.txt",
    "Valdarco_Lornese_4158_rallentamenti.txt",
    "Valdarco_Lornese_4158_scheda_treno.txt",
    "Valdarco_Lornese_linea.dat",
    "Valdarco_Lornese_4158.sim",
    "Valdarco_Lornese_4158.dat",
};
constexpr size_t kFileCount = std::size(kFile);
constexpr size_t kFirstCompiled = 5;

std::string old(const char* nome) { return std::string("old content of ") + nome + "\r\n"; }

size_t files_in(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

int run(FailingPlatform& platform) {
  Form1 form(platform);
  try {
    form.Form_Load();
  } catch (const ProgramEnded& fine) {
    return fine.status;
  }
  ADD_FAILURE() << "Form_Load returned";
  return -1;
}

struct FaultInjectionTest : testing::Test {
  /// Every file as a clean run writes it (the description files too).
  static const std::map<std::string, std::string>& reference() {
    static const std::map<std::string, std::string> written = [] {
      TempFolder folder;
      FailingPlatform clean(folder.path(), "", FailingPlatform::Fault::none);
      EXPECT_EQ(run(clean), 0);
      return clean.written;
    }();
    return written;
  }

  TempFolder folder;

  void old_files() {
    for (const char* nome : kFile) write_bytes(folder.path() / nome, old(nome));
  }
};

TEST_F(FaultInjectionTest, CleanRunWritesAllEightFiles) {
  ASSERT_EQ(reference().size(), kFileCount);
  for (const char* nome : kFile) EXPECT_FALSE(reference().at(nome).empty()) << nome;
}

// The line data file reaches the disk in several pieces, never as one block
// the size of the file; the others, small, each in one. The failure cases
// below therefore also fail part-way through a file given in pieces.
TEST_F(FaultInjectionTest, LineDataFileIsWrittenInPieces) {
  TempFolder clean_folder;
  FailingPlatform clean(clean_folder.path(), "", FailingPlatform::Fault::none);
  ASSERT_EQ(run(clean), 0);
  EXPECT_GT(clean.pieces.at(kFile[kFirstCompiled]), 1u);
  for (size_t i = 0; i < kFileCount; ++i) {
    if (i == kFirstCompiled) continue;
    EXPECT_EQ(clean.pieces.at(kFile[i]), 1u) << kFile[i];
  }
}

// Half of the file is on disk when the disk fills up: the run ends with
// status 3 and one line naming the file; every text file before it is
// complete, the failing one and every later one keep their old content, and
// no temporary file is left. The three compiled files go together: a failure
// while writing any of them leaves all three old ones.
struct FailurePartWay : FaultInjectionTest, testing::WithParamInterface<size_t> {};

TEST_P(FailurePartWay, EndsTheRunAndKeepsEveryFileWhole) {
  const size_t k = GetParam();
  old_files();
  FailingPlatform platform(folder.path(), kFile[k], FailingPlatform::Fault::write,
                           reference().at(kFile[k]).size() / 2);

  EXPECT_EQ(run(platform), 3);
  const fs::path failed = folder.path() / kFile[k];
  EXPECT_EQ(platform.reports,
            std::vector<std::string>{failed.string() + ": cannot write: No space left on device"});
  ASSERT_TRUE(platform.partial_temporary.has_value());
  EXPECT_EQ(*platform.partial_temporary, reference().at(kFile[k]).size() / 2);

  const size_t first_old = std::min(k, kFirstCompiled);
  size_t present = 0;
  for (size_t i = 0; i < kFileCount; ++i) {
    const fs::path file = folder.path() / kFile[i];
    const bool read_and_deleted = i < 2 && k >= kFirstCompiled;
    if (read_and_deleted) {
      EXPECT_FALSE(fs::exists(file)) << kFile[i];
      continue;
    }
    ++present;
    EXPECT_EQ(read_bytes(file), i < first_old ? reference().at(kFile[i]) : old(kFile[i]))
        << kFile[i];
  }
  EXPECT_EQ(files_in(folder.path()), present);  // no temporary file
}

INSTANTIATE_TEST_SUITE_P(EachFile, FailurePartWay, testing::Range<size_t>(0, kFileCount),
                         [](const testing::TestParamInfo<size_t>& info) {
                           std::string nome = kFile[info.param];
                           for (char& c : nome)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return nome;
                         });

// Every new compiled file is complete, but one cannot take its old file's
// place. Files replaced before it in the group are put back, so the three
// old files stay together, and nothing else is left in the folder: with old
// files (each put back in one step) and without (the new ones removed).
TEST_F(FaultInjectionTest, FailedRenameOfACompiledFileKeepsAllThreeOld) {
  for (const bool with_old_files : {true, false}) {
    for (size_t k = kFirstCompiled; k < kFileCount; ++k) {
      SCOPED_TRACE(std::string(kFile[k]) + (with_old_files ? " over old files" : " in an empty folder"));
      TempFolder folder;
      if (with_old_files)
        for (const char* nome : kFile) write_bytes(folder.path() / nome, old(nome));
      FailingPlatform platform(folder.path(), kFile[k], FailingPlatform::Fault::rename);
      EXPECT_EQ(run(platform), 3);
      const fs::path failed = folder.path() / kFile[k];
      EXPECT_EQ(platform.reports,
                std::vector<std::string>{failed.string() + ": cannot replace: Read-only file system"});
      size_t present = 3;  // the text files that stay
      for (size_t i = kFirstCompiled; i < kFileCount; ++i) {
        const fs::path file = folder.path() / kFile[i];
        if (with_old_files) {
          EXPECT_EQ(read_bytes(file), old(kFile[i])) << kFile[i];
          ++present;
        } else {
          EXPECT_FALSE(fs::exists(file)) << kFile[i];
        }
      }
      EXPECT_EQ(files_in(folder.path()), present);  // no temporary, no kept old file
    }
  }
}

// The program's folder is gone: the first file cannot even be created.
TEST_F(FaultInjectionTest, FolderThatCannotBeWritten) {
  const fs::path absent = folder.path() / "removed";
  FailingPlatform platform(absent, "", FailingPlatform::Fault::none);
  EXPECT_EQ(run(platform), 3);
  EXPECT_EQ(platform.reports,
            std::vector<std::string>{(absent / kFile[0]).string() +
                                     ": cannot create a file in its folder: No such file or directory"});
  EXPECT_FALSE(fs::exists(absent));
}

}  // namespace
