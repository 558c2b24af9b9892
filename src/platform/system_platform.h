#pragma once
// The platform of the real program: files through the system calls of
// platform/system.h with safe replacement, and the person who started the
// program met where they are: on the terminal, or, when the program was
// double-clicked on Windows, with its window and message boxes.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/desktop.h"
#include "platform/platform.h"

class SystemPlatform : public Platform {
 public:
  /// A platform whose program folder is `folder`; with a desktop, the window,
  /// the message boxes and the report lines go there instead of standard
  /// error.
  explicit SystemPlatform(std::filesystem::path folder, std::unique_ptr<Desktop> desktop = nullptr);

  /// The platform of the running program: its folder is the one that holds
  /// the program's own file as the system reports it (argv[0] only when the
  /// system cannot tell), and it has the system's desktop when it was
  /// started by a double-click.
  static SystemPlatform for_executable(const char* argv0);

  /// The choice between the terminal and a desktop: the system's desktop
  /// (made by `system_desktop`) for a double-clicked program, none for one
  /// started from a console or a script, which must never wait for a click.
  static std::unique_ptr<Desktop> desktop_for(
      bool double_clicked, const std::function<std::unique_ptr<Desktop>()>& system_desktop);

  std::filesystem::path program_folder() override;
  void show_window(const std::string& label) override;
  void message_box(const std::string& text) override;
  void report(const std::string& line) override;
  [[noreturn]] void end_program(int status) override;
  bool build_into(const std::filesystem::path& folder) override;

  bool file_exists(const std::filesystem::path& file) override;
  std::string read_file(const std::filesystem::path& file) override;
  void replace_file(const std::filesystem::path& file, std::string_view bytes) override;
  void replace_files(std::span<const NewFile> files) override;
  void delete_file(const std::filesystem::path& file) override;

  /// A file's new content written whole to a temporary file beside it and
  /// closed, not yet in place: the first half of a safe replace. The
  /// temporary file is removed when this goes, unless it was placed.
  class StagedFile {
   public:
    StagedFile() = default;
    StagedFile(std::filesystem::path file, std::filesystem::path temporary)
        : file_(std::move(file)), temporary_(std::move(temporary)) {}
    StagedFile(StagedFile&& other) noexcept { *this = std::move(other); }
    StagedFile& operator=(StagedFile&& other) noexcept;
    ~StagedFile() { discard(); }

    const std::filesystem::path& file() const { return file_; }
    const std::filesystem::path& temporary() const { return temporary_; }
    /// Removes the temporary file now (nothing once it was placed).
    void discard();
    /// The temporary file has taken its final name, or was removed by a failure.
    void forget() { temporary_.clear(); }

   private:
    std::filesystem::path file_;
    std::filesystem::path temporary_;
  };

  /// Writes `content` to a new temporary file beside its file, checking
  /// every piece and the close; on any failure nothing is left and
  /// FileError names the file. Uses up a source of pieces.
  StagedFile stage(const NewFile& content);
  /// The second half: puts a group of staged files in place together, as
  /// replace_files does once every temporary file is written.
  void place(std::span<StagedFile> staged);

  /// On a desktop, the report lines of the run in one message box, unless
  /// the run has shown its own box already. Done by end_program.
  void show_reports();

  /// How many times a replace is tried when another program holds the file.
  static constexpr unsigned kReplaceTries = 5;

 protected:
  // The steps of a safe replace that can fail part-way, as seams: a test
  // platform overrides them to fail, so that the real replace code is what
  // its tests exercise.

  /// Writes one piece of the new content of `file` to its open temporary
  /// file; returns how many bytes were written (fewer means failure, with
  /// errno set).
  virtual size_t write_block(const std::filesystem::path& file, std::FILE* out,
                             std::string_view bytes);
  /// Moves a file over another in one step.
  virtual std::error_code rename_over(const std::filesystem::path& from,
                                      const std::filesystem::path& to);
  /// Waits between two tries of a replace.
  virtual void pause(unsigned milliseconds);

 private:
  struct OldFile;
  void move_into_place(const std::filesystem::path& temporary, const std::filesystem::path& file);
  OldFile keep_old(const std::filesystem::path& file);
  void put_back(std::span<StagedFile> staged, const std::vector<OldFile>& old, size_t replaced);

  std::filesystem::path folder_;
  std::unique_ptr<Desktop> desktop_;
  std::vector<std::string> pending_reports_;
  bool box_shown_ = false;
};
