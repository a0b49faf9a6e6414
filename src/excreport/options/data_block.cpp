#include "excreport/options/data_block.h"

#include "excreport/options/byte_stream.h"
#include "excreport/options/zlib_stream.h"

namespace kestrova {
namespace {

constexpr std::size_t kSymbolEntrySize = 9;
constexpr double kUnixEpochAsBuildDate = 25569.0;  // 1970-01-01 counted from 1899-12-30

std::string_view LengthPrefixed(ByteReader& reader) { return reader.Bytes(reader.U32()); }

std::vector<HookSymbol> DecodeSymbols(std::string_view table) {
  if (table.size() % kSymbolEntrySize != 0) throw EReadError("Bad symbol table");
  ByteReader reader(table);
  std::vector<HookSymbol> symbols;
  while (reader.Remaining() > 0) {
    HookSymbol symbol;
    symbol.Id = reader.U8();
    symbol.Address = reader.U32();
    symbol.Size = reader.U32();
    symbols.push_back(symbol);
  }
  return symbols;
}

// Everything after the build date; `optionsCompressed` tells the current layout from the older.
void DecodeRemainder(ByteReader& reader, bool optionsCompressed, DataBlock& block) {
  block.Symbols = DecodeSymbols(LengthPrefixed(reader));
  std::string_view options = LengthPrefixed(reader);
  if (optionsCompressed) {
    std::optional<std::string> inflated = ZlibDecompress(options);
    if (!inflated || inflated->empty()) throw EReadError("Options do not decompress");
    block.Options = std::move(*inflated);
  } else {
    block.Options = std::string(options);
  }
  std::string_view check = reader.Bytes(block.CheckWord.size());
  for (std::size_t i = 0; i < check.size(); ++i) block.CheckWord[i] = static_cast<std::uint8_t>(check[i]);
  block.DebugInfo = std::string(reader.Rest());
}

}  // namespace

std::string EncodeDataBlock(const DataBlock& block) {
  ByteWriter symbols;
  for (const HookSymbol& symbol : block.Symbols) {
    symbols.U8(symbol.Id);
    symbols.U32(symbol.Address);
    symbols.U32(symbol.Size);
  }
  const std::string options = ZlibCompress(block.Options);
  ByteWriter out;
  out.U32(kDataBlockMagic);
  out.U16(block.Version);
  out.F64(block.BuildDate);
  out.U32(static_cast<std::uint32_t>(symbols.Data().size()));
  out.Bytes(symbols.Data());
  out.U32(static_cast<std::uint32_t>(options.size()));
  out.Bytes(options);
  for (std::uint8_t byte : block.CheckWord) out.U8(byte);
  out.Bytes(block.DebugInfo);
  return out.Take();
}

std::optional<DataBlock> DecodeDataBlock(std::string_view bytes, std::string* refusal) {
  const auto refuse = [refusal](std::string reason) {
    if (refusal != nullptr) *refusal = std::move(reason);
    return std::nullopt;
  };
  try {
    ByteReader reader(bytes);
    if (reader.U32() != kDataBlockMagic) return refuse("the data block is damaged (no block mark)");
    DataBlock block;
    block.Version = reader.U16();
    if (block.Version < kOldestDataBlockVersion || block.Version > kDataBlockVersion)
      return refuse("the data block has version " + std::to_string(block.Version) + ", which this program cannot read");
    block.BuildDate = reader.F64();
    if (block.Version >= 500) {
      DecodeRemainder(reader, true, block);
    } else if (block.Version >= 450) {
      std::optional<std::string> remainder = ZlibDecompress(reader.Rest());
      if (!remainder || remainder->empty()) return refuse("the data block is damaged (it does not decompress)");
      ByteReader inner(*remainder);
      DecodeRemainder(inner, false, block);
    } else {
      DecodeRemainder(reader, false, block);
    }
    return block;
  } catch (const EReadError& error) {
    return refuse(std::string("the data block is damaged (") + error.what() + ")");
  }
}

double BuildDateFromUnixTime(double unixSeconds) { return kUnixEpochAsBuildDate + unixSeconds / 86400.0; }

}  // namespace kestrova
