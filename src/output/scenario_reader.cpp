#include "output/scenario_reader.h"

#include <iterator>

#include "model/numbers.h"
#include "output/layouts.h"

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

  /// The next value of type T, little-endian; the caller has checked has().
  template <class T>
  T get() {
    const T v = layout::load_le<T>(bytes_.data() + pos_);
    pos_ += static_cast<int64_t>(sizeof(T));
    return v;
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

std::optional<ErroreFile> leggi_voce(Cursore& c, int32_t i, voce& v) {
  constexpr int64_t testa = layout::kRecordHeadBytes;
  constexpr int64_t coda = layout::kRecordTailBytes;
  if (!c.has(testa)) return c.short_read(testa, "the head of " + nome_voce(i));
  std::optional<ErroreFile> errore;
  layout::for_each_field_while(layout::kRecordFields, [&](const auto& f) {
    using F = std::remove_cvref_t<decltype(f)>;
    if constexpr (F::is_text) {
      // The head is checked: the length is there; the name and the tail may not be.
      const int64_t n = c.get<uint16_t>();
      if (!c.has(n + coda)) {
        errore = c.short_read(n + coda, "the " + std::to_string(n) +
                                            "-byte name and the tail of " + nome_voce(i));
        return false;
      }
      v.*f.member = std::string(c.take(n));
    } else {
      v.*f.member = c.get<typename F::value_type>();
    }
    return true;
  });
  return errore;
}

ErroreFile troppi_byte(const Cursore& c, const std::string& after) {
  return c.errore(c.offset(), "the end of the file after " + after,
                  std::to_string(c.rest()) + (c.rest() == 1 ? " more byte" : " more bytes"));
}

std::string nome_tipo(uint16_t tag) {
  return "tag " + std::to_string(tag) + " (" + layout::element_kind(tag)->description + ")";
}

/// "tag 0, 2 or 5": every tag the layout has.
std::string tag_ammessi() {
  std::string s = "tag";
  const size_t n = std::size(layout::kElementKinds);
  for (size_t i = 0; i < n; ++i) {
    s += i == 0 ? " " : i + 1 == n ? " or " : ", ";
    s += std::to_string(static_cast<uint16_t>(layout::kElementKinds[i].tag));
  }
  return s;
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
  if (!c.has(layout::kTagBytes)) return c.short_read(layout::kTagBytes, "the tag of " + luogo_elemento(metro, colonna));
  const int64_t at = c.offset();
  e.tag = c.get<uint16_t>();
  const layout::ElementKind* kind = layout::element_kind(e.tag);
  if (kind == nullptr)
    return c.errore(at, tag_ammessi() + " for " + luogo_elemento(metro, colonna),
                    "tag " + std::to_string(e.tag));
  if (!c.has(kind->value_bytes))
    return c.short_read(kind->value_bytes, std::string("the ") +
                                               (kind->tag == TipoVariante::intero16 ? "16-bit value" : "double") +
                                               " of " + luogo_elemento(metro, colonna));
  switch (kind->tag) {
    case TipoVariante::vuoto: e.valore = 0; break;
    case TipoVariante::intero16: e.valore = c.get<int16_t>(); break;
    case TipoVariante::reale64: e.valore = c.get<double>(); break;
  }
  return std::nullopt;
}

}  // namespace

int64_t inizio_voce(const Voci& voci, int32_t indice) {
  int64_t o = 0;
  for (int32_t i = 0; i < indice; ++i)
    o += layout::kRecordBytesWithoutName + static_cast<int64_t>(voci[i].nome.size());
  return o;
}

std::string ErroreFile::message() const {
  return file + ": offset " + std::to_string(offset) + ": expected " + expected + ", found " + found;
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
  if (l >= 0 && l <= layout::kLongestLine) return l;
  const int64_t at = inizio_voce(voci, voce_fissa::generale) +
                     layout::field_info(layout::kRecordTable, "fine").offset;
  return Cursore(bytes, file).errore(
      at, "a line length of 0 to " + std::to_string(layout::kLongestLine) + " m in record 84",
      std::to_string(l));
}

Read<Percorso> leggi_percorso(std::string_view bytes, std::string_view file,
                              std::optional<int32_t> celle) {
  Cursore c(bytes, file);
  constexpr int64_t byte_cella = layout::kCellBytes;
  const int64_t attese = celle ? *celle : static_cast<int64_t>(bytes.size()) / byte_cella;
  if (!celle && attese < 2)
    return c.errore(0, "at least 2 cells (" + byte_count(2 * byte_cella) + ")",
                    byte_count(c.rest()));
  Percorso percorso(static_cast<size_t>(attese));
  for (int64_t i = 0; i < attese; ++i) {
    if (!c.has(byte_cella)) {
      std::string what = "cell " + std::to_string(i);
      if (celle) what += " of " + std::to_string(attese) + " for the line length of the service file";
      return c.short_read(byte_cella, what);
    }
    cella& k = percorso[static_cast<size_t>(i)];
    layout::for_each_field(layout::kCellFields, [&](const auto& f) {
      k.*f.member = c.get<typename std::remove_cvref_t<decltype(f)>::value_type>();
    });
  }
  if (c.rest() != 0) {
    std::string after = "cell " + std::to_string(attese - 1);
    if (celle) after += " (" + std::to_string(attese) + " cells for the line length of the service file)";
    else after += " (" + byte_count(byte_cella) + " a cell)";
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
