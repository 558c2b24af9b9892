#pragma once
// The platform one run of the author compiler gives the builder: its
// program folder is the output folder; the author's description files are
// served from the text the session read (and converted) once, and the
// build's deletes of them become nothing; the compiled files go straight
// into the output folder through the system's safe replacement, but only
// when the session allows it at the moment the build hands them over.
// Nothing is copied to a private folder and no compiled byte is held twice.

#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/system_platform.h"

/// Thrown where the build would end the program (a guard): carries the status.
struct BuildEnded {
  int status;
};

class InPlacePlatform : public Platform {
 public:
  /// Asked once, when the build first hands over files to write: true lets
  /// them be written, false leaves the output folder as it was.
  using WriteDecision = std::function<bool()>;

  InPlacePlatform(std::filesystem::path output_folder, WriteDecision may_write);

  /// A description file under the name the build gives it (in the output
  /// folder), with its Windows-1252 text. The build reads this text and
  /// never the file of that name on disk.
  void add_description(std::filesystem::path as_built, std::string text);

  std::filesystem::path program_folder() override { return output_folder_; }
  void show_window(const std::string&) override {}
  void message_box(const std::string& text) override { messages.push_back(text); }
  void report(const std::string& line) override { reports.push_back(line); }
  [[noreturn]] void end_program(int status) override { throw BuildEnded{status}; }

  bool file_exists(const std::filesystem::path& file) override;
  std::string read_file(const std::filesystem::path& file) override;
  void replace_file(const std::filesystem::path& file, std::string_view bytes) override;
  void replace_files(std::span<const NewFile> files) override;
  void delete_file(const std::filesystem::path& file) override;

  /// Starts writing `file`'s new content to its temporary file beside it on
  /// a thread of its own, while the build goes on; no file is replaced. When
  /// the build hands `file` over, that temporary file is what takes its
  /// name (the content handed over then must be the same bytes, and is not
  /// read); when the writes are not allowed, or the build ends without
  /// handing it over, the temporary file is removed. The content must not
  /// change until discard_early or the hand-over.
  void stage_early(std::filesystem::path file, std::unique_ptr<ByteSource> content);
  /// Waits for a file staged early and removes its temporary file, unless
  /// it was put in place. Called before what its content reads goes away.
  void discard_early();
  ~InPlacePlatform() override { discard_early(); }

  /// The Windows-1252 text of a description file given by add_description
  /// (empty for any other file), for the checks that read it after the build.
  std::string_view description_text(const std::filesystem::path& as_built) const;
  /// Whether the build has read this description file.
  bool was_read(const std::filesystem::path& as_built) const;
  /// The files the build handed over to be written, in its order.
  const std::vector<std::filesystem::path>& handed_over() const { return handed_over_; }
  /// Whether the decision was asked and allowed the writes.
  bool writing_allowed() const { return decision_.value_or(false); }

  std::vector<std::string> messages;  ///< the build's message boxes (a guard's)
  std::vector<std::string> reports;   ///< the build's report lines

 private:
  struct Description {
    std::filesystem::path as_built;
    std::string text;
    bool read = false;
    bool deleted = false;  ///< by the build; the file on disk stays
  };
  Description* description(const std::filesystem::path& file);
  bool may_write();
  /// The staged file for `f`: the one staged early, or one staged now.
  SystemPlatform::StagedFile stage(const NewFile& f);

  /// A file being staged early, and the thread's outcome.
  struct EarlyFile {
    std::filesystem::path file;
    std::future<SystemPlatform::StagedFile> staged;
  };

  std::filesystem::path output_folder_;
  SystemPlatform system_;
  WriteDecision ask_;
  std::optional<bool> decision_;
  std::vector<Description> descriptions_;
  std::vector<std::filesystem::path> handed_over_;
  std::optional<EarlyFile> early_;
};
