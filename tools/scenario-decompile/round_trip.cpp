#include "round_trip.h"

#include <algorithm>
#include <string_view>

#include "app/error_codes.h"
#include "app/form1.h"
#include "output/layouts.h"
#include "platform/ansi.h"
#include "platform/memory_platform.h"
#include "recover.h"

namespace {

constexpr int32_t kCompiledLine = 1;

/// What a cell holds, in words, by its type.
std::string cell_item(uint8_t tipo) {
  static constexpr const char* kItems[] = {
      "an empty cell",        "a signal",           "the end of a slowdown",
      "the start of a slowdown", "a slowdown warning board", "a slowdown pre-warning cell",
      "speed-limit boards",   "type 7",             "type 8",
      "type 9",               "a station stop",     "a tunnel marker",
      "an abbattimento point", "an abbattimento point without a value", "a name board"};
  return tipo < std::size(kItems) ? kItems[tipo] : "type " + std::to_string(tipo);
}

template <size_t N>
const char* field_at(const std::array<layout::FieldInfo, N>& table, int64_t offset) {
  for (const layout::FieldInfo& f : table)
    if (offset >= f.offset && offset < f.offset + f.width) return f.name;
  return "?";
}

std::string grid_item(const Scenario& s, int64_t offset) {
  const int64_t cell = offset / layout::kCellBytes;
  if (cell >= static_cast<int64_t>(s.percorso.size())) return "beyond the last cell";
  return cell_name(cell) + ", field " + field_at(layout::kCellTable, offset % layout::kCellBytes) +
         " of " + cell_item(s.percorso[static_cast<size_t>(cell)].tipo);
}

std::string record_item(const Scenario& s, int64_t offset) {
  for (int32_t r = 0; r < record_count; ++r) {
    const int64_t start = entry_start(s.voci, r);
    const int64_t name = static_cast<int64_t>(s.voci[static_cast<size_t>(r)].nome.size());
    const int64_t size = layout::kRecordBytesWithoutName + name;
    if (offset >= start + size) continue;
    int64_t within = offset - start;
    std::string field;
    if (within < layout::kRecordHeadBytes) {
      field = field_at(layout::kRecordTable, within);
    } else if (within < layout::kRecordHeadBytes + name) {
      field = "nome";
    } else {
      field = field_at(layout::kRecordTable, within - name);
    }
    return "record " + std::to_string(r) + ", field " + field;
  }
  return "beyond the last record";
}

/// The element of the plan that holds the byte: the elements have three
/// sizes, so the ones before it are walked.
std::string plan_item(const Scenario& s, std::string_view bytes, int64_t offset) {
  const int64_t rows = s.tracciato.rows();
  int64_t at = 0;
  for (int64_t e = 0; rows > 0 && at + layout::kTagBytes <= static_cast<int64_t>(bytes.size()); ++e) {
    const auto* kind = layout::element_kind(layout::load_le<uint16_t>(bytes.data() + at));
    const int64_t size = layout::kTagBytes + (kind ? kind->value_bytes : 0);
    if (offset < at + size)
      return "metre " + std::to_string(e % rows) + " of the plan, " + (e < rows ? "x" : "y");
    at += size;
  }
  return "beyond the last point of the plan";
}

int64_t first_difference(std::string_view a, std::string_view b) {
  const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  return ia - a.begin();
}

}  // namespace

RoundTrip round_trip(const std::string& line_text, const std::string& train_text,
                     const Scenario& original, const OriginalFiles& files) {
  RoundTrip outcome;
  MemoryPlatform platform;
  Form1 form(platform);
  form.nome_linea = original.nome_linea();
  form.numero_treno = original.numero_treno();
  platform.files[form.file_name(ScenarioFile::line_description)] = line_text;
  platform.files[form.file_name(ScenarioFile::train_description)] = train_text;
  try {
    form.memorizza_percorso(kCompiledLine);
  } catch (const ProgramEnded&) {
    std::string why;
    for (const std::string& m : platform.messages) why += m;
    outcome.difference = "the recovered files end the build (" + why + ")";
    return outcome;
  } catch (const std::exception& failure) {
    outcome.difference = std::string("the recovered files cannot be compiled: ") + failure.what();
    return outcome;
  }
  if (form.codice_errore != 0)
    outcome.notes.push_back(code_line(cp1252_to_utf8(scenario_stem(form.nome_linea, form.numero_treno)),
                                      form.codice_errore, form.posizione_errore,
                                      form.error_detail));

  struct Compared {
    ScenarioFile file;
    const std::string* bytes;
    const std::string* name;
  };
  const Compared compared[] = {
      {ScenarioFile::line_data, files.line_data ? &*files.line_data : nullptr, &files.line_data_name},
      {ScenarioFile::service, &files.service, &files.service_name},
      {ScenarioFile::grid, &files.grid, &files.grid_name},
  };
  for (const Compared& c : compared) {
    if (!c.bytes) continue;
    const auto built = platform.files.find(form.file_name(c.file));
    if (built == platform.files.end()) {
      outcome.difference = *c.name + ": the recovered files do not build it";
      return outcome;
    }
    if (built->second == *c.bytes) continue;
    const int64_t offset = first_difference(*c.bytes, built->second);
    std::string item;
    switch (c.file) {
      case ScenarioFile::grid: item = grid_item(original, offset); break;
      case ScenarioFile::service: item = record_item(original, offset); break;
      default: item = plan_item(original, *c.bytes, offset); break;
    }
    outcome.difference = *c.name + ": offset " + std::to_string(offset) + ": " + item +
                         ": the recovered files compile to other bytes";
    return outcome;
  }
  return outcome;
}
