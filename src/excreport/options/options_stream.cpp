#include "excreport/options/options_stream.h"

#include <algorithm>

#include "excreport/options/options_legacy.h"

namespace kestrova {
namespace {

// Every byte of a stored string is combined with this byte.
constexpr char kScrambleByte = 0x4D;

std::string Scrambled(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(c ^ kScrambleByte);
  return result;
}

void WriteString(ByteWriter& stream, std::string_view text) {
  // A single trailing line end is not stored; text with an earlier line end keeps its last one.
  if (text.size() > 1 && text.find("\r\n") == text.size() - 2) text.remove_suffix(2);
  stream.U32(static_cast<std::uint32_t>(text.size()));
  stream.Bytes(Scrambled(text));
}

std::string ReadString(ByteReader& stream) {
  const std::uint32_t length = stream.U32();
  if (length > stream.Remaining()) throw EReadError();
  return Scrambled(stream.Bytes(length));
}

bool ReadBool(ByteReader& stream) { return stream.U8() != 0; }

void WriteFilters(ByteWriter& stream, const QuillOptionsImage& image) {
  const std::size_t count = std::max(image.FilterClasses.size(), image.FilterMessages.size());
  stream.U32(static_cast<std::uint32_t>(count));
  auto entry = [](const std::vector<std::string>& list, std::size_t i) -> std::string_view {
    return i < list.size() ? std::string_view(list[i]) : std::string_view();
  };
  for (std::size_t i = 0; i < count; ++i) {
    WriteString(stream, entry(image.FilterClasses, i));
    WriteString(stream, entry(image.FilterMessages, i));
  }
}

void ReadFilters(ByteReader& stream, QuillOptionsImage& image) {
  const std::uint32_t count = stream.U32();
  // Each filter takes at least two length words; a larger count cannot be real.
  if (count > stream.Remaining() / 8) throw EReadError();
  image.FilterClasses.clear();
  image.FilterMessages.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    image.FilterClasses.push_back(ReadString(stream));
    image.FilterMessages.push_back(ReadString(stream));
  }
}

// The fields that version 500 added, from UploadMode to RepeatCrashMinutes.
void ReadUploadToRepeatCrash(ByteReader& stream, QuillOptionFields& f) {
  f.UploadMode = stream.U8();
  f.UploadTarget = ReadString(stream);
  f.UploadUser = ReadString(stream);
  f.UploadPassword = ReadString(stream);
  f.UploadPort = stream.I32();
  f.ExtraFiles = ReadString(stream);
  f.SendFlags = stream.U16();
  f.DialogFlags = stream.U8();
  f.DialogCloseSecs = stream.I32();
  f.SupportPage = ReadString(stream);
  f.PageTemplate = ReadString(stream);
  f.StackFlags = stream.U8();
  f.HandlingFlags = stream.U8();
  f.RepeatCrashAction = stream.U8();
  f.RepeatCrashCount = stream.I32();
  f.RepeatCrashMinutes = stream.I32();
}

// LogEnabled to EndAction, with the flags that versions before 500 kept in bytes of their own.
void ReadHead(ByteReader& stream, int version, QuillOptionFields& f) {
  f.LogEnabled = ReadBool(stream);
  f.FiltersEnabled = ReadBool(stream);
  f.LogFlags = stream.U8();
  if (version < 500) {
    const bool stored = ReadBool(stream);
    PutFlag(f.DialogFlags, 0, version < 450 ? !stored : stored);
  }
  f.LogAppendMode = ReadBool(stream);
  if (version >= 450 && version < 500) {
    for (int bit : {2, 4, 0}) PutFlag(f.SendFlags, bit, ReadBool(stream));
  }
  if (version > 400) {
    f.WriteLogFile = ReadBool(stream);
    f.FirstTab = stream.U8();
    if (version >= 403 && version < 500) PutFlag(f.DialogFlags, 7, ReadBool(stream));
  }
  if (version >= 420) {
    f.HangDetection = ReadBool(stream);
    f.HangTimeoutSecs = stream.I32();
    if (version < 422) f.HangTimeoutSecs /= 1000;  // stored in milliseconds
    f.HangMessage = ReadString(stream);
  }
  if (version >= 450) f.MailSender = ReadString(stream);
  if (version >= 420) f.MailServer = ReadString(stream);
  if (version >= 450) f.MailServerPort = stream.U16();
  if (version > 420) {
    f.MailUser = ReadString(stream);
    f.MailPassword = ReadString(stream);
    f.EndAction = stream.U8();
  }
}

}  // namespace

void WriteOptionsStream(ByteWriter& stream, const QuillOptionsImage& image) {
  const QuillOptionFields& f = image.Fields;
  stream.U8(f.LogEnabled);
  stream.U8(f.FiltersEnabled);
  stream.U8(f.LogFlags);
  stream.U8(f.LogAppendMode);
  stream.U8(f.WriteLogFile);
  stream.U8(f.FirstTab);
  stream.U8(f.HangDetection);
  stream.I32(f.HangTimeoutSecs);
  WriteString(stream, f.HangMessage);
  WriteString(stream, f.MailSender);
  WriteString(stream, f.MailServer);
  stream.U16(f.MailServerPort);
  WriteString(stream, f.MailUser);
  WriteString(stream, f.MailPassword);
  stream.U8(f.EndAction);
  stream.U8(f.EndButtonVisible);
  stream.I32(f.LogReportLimit);
  stream.I32(f.EndButtonAfterErrors);
  WriteString(stream, f.MailRecipients);
  WriteString(stream, f.MailSubjectText);
  stream.U8(f.MailMode);
  stream.UInt(f.ReportItems, 5);
  WriteString(stream, f.LogFolder);
  stream.U8(f.UploadMode);
  WriteString(stream, f.UploadTarget);
  WriteString(stream, f.UploadUser);
  WriteString(stream, f.UploadPassword);
  stream.I32(f.UploadPort);
  WriteString(stream, f.ExtraFiles);
  stream.U16(f.SendFlags);
  stream.U8(f.DialogFlags);
  stream.I32(f.DialogCloseSecs);
  WriteString(stream, f.SupportPage);
  WriteString(stream, f.PageTemplate);
  stream.U8(f.StackFlags);
  stream.U8(f.HandlingFlags);
  stream.U8(f.RepeatCrashAction);
  stream.I32(f.RepeatCrashCount);
  stream.I32(f.RepeatCrashMinutes);
  WriteFilters(stream, image);
  WriteString(stream, f.MailBody);
  for (const std::string& text : image.Texts) WriteString(stream, text);
}

void ReadOptionsStream(ByteReader& stream, int version, QuillOptionsImage& image) {
  if (version < kOldestOptionsFormatVersion || version > kOptionsFormatVersion) {
    throw EReadError("Unknown options format version " + std::to_string(version));
  }
  QuillOptionFields& f = image.Fields;
  ReadHead(stream, version, f);
  f.EndButtonVisible = ReadBool(stream);
  f.LogReportLimit = stream.I32();
  f.EndButtonAfterErrors = stream.I32();
  f.MailRecipients = ReadString(stream);
  f.MailSubjectText = ReadString(stream);
  f.MailMode = stream.U8();
  if (version < 450) f.MailMode = ConvertLegacyMailMode(f.MailMode, !f.MailServer.empty());
  if (version < 500) {
    f.ReportItems = ConvertLegacyReportItems(stream.U32());
    if (version < 450) stream.U8();  // a flag that later versions dropped
  } else {
    f.ReportItems = stream.UInt(5);
  }
  f.LogFolder = ReadString(stream);
  if (version >= 500) ReadUploadToRepeatCrash(stream, f);
  ReadFilters(stream, image);
  f.MailBody = ReadString(stream);
  for (int index = 0; index < static_cast<int>(image.Texts.size()); ++index) {
    if (version >= FirstVersionStoringText(index)) image.Texts[static_cast<std::size_t>(index)] = ReadString(stream);
  }
}

}  // namespace kestrova
