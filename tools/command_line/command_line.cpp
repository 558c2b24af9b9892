#include "command_line.h"

#include <string_view>

namespace {

struct Reader {
  int argc;
  const char* const* argv;
  std::span<const OptionRule> table;
  ParsedCommandLine result;
  int next = 1;  ///< the argument to read next

  bool fail(OptionError error, const char* argument) {
    result.error = error;
    result.argument = argument;
    return false;
  }

  /// The value of an option that takes one: the rest of its argument when
  /// there is any, else the whole next argument, whatever it looks like.
  bool take_value(const OptionRule& rule, std::string_view rest, const char* argument) {
    if (!rest.empty()) {
      result.options.push_back({rule.id, std::string(rest)});
      return true;
    }
    if (next >= argc) return fail(OptionError::missing_value, argument);
    result.options.push_back({rule.id, argv[next++]});
    return true;
  }

  /// An exact long name wins; otherwise a prefix of exactly one long name.
  const OptionRule* find_long(std::string_view name) const {
    const OptionRule* prefix_of = nullptr;
    int prefixes = 0;
    for (const OptionRule& rule : table) {
      if (rule.long_name == nullptr) continue;
      const std::string_view long_name = rule.long_name;
      if (long_name == name) return &rule;
      if (long_name.substr(0, name.size()) == name) {
        prefix_of = &rule;
        ++prefixes;
      }
    }
    return prefixes == 1 ? prefix_of : nullptr;
  }

  const OptionRule* find_short(char letter) const {
    for (const OptionRule& rule : table)
      if (rule.short_name != 0 && rule.short_name == letter) return &rule;
    return nullptr;
  }

  bool read_long(const char* argument) {
    const std::string_view text = std::string_view(argument).substr(2);
    const size_t equals = text.find('=');
    const OptionRule* rule = find_long(text.substr(0, equals));
    if (rule == nullptr) return fail(OptionError::unknown_option, argument);
    if (!rule->takes_value) {
      if (equals != std::string_view::npos) return fail(OptionError::unknown_option, argument);
      result.options.push_back({rule->id, {}});
      return true;
    }
    if (equals != std::string_view::npos) {
      result.options.push_back({rule->id, std::string(text.substr(equals + 1))});
      return true;
    }
    return take_value(*rule, {}, argument);
  }

  /// A cluster of letters: each takes no value, except the last one read,
  /// which may take the rest of the argument or the next one.
  bool read_short(const char* argument) {
    const std::string_view letters = std::string_view(argument).substr(1);
    for (size_t i = 0; i < letters.size(); ++i) {
      const OptionRule* rule = find_short(letters[i]);
      if (rule == nullptr) return fail(OptionError::unknown_option, argument);
      if (rule->takes_value) return take_value(*rule, letters.substr(i + 1), argument);
      result.options.push_back({rule->id, {}});
    }
    return true;
  }

  void read_all() {
    bool options_ended = false;
    while (next < argc) {
      const char* argument = argv[next++];
      const std::string_view text = argument;
      if (options_ended || text.size() < 2 || text[0] != '-') {
        result.operands.emplace_back(argument);
      } else if (text == "--") {
        options_ended = true;
      } else if (!(text[1] == '-' ? read_long(argument) : read_short(argument))) {
        return;
      }
    }
  }
};

}  // namespace

ParsedCommandLine parse_command_line(int argc, const char* const* argv,
                                     std::span<const OptionRule> table) {
  Reader reader{argc, argv, table, {}, 1};
  reader.read_all();
  return std::move(reader.result);
}
