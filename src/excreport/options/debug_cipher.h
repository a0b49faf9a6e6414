// The block cipher that protects the debug information of the data block.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestrova {

// A 64-bit block cipher of the TEA family whose round function adds its terms (data enciphered
// with the published TEA does not decipher here). Buffers are chained from a fixed starting
// block; a tail shorter than a block is combined with the enciphered chaining value. One object
// per key; the const operations may run on several threads at once.
class DebugCipher final {
 public:
  using Key = std::array<std::uint32_t, 4>;
  static constexpr std::size_t kBlockSize = 8;

  // Key = MD5 digest of the password's bytes, as four big-endian words.
  void SetCipherKey(std::string_view password);
  const Key& CipherKey() const { return key_; }

  // One block of 8 bytes in place; its two halves are big-endian words.
  void EncipherBlock(std::uint8_t* block) const;
  void DecipherBlock(std::uint8_t* block) const;

  // Deciphers `length` bytes; source and destination may be the same buffer.
  void DecipherBuffer(const std::uint8_t* source, std::uint8_t* destination, std::size_t length) const;
  // The inverse of DecipherBuffer, used by the build step that writes the data block.
  void EncipherBuffer(const std::uint8_t* source, std::uint8_t* destination, std::size_t length) const;

 private:
  // Enciphers the chaining value and combines the last 1 to 7 bytes with it.
  void ApplyTail(std::array<std::uint8_t, kBlockSize> chain, const std::uint8_t* source, std::uint8_t* destination,
                 std::size_t length) const;

  Key key_{};
};

}  // namespace kestrova
