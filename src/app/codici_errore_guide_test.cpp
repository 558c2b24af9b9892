// The author's guide lists every code of the build in one table. These tests
// keep that table true: one row per code of the program's own table and no
// other, each with the meaning the program prints, and a "Files written?"
// claim that a real build provoking the code confirms.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/codici_errore.h"
#include "app/form1.h"
#include "testing/test_platform.h"

#ifndef SCENARIO_SOURCE_DIR
#error "core_tests needs SCENARIO_SOURCE_DIR, the top of the source tree"
#endif

namespace fs = std::filesystem;

namespace {

const std::string kGuida = (fs::path(SCENARIO_SOURCE_DIR) / "docs" / "authoring-guide.md").string();

/// One row of the guide's table of codes, cells trimmed.
struct RigaGuida {
  int riga;  ///< line of the guide, for the failure messages
  std::string codice, significato, causa, rimedio, file_scritti;
};

std::string senza_bordi(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::vector<std::string> celle(const std::string& riga) {
  std::vector<std::string> parti;
  std::stringstream s(riga);
  std::string parte;
  while (std::getline(s, parte, '|')) parti.push_back(senza_bordi(parte));
  // "| a | b |" splits into "", "a", "b": drop the empty piece before the first bar.
  if (!parti.empty() && parti.front().empty()) parti.erase(parti.begin());
  return parti;
}

/// The rows between the markers, header and separator left out. A problem
/// with the table's shape is a test failure of its own.
std::vector<RigaGuida> righe_della_tabella() {
  std::ifstream in(kGuida);
  EXPECT_TRUE(in) << "cannot open " << kGuida;
  std::vector<RigaGuida> righe;
  std::string riga;
  int numero = 0;
  bool dentro = false, inizio = false, fine = false;
  while (std::getline(in, riga)) {
    ++numero;
    if (!riga.empty() && riga.back() == '\r') riga.pop_back();
    if (riga == "<!-- codes:begin -->") {
      inizio = dentro = true;
      continue;
    }
    if (riga == "<!-- codes:end -->") {
      fine = true;
      break;
    }
    if (!dentro || riga.rfind('|', 0) != 0) continue;
    const std::vector<std::string> c = celle(riga);
    if (c.size() != 5) {
      ADD_FAILURE() << kGuida << ":" << numero << ": a row of the codes table needs 5 cells, has "
                    << c.size() << ": " << riga;
      continue;
    }
    if (c[0] == "Code" || c[0].rfind("---", 0) == 0) continue;
    righe.push_back({numero, c[0], c[1], c[2], c[3], c[4]});
  }
  EXPECT_TRUE(inizio && fine) << kGuida << ": the markers <!-- codes:begin --> and "
                                            "<!-- codes:end --> must both stand on lines of their own";
  return righe;
}

TEST(GuidaCodiciTest, EveryCodeOfTheProgramHasARowWithItsOwnMeaning) {
  const std::vector<RigaGuida> righe = righe_della_tabella();
  for (const CodiceErrore& c : tabella_codici()) {
    const std::string codice = std::to_string(c.codice);
    const auto n = std::count_if(righe.begin(), righe.end(),
                                 [&](const RigaGuida& r) { return r.codice == codice; });
    EXPECT_EQ(n, 1) << "code " << codice << " must have exactly one row in the table of "
                    << kGuida;
    if (n != 1) continue;
    const auto r = std::find_if(righe.begin(), righe.end(),
                                [&](const RigaGuida& x) { return x.codice == codice; });
    EXPECT_EQ(r->significato, c.significato)
        << kGuida << ":" << r->riga << ": the Meaning of code " << codice
        << " must be the text the program prints";
    EXPECT_FALSE(r->causa.empty() || r->rimedio.empty() || r->file_scritti.empty())
        << kGuida << ":" << r->riga << ": code " << codice << " needs a cause, a fix and a claim";
  }
}

TEST(GuidaCodiciTest, TheTableHoldsNoCodeTheProgramDoesNotHave) {
  for (const RigaGuida& r : righe_della_tabella()) {
    int32_t codice = 0;
    const bool numero = !r.codice.empty() &&
                        std::all_of(r.codice.begin(), r.codice.end(),
                                    [](char ch) { return ch >= '0' && ch <= '9'; });
    if (numero) codice = std::stoi(r.codice);
    EXPECT_TRUE(numero && cerca_codice(codice) != nullptr)
        << kGuida << ":" << r.riga << ": \"" << r.codice << "\" is no code of the program";
  }
}

// ----- "Files written?" against real builds -----

/// A small scenario that makes the build record one code. The line is 0 m
/// long unless it says otherwise, so the grid has cells 0 to 140.
struct Provocazione {
  const char* nome;
  int32_t codice;
  const char* linea;  ///< the whole line description; nullptr: no file at all
  const char* treno;  ///< entries of the train description, after "[generale]"
  /// The build stops before the line length entry: the claim must name that
  /// exception ("... no ... length entry ...") unless it is a plain "No".
  bool prima_della_lunghezza;
};

constexpr const char* kLinea0 = "[generale]\r\nlunghezza percorso, 0\r\n[curve]\r\n[fine]\r\n";

std::string nomi_tabellone(int primo) {
  std::string righe;
  for (int i = 0; i < 80; ++i)
    righe += "cartello_indicatore, " + std::to_string(primo + 50 * i) + ", X\r\n";
  return righe;
}

const std::string kLinea80Cartelli =
    "[generale]\r\nlunghezza percorso, 0\r\n[indicazioni]\r\n" + nomi_tabellone(100) + "[fine]\r\n";

// One row per way of provoking a code. Signals below are at "p, 1, 5, 1, 0,
// 0, 0, 0, 0, 0, 0"; a point with value 0 occupies a cell without being one
// the grid scan may lower.
const Provocazione kProvocazioni[] = {
    {"length above the limit", 1, "[generale]\r\nlunghezza percorso, 2000000\r\n[curve]\r\n[fine]\r\n", "", true},
    {"chainage not a multiple of 50", 2, "[generale]\r\nlunghezza percorso, 0\r\nprogressiva chilometrica uno, 0, 12525, 0\r\n[curve]\r\n[fine]\r\n", "", false},
    {"first repetition distance", 3, "[generale]\r\nlunghezza percorso, 0\r\nripetizione segnali 4 codici, 25, 0\r\n[curve]\r\n[fine]\r\n", "", false},
    {"repetition before the length", 3, "[generale]\r\nripetizione segnali 4 codici, 25, 0\r\nlunghezza percorso, 0\r\n[curve]\r\n[fine]\r\n", "", true},
    {"second repetition distance", 4, "[generale]\r\nlunghezza percorso, 0\r\nripetizione segnali 4 codici, 0, 25\r\n[curve]\r\n[fine]\r\n", "", false},
    {"repetition without 4 or 9", 5, "[generale]\r\nlunghezza percorso, 0\r\nripetizione segnali, 0, 0\r\n[curve]\r\n[fine]\r\n", "", false},
    {"two name boards in one cell", 6, "[generale]\r\nlunghezza percorso, 0\r\n[indicazioni]\r\ncartello_indicatore, 500, A\r\ncartello_indicatore, 500, B\r\n[fine]\r\n", "", false},
    {"point on a signal", 7, kLinea0, "segnale, 1000, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nabbattimento, 1050, 150\r\n", false},
    {"station position", 8, kLinea0, "stazione, 425, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n", false},
    {"platform length", 9, kLinea0, "stazione, 400, 12, 250, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n", false},
    {"no record left for a station", 10, kLinea80Cartelli.c_str(), "stazione, 500, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n", false},
    {"no cell in front of a signal", 11, kLinea0, "abbattimento, 1400, 0\r\nabbattimento, 1450, 0\r\nsegnale, 1450, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"full window before a start", 12, kLinea0, "abbattimento, 2700, 0\r\nabbattimento, 2750, 0\r\nabbattimento, 2800, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"slow slowdown without an end", 13, kLinea0, "rallentamento, 3000, 60, 0, 0, 0, 0\r\n", false},
    {"signal beyond the grid", 15, kLinea0, "segnale, 6950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n", false},
    {"two signals in one cell", 16, kLinea0, "segnale, 1000, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nsegnale, 1000, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n", false},
    {"warning board cell", 17, kLinea0, "segnale, 1800, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"start cell", 18, kLinea0, "segnale, 3000, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"end cell", 19, kLinea0, "segnale, 3500, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 0, 0\r\n", false},
    {"pre-warning cells", 20, kLinea0, "segnale, 1750, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\nrallentamento, 3000, 60, 500, 0, 1, 0\r\n", false},
    {"two speed-limit groups in one cell", 21, "[generale]\r\nlunghezza percorso, 0\r\n[cartelli]\r\nindicatori_vmax, 500, 90, 95, 100, 0, , , , 0\r\nindicatori_vmax, 500, 90, 95, 100, 0, , , , 0\r\n[fine]\r\n", "", false},
    {"platforms too close", 22, kLinea0, "stazione, 400, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\nstazione, 800, 12, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, B\r\n", false},
    {"platform ending at the origin", 24, kLinea0, "stazione, 0, 12, 100, 0, 0, 0, 1, 1, 0, 4, 1, 1, 0, 8, 0, 0, A\r\n", false},
    {"text where a number belongs", 25, kLinea0, "sabbia, 300m\r\n", false},
    {"no length entry", 25, "[generale]\r\nsfondo uno, 1\r\n[curve]\r\n[fine]\r\n", "", true},
    {"length that is not a number", 25, "[generale]\r\nlunghezza percorso, abc\r\n[curve]\r\n[fine]\r\n", "", true},
    {"no line description", 101, nullptr, "", true},
    {"no start heading", 102, "lunghezza percorso, 0\r\n[fine]\r\n", "", true},
    {"curve without a class", 103, "[generale]\r\nlunghezza percorso, 0\r\n[curve]\r\ncurva, 100, 100\r\n[fine]\r\n", "", false},
    {"slowdown start in cell 1", 1250, kLinea0, "rallentamento, 0, 60, 100, 0, 0, 0\r\n", false},
    {"signal in cell 1", 1251, kLinea0, "segnale, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0\r\n", false},
};

struct Esito {
  int32_t codice;
  bool file_scritti;
};

/// Runs the build on the scenario and tells what it recorded and whether it
/// wrote the three compiled files.
Esito costruisci(const Provocazione& p) {
  TempFolder cartella;
  TestPlatform piattaforma(cartella.path());
  Form1 form(piattaforma);
  form.nome_linea = "Prova";
  form.numero_treno = std::string("1");
  if (p.linea != nullptr) write_bytes(cartella.path() / "Prova_linea.txt", p.linea);
  write_bytes(cartella.path() / "Prova_1-.txt", std::string("[generale]\r\n") + p.treno + "[fine]\r\n");
  int32_t codice = 0;
  try {
    form.memorizza_percorso(1);
    codice = form.codice_errore;
  } catch (const ProgramEnded&) {
    // A guard ended the build: its code is in the numbered message.
    const std::string prefisso = " Errore n. ";
    if (piattaforma.messages.size() == 1 && piattaforma.messages[0].rfind(prefisso, 0) == 0)
      codice = std::stoi(piattaforma.messages[0].substr(prefisso.size()));
  }
  const bool scritti = fs::exists(cartella.path() / "Prova_linea.dat") &&
                       fs::exists(cartella.path() / "Prova_1.sim") &&
                       fs::exists(cartella.path() / "Prova_1.dat");
  return {codice, scritti};
}

std::string minuscolo_ascii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

TEST(GuidaCodiciTest, FilesWrittenClaimsHoldForARealBuild) {
  const std::vector<RigaGuida> righe = righe_della_tabella();
  std::map<int32_t, int> provocati;
  for (const Provocazione& p : kProvocazioni) {
    SCOPED_TRACE(std::string(p.nome) + ", code " + std::to_string(p.codice));
    const Esito esito = costruisci(p);
    EXPECT_EQ(esito.codice, p.codice) << "the scenario does not provoke its code";
    if (esito.codice != p.codice) continue;
    ++provocati[p.codice];
    const auto r = std::find_if(righe.begin(), righe.end(), [&](const RigaGuida& x) {
      return x.codice == std::to_string(p.codice);
    });
    if (r == righe.end()) {
      ADD_FAILURE() << "no row for the code in " << kGuida;
      continue;
    }
    const std::string claim = minuscolo_ascii(r->file_scritti);
    const bool dice_si = claim.rfind("yes", 0) == 0;
    const bool dice_no = claim.rfind("no", 0) == 0;
    if (!dice_si && !dice_no) {
      ADD_FAILURE() << kGuida << ":" << r->riga << ": \"Files written?\" must begin with Yes or No";
      continue;
    }
    if (esito.file_scritti) {
      EXPECT_TRUE(dice_si) << kGuida << ":" << r->riga << ": the build writes the files, the guide says \""
                           << r->file_scritti << "\"";
    } else if (!dice_no) {
      // "Yes, ...; no when ... before the line length entry": the exception
      // must be stated, and only a build stopped before the length may use it.
      EXPECT_TRUE(p.prima_della_lunghezza && claim.find("; no ") != std::string::npos &&
                  claim.find("length entry") != std::string::npos)
          << kGuida << ":" << r->riga << ": the build writes no file, the guide says \""
          << r->file_scritti << "\"";
    }
  }
  // Every code of the program is provoked at least once.
  for (const CodiceErrore& c : tabella_codici())
    EXPECT_GT(provocati[c.codice], 0) << "code " << c.codice << " has no scenario here";
}

}  // namespace
