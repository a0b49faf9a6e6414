#include "excreport/options/byte_stream.h"

#include <bit>

namespace kestrova {

std::string_view ByteReader::Bytes(std::size_t count) {
  if (count > Remaining()) throw EReadError();
  std::string_view bytes = data_.substr(position_, count);
  position_ += count;
  return bytes;
}

std::uint64_t ByteReader::UInt(int byteCount) {
  std::string_view bytes = Bytes(static_cast<std::size_t>(byteCount));
  std::uint64_t value = 0;
  for (int i = byteCount - 1; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
  return value;
}

std::uint8_t ByteReader::U8() { return static_cast<std::uint8_t>(UInt(1)); }
std::uint16_t ByteReader::U16() { return static_cast<std::uint16_t>(UInt(2)); }
std::uint32_t ByteReader::U32() { return static_cast<std::uint32_t>(UInt(4)); }

double ByteReader::F64() { return std::bit_cast<double>(UInt(8)); }

void ByteWriter::UInt(std::uint64_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) data_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void ByteWriter::F64(double value) { UInt(std::bit_cast<std::uint64_t>(value), 8); }

}  // namespace kestrova
