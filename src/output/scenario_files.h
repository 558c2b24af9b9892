#pragma once
// The three compiled scenario files as bytes: the grid file (every cell of
// the grid), the service file (the 87 records) and the line data file (the
// track plan). Little-endian, fields packed in record order, no header, no
// count, no trailer. Pure functions, so that tools can rebuild the files.

#include <cstddef>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/records.h"

/// A record the service file layout cannot hold: a name longer than the
/// 65535 bytes its unsigned 16-bit length can count.
class RecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The grid file: 15 bytes per cell, cells 0 to the highest index.
std::string bytes_percorso(const Percorso& percorso);

/// The service file: records 0 to 86, 34 bytes each plus the length of the
/// name. Names are checked through converti_ansi (AnsiError for a byte that
/// is no Windows-1252 character); a name too long for its length field is a
/// RecordError.
std::string bytes_voci(const Voci& voci);

/// Bytes laid out once, without being zero-filled first: the line data file
/// of the largest line is some 20 MB, every byte of which the serializer
/// writes anyway.
class Blocco {
 public:
  explicit Blocco(size_t n) : dati_(std::make_unique_for_overwrite<char[]>(n)), n_(n) {}
  char* data() { return dati_.get(); }
  std::string_view vista() const { return {dati_.get(), n_}; }
  operator std::string_view() const { return vista(); }
  friend bool operator==(const Blocco& a, std::string_view b) { return a.vista() == b; }
  friend std::ostream& operator<<(std::ostream& out, const Blocco& b) {
    return out << b.size() << " bytes";
  }
  size_t size() const { return n_; }

 private:
  std::unique_ptr<char[]> dati_;
  size_t n_;
};

/// The line data file: column 0 of every row, then column 1. Each element is
/// a 16-bit tag and its value: 2 and a 16-bit integer for rows 0 and 1, 5 and
/// a 64-bit float for the computed rows, 0 alone for rows never computed.
Blocco bytes_tracciato(const Tracciato& tracciato);
