#include "excreport/delivery/tar_header.h"

#include <algorithm>
#include <span>
#include <stdexcept>

namespace kestrova {
namespace {

// Field offsets of the header block; every byte not listed stays zero.
constexpr std::size_t kModeOffset = 100;
constexpr std::size_t kOwnerOffset = 108;
constexpr std::size_t kGroupOffset = 116;
constexpr std::size_t kSizeOffset = 124;
constexpr std::size_t kTimeOffset = 136;
constexpr std::size_t kChecksumOffset = 148;
constexpr std::size_t kChecksumLength = 8;
constexpr std::size_t kTypeOffset = 156;
constexpr std::size_t kMagicOffset = 257;
constexpr std::string_view kMagic = "ustar   ";  // no zero byte

// Fills out with value in octal digits, most significant first, leading zeros as blanks.
void WriteOctalDigits(std::span<char> out, std::uint64_t value) {
  for (std::size_t i = out.size(); i-- > 0;) {
    out[i] = static_cast<char>('0' + (value & 7));
    value >>= 3;
  }
  for (std::size_t i = 0; i + 1 < out.size() && out[i] == '0'; ++i) out[i] = ' ';
}

template <std::size_t N>
void Put(TarBlock& header, std::size_t offset, const std::array<char, N>& field) {
  std::copy(field.begin(), field.end(), header.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

std::array<char, 12> TarLongNumber(std::uint64_t value) {
  if (value > kTarLongNumberMax) throw std::out_of_range("value does not fit 11 octal digits");
  std::array<char, 12> field;
  WriteOctalDigits(std::span(field).first(11), value);
  field[11] = ' ';
  return field;
}

std::array<char, 8> TarShortNumber(std::uint32_t value) {
  if (value > kTarShortNumberMax) throw std::out_of_range("value does not fit 6 octal digits");
  std::array<char, 8> field;
  WriteOctalDigits(std::span(field).first(6), value);
  field[6] = ' ';
  field[7] = '\0';
  return field;
}

std::string TarEntryName(std::string_view name) {
  if (name.size() <= kTarNameLength) return std::string(name);
  std::size_t cut = kTarNameLength;
  // A byte 10xxxxxx continues a UTF-8 sequence: step back to the sequence's first byte
  // (at most three steps, so arbitrary bytes still leave a long name).
  for (int step = 0; step < 3 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80; ++step) {
    --cut;
  }
  if ((static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) cut = kTarNameLength;
  return std::string(name.substr(0, cut));
}

std::uint64_t TarTimeField(std::chrono::system_clock::time_point time) {
  const auto seconds =
      std::chrono::floor<std::chrono::seconds>(time.time_since_epoch()).count();
  if (seconds < 0) return 0;
  return std::min(static_cast<std::uint64_t>(seconds), kTarLongNumberMax);
}

std::uint32_t TarHeaderChecksum(const TarBlock& header) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < header.size(); ++i) {
    const bool inChecksum = i >= kChecksumOffset && i < kChecksumOffset + kChecksumLength;
    sum += inChecksum ? static_cast<std::uint32_t>(' ') : header[i];
  }
  return sum;
}

TarBlock BuildTarHeader(const TTarRec& rec) {
  if (rec.Size > kTarLongNumberMax) {
    throw std::length_error("tar entry \"" + rec.Name + "\" is too large");
  }
  TarBlock header{};
  const std::string name = TarEntryName(rec.Name);
  std::copy(name.begin(), name.end(), header.begin());
  const auto zero = TarShortNumber(0);
  Put(header, kModeOffset, TarShortNumber(kTarEntryMode));
  Put(header, kOwnerOffset, zero);
  Put(header, kGroupOffset, zero);
  Put(header, kSizeOffset, TarLongNumber(rec.Size));
  Put(header, kTimeOffset, TarLongNumber(TarTimeField(rec.ModificationTime)));
  header[kTypeOffset] = '0';
  std::copy(kMagic.begin(), kMagic.end(), header.begin() + kMagicOffset);
  Put(header, kChecksumOffset, TarShortNumber(TarHeaderChecksum(header)));
  return header;
}

}  // namespace kestrova
