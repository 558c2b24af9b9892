#include "cartella_privata.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

CartellaPrivata::CartellaPrivata() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  const std::string modello = (base / "scenario-compile-XXXXXX").string();
  std::vector<char> nome(modello.begin(), modello.end());
  nome.push_back('\0');
  errno = 0;
  if (mkdtemp(nome.data()) == nullptr)
    throw FileError(modello, std::string("cannot create a private folder: ") + std::strerror(errno));
  percorso_ = nome.data();
}

// Never throws: a folder that cannot be removed is left behind rather than
// turning a finished compilation into a failure.
CartellaPrivata::~CartellaPrivata() {
  std::error_code ec;
  fs::remove_all(percorso_, ec);
}
