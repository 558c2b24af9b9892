#pragma once
// Rounding, widths and wrap-around: every narrowing of the builder goes
// through one of these helpers, so that each one is visible at its call.

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

/// A run-time failure inside the compiler: a field that cannot be read or a
/// value that does not fit its width. The compiler's one failure trap turns
/// it into code 25.
class RunTimeFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The real value rounded to the nearest integer, halves to the even
/// neighbour (2.5 gives 2, 3.5 gives 4). Every conversion of a real value to
/// an integer in the builder rounds this way.
inline double nearest(double x) {
  // rint rounds in the current mode, which the program never changes from
  // round-to-nearest-even.
  return std::rint(x);
}

/// nearest(x) as a signed 32-bit value; a value outside the width is a
/// run-time failure.
inline int32_t nearest_int32(double x) {
  const double r = nearest(x);
  if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
    throw RunTimeFailure("value " + std::to_string(r) + " does not fit 32 bits");
  return static_cast<int32_t>(r);
}

/// nearest(x) stored into a signed 16-bit field; a value outside the width is
/// a run-time failure, not a wrap.
inline int16_t nearest_int16(double x) {
  const double r = nearest(x);
  if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max()))
    throw RunTimeFailure("value " + std::to_string(r) + " does not fit 16 bits");
  return static_cast<int16_t>(r);
}

/// nearest(x) stored into an unsigned byte; a value outside 0..255 is a
/// run-time failure.
inline uint8_t nearest_uint8(double x) {
  const double r = nearest(x);
  if (!(r >= 0 && r <= 255))
    throw RunTimeFailure("value " + std::to_string(r) + " does not fit a byte");
  return static_cast<uint8_t>(r);
}

/// Deliberate wrap-around to 16 bits: the low 16 bits of a 32-bit value.
inline int16_t wrap16(int64_t x) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(x) & 0xFFFFu));
}

/// Deliberate truncation to a byte: the low 8 bits of a value.
inline uint8_t low_byte(int64_t x) {
  return static_cast<uint8_t>(static_cast<uint64_t>(x) & 0xFFu);
}

/// Deliberate wrap-around of a 32-bit sum or product.
inline int32_t wrap32(int64_t x) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(x) & 0xFFFFFFFFu));
}
