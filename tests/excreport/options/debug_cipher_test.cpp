#include "excreport/options/debug_cipher.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrova {
namespace {

using Block = std::array<std::uint8_t, 8>;

Block Bytes(std::uint64_t bigEndian) {
  Block block{};
  for (int i = 0; i < 8; ++i) block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bigEndian >> (56 - 8 * i));
  return block;
}

DebugCipher CipherFor(const std::string& password) {
  DebugCipher cipher;
  cipher.SetCipherKey(password);
  return cipher;
}

TEST(DebugCipher, EmptyPasswordKeyIsTheMd5OfTheEmptyText) {
  // MD5("") = d41d8cd98f00b204e9800998ecf8427e, read as four big-endian words.
  EXPECT_EQ(CipherFor("").CipherKey(), (DebugCipher::Key{0xD41D8CD9, 0x8F00B204, 0xE9800998, 0xECF8427E}));
}

// Computed once, independently of this code, from the additive round function.
TEST(DebugCipher, FixedVectorOfTheAdditiveRoundFunction) {
  const DebugCipher cipher = CipherFor("");
  Block block = Bytes(0x0001020304050607);
  cipher.EncipherBlock(block.data());
  EXPECT_EQ(block, Bytes(0x99B26E5FB5B71838));
  cipher.DecipherBlock(block.data());
  EXPECT_EQ(block, Bytes(0x0001020304050607));
}

TEST(DebugCipher, BlocksAndBuffersRoundTripUnderEveryKey) {
  for (const std::string& password : {std::string(), std::string("kestrova"), std::string(300, 'p')}) {
    const DebugCipher cipher = CipherFor(password);
    for (std::uint64_t value : {0ull, 0xFFFFFFFFFFFFFFFFull, 0x0123456789ABCDEFull}) {
      Block block = Bytes(value);
      cipher.EncipherBlock(block.data());
      EXPECT_NE(block, Bytes(value));
      cipher.DecipherBlock(block.data());
      EXPECT_EQ(block, Bytes(value));
    }
    for (std::size_t length : {0u, 1u, 4u, 7u, 8u, 9u, 15u, 16u, 17u, 100u}) {
      std::vector<std::uint8_t> plain(length);
      for (std::size_t i = 0; i < length; ++i) plain[i] = static_cast<std::uint8_t>(i * 37 + 11);
      std::vector<std::uint8_t> sealed(length), opened(length);
      cipher.EncipherBuffer(plain.data(), sealed.data(), length);
      if (length > 0) {
        EXPECT_NE(sealed, plain) << length;
      }
      cipher.DecipherBuffer(sealed.data(), opened.data(), length);
      EXPECT_EQ(opened, plain) << "password length " << password.size() << ", buffer " << length;
      cipher.DecipherBuffer(sealed.data(), sealed.data(), length);  // in place
      EXPECT_EQ(sealed, plain) << length;
    }
  }
}

TEST(DebugCipher, FourBytesAreDecipheredByTheTailRuleAlone) {
  // The starting block (eight 0xA5) enciphered under the empty password's key, computed
  // independently: 10 5a 64 b3 2b 7a 0b 09.
  const DebugCipher cipher = CipherFor("");
  const std::array<std::uint8_t, 4> source = {0x00, 0xFF, 0x5A, 0x10};
  std::array<std::uint8_t, 4> out{};
  cipher.DecipherBuffer(source.data(), out.data(), out.size());
  EXPECT_EQ(out, (std::array<std::uint8_t, 4>{0x10, 0x5A ^ 0xFF, 0x64 ^ 0x5A, 0xB3 ^ 0x10}));
}

TEST(DebugCipher, SixteenBytesChainFromTheStartingBlockThenTheFirstSourceBlock) {
  const DebugCipher cipher = CipherFor("kestrova");
  std::array<std::uint8_t, 16> source{};
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(0xF0 - i * 3);
  std::array<std::uint8_t, 16> out{};
  cipher.DecipherBuffer(source.data(), out.data(), out.size());

  Block first{}, second{};
  std::copy_n(source.begin(), 8, first.begin());
  std::copy_n(source.begin() + 8, 8, second.begin());
  cipher.DecipherBlock(first.data());
  cipher.DecipherBlock(second.data());
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(out[i], first[i] ^ 0xA5) << i;
    EXPECT_EQ(out[8 + i], second[i] ^ source[i]) << i;
  }
}

}  // namespace
}  // namespace kestrova
