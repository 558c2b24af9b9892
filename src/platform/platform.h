#pragma once
// What the builder needs from the machine it runs on: its own folder, a
// window with one label, a message box, a way to end at once, and files.
// The program uses SystemPlatform; tests and tools supply their own.

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

/// A file that cannot be read, created, written, renamed or deleted. The
/// message names the file (in UTF-8 on every system) and gives the system's
/// reason.
class FileError : public std::runtime_error {
 public:
  FileError(const std::filesystem::path& file, const std::string& reason)
      : std::runtime_error(utf8_name(file) + ": " + reason), file_(file) {}
  const std::filesystem::path& file() const { return file_; }

 private:
  static std::string utf8_name(const std::filesystem::path& file) {
    const std::u8string name = file.u8string();
    return std::string(name.begin(), name.end());
  }
  std::filesystem::path file_;
};

/// The content of a file handed out in pieces, in order, so that a large
/// file (the line data file of a long line) is written without ever being
/// held whole in memory. A source is read once, front to back.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// The next piece of the content, valid until the next call; empty once
  /// the whole content has been handed out.
  virtual std::string_view next_piece() = 0;
};

/// One file of a group replaced together, and its new content: whole bytes,
/// or a source that hands them out piece by piece.
struct NewFile {
  NewFile(std::filesystem::path f, std::string_view whole) : file(std::move(f)), bytes(whole) {}
  NewFile(std::filesystem::path f, ByteSource& source) : file(std::move(f)), pieces(&source) {}

  std::filesystem::path file;
  std::string_view bytes;         ///< the whole content, when there is no source
  ByteSource* pieces = nullptr;   ///< otherwise the content, piece by piece
};

/// Hands the content of a new file to `put`, piece by piece and in order:
/// the whole bytes as one piece, or the pieces of its source (which is
/// thereby used up). Empty pieces are never handed out. `put` returns
/// whether to go on; after a false, no further piece is produced.
template <class Put>
void for_each_piece(const NewFile& f, Put&& put) {
  if (f.pieces == nullptr) {
    if (!f.bytes.empty()) put(f.bytes);
    return;
  }
  for (std::string_view piece = f.pieces->next_piece(); !piece.empty();
       piece = f.pieces->next_piece())
    if (!put(piece)) return;
}

class Platform {
 public:
  virtual ~Platform() = default;

  /// The folder every file of a build lives in (for the program: the folder
  /// that holds its executable).
  virtual std::filesystem::path program_folder() = 0;

  /// Shows the window with its single label, painted once while the build runs.
  virtual void show_window(const std::string& label) = 0;

  /// The modal message box with one OK button; returns once it is closed.
  virtual void message_box(const std::string& text) = 0;

  /// A line for the person running the build (recorded codes, failures).
  virtual void report(const std::string& line) = 0;

  /// Ends the program at once with this exit status. Never returns.
  [[noreturn]] virtual void end_program(int status) = 0;

  /// Makes `folder` the one every file of the build lives in, in place of
  /// the program's own; false, with nothing changed, when it is not a
  /// folder. A platform that builds only into its own folder says no.
  virtual bool build_into(const std::filesystem::path&) { return false; }

  // --- Files ---

  virtual bool file_exists(const std::filesystem::path& file) = 0;

  /// The whole content of a file; FileError when it cannot be read.
  virtual std::string read_file(const std::filesystem::path& file) = 0;

  /// Replaces the file with exactly these bytes, safely: the old file stays as
  /// it was unless the new content is complete. FileError on any failure.
  virtual void replace_file(const std::filesystem::path& file, std::string_view bytes) = 0;

  /// Replaces files that belong together, all or none: every new content is
  /// complete before the first old file goes, and a failure leaves every old
  /// file as it was. FileError naming the file that failed. A content given
  /// in pieces is read from its source once, piece by piece, in the order of
  /// the group; a failure of the source (its exception) is a failure of the
  /// group like any other.
  virtual void replace_files(std::span<const NewFile> files) = 0;

  /// Deletes the file; a file that does not exist is no error. FileError when
  /// an existing file cannot be deleted.
  virtual void delete_file(const std::filesystem::path& file) = 0;
};
