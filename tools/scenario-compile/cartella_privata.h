#pragma once
// A private temporary folder (mode 0700, a fresh name from mkdtemp) that is
// removed with everything in it when the object goes, whatever happened.

#include <filesystem>

class CartellaPrivata {
 public:
  /// Creates the folder under the system's temporary folder; FileError when
  /// it cannot be created.
  CartellaPrivata();
  ~CartellaPrivata();
  CartellaPrivata(const CartellaPrivata&) = delete;
  CartellaPrivata& operator=(const CartellaPrivata&) = delete;

  const std::filesystem::path& percorso() const { return percorso_; }

 private:
  std::filesystem::path percorso_;
};
