#include "excreport/options/options_stream.h"

#include <gtest/gtest.h>

#include "excreport/options/quill_module_options.h"

namespace kestrova {
namespace {

// An image whose every field differs from its default.
QuillOptionsImage EveryFieldChanged() {
  QuillOptionsImage image;
  QuillOptionFields& f = image.Fields;
  f.LogEnabled = true;
  f.FiltersEnabled = false;
  f.LogFlags = 0x3F;
  f.LogAppendMode = true;
  f.WriteLogFile = false;
  f.FirstTab = 3;
  f.HangDetection = true;
  f.HangTimeoutSecs = 45;
  f.HangMessage = "Frozen.";
  f.MailSender = "me@example.org";
  f.MailServer = "smtp.example.org";
  f.MailServerPort = 2525;
  f.MailUser = "user";
  f.MailPassword = "pässword";
  f.EndAction = 0;
  f.EndButtonVisible = false;
  f.LogReportLimit = 7;
  f.EndButtonAfterErrors = 9;
  f.MailRecipients = "a@example.org;b@example.org";
  f.MailSubjectText = "Crash";
  f.MailMode = 3;
  f.ReportItems = 0xA5'5A5A'A5A5;
  f.LogFolder = "/var/log/kestrova/report.qmf";
  f.UploadMode = 2;
  f.UploadTarget = "https://upload.example.org/in";
  f.UploadUser = "up";
  f.UploadPassword = "load";
  f.UploadPort = 8443;
  f.ExtraFiles = "a.txt;b.txt";
  f.SendFlags = 0x03FF;
  f.DialogFlags = 0xE0;
  f.DialogCloseSecs = 30;
  f.SupportPage = "https://example.org/support";
  f.PageTemplate = "<p><%HTML_TAG%></p>";
  f.StackFlags = 0x1C;
  f.HandlingFlags = 0x7F;
  f.RepeatCrashAction = 0;
  f.RepeatCrashCount = 4;
  f.RepeatCrashMinutes = 15;
  f.MailBody = "See the attached report.\r\nThanks";
  image.FilterClasses = {"EAbort", "EConvertError", ""};
  image.FilterMessages = {"", "Not a number."};
  for (std::size_t i = 0; i < image.Texts.size(); ++i) image.Texts[i] = "text " + std::to_string(i);
  return image;
}

std::string Save(const QuillOptionsImage& image) {
  ByteWriter writer;
  WriteOptionsStream(writer, image);
  return writer.Take();
}

QuillOptionsImage Load(const std::string& bytes, int version) {
  QuillOptionsImage image;
  ByteReader reader(bytes);
  ReadOptionsStream(reader, version, image);
  EXPECT_EQ(reader.Remaining(), 0u);
  return image;
}

TEST(OptionsStream, SaveAndLoadAtTheCurrentVersionGiveEqualOptions) {
  QuillOptionsImage expected = EveryFieldChanged();
  expected.FilterMessages.push_back("");  // a missing entry is stored empty
  EXPECT_EQ(Load(Save(EveryFieldChanged()), 513), expected);
  EXPECT_EQ(Load(Save(QuillOptionsImage{}), 513), QuillOptionsImage{});

  TQuillModuleOptions source("a", false), target("b", false);
  source.SetUploadTarget("ftp://host/dir");
  source.FilterClasses().Add("EInOutError");
  source.FilterMessages().Add("Disk trouble.");
  source.SetText(40, "Nome");
  ByteWriter writer;
  source.SaveToStream(writer);
  ByteReader reader(writer.Data());
  target.LoadFromStream(reader, 513);
  EXPECT_EQ(target.Image(), source.Image());
}

TEST(OptionsStream, LayoutIsLittleEndianWithScrambledStrings) {
  const std::string bytes = Save(QuillOptionsImage{});
  // LogEnabled, FiltersEnabled, LogFlags, LogAppendMode, WriteLogFile, FirstTab, HangDetection,
  // HangTimeoutSecs = 60, then HangMessage's length and its first byte 'T' ^ 0x4D.
  const std::string head("\x00\x01\x30\x00\x01\x00\x00\x3C\x00\x00\x00\x23\x00\x00\x00\x19", 16);
  EXPECT_EQ(bytes.substr(0, 16), head);
}

TEST(OptionsStream, ASingleTrailingLineEndIsNotStored) {
  const struct {
    const char* given;
    const char* loaded;
  } cases[] = {
      {"Frozen.\r\n", "Frozen."},            // the only line end is the last: dropped
      {"One\r\nTwo\r\n", "One\r\nTwo\r\n"},  // an earlier line end keeps the ending
      {"\r\n", ""},
      {"A\r\nB", "A\r\nB"},
      {"\n", "\n"},
      {"x\r", "x\r"},
  };
  for (const auto& c : cases) {
    QuillOptionsImage image;
    image.Fields.HangMessage = c.given;
    image.Texts[7] = c.given;
    const QuillOptionsImage loaded = Load(Save(image), 513);
    EXPECT_EQ(loaded.Fields.HangMessage, c.loaded) << c.given;
    EXPECT_EQ(loaded.Texts[7], c.loaded) << c.given;
  }
}

TEST(OptionsStream, TruncatedStreamsFailAndLeaveTheOptionsAlone) {
  TQuillModuleOptions source("a", false);
  source.SetHangMessage("Stuck");
  source.FilterClasses().Add("EAbort");
  ByteWriter writer;
  source.SaveToStream(writer);
  const std::string bytes = writer.Data();

  TQuillModuleOptions target("b", false);
  target.SetMailServer("kept");
  const QuillOptionsImage before = target.Image();
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    ByteReader reader(std::string_view(bytes).substr(0, length));
    EXPECT_THROW(target.LoadFromStream(reader, 513), EReadError) << length;
  }
  EXPECT_EQ(target.Image(), before);
}

TEST(OptionsStream, CorruptLengthsAndVersionsFailCleanly) {
  std::string hugeString = Save(QuillOptionsImage{});
  hugeString.replace(11, 4, "\xF0\xFF\xFF\xFF", 4);  // HangMessage's length
  // With empty texts the stream ends with the filter count, MailBody and 96 empty texts.
  QuillOptionsImage emptyTexts;
  emptyTexts.Texts.fill("");
  std::string hugeFilterCount = Save(emptyTexts);
  const std::size_t filterCountAt = hugeFilterCount.size() - 4 - 4 - 96 * 4;
  ASSERT_EQ(hugeFilterCount.substr(filterCountAt, 4), std::string(4, '\0'));
  hugeFilterCount.replace(filterCountAt, 4, "\xFF\xFF\xFF\x7F", 4);

  for (const std::string& bytes : {hugeString, hugeFilterCount}) {
    QuillOptionsImage image;
    ByteReader reader(bytes);
    EXPECT_THROW(ReadOptionsStream(reader, 513, image), EReadError);
  }
  for (int version : {399, 514, 0}) {
    QuillOptionsImage image;
    ByteReader reader(Save(image));
    EXPECT_THROW(ReadOptionsStream(reader, version, image), EReadError) << version;
  }
}

}  // namespace
}  // namespace kestrova
