#include "testing/sha256.h"

#include <array>
#include <bit>
#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace {

constexpr std::array<uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::array<uint32_t, 8> kInitialState = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

using Block = std::array<uint8_t, 64>;

/// One 64-byte block folded into the state.
void compress(std::array<uint32_t, 8>& state, const Block& block) {
  std::array<uint32_t, 64> w{};
  for (size_t i = 0; i < 16; ++i)
    w[i] = static_cast<uint32_t>(block[4 * i]) << 24 | static_cast<uint32_t>(block[4 * i + 1]) << 16 |
           static_cast<uint32_t>(block[4 * i + 2]) << 8 | static_cast<uint32_t>(block[4 * i + 3]);
  for (size_t i = 16; i < 64; ++i) {
    const uint32_t s0 = std::rotr(w[i - 15], 7) ^ std::rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = std::rotr(w[i - 2], 17) ^ std::rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
  for (size_t i = 0; i < 64; ++i) {
    const uint32_t s1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
    const uint32_t choose = (e & f) ^ (~e & g);
    const uint32_t t1 = h + s1 + choose + kRoundConstants[i] + w[i];
    const uint32_t s0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
    const uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    const uint32_t t2 = s0 + majority;
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state[0] += a, state[1] += b, state[2] += c, state[3] += d;
  state[4] += e, state[5] += f, state[6] += g, state[7] += h;
}

}  // namespace

std::string sha256_hex(std::string_view bytes) {
  std::array<uint32_t, 8> state = kInitialState;
  Block block{};
  size_t full = bytes.size() / 64;
  for (size_t i = 0; i < full; ++i) {
    for (size_t j = 0; j < 64; ++j) block[j] = static_cast<uint8_t>(bytes[64 * i + j]);
    compress(state, block);
  }
  // The tail, a 1 bit, zeros, and the length in bits as 64 bits big-endian;
  // one block or two when the length does not fit after the tail.
  const size_t rest = bytes.size() - 64 * full;
  std::array<uint8_t, 128> tail{};
  for (size_t j = 0; j < rest; ++j) tail[j] = static_cast<uint8_t>(bytes[64 * full + j]);
  tail[rest] = 0x80;
  const size_t tail_blocks = rest + 1 + 8 <= 64 ? 1 : 2;
  const uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
  for (size_t j = 0; j < 8; ++j)
    tail[64 * tail_blocks - 1 - j] = static_cast<uint8_t>((bits >> (8 * j)) & 0xFFu);
  for (size_t i = 0; i < tail_blocks; ++i) {
    for (size_t j = 0; j < 64; ++j) block[j] = tail[64 * i + j];
    compress(state, block);
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(64);
  for (uint32_t word : state)
    for (int shift = 28; shift >= 0; shift -= 4) hex += kDigits[(word >> shift) & 0xFu];
  return hex;
}

std::map<std::string, std::string> read_sha256sums(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(file.string() + ": cannot be read");
  std::map<std::string, std::string> digests;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    // 64 hexadecimal digits, two blanks (or a blank and the binary mark '*'), the name.
    const bool shaped = line.size() > 66 && line[64] == ' ' && (line[65] == ' ' || line[65] == '*') &&
                        line.find_first_not_of("0123456789abcdef") == 64;
    if (!shaped) throw std::runtime_error(file.string() + ":" + std::to_string(number) + ": not a sha256sum line");
    digests[line.substr(66)] = line.substr(0, 64);
  }
  return digests;
}
