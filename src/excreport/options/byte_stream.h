// Little-endian byte reader and writer for the binary forms of the exception reporting data.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrova {

// Raised when a binary form ends early or holds an impossible value.
class EReadError : public std::runtime_error {
 public:
  explicit EReadError(const std::string& message = "Stream read error") : std::runtime_error(message) {}
};

// Reads from a borrowed buffer; every read checks the remaining length first.
class ByteReader final {
 public:
  explicit ByteReader(std::string_view data) : data_(data) {}

  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint64_t UInt(int byteCount);
  double F64();
  std::string_view Bytes(std::size_t count);
  std::string_view Rest() { return Bytes(Remaining()); }

  std::size_t Remaining() const { return data_.size() - position_; }
  std::size_t Position() const { return position_; }

 private:
  std::string_view data_;
  std::size_t position_ = 0;
};

// Appends to an owned buffer.
class ByteWriter final {
 public:
  void U8(std::uint8_t value) { data_.push_back(static_cast<char>(value)); }
  void U16(std::uint16_t value) { UInt(value, 2); }
  void U32(std::uint32_t value) { UInt(value, 4); }
  void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
  void UInt(std::uint64_t value, int byteCount);
  void F64(double value);
  void Bytes(std::string_view bytes) { data_.append(bytes); }

  const std::string& Data() const { return data_; }
  std::string Take() { return std::move(data_); }

 private:
  std::string data_;
};

}  // namespace kestrova
