#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum { kLine = 1, kCheck, kHelp, kHtml };

constexpr OptionRule kTable[] = {
    {'l', "line", true, kLine},
    {'c', "check", false, kCheck},
    {0, "help", false, kHelp},
    {0, "html", true, kHtml},
};

ParsedCommandLine parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "tool");
  return parse_command_line(static_cast<int>(arguments.size()), arguments.data(), kTable);
}

/// The options as `id=value` words, the operands after a bar, the error last.
std::string describe(const ParsedCommandLine& p) {
  std::string out;
  for (const FoundOption& o : p.options) out += std::to_string(o.id) + "=" + o.value + " ";
  out += "|";
  for (const std::string& operand : p.operands) out += " " + operand;
  if (p.error == OptionError::unknown_option) out += " ! unknown " + p.argument;
  if (p.error == OptionError::missing_value) out += " ! missing " + p.argument;
  return out;
}

TEST(CommandLineTest, ReadsOptionsAndOperandsAsGetoptLongDoes) {
  const struct {
    std::vector<const char*> arguments;
    const char* expected;
  } cases[] = {
      {{}, "|"},
      {{"-l", "A", "-c"}, "1=A 2= |"},
      {{"-lA", "--line=B", "--line", "C"}, "1=A 1=B 1=C |"},
      {{"-cl", "A"}, "2= 1=A |"},
      {{"-clA"}, "2= 1=A |"},
      {{"--li", "A", "--che", "--he"}, "1=A 2= 3= |"},  // unambiguous prefixes
      {{"--line", "-c"}, "1=-c |"},                     // a value may start with '-'
      {{"--line="}, "1= |"},
      {{"x", "-c", "y"}, "2= | x y"},                   // operands anywhere
      {{"-", "--", "-c", "--line"}, "| - -c --line"},   // '-' is an operand; '--' ends options
      {{"--h"}, "| ! unknown --h"},                     // ambiguous: help or html
      {{"--check=1"}, "| ! unknown --check=1"},         // a value it does not take
      {{"-c", "-x", "-l"}, "2= | ! unknown -x"},        // reading stops at the first error
      {{"-cx"}, "2= | ! unknown -cx"},
      {{"--nope", "a"}, "| ! unknown --nope"},
      {{"-c", "--line"}, "2= | ! missing --line"},
      {{"-cl"}, "2= | ! missing -cl"},
      {{"--html"}, "| ! missing --html"},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const char* a : c.arguments) line += std::string(a) + " ";
    EXPECT_EQ(describe(parse(c.arguments)), c.expected) << line;
  }
}

}  // namespace
