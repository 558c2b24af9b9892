#pragma once
// Watches one build of the author compiler: turns what the compiler tells
// its listener into warnings, and keeps every code the build records, as it
// is recorded, with the entry the build names for it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "compile/compile_listener.h"
#include "rapporto.h"

class Osservatore : public CompileListener {
 public:
  Osservatore(Form1& form, Rapporto& rapporto) : form_(form), rapporto_(rapporto) {}

  void key_dropped(FileDescrizione file, int32_t line, SezioneLettura section,
                   std::string_view key) override;
  void entry_read(FileDescrizione file, int32_t line, std::string_view entry,
                  int32_t position) override;
  void chainage_dropped() override;
  void code_recorded(int32_t code, int32_t position, const LuogoSorgente& entry) override;

  /// After the build: one message per code the build recorded, in order.
  /// `dettaglio` tells what failed for code 25, in the author's file names.
  void riporta_codici(std::string_view dettaglio);

  /// A code the build recorded, and where.
  struct Registrazione {
    int32_t codice;
    int32_t posizione;
    LuogoSorgente luogo;
  };
  const std::vector<Registrazione>& registrazioni() const { return registrazioni_; }

 private:
  /// The last entry of one kind, for the ascending-order warnings.
  struct Ultima {
    std::string voce;
    FileDescrizione file;
    int32_t riga;
    int32_t posizione;
  };

  void avvisa_chiave(FileDescrizione file, int32_t riga, SezioneLettura sezione,
                     std::string_view chiave);
  void controlla_ordine(FileDescrizione file, int32_t riga, std::string_view voce,
                        int32_t posizione);
  void avvisa(FileDescrizione file, int32_t riga, std::string messaggio, std::string segno);

  Form1& form_;
  Rapporto& rapporto_;

  std::vector<Registrazione> registrazioni_;

  std::vector<Ultima> ultime_;
  bool valori_scartati_ = false;  ///< the last callback dropped a key that was reported
  /// Warnings about entries before "[generale]": told once the heading is
  /// found, dropped when the file has none.
  std::vector<Diagnostica> prima_del_generale_;
  bool prima_del_generale_aperta_ = false;  ///< a file's start is still being searched
  void rilascia_in_attesa(bool tieni);
};

/// " (at 5950 m)" or " (at 5950 m, km 67.500)": the position of a code, with
/// the chainage where the line's references give it.
std::string testo_posizione(const Voci& voci, int32_t posizione);
