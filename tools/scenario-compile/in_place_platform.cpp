#include "in_place_platform.h"

#include <algorithm>
#include <utility>

namespace fs = std::filesystem;

InPlacePlatform::InPlacePlatform(fs::path output_folder, WriteDecision may_write)
    : output_folder_(output_folder), system_(std::move(output_folder)), ask_(std::move(may_write)) {}

void InPlacePlatform::add_description(fs::path as_built, std::string text) {
  descriptions_.push_back({std::move(as_built), std::move(text)});
}

InPlacePlatform::Description* InPlacePlatform::description(const fs::path& file) {
  const auto found = std::find_if(descriptions_.begin(), descriptions_.end(),
                                  [&](const Description& d) { return d.as_built == file; });
  return found == descriptions_.end() ? nullptr : &*found;
}

std::string_view InPlacePlatform::description_text(const fs::path& as_built) const {
  const auto found = std::find_if(descriptions_.begin(), descriptions_.end(),
                                  [&](const Description& d) { return d.as_built == as_built; });
  return found == descriptions_.end() ? std::string_view() : std::string_view(found->text);
}

bool InPlacePlatform::was_read(const fs::path& as_built) const {
  return std::any_of(descriptions_.begin(), descriptions_.end(),
                     [&](const Description& d) { return d.as_built == as_built && d.read; });
}

// A description file the build has deleted is gone for the build, as it
// would be for the main program, while the author's file stays.
bool InPlacePlatform::file_exists(const fs::path& file) {
  if (const Description* d = description(file)) return !d->deleted;
  return system_.file_exists(file);
}

std::string InPlacePlatform::read_file(const fs::path& file) {
  Description* d = description(file);
  if (d == nullptr) return system_.read_file(file);
  if (d->deleted) throw FileError(file, "cannot open for reading: the build has deleted it");
  d->read = true;
  return d->text;
}

void InPlacePlatform::delete_file(const fs::path& file) {
  if (Description* d = description(file)) {
    d->deleted = true;
    return;
  }
  handed_over_.push_back(file);
  if (may_write()) system_.delete_file(file);
}

void InPlacePlatform::replace_file(const fs::path& file, std::string_view bytes) {
  const NewFile one{file, bytes};
  replace_files({&one, 1});
}

// The build lays out every byte of its files once and hands them over here;
// they go to the system's safe replacement or nowhere, never to a copy. The
// decision is taken while a file staged early is still being written.
void InPlacePlatform::replace_files(std::span<const NewFile> files) {
  for (const NewFile& f : files)
    if (description(f.file) != nullptr)
      throw FileError(f.file, "cannot write: a description file is only ever read");
  for (const NewFile& f : files) handed_over_.push_back(f.file);
  if (!may_write()) {
    discard_early();
    return;
  }
  std::vector<SystemPlatform::StagedFile> staged;
  staged.reserve(files.size());
  for (const NewFile& f : files) staged.push_back(stage(f));
  system_.place(staged);
}

SystemPlatform::StagedFile InPlacePlatform::stage(const NewFile& f) {
  if (!early_ || early_->file != f.file) return system_.stage(f);
  std::future<SystemPlatform::StagedFile> staged = std::move(early_->staged);
  early_.reset();
  return staged.get();  // a failure to write it is thrown here, in the group's order
}

// The thread owns the content; the system platform's staging touches
// nothing the build uses meanwhile (the build reads its descriptions from
// this platform, never from the system's).
void InPlacePlatform::stage_early(fs::path file, std::unique_ptr<ByteSource> content) {
  discard_early();
  auto write = [this, file, source = std::move(content)] {
    return system_.stage(NewFile(file, *source));
  };
  early_ = EarlyFile{std::move(file), std::async(std::launch::async, std::move(write))};
}

// A failure to write a file that will not be put in place concerns nobody
// (and this runs as the platform goes, where nothing may be thrown).
void InPlacePlatform::discard_early() {
  if (!early_) return;
  std::future<SystemPlatform::StagedFile> staged = std::move(early_->staged);
  early_.reset();
  try {
    staged.get();  // removes the temporary file as it goes
  } catch (...) {
  }
}

bool InPlacePlatform::may_write() {
  if (!decision_) decision_ = ask_();
  return *decision_;
}
