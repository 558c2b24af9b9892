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
#include "report.h"

class Observer : public CompileListener {
 public:
  Observer(Form1& form, Report& report) : form_(form), report_(report) {}

  void key_dropped(DescriptionFile file, int32_t line, ReadingSection section,
                   std::string_view key) override;
  void entry_read(DescriptionFile file, int32_t line, std::string_view entry,
                  int32_t position) override;
  void chainage_dropped() override;
  void code_recorded(int32_t code, int32_t position, const SourceLocation& entry) override;

  /// After the build: one message per code the build recorded, in order.
  /// `detail` tells what failed for code 25, in the author's file names.
  void report_codes(std::string_view detail);

  /// A code the build recorded, and where.
  struct RecordedCode {
    int32_t code;
    int32_t posizione;
    SourceLocation location;
  };
  const std::vector<RecordedCode>& recorded_codes() const { return recorded_codes_; }

 private:
  /// The last entry of one kind, for the ascending-order warnings.
  struct LastEntry {
    std::string voce;
    DescriptionFile file;
    int32_t riga;
    int32_t posizione;
  };

  void warn_key(DescriptionFile file, int32_t riga, ReadingSection section,
                std::string_view key);
  void check_order(DescriptionFile file, int32_t riga, std::string_view voce,
                   int32_t posizione);
  void warn(DescriptionFile file, int32_t riga, std::string message, std::string marked_text);

  Form1& form_;
  Report& report_;

  std::vector<RecordedCode> recorded_codes_;

  std::vector<LastEntry> last_;
  bool discarded_values_ = false;  ///< the last callback dropped a key that was reported
  /// Warnings about entries before "[generale]": told once the heading is
  /// found, dropped when the file has none.
  std::vector<Diagnostic> before_general_;
  bool before_general_open_ = false;  ///< a file's start is still being searched
  void release_pending(bool keep);
};

/// " (at 5950 m)" or " (at 5950 m, km 67.500)": the position of a code, with
/// the chainage where the line's references give it.
std::string position_text(const RecordTable& voci, int32_t posizione);
