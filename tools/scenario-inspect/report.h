#pragma once
// The readable account of a scenario, built once as data (general values
// and tables of UTF-8 text) and then rendered as plain text or as HTML.

#include <string>
#include <utility>
#include <vector>

#include "decode.h"

struct Table {
  std::string title;
  std::vector<std::string> columns;
  std::vector<bool> right_aligned;  ///< per column: numbers are right-aligned
  std::vector<std::vector<std::string>> lines;
  std::string note;  ///< shown under the table when not empty
};

struct Summary {
  std::string title;
  std::vector<std::pair<std::string, std::string>> general_keys;
  std::vector<Table> tables;
};

/// Metres with a thousands separator: 39900 gives "39 900".
std::string metres(int64_t m);
/// Chainage in the railway's own form: 73450 gives "km 73+450".
std::string kilometres(int64_t m);

Summary compose_summary(const Scenario& s, const Decoded& d);

/// The report as aligned plain text, every line ended by "\n".
std::string render_summary(const Summary& r);
