#include "scenario_reader.h"

#include <bit>
#include <cstring>

#include "model/numbers.h"

namespace {

std::string byte_count(int64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

/// A read position in the bytes of one file. Every read first checks that
/// the bytes are there; a short read is reported, never made.
class Cursore {
 public:
  Cursore(std::string_view bytes, std::string_view file) : bytes_(bytes), file_(file) {}

  int64_t offset() const { return pos_; }
  int64_t rest() const { return static_cast<int64_t>(bytes_.size()) - pos_; }

  /// The error for `n` bytes of `what` that the file does not hold in full.
  ErroreFile short_read(int64_t n, const std::string& what) const {
    return errore(pos_, byte_count(n) + " of " + what,
                  rest() == 0 ? "the end of the file"
                              : "only " + byte_count(rest()) + " before the end of the file");
  }
  ErroreFile errore(int64_t offset, std::string expected, std::string found) const {
    return ErroreFile{std::string(file_), offset, std::move(expected), std::move(found)};
  }

  bool has(int64_t n) const { return rest() >= n; }

  // Little-endian reads; the caller has checked has(n).
  uint8_t u8() { return static_cast<uint8_t>(bytes_[static_cast<size_t>(pos_++)]); }
  uint16_t u16() {
    const uint16_t lo = u8();
    const uint16_t hi = u8();
    return static_cast<uint16_t>(lo | (hi << 8));
  }
  int16_t i16() { return wrap16(u16()); }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(u8()) << (8 * i);
    return v;
  }
  int32_t i32() { return wrap32(u32()); }
  double f64() {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(u8()) << (8 * i);
    return std::bit_cast<double>(v);
  }
  std::string_view take(int64_t n) {
    const auto s = bytes_.substr(static_cast<size_t>(pos_), static_cast<size_t>(n));
    pos_ += n;
    return s;
  }

 private:
  std::string_view bytes_;
  std::string_view file_;
  int64_t pos_ = 0;
};

std::string nome_voce(int32_t i) { return "record " + std::to_string(i); }

// The fixed part of a record before its name: tipo, inizio, fine,
// posizione, campo4 and the name's length.
constexpr int64_t kTestaVoce = 16;
// The fixed part after the name.
constexpr int64_t kCodaVoce = 18;

std::optional<ErroreFile> leggi_voce(Cursore& c, int32_t i, voce& v) {
  if (!c.has(kTestaVoce)) return c.short_read(kTestaVoce, "the head of " + nome_voce(i));
  v.tipo = c.u8();
  v.inizio = c.i32();
  v.fine = c.i32();
  v.posizione = c.i32();
  v.campo4 = c.u8();
  const int64_t n = c.u16();
  if (!c.has(n + kCodaVoce))
    return c.short_read(n + kCodaVoce, "the " + std::to_string(n) + "-byte name and the tail of " +
                                           nome_voce(i));
  v.nome = std::string(c.take(n));
  v.campo7 = c.i16();
  v.campo8 = c.i16();
  v.campo10 = c.i16();
  v.campo11 = c.i16();
  v.campo12 = c.i16();
  v.campo9 = c.u8();
  v.campo13 = c.u8();
  v.prolunga = c.u8();
  v.campo5 = c.u8();
  v.orario = c.i32();
  return std::nullopt;
}

ErroreFile troppi_byte(const Cursore& c, const std::string& after) {
  return c.errore(c.offset(), "the end of the file after " + after,
                  std::to_string(c.rest()) + (c.rest() == 1 ? " more byte" : " more bytes"));
}

/// Offset of record `indice` in the service file, from the lengths of the
/// names before it.
int64_t inizio_voce(const Voci& voci, int32_t indice) {
  int64_t o = 0;
  for (int32_t i = 0; i < indice; ++i) o += kByteVoceVuota + static_cast<int64_t>(voci[i].nome.size());
  return o;
}

const char* nome_tipo(uint16_t tag) {
  switch (tag) {
    case 0: return "tag 0 (nothing)";
    case 2: return "tag 2 (16-bit integer)";
    default: return "tag 5 (double)";
  }
}

struct Elemento {
  uint16_t tag = 0;
  double valore = 0;
};

std::string luogo_elemento(int32_t metro, int colonna) {
  return "metre " + std::to_string(metro) + " of column " + std::to_string(colonna) +
         (colonna == 0 ? " (x)" : " (y)");
}

std::optional<ErroreFile> leggi_elemento(Cursore& c, int32_t metro, int colonna, Elemento& e) {
  if (!c.has(2)) return c.short_read(2, "the tag of " + luogo_elemento(metro, colonna));
  const int64_t at = c.offset();
  e.tag = c.u16();
  switch (e.tag) {
    case 0: e.valore = 0; return std::nullopt;
    case 2:
      if (!c.has(2)) return c.short_read(2, "the 16-bit value of " + luogo_elemento(metro, colonna));
      e.valore = c.i16();
      return std::nullopt;
    case 5:
      if (!c.has(8)) return c.short_read(8, "the double of " + luogo_elemento(metro, colonna));
      e.valore = c.f64();
      return std::nullopt;
    default:
      return c.errore(at, "tag 0, 2 or 5 for " + luogo_elemento(metro, colonna),
                      "tag " + std::to_string(e.tag));
  }
}

}  // namespace

std::string ErroreFile::message() const {
  return file + ": offset " + std::to_string(offset) + ": expected " + expected + ", found " + found;
}

int32_t celle_attese(int32_t lunghezza) {
  return nearest_int32((static_cast<double>(lunghezza) + kOltreLinea) / 50.0) + 1;
}

Read<Voci> leggi_voci(std::string_view bytes, std::string_view file) {
  Cursore c(bytes, file);
  Voci voci;
  for (int32_t i = 0; i < numero_voci; ++i)
    if (auto e = leggi_voce(c, i, voci[i])) return *e;
  if (c.rest() != 0) return troppi_byte(c, "the last record (86)");
  return voci;
}

Read<int32_t> lunghezza_linea(const Voci& voci, std::string_view bytes, std::string_view file) {
  const int32_t l = voci[voce_fissa::generale].fine;
  if (l >= 0 && l <= kLunghezzaMassima) return l;
  // `fine` lies 5 bytes into the record.
  const int64_t at = inizio_voce(voci, voce_fissa::generale) + 5;
  return Cursore(bytes, file).errore(at, "a line length of 0 to 1000000 m in record 84",
                                     std::to_string(l));
}

Read<Percorso> leggi_percorso(std::string_view bytes, std::string_view file,
                              std::optional<int32_t> celle) {
  Cursore c(bytes, file);
  const int64_t attese = celle ? *celle : static_cast<int64_t>(bytes.size()) / kByteCella;
  if (!celle && attese < 2)
    return c.errore(0, "at least 2 cells (" + byte_count(2 * kByteCella) + ")",
                    byte_count(c.rest()));
  Percorso percorso(static_cast<size_t>(attese));
  for (int64_t i = 0; i < attese; ++i) {
    if (!c.has(kByteCella)) {
      std::string what = "cell " + std::to_string(i);
      if (celle) what += " of " + std::to_string(attese) + " for the line length of the service file";
      return c.short_read(kByteCella, what);
    }
    cella& k = percorso[static_cast<size_t>(i)];
    k.tipo = c.u8();
    k.dato1 = c.i16();
    k.dato2 = c.i16();
    k.dato3 = c.i16();
    k.dato4 = c.i16();
    k.tempo_segnale = c.u8();
    k.marcatore = c.u8();
    k.montagna = c.u8();
    k.velocita = c.u8();
    k.pendenza = c.u8();
    k.aderenza = c.u8();
  }
  if (c.rest() != 0) {
    std::string after = "cell " + std::to_string(attese - 1);
    if (celle) after += " (" + std::to_string(attese) + " cells for the line length of the service file)";
    else after += " (15 bytes a cell)";
    return troppi_byte(c, after);
  }
  return percorso;
}

Read<Tracciato> leggi_tracciato(std::string_view bytes, std::string_view file, int32_t righe) {
  Cursore c(bytes, file);
  Tracciato t;
  t.punti.assign(static_cast<size_t>(righe), {0.0, 0.0});
  // Column 0 fixes how many rows hold a value; column 1 must agree row for row.
  bool in_prefisso = true;
  for (int colonna = 0; colonna < 2; ++colonna) {
    for (int32_t m = 0; m < righe; ++m) {
      const int64_t at = c.offset();
      Elemento e;
      if (auto err = leggi_elemento(c, m, colonna, e)) return *err;
      uint16_t atteso;
      if (colonna == 0 && in_prefisso) {
        // Still in the rows that hold values: the next row may hold the
        // next kind of value or be the first empty one.
        const auto tipo = static_cast<uint16_t>(m < 2 ? TipoVariante::intero16 : TipoVariante::reale64);
        if (e.tag == tipo) {
          t.calcolati = m + 1;
          atteso = tipo;
        } else {
          in_prefisso = false;
          atteso = 0;
        }
      } else {
        atteso = static_cast<uint16_t>(t.tipo(m));
      }
      if (e.tag != atteso) {
        std::string found = "tag " + std::to_string(e.tag);
        std::string expected = std::string(nome_tipo(atteso)) + " for " + luogo_elemento(m, colonna);
        if (colonna == 1) expected += ", as in column 0";
        else expected += " (the integers of metres 0 and 1, then doubles, then nothing)";
        return c.errore(at, expected, found);
      }
      t.punti[static_cast<size_t>(m)][static_cast<size_t>(colonna)] = e.valore;
    }
  }
  if (c.rest() != 0)
    return troppi_byte(c, "metre " + std::to_string(righe - 1) + " of column 1 (" +
                              std::to_string(righe) + " rows for the line length of the service file)");
  return t;
}
