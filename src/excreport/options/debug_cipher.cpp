#include "excreport/options/debug_cipher.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

namespace kestrova {
namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr std::uint32_t kDecipherSum = 0xC6EF3720u;  // 32 * kDelta modulo 2^32
constexpr int kRounds = 32;
constexpr std::uint8_t kStartByte = 0xA5;

std::uint32_t LoadBigEndian(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

void StoreBigEndian(std::uint32_t value, std::uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

std::uint32_t Round(std::uint32_t v, std::uint32_t sum, std::uint32_t ka, std::uint32_t kb) {
  return (v << 4) + (v ^ ka) + ((v >> 5) ^ sum) + kb;
}

}  // namespace

void DebugCipher::SetCipherKey(std::string_view password) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (EVP_Digest(password.data(), password.size(), digest, &digestLength, EVP_md5(), nullptr) != 1 || digestLength != 16) {
    throw std::runtime_error("MD5 digest failed");
  }
  for (std::size_t i = 0; i < key_.size(); ++i) key_[i] = LoadBigEndian(digest + 4 * i);
}

void DebugCipher::EncipherBlock(std::uint8_t* block) const {
  std::uint32_t v0 = LoadBigEndian(block);
  std::uint32_t v1 = LoadBigEndian(block + 4);
  std::uint32_t sum = 0;
  for (int i = 0; i < kRounds; ++i) {
    sum += kDelta;
    v0 += Round(v1, sum, key_[0], key_[1]);
    v1 += Round(v0, sum, key_[2], key_[3]);
  }
  StoreBigEndian(v0, block);
  StoreBigEndian(v1, block + 4);
}

void DebugCipher::DecipherBlock(std::uint8_t* block) const {
  std::uint32_t v0 = LoadBigEndian(block);
  std::uint32_t v1 = LoadBigEndian(block + 4);
  std::uint32_t sum = kDecipherSum;
  for (int i = 0; i < kRounds; ++i) {
    v1 -= Round(v0, sum, key_[2], key_[3]);
    v0 -= Round(v1, sum, key_[0], key_[1]);
    sum -= kDelta;
  }
  StoreBigEndian(v0, block);
  StoreBigEndian(v1, block + 4);
}

void DebugCipher::DecipherBuffer(const std::uint8_t* source, std::uint8_t* destination, std::size_t length) const {
  std::array<std::uint8_t, kBlockSize> chain;
  chain.fill(kStartByte);
  std::size_t offset = 0;
  for (; offset + kBlockSize <= length; offset += kBlockSize) {
    std::array<std::uint8_t, kBlockSize> kept;
    std::copy_n(source + offset, kBlockSize, kept.begin());
    std::uint8_t* block = destination + offset;
    std::copy(kept.begin(), kept.end(), block);
    DecipherBlock(block);
    for (std::size_t i = 0; i < kBlockSize; ++i) block[i] ^= chain[i];
    chain = kept;
  }
  ApplyTail(chain, source + offset, destination + offset, length - offset);
}

void DebugCipher::EncipherBuffer(const std::uint8_t* source, std::uint8_t* destination, std::size_t length) const {
  std::array<std::uint8_t, kBlockSize> chain;
  chain.fill(kStartByte);
  std::size_t offset = 0;
  for (; offset + kBlockSize <= length; offset += kBlockSize) {
    std::uint8_t* block = destination + offset;
    for (std::size_t i = 0; i < kBlockSize; ++i) block[i] = static_cast<std::uint8_t>(source[offset + i] ^ chain[i]);
    EncipherBlock(block);
    std::copy_n(block, kBlockSize, chain.begin());
  }
  ApplyTail(chain, source + offset, destination + offset, length - offset);
}

void DebugCipher::ApplyTail(std::array<std::uint8_t, kBlockSize> chain, const std::uint8_t* source,
                            std::uint8_t* destination, std::size_t length) const {
  if (length == 0) return;
  EncipherBlock(chain.data());
  for (std::size_t i = 0; i < length; ++i) destination[i] = static_cast<std::uint8_t>(source[i] ^ chain[i]);
}

}  // namespace kestrova
