#include "source_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using K = FieldReadKind;

// Every way a field and a line end, a quoted text over two lines and a field
// that is not a number.
constexpr std::string_view kContent =
    "segnale ,  300\r\n12 , -7\n\"due,\r\nrighe\" x,\r  ,255, abc, 9\r\n[fine]";

/// What one read gave, and where it left the reader.
struct Seen {
  bool ok;
  std::string value;  ///< the text, the number, or the failure's words
  int32_t riga, column, end_column;
  bool end;
  bool operator==(const Seen&) const = default;
};

template <class Reader>
Seen read_one(Reader& r, K kind) {
  const auto seen = [&r](const auto& read, std::string value) {
    return Seen{read.ok(), read.ok() ? std::move(value) : read.failure().message(), r.riga(),
                r.column(), r.end_column(), r.end_of_file()};
  };
  switch (kind) {
    case K::text: { auto t = r.try_read_text(); return seen(t, t.value()); }
    case K::int32: { auto n = r.try_read_int32(); return seen(n, std::to_string(n.value())); }
    case K::int16: { auto n = r.try_read_int16(); return seen(n, std::to_string(n.value())); }
    case K::uint8: { auto n = r.try_read_uint8(); return seen(n, std::to_string(n.value())); }
  }
  return {};
}

// The checks' reader takes the build's fields while it reads in the build's
// order and reads the text itself from where the orders part; either way it
// gives what a reader of the text gives, read for read. The cases part at
// the start, in the middle of a line, at the field that is not a number
// (which the build's log never holds), and after the build stopped.
TEST(ScanReaderTest, GivesWhatReadingTheTextGivesWhereverTheBuildsOrderParts) {
  const std::vector<K> whole = {K::text, K::int32, K::int16, K::int32, K::text, K::int32,
                                K::uint8, K::uint8, K::int32, K::int32, K::text};
  struct Case {
    const char* name;
    std::vector<K> build, scan;
  };
  const Case cases[] = {
      {"the same order", whole, whole},
      {"parts at the start", whole, {K::int32, K::text, K::text, K::int32, K::text}},
      {"parts in a line", whole, {K::text, K::int32, K::text, K::text, K::int16, K::text, K::text}},
      {"a text read as a number", whole, {K::text, K::int32, K::int16, K::int32, K::int32, K::text}},
      {"through the failing field", whole, {K::text, K::int32, K::int16, K::int32, K::text,
                                            K::int32, K::uint8, K::uint8, K::int32, K::text,
                                            K::text}},
      {"past where the build stopped", {K::text, K::int32, K::int16}, whole},
      {"no build", {}, whole},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<ReadField> log;
    FieldReader build{std::string(kContent)};
    build.keep_log(&log);
    for (const K kind : c.build) (void)read_one(build, kind);

    source_scan::ScanReader scan(kContent, log);
    FieldReader plain{std::string(kContent)};
    EXPECT_EQ(scan.end_of_file(), plain.end_of_file());
    for (size_t i = 0; i < c.scan.size(); ++i)
      EXPECT_EQ(read_one(scan, c.scan[i]), read_one(plain, c.scan[i])) << "read " << i;
  }
}

}  // namespace
