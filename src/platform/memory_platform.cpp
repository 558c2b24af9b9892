#include "platform/memory_platform.h"

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

void MemoryPlatform::replace_files(std::span<const NewFile> group) {
  for (const NewFile& f : group) replace_file(f.file, f.bytes);
}

void MemoryPlatform::delete_file(const std::filesystem::path& file) {
  if (!keep_deleted) files.erase(file);
}
