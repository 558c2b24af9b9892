#include "platform/system_platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/ansi.h"
#include "platform/system.h"

namespace fs = std::filesystem;

namespace {

// The caption of the window, as the form is named.
constexpr const char* kWindowCaption = "Form1";
// The first wait before a replace is tried again; each later wait doubles
// (50 + 100 + 200 + 400 ms in all).
constexpr unsigned kFirstWaitMilliseconds = 50;

std::string reason(int err) { return std::strerror(err); }

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void remove_quietly(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
}

// A name in the same folder that no other file has yet: the rename that
// replaces the final file then happens inside one file system.
// One generator per thread: a file may be staged on a thread of its own.
fs::path temporary_name(const fs::path& file, unsigned attempt) {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  fs::path tmp = file;
  tmp += ".tmp-" + std::to_string(generator() % 1000000000u) + "-" + std::to_string(attempt);
  return tmp;
}

}  // namespace

/// What stood at a file's name before a group replace: whether a file was
/// there and, when one was, a second name (a hard link) that keeps it until
/// the whole group is in place.
struct SystemPlatform::OldFile {
  bool existed = false;
  fs::path kept;
};

SystemPlatform::SystemPlatform(fs::path folder, std::unique_ptr<Desktop> desktop)
    : folder_(std::move(folder)), desktop_(std::move(desktop)) {}

SystemPlatform SystemPlatform::for_executable(const char* argv0) {
  fs::path exe = os::running_program();
  std::error_code ec;
  if (exe.empty()) exe = fs::absolute(argv0 ? fs::path(argv0) : fs::path("."), ec);
  return SystemPlatform(exe.parent_path(),
                        desktop_for(os::started_by_double_click(), os::system_desktop));
}

std::unique_ptr<Desktop> SystemPlatform::desktop_for(
    bool double_clicked, const std::function<std::unique_ptr<Desktop>()>& system_desktop) {
  return double_clicked ? system_desktop() : nullptr;
}

fs::path SystemPlatform::program_folder() { return folder_; }

bool SystemPlatform::build_into(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;
  folder_ = folder;
  return true;
}

// The window's label and the box's text are the program's own Windows-1252
// texts; the report lines are UTF-8 already.
void SystemPlatform::show_window(const std::string& label) {
  if (desktop_) {
    desktop_->show_window(kWindowCaption, cp1252_to_utf8(label));
  } else {
    os::write_error_text(cp1252_to_utf8(label) + "\n");
  }
}

void SystemPlatform::message_box(const std::string& text) {
  if (desktop_) {
    desktop_->message_box(cp1252_to_utf8(text));
    box_shown_ = true;
  } else {
    os::write_error_text(cp1252_to_utf8(text) + "\n");
  }
}

void SystemPlatform::report(const std::string& line) {
  if (desktop_) {
    pending_reports_.push_back(line);
  } else {
    os::write_error_text(line + "\n");
  }
}

void SystemPlatform::show_reports() {
  if (desktop_ && !box_shown_ && !pending_reports_.empty()) {
    std::string text;
    for (const std::string& line : pending_reports_) text += (text.empty() ? "" : "\n") + line;
    desktop_->message_box(text);
    box_shown_ = true;
  }
  pending_reports_.clear();
}

void SystemPlatform::end_program(int status) {
  show_reports();
  std::fflush(stderr);
  std::exit(status);
}

bool SystemPlatform::file_exists(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec);
}

std::string SystemPlatform::read_file(const fs::path& file) {
  errno = 0;
  FilePtr in(os::open_for_reading(file));
  if (!in) throw FileError(file, "cannot open for reading: " + reason(errno));
  std::string content;
  char buffer[1 << 16];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) content.append(buffer, got);
  if (std::ferror(in.get())) throw FileError(file, "cannot read: " + reason(errno));
  return content;
}

SystemPlatform::StagedFile& SystemPlatform::StagedFile::operator=(StagedFile&& other) noexcept {
  if (this != &other) {
    discard();
    file_ = std::move(other.file_);
    temporary_ = std::move(other.temporary_);
    other.temporary_.clear();
  }
  return *this;
}

void SystemPlatform::StagedFile::discard() {
  if (!temporary_.empty()) remove_quietly(temporary_);
  temporary_.clear();
}

// Writes the new content to a new temporary file and closes it, checking
// every piece and the close; on any failure, the source's own included, the
// temporary file is removed.
SystemPlatform::StagedFile SystemPlatform::stage(const NewFile& content) {
  const fs::path& file = content.file;
  for (unsigned attempt = 0;; ++attempt) {
    const fs::path tmp = temporary_name(file, attempt);
    errno = 0;
    std::FILE* raw = os::create_new(tmp);
    if (!raw) {
      if (errno == EEXIST && attempt < 100) continue;
      throw FileError(file, "cannot create a file in its folder: " + reason(errno));
    }
    FilePtr out(raw);
    int failure = 0;  // errno of the first failed step; -1 for one that set none
    const auto failed = [&failure] { failure = errno != 0 ? errno : -1; };
    try {
      for_each_piece(content, [&](std::string_view piece) {
        errno = 0;
        if (write_block(file, raw, piece) != piece.size()) failed();
        return failure == 0;
      });
    } catch (...) {
      out.reset();
      remove_quietly(tmp);
      throw;
    }
    errno = 0;
    if (failure == 0 && std::fflush(raw) != 0) failed();
    if (failure == 0 && std::fclose(out.release()) != 0) failed();
    if (failure == 0) return StagedFile(file, tmp);
    out.reset();
    remove_quietly(tmp);
    throw FileError(file, "cannot write: " + reason(failure > 0 ? failure : EIO));
  }
}

size_t SystemPlatform::write_block(const fs::path& /*file*/, std::FILE* out,
                                   std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), out);
}

std::error_code SystemPlatform::rename_over(const fs::path& from, const fs::path& to) {
  return os::move_replacing(from, to);
}

void SystemPlatform::pause(unsigned milliseconds) { os::pause_milliseconds(milliseconds); }

// The complete temporary file takes the final name in one step. A target
// that another program holds open gets a few short tries before the replace
// gives up; the temporary file never outlives a failure.
void SystemPlatform::move_into_place(const fs::path& temporary, const fs::path& file) {
  std::error_code failure;
  unsigned wait = kFirstWaitMilliseconds;
  unsigned tries = 0;
  for (;;) {
    failure = rename_over(temporary, file);
    ++tries;
    if (!failure) return;
    if (!os::held_by_another_program(failure) || tries == kReplaceTries) break;
    pause(wait);
    wait *= 2;
  }
  remove_quietly(temporary);
  if (tries > 1)
    throw FileError(file, "cannot replace: " + failure.message() +
                              " (held open by another program? tried " + std::to_string(tries) +
                              " times)");
  throw FileError(file, "cannot replace: " + failure.message());
}

void SystemPlatform::replace_file(const fs::path& file, std::string_view bytes) {
  const NewFile one{file, bytes};
  replace_files({&one, 1});
}

// The files of a group are all written to temporary files and checked
// before the first old file is replaced, so a full disk or a failed write
// changes nothing. The renames that follow are each one step, but a group
// of them is not: if one fails after others succeeded, the files already
// replaced are put back from their old contents, which a hard link kept
// under a temporary name until the whole group was in place. Without hard
// links (FAT) the old content cannot be kept without copying it; those files
// stay new and the error says which file failed.
void SystemPlatform::replace_files(std::span<const NewFile> files) {
  std::vector<StagedFile> staged;
  staged.reserve(files.size());
  for (const NewFile& f : files) staged.push_back(stage(f));
  place(staged);
}

void SystemPlatform::place(std::span<StagedFile> staged) {
  std::vector<OldFile> old;
  std::vector<StagedFile> kept;  // removes the kept names when it goes
  if (staged.size() > 1) {
    for (const StagedFile& f : staged) {
      old.push_back(keep_old(f.file()));
      kept.emplace_back(f.file(), old.back().kept);
    }
  }
  for (size_t i = 0; i < staged.size(); ++i) {
    try {
      move_into_place(staged[i].temporary(), staged[i].file());
      staged[i].forget();
    } catch (const FileError&) {
      staged[i].forget();  // move_into_place removed it
      if (!old.empty()) put_back(staged, old, i);
      throw;
    }
  }
}

SystemPlatform::OldFile SystemPlatform::keep_old(const fs::path& file) {
  OldFile old;
  std::error_code ec;
  old.existed = fs::exists(file, ec);
  if (!old.existed) return old;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const fs::path name = temporary_name(file, attempt);
    fs::create_hard_link(file, name, ec);
    if (!ec) {
      old.kept = name;
      return old;
    }
    if (ec != std::errc::file_exists) break;
  }
  return old;
}

// Undoes the first `replaced` replacements of a group: each old file takes
// its name back in one step, and a file that did not exist before is removed.
void SystemPlatform::put_back(std::span<StagedFile> staged, const std::vector<OldFile>& old,
                              size_t replaced) {
  for (size_t i = 0; i < replaced; ++i) {
    if (!old[i].existed) {
      remove_quietly(staged[i].file());
    } else if (!old[i].kept.empty()) {
      (void)rename_over(old[i].kept, staged[i].file());
    }
  }
}

void SystemPlatform::delete_file(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
  if (ec) throw FileError(file, "cannot delete: " + ec.message());
}
