#include "excreport/options/debug_protection.h"

#include "excreport/options/byte_stream.h"
#include "excreport/options/data_block.h"
#include "excreport/options/zlib_stream.h"

namespace kestrova {
namespace {

std::array<std::uint8_t, 4> MagicBytes() {
  std::array<std::uint8_t, 4> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(kDataBlockMagic >> (8 * i));
  return bytes;
}

}  // namespace

ProtectedDebugInfo ProtectDebugInfo(std::string_view table, std::string_view password) {
  DebugCipher cipher;
  cipher.SetCipherKey(password);
  ProtectedDebugInfo result;
  const std::array<std::uint8_t, 4> magic = MagicBytes();
  cipher.EncipherBuffer(magic.data(), result.CheckWord.data(), magic.size());
  std::string body = ZlibCompress(table);
  auto* bytes = reinterpret_cast<std::uint8_t*>(body.data());
  cipher.EncipherBuffer(bytes, bytes, body.size());
  ByteWriter out;
  out.U32(static_cast<std::uint32_t>(body.size()));
  out.Bytes(body);
  result.Data = out.Take();
  return result;
}

bool CheckWordMatches(const std::array<std::uint8_t, 4>& checkWord, const DebugCipher& cipher) {
  std::array<std::uint8_t, 4> plain{};
  cipher.DecipherBuffer(checkWord.data(), plain.data(), plain.size());
  return plain == MagicBytes();
}

std::optional<std::string> UnprotectDebugInfo(std::string_view data, const DebugCipher& cipher) {
  try {
    ByteReader reader(data);
    std::string body(reader.Bytes(reader.U32()));
    auto* bytes = reinterpret_cast<std::uint8_t*>(body.data());
    cipher.DecipherBuffer(bytes, bytes, body.size());
    return ZlibDecompress(body);
  } catch (const EReadError&) {
    return std::nullopt;
  }
}

}  // namespace kestrova
