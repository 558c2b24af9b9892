#include "cli.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "command_line.h"
#include "decode.h"
#include "model/file_names.h"
#include "platform/ansi.h"
#include "render.h"
#include "report.h"
#include "scenario.h"

#ifndef SCENARIO_INSPECT_VERSION
#define SCENARIO_INSPECT_VERSION "0"
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kUso =
    "Usage: scenario-inspect [OPTION]...\n"
    "Check a compiled scenario (grid, service and line data files) and show what it holds.\n"
    "\n"
    "  -d, --folder DIR   folder that holds the files (default: the current folder)\n"
    "  -l, --line NAME    line name (default: Valdarco_Lornese)\n"
    "  -t, --train NUM    train number (default: 4158)\n"
    "      --json         write the whole decoded scenario as JSON instead of the summary\n"
    "      --html FILE    also write a self-contained HTML page with a map and a profile\n"
    "      --help         show this help and exit\n"
    "      --version      show the version and exit\n"
    "\n"
    "Files read: LINE_TRAIN.dat (grid), LINE_TRAIN.sim (service) and, when present,\n"
    "LINE_linea.dat (line data).\n"
    "Exit status: 0 valid, 1 a marker or check code is wrong, 2 usage error,\n"
    "3 a file is missing, unreadable or corrupt.\n";

struct Opzioni {
  fs::path cartella = ".";
  std::string linea = kDefaultLineName;  // UTF-8 as typed
  std::string treno = kDefaultTrainNumber;
  bool json = false;
  std::optional<fs::path> html;
  bool aiuto = false, versione = false;
};

enum OptionId { kFolder, kLine, kTrain, kJson, kHtml, kHelp, kVersion };

constexpr OptionSpec kOptions[] = {
    {'d', "folder", true, kFolder},
    {'l', "line", true, kLine},
    {'t', "train", true, kTrain},
    {0, "json", false, kJson},
    {0, "html", true, kHtml},
    {0, "help", false, kHelp},
    {0, "version", false, kVersion},
};

/// Parses the options; nothing when they are wrong (the message is on err).
std::optional<Opzioni> leggi_opzioni(int argc, char** argv, std::ostream& err) {
  const ParsedCommandLine riga = parse_command_line(argc, argv, kOptions);
  Opzioni o;
  for (const FoundOption& f : riga.options) {
    switch (f.id) {
      case kFolder: o.cartella = path_from_utf8(f.value); break;
      case kLine: o.linea = f.value; break;
      case kTrain: o.treno = f.value; break;
      case kJson: o.json = true; break;
      case kHtml: o.html = path_from_utf8(f.value); break;
      case kHelp: o.aiuto = true; break;
      case kVersion: o.versione = true; break;
    }
  }
  if (riga.error == OptionError::missing_value) {
    err << "scenario-inspect: option " << riga.argument << " needs a value\n";
    return std::nullopt;
  }
  if (riga.error == OptionError::unknown_option) {
    err << "scenario-inspect: unknown option " << riga.argument << "\n";
    return std::nullopt;
  }
  if (!riga.operands.empty()) {
    err << "scenario-inspect: unexpected argument " << riga.operands[0] << "\n";
    return std::nullopt;
  }
  return o;
}

/// The whole file, or nothing when it does not exist; `errore` is set when
/// it exists but cannot be read.
std::optional<std::string> leggi_file(const fs::path& file, std::string& errore) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  if (in) s << in.rdbuf();
  if (!in || in.bad()) {
    errore = file.string() + ": cannot be read: " + std::strerror(errno);
    return std::nullopt;
  }
  return s.str();
}

bool scrivi_file(const fs::path& file, const std::string& testo, std::ostream& err) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << testo;
  out.close();
  if (!out) {
    err << "scenario-inspect: " << file.string() << ": cannot be written\n";
    return false;
  }
  return true;
}

int ispeziona(const Opzioni& o, std::ostream& out, std::ostream& err) {
  // File names are formed from the names as the builder holds them: Windows-1252.
  const auto linea = utf8_a_cp1252(o.linea), treno = utf8_a_cp1252(o.treno);
  if (!linea || !treno) {
    err << "scenario-inspect: the line name and the train number must be Windows-1252 text\n";
    return esito::uso;
  }
  const auto nome = [&](ScenarioFile f) {
    return file_nella_cartella(o.cartella, scenario_file_name(f, *linea, *treno));
  };
  const fs::path griglia = nome(ScenarioFile::grid);
  const fs::path servizio = nome(ScenarioFile::service);
  const fs::path linea_dat = nome(ScenarioFile::line_data);

  std::string errore;
  const auto b_servizio = leggi_file(servizio, errore);
  const auto b_griglia = errore.empty() ? leggi_file(griglia, errore) : std::nullopt;
  const auto b_linea = errore.empty() ? leggi_file(linea_dat, errore) : std::nullopt;
  if (errore.empty() && !b_servizio) errore = servizio.string() + ": no such file";
  if (errore.empty() && !b_griglia) errore = griglia.string() + ": no such file";
  if (!errore.empty()) {
    err << "scenario-inspect: " << errore << "\n";
    return esito::file_errato;
  }

  ScenarioBytes bytes{*b_griglia, griglia.string(), *b_servizio, servizio.string(), std::nullopt,
                      linea_dat.string()};
  if (b_linea) bytes.linea = *b_linea;
  const Read<Scenario> letto = leggi_scenario(bytes);
  if (!letto.ok()) {
    err << "scenario-inspect: " << letto.error().message() << "\n";
    return esito::file_errato;
  }
  const Scenario& s = letto.value();
  // The check codes follow the names inside the records; files renamed by
  // hand keep codes that no longer match their names.
  if (s.nome_linea() != *linea || s.numero_treno() != *treno)
    err << "scenario-inspect: warning: the records name line \"" << cp1252_a_utf8(s.nome_linea())
        << "\" and train \"" << cp1252_a_utf8(s.numero_treno()) << "\", the files \"" << o.linea
        << "\" and \"" << o.treno << "\"\n";
  const Decodificato d = decodifica(s);
  const Rapporto r = componi_rapporto(s, d);
  out << (o.json ? render_json(s, d) : render_summary(r));
  if (o.html && !scrivi_file(*o.html, render_html(s, d, r), err)) return esito::file_errato;
  if (!s.controlli.validi()) {
    err << "scenario-inspect: the markers or check codes are not valid\n";
    return esito::controllo;
  }
  return esito::valido;
}

}  // namespace

int esegui_inspect(int argc, char** argv, std::ostream& out, std::ostream& err) {
  const auto o = leggi_opzioni(argc, argv, err);
  if (!o) {
    err << "Try 'scenario-inspect --help'.\n";
    return esito::uso;
  }
  if (o->aiuto) {
    out << kUso;
    return esito::valido;
  }
  if (o->versione) {
    out << "scenario-inspect " << SCENARIO_INSPECT_VERSION << "\n";
    return esito::valido;
  }
  return ispeziona(*o, out, err);
}
