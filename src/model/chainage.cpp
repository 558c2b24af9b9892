#include "model/chainage.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

std::string kilometre_text(int64_t metres) {
  const int64_t absolute = std::llabs(metres);
  std::string rest = std::to_string(absolute % 1000);
  rest.insert(0, 3 - rest.size(), '0');
  return std::string("km ") + (metres < 0 ? "-" : "") + std::to_string(absolute / 1000) + "+" +
         rest;
}

namespace {

struct Reference {
  int32_t posizione;
  int32_t chainage;  ///< metres, as the compiled file carries it (flag 1 included)
};

}  // namespace

std::optional<std::string> chainage_at(const RecordTable& voci, int32_t posizione) {
  std::vector<Reference> refs;
  for (int32_t i = fixed_record::chainage_1; i <= fixed_record::chainage_3; ++i) {
    const voce& v = voci[static_cast<size_t>(i)];
    if (v.inizio != 0 || v.fine != 0) refs.push_back({v.inizio, v.fine});
  }
  if (refs.empty()) return std::nullopt;
  const auto distance_to = [posizione](const Reference& r) {
    return std::llabs(int64_t{posizione} - r.posizione);
  };
  const Reference base = *std::min_element(
      refs.begin(), refs.end(),
      [&](const Reference& a, const Reference& b) { return distance_to(a) < distance_to(b); });
  const int64_t deviation = int64_t{posizione} - base.posizione;
  if (deviation == 0) return kilometre_text(base.chainage);
  for (const Reference& another : refs) {
    if (another.posizione == base.posizione || another.chainage == base.chainage) continue;
    const bool ascending =
        (another.chainage > base.chainage) == (another.posizione > base.posizione);
    return kilometre_text(base.chainage + (ascending ? deviation : -deviation));
  }
  return std::to_string(std::llabs(deviation)) + " m " + (deviation > 0 ? "beyond" : "before") +
         " the reference " + kilometre_text(base.chainage);
}
