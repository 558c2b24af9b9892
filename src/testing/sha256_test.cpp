#include "testing/sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/test_platform.h"

namespace {

TEST(Sha256Test, KnownVectors) {
  struct Vector {
    std::string input;
    const char* digest;
  };
  // The published test vectors, and lengths around the block and padding
  // boundaries (55, 56 and 64 bytes need one, two and two tail blocks),
  // checked against sha256sum.
  const Vector vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector& v : vectors) EXPECT_EQ(sha256_hex(v.input), v.digest) << v.input.size() << " bytes";
}

TEST(Sha256Test, EveryByteValueCounts) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(sha256_hex(all), "40aff2e9d2d8922e47afd4648e6967497158785fbd1da870e7110266bf944880");
}

TEST(Sha256Test, ReadsSha256sumLines) {
  TempFolder folder;
  const std::string a(64, 'a'), b(64, '0');
  write_bytes(folder.path() / "sums", a + "  one.txt\r\n" + b + " *two words.dat\n\n");
  EXPECT_EQ(read_sha256sums(folder.path() / "sums"),
            (std::map<std::string, std::string>{{"one.txt", a}, {"two words.dat", b}}));
  for (const std::string& bad : {a + " one.txt\n", "A" + a.substr(1) + "  x\n", a + "  \n"}) {
    write_bytes(folder.path() / "bad", bad);
    EXPECT_THROW(read_sha256sums(folder.path() / "bad"), std::runtime_error) << bad;
  }
  EXPECT_THROW(read_sha256sums(folder.path() / "missing"), std::runtime_error);
}

}  // namespace
