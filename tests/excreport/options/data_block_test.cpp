#include "excreport/options/data_block.h"

#include <gtest/gtest.h>

#include "excreport/options/byte_stream.h"
#include "excreport/options/debug_protection.h"
#include "excreport/options/module_data.h"
#include "excreport/options/password_event.h"
#include "excreport/options/zlib_stream.h"

namespace kestrova {
namespace {

constexpr char kBuildId[] = "\xAA\xBB\xCC\xDD";

std::string OptionsStream(const TQuillModuleOptions& options) {
  ByteWriter writer;
  options.SaveToStream(writer);
  return writer.Take();
}

std::string SampleTable(const std::string& buildId = kBuildId) {
  DebugTableSource source;
  source.BuildId = buildId;
  source.Functions = {{0x100, 0x180, "unit", "TClass", "Method"}};
  source.Lines = {{0x100, 21, "unit"}, {0x180, 0, ""}};
  return EncodeDebugTable(source);
}

DataBlock SampleBlock(const std::string& password, const std::string& table = SampleTable()) {
  TQuillModuleOptions options("", false);
  options.SetLogEnabled(true);
  options.SetDialogFlags(0x9F);
  const ProtectedDebugInfo debug = ProtectDebugInfo(table, password);
  DataBlock block;
  block.BuildDate = 45000.5;
  block.Symbols = {{0, 0x1234, 144}, {1, 0x5678, 216}};
  block.Options = OptionsStream(options);
  block.CheckWord = debug.CheckWord;
  block.DebugInfo = debug.Data;
  return block;
}

// Writes the layouts of versions before 500: the options stored plainly behind their length,
// and from 450 everything after the build date as one compressed stream.
std::string EncodeOldBlock(const DataBlock& block) {
  ByteWriter rest;
  rest.U32(static_cast<std::uint32_t>(block.Symbols.size() * 9));
  for (const HookSymbol& s : block.Symbols) {
    rest.U8(s.Id);
    rest.U32(s.Address);
    rest.U32(s.Size);
  }
  rest.U32(static_cast<std::uint32_t>(block.Options.size()));
  rest.Bytes(block.Options);
  for (std::uint8_t b : block.CheckWord) rest.U8(b);
  rest.Bytes(block.DebugInfo);
  ByteWriter out;
  out.U32(kDataBlockMagic);
  out.U16(block.Version);
  out.F64(block.BuildDate);
  out.Bytes(block.Version >= 450 ? ZlibCompress(rest.Data()) : rest.Data());
  return out.Take();
}

void ExpectSameParts(const std::optional<DataBlock>& decoded, const DataBlock& block) {
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->Version, block.Version);
  EXPECT_EQ(decoded->BuildDate, block.BuildDate);
  EXPECT_EQ(decoded->Symbols, block.Symbols);
  EXPECT_EQ(decoded->Options, block.Options);
  EXPECT_EQ(decoded->CheckWord, block.CheckWord);
  EXPECT_EQ(decoded->DebugInfo, block.DebugInfo);
}

ModuleDataRequest Request(std::function<std::string()> password) {
  ModuleDataRequest request;
  request.ModuleName = "module";
  request.LoadAddress = 0x10000;
  request.BuildId = kBuildId;
  request.RequestPassword = std::move(password);
  return request;
}

TEST(DataBlock, CurrentAndOlderLayoutsDecode) {
  const DataBlock block = SampleBlock("");
  const std::string bytes = EncodeDataBlock(block);
  // Magic, version 513, then the build date's 8 bytes and L = 18.
  EXPECT_EQ(bytes.substr(0, 6), std::string("\x10\xAB\x0F\x00\x01\x02", 6));
  EXPECT_EQ(bytes.substr(14, 4), std::string("\x12\x00\x00\x00", 4));
  ExpectSameParts(DecodeDataBlock(bytes), block);

  for (std::uint16_t version : {499, 450, 449, 400}) {
    DataBlock old = block;
    old.Version = version;
    ExpectSameParts(DecodeDataBlock(EncodeOldBlock(old)), old);
  }
}

TEST(DataBlock, DamagedBlocksAreRefused) {
  const std::string bytes = EncodeDataBlock(SampleBlock(""));
  // Cut anywhere before the check word ends.
  const std::size_t checkWordEnd = bytes.size() - SampleBlock("").DebugInfo.size();
  for (std::size_t length = 0; length < checkWordEnd; ++length) {
    EXPECT_FALSE(DecodeDataBlock(std::string_view(bytes).substr(0, length))) << length;
  }
  std::string wrongMagic = bytes;
  wrongMagic[0] = 0x11;
  EXPECT_FALSE(DecodeDataBlock(wrongMagic));

  DataBlock emptyOptions = SampleBlock("");
  emptyOptions.Options.clear();  // decompresses to nothing
  EXPECT_FALSE(DecodeDataBlock(EncodeDataBlock(emptyOptions)));

  std::string oddSymbols = bytes;
  oddSymbols[14] = 17;  // not a whole number of 9-byte entries
  EXPECT_FALSE(DecodeDataBlock(oddSymbols));
}

TEST(DataBlock, RefusalSaysWhy) {
  const std::string bytes = EncodeDataBlock(SampleBlock(""));
  std::string tooNew = bytes;
  tooNew[4] = 0x02;  // version 514
  std::string tooOld = EncodeOldBlock(SampleBlock(""));
  tooOld[4] = static_cast<char>(0x8F), tooOld[5] = 0x01;  // version 399
  std::string wrongMagic = bytes;
  wrongMagic[0] = 0x11;
  const struct {
    std::string block;
    const char* reason;
  } cases[] = {
      {tooNew, "the data block has version 514, which this program cannot read"},
      {tooOld, "the data block has version 399, which this program cannot read"},
      {wrongMagic, "the data block is damaged (no block mark)"},
      {bytes.substr(0, 20), "the data block is damaged ("},
  };
  for (const auto& c : cases) {
    std::string refusal;
    EXPECT_FALSE(DecodeDataBlock(c.block, &refusal));
    EXPECT_TRUE(refusal.starts_with(c.reason)) << refusal;
  }
  std::string refusal;
  EXPECT_TRUE(DecodeDataBlock(bytes, &refusal));
  EXPECT_EQ(refusal, "");
}

TEST(ModuleData, ValidBlockGivesOptionsSymbolsAndDebugInformation) {
  const std::string bytes = EncodeDataBlock(SampleBlock(""));
  const TQuillModuleData data = ReadModuleData(bytes, Request([] { return std::string(); }));
  EXPECT_TRUE(data.CarriesSubsystem);
  EXPECT_EQ(data.Version, 513);
  EXPECT_EQ(data.BuildDate, 45000.5);
  EXPECT_EQ(data.Symbols.size(), 2u);
  EXPECT_TRUE(data.Options->LogEnabled());
  EXPECT_EQ(data.Options->DialogFlags(), 0x9F);
  EXPECT_EQ(data.Options->ModuleName(), "module");
  EXPECT_TRUE(data.DebugReadable);
  std::optional<DebugLocation> location = data.Lookup(0x10000 + 0x120);
  ASSERT_TRUE(location);
  EXPECT_EQ(location->Procedure, "Method");
  EXPECT_EQ(location->Line, 21u);
  EXPECT_FALSE(data.Lookup(0x100));  // below the module
}

TEST(ModuleData, MissingOrBadBlockLeavesTheDefaultsAndBuildDateZero) {
  DataBlock badStream = SampleBlock("");
  badStream.Options = badStream.Options.substr(0, 10);  // the options stream is cut short
  for (const std::optional<std::string>& block :
       {std::optional<std::string>(), std::optional<std::string>(""), std::optional<std::string>("QMDATA"),
        std::optional<std::string>(EncodeDataBlock(badStream))}) {
    const TQuillModuleData data =
        ReadModuleData(block ? std::optional<std::string_view>(*block) : std::nullopt, Request([] { return std::string(); }));
    EXPECT_FALSE(data.CarriesSubsystem);
    EXPECT_EQ(data.Refusal.empty(), !block) << "only a block that is present is refused";
    EXPECT_EQ(data.BuildDate, 0);
    ASSERT_TRUE(data.Options);
    EXPECT_EQ(data.Options->Image(), QuillOptionsImage{});
    EXPECT_FALSE(data.DebugInfo);
  }
}

TEST(ModuleData, ProtectedDebugInformationOpensOnlyWithItsPassword) {
  const std::string bytes = EncodeDataBlock(SampleBlock("s3cret"));
  const struct {
    std::function<std::string()> password;
    bool readable;
  } cases[] = {
      {[] { return std::string("s3cret"); }, true},
      {[] { return std::string("S3cret"); }, false},
      {[] { return std::string(); }, false},
      {nullptr, false},  // loaded only for inspection: no password is asked for
  };
  for (const auto& c : cases) {
    const TQuillModuleData data = ReadModuleData(bytes, Request(c.password));
    EXPECT_TRUE(data.CarriesSubsystem);
    EXPECT_TRUE(data.Options->LogEnabled());
    EXPECT_EQ(data.DebugReadable, c.readable);
    EXPECT_EQ(data.DebugInfo.has_value(), c.readable);
  }
}

TEST(ModuleData, TableOfAnotherBuildIsRefused) {
  const std::string bytes = EncodeDataBlock(SampleBlock("", SampleTable("\x01\x02")));
  const TQuillModuleData data = ReadModuleData(bytes, Request([] { return std::string(); }));
  EXPECT_TRUE(data.DebugReadable);
  EXPECT_FALSE(data.DebugInfo);
}

TEST(PasswordEvent, ExportAnswersWithTheHandlersPasswordCutToCapacity) {
  SetPasswordRequestHandler([](std::string& password) { password = "abcdef"; });
  EXPECT_EQ(RequestExecutablePassword(), "abcdef");  // found among the executable's exports
  unsigned char buffer[8] = {};
  Quillmark_PasswordRequestEvent(buffer, 3);
  EXPECT_EQ(buffer[0], 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer + 1), 3), "abc");

  SetPasswordRequestHandler([](std::string&) { throw std::runtime_error("handler failed"); });
  EXPECT_EQ(RequestExecutablePassword(), "");
  SetPasswordRequestHandler(nullptr);
  EXPECT_EQ(RequestExecutablePassword(), "");
}

}  // namespace
}  // namespace kestrova
