#pragma once
// The author compiler's messages: errors, warnings and notes, each pointing
// at a line of a description file in the shape editors jump to
// ("FILE:LINE: error ..."), followed by the source line and a caret.

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "compile/compile_listener.h"

enum class Gravita { errore, avviso, nota };

/// One message. Texts are UTF-8 except `segno`, which is a piece of the
/// source line (Windows-1252) to put the caret under.
struct Diagnostica {
  Gravita gravita = Gravita::errore;
  int32_t codice = 0;                   ///< an error's code, shown after "error"; 0: none
  std::optional<FileDescrizione> file;  ///< none: the scenario as a whole
  int32_t riga = 0;                     ///< 0: the file as a whole
  bool mostra_riga = true;              ///< false: no source line under the message
  std::string messaggio;
  std::string segno;  ///< empty: the caret goes under the line's first character
};

/// A description file as the author knows it: its name (the source folder
/// joined with the file name) and its lines.
struct FileSorgente {
  std::string nome_mostrato;        ///< UTF-8
  std::vector<std::string> righe;   ///< Windows-1252, without their line ends
};

/// The lines of a file's content; CR LF, LF alone and CR alone each end a
/// line, as for the field reader, so line numbers agree with it.
std::vector<std::string> dividi_righe(std::string_view contenuto);

class Rapporto {
 public:
  /// `scenario` (UTF-8, line name + "_" + train number) names messages that
  /// concern no file.
  Rapporto(FileSorgente linea, FileSorgente treno, std::string scenario);

  void aggiungi(Diagnostica d);
  const std::vector<Diagnostica>& diagnostiche() const { return diagnostiche_; }
  const FileSorgente& file(FileDescrizione f) const { return file_[indice(f)]; }
  bool ha_errori() const;

  /// Every message in the order it was added.
  void scrivi(std::ostream& uscita) const;
  /// One message: its head line, then the source line and the caret when it
  /// points at a line that exists.
  void scrivi(std::ostream& uscita, const Diagnostica& d) const;

 private:
  static size_t indice(FileDescrizione f) { return f == FileDescrizione::linea ? 0 : 1; }

  std::array<FileSorgente, 2> file_;
  std::string scenario_;
  std::vector<Diagnostica> diagnostiche_;
};
