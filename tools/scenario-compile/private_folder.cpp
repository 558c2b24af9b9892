#include "private_folder.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <random>
#else
#include <stdlib.h>

#include <vector>
#endif

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
// Windows has no mkdtemp: a fresh random name, created only when nothing has
// it yet. The user's temporary folder is the user's own there.
fs::path create_private_folder(const fs::path& base) {
  std::mt19937_64 generator{std::random_device{}()};
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        base / ("scenario-compile-" + std::to_string(generator() % 1000000000u));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) return candidate;
    if (ec) throw FileError(candidate, "cannot create a private folder: " + ec.message());
  }
  throw FileError(base, "cannot create a private folder: every name tried is taken");
}
#else
// mkdtemp: a fresh name, mode 0700.
fs::path create_private_folder(const fs::path& base) {
  const std::string pattern = (base / "scenario-compile-XXXXXX").string();
  std::vector<char> nome(pattern.begin(), pattern.end());
  nome.push_back('\0');
  errno = 0;
  if (mkdtemp(nome.data()) == nullptr)
    throw FileError(pattern, std::string("cannot create a private folder: ") + std::strerror(errno));
  return nome.data();
}
#endif

}  // namespace

PrivateFolder::PrivateFolder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  path_ = create_private_folder(base);
}

// Never throws: a folder that cannot be removed is left behind rather than
// turning a finished compilation into a failure.
PrivateFolder::~PrivateFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}
