// Writes the libFuzzer dictionary of the description-file targets to
// standard output: every keyword of the one table of entry keywords, every
// section heading and every key the built-in description files are written
// with. Run at build time, so the dictionary always follows the table and
// the writers.
//
//   fuzz_make_dictionary > description_files.dict

#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "compile/keywords.h"
#include "harness.h"
#include "testing/in_memory_build.h"

namespace {

/// One dictionary entry: the bytes in double quotes, with quotes,
/// backslashes and anything outside printable ASCII escaped as \xNN.
std::string dictionary_entry(std::string_view word) {
  std::string out = "\"";
  for (const char c : word) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\' || b < 0x20 || b > 0x7E) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

class Dictionary {
 public:
  void add(std::string_view word) {
    if (!word.empty() && seen_.insert(std::string(word)).second) words_.emplace_back(word);
  }
  void add_rows(const auto& rows) {
    for (const Keywords& row : rows) {
      add(row.first);
      add(row.second);
    }
  }
  /// The headings and the keys (first field of every other line) of a
  /// written description file.
  void add_file(std::string_view file) {
    while (!file.empty()) {
      const size_t end = file.find("\r\n");
      const std::string_view line = file.substr(0, end);
      if (!line.empty()) add(line.front() == '[' ? line : line.substr(0, line.find(',')));
      file.remove_prefix(end == std::string_view::npos ? file.size() : end + 2);
    }
  }
  void print() const {
    for (const std::string& w : words_) std::printf("%s\n", dictionary_entry(w).c_str());
  }

 private:
  std::set<std::string> seen_;
  std::vector<std::string> words_;
};

}  // namespace

int main() {
  Dictionary dictionary;
  dictionary.add_rows(keywords::general_keys);
  dictionary.add_rows(keywords::line);
  dictionary.add_rows(keywords::train);

  const Descriptions built_in = built_in_descriptions();
  dictionary.add_file(built_in.line);
  dictionary.add_file(built_in.train);

  std::printf("# Keywords, headings and keys of the description files.\n");
  dictionary.print();
  return 0;
}
