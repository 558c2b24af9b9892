// The JSON that --json writes is documented key by key in the author's
// guide; this keeps the two in step: every key path the writer emits, in
// the order it emits them, is a row of the guide's table, and every row is
// a key the writer emits.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "output/scenario_files.h"
#include "render.h"
#include "sample_scenario.h"

namespace {

/// Key paths of a JSON text ("a.b", "a[].b"), each once, in the order met.
/// Enough of a reader for the writer's own output: objects, arrays, texts
/// with escapes, numbers and words.
class KeyPaths {
 public:
  explicit KeyPaths(const std::string& json) : s_(json) { value(""); }
  const std::vector<std::string>& paths() const { return paths_; }

 private:
  void blanks() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  std::string text() {
    std::string out;
    ++i_;  // opening quote
    while (i_ < s_.size() && s_[i_] != '"') {
      if (s_[i_] == '\\') ++i_;
      out += s_[i_++];
    }
    ++i_;
    return out;
  }
  void value(const std::string& path) {
    blanks();
    if (i_ >= s_.size()) return;
    if (s_[i_] == '{') {
      ++i_;
      while (true) {
        blanks();
        if (s_[i_] == '}') break;
        if (s_[i_] == ',') ++i_, blanks();
        const std::string key = (path.empty() ? "" : path + ".") + text();
        if (std::find(paths_.begin(), paths_.end(), key) == paths_.end()) paths_.push_back(key);
        blanks();
        ++i_;  // colon
        value(key);
      }
      ++i_;
    } else if (s_[i_] == '[') {
      ++i_;
      while (true) {
        blanks();
        if (s_[i_] == ']') break;
        if (s_[i_] == ',') ++i_;
        value(path + "[]");
      }
      ++i_;
    } else if (s_[i_] == '"') {
      text();
    } else {
      while (i_ < s_.size() && std::string_view(",]} \n").find(s_[i_]) == std::string_view::npos) ++i_;
    }
  }
  const std::string& s_;
  size_t i_ = 0;
  std::vector<std::string> paths_;
};

/// The first column of the guide's table of JSON keys, in its order.
std::vector<std::string> documented_keys() {
  std::ifstream in(SCENARIO_AUTHORING_GUIDE);
  std::vector<std::string> out;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("<!-- json-keys:begin -->")) inside = true;
    else if (line.starts_with("<!-- json-keys:end -->")) inside = false;
    else if (inside && line.starts_with("| `")) out.push_back(line.substr(3, line.find('`', 3) - 3));
  }
  return out;
}

TEST(JsonKeysTest, TheGuideDocumentsEveryKeyTheInspectorWritesInItsOrder) {
  const sample_scenario::Sample c = sample_scenario::sample();
  const std::string g = grid_file_bytes(c.percorso), sv = service_file_bytes(c.voci);
  const std::string l(line_data_file_bytes(c.tracciato).view());
  const auto read_value = read_scenario({g, "g", sv, "s", std::string_view(l), "l"});
  ASSERT_TRUE(read_value.ok());
  const Scenario& s = read_value.value();
  const std::vector<std::string> written = KeyPaths(render_json(s, decode(s))).paths();
  ASSERT_GT(written.size(), 100u);  // the sample holds every kind of item
  EXPECT_EQ(documented_keys(), written);
}

}  // namespace
