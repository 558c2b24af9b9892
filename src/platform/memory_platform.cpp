#include "platform/memory_platform.h"

bool MemoryPlatform::build_into(const std::filesystem::path& folder) {
  bool is_folder = folder == folder_;
  for (auto it = files.begin(); !is_folder && it != files.end(); ++it)
    is_folder = it->first.parent_path() == folder;
  if (is_folder) folder_ = folder;
  return is_folder;
}

bool MemoryPlatform::file_exists(const std::filesystem::path& file) {
  return files.count(file) > 0;
}

std::string MemoryPlatform::read_file(const std::filesystem::path& file) {
  const auto it = files.find(file);
  if (it == files.end()) throw FileError(file, "cannot open for reading: No such file or directory");
  return it->second;
}

void MemoryPlatform::replace_file(const std::filesystem::path& file, std::string_view bytes) {
  files[file] = std::string(bytes);
}

// Every content is complete before the first file changes, as on disk: a
// source that fails leaves every file of the group as it was.
void MemoryPlatform::replace_files(std::span<const NewFile> group) {
  std::vector<std::string> contents;
  for (const NewFile& f : group) {
    std::string& content = contents.emplace_back();
    for_each_piece(f, [&content](std::string_view piece) {
      content += piece;
      return true;
    });
  }
  for (size_t i = 0; i < group.size(); ++i) files[group[i].file] = std::move(contents[i]);
}

void MemoryPlatform::delete_file(const std::filesystem::path& file) {
  if (!keep_deleted) files.erase(file);
}
