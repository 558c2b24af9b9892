#pragma once
// A private temporary folder (mode 0700, a fresh name from mkdtemp) that is
// removed with everything in it when the object goes, whatever happened.

#include <filesystem>

class PrivateFolder {
 public:
  /// Creates the folder under the system's temporary folder; FileError when
  /// it cannot be created.
  PrivateFolder();
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  const std::filesystem::path& percorso() const { return path_; }

 private:
  std::filesystem::path path_;
};
