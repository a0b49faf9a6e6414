#include <gtest/gtest.h>

#include "excreport/options/options_legacy.h"
#include "excreport/options/options_stream.h"
#include "excreport/options/quill_module_options.h"

namespace kestrova {
namespace {

// Writes a stream in the layout of a format version before 500, field by field.
class OldStreamWriter final {
 public:
  explicit OldStreamWriter(int version) : version_(version) {}

  void Byte(std::uint8_t value) { out_.U8(value); }
  void Int(std::int32_t value) { out_.I32(value); }
  void Word(std::uint16_t value) { out_.U16(value); }
  void String(std::string_view text) {
    out_.U32(static_cast<std::uint32_t>(text.size()));
    for (char c : text) out_.U8(static_cast<std::uint8_t>(c ^ 0x4D));
  }
  // Every text this version stores, as "old N".
  void Texts() {
    for (int i = 0; i < 96; ++i) {
      if (version_ >= FirstVersionStoringText(i)) String("old " + std::to_string(i));
    }
  }
  const std::string& Data() const { return out_.Data(); }

 private:
  int version_;
  ByteWriter out_;
};

TEST(OptionsLegacy, Version421StreamLoadsWithItsConversions) {
  OldStreamWriter w(421);
  w.Byte(1);          // LogEnabled
  w.Byte(0);          // FiltersEnabled
  w.Byte(0x05);       // LogFlags
  w.Byte(0);          // "show the report", stored inverted before 450: 0 means shown
  w.Byte(1);          // LogAppendMode
  w.Byte(0);          // WriteLogFile
  w.Byte(2);          // FirstTab
  w.Byte(1);          // DialogFlags bit 7
  w.Byte(1);          // HangDetection
  w.Int(15000);       // HangTimeoutSecs, in milliseconds before 422
  w.String("Hung.");  // HangMessage
  w.String("mail.example.org");  // MailServer (no MailSender, no port before 450)
  w.String("u");      // MailUser
  w.String("p");      // MailPassword
  w.Byte(0);          // EndAction
  w.Byte(0);          // EndButtonVisible
  w.Int(12);          // LogReportLimit
  w.Int(4);           // EndButtonAfterErrors
  w.String("to@example.org");
  w.String("Subject");
  w.Byte(1);          // MailMode: "send by e-mail"
  w.Int(static_cast<std::int32_t>(0x00800021u));  // ReportItems, 32 flags
  w.Byte(0xEE);       // a byte of old versions, ignored
  w.String("/tmp/logs");  // LogFolder
  w.Int(1);           // one filter
  w.String("EAbort");
  w.String("Aborted.");
  w.String("Body");   // MailBody
  w.Texts();

  TQuillModuleOptions options("", false);
  ByteReader reader(w.Data());
  options.LoadFromStream(reader, 421);
  EXPECT_EQ(reader.Remaining(), 0u);
  const QuillOptionFields defaults;
  EXPECT_TRUE(options.LogEnabled());
  EXPECT_FALSE(options.FiltersEnabled());
  EXPECT_EQ(options.LogFlags(), 0x05);
  EXPECT_EQ(options.DialogFlags(), 0x1F | 0x80);  // bit 0 on (inverted 0), bit 7 on
  EXPECT_TRUE(options.LogAppendMode());
  EXPECT_EQ(options.SendFlags(), defaults.SendFlags);
  EXPECT_FALSE(options.WriteLogFile());
  EXPECT_EQ(options.FirstTab(), 2);
  EXPECT_TRUE(options.HangDetection());
  EXPECT_EQ(options.HangTimeoutSecs(), 15);
  EXPECT_EQ(options.HangMessage(), "Hung.");
  EXPECT_EQ(options.MailSender(), defaults.MailSender);
  EXPECT_EQ(options.MailServer(), "mail.example.org");
  EXPECT_EQ(options.MailServerPort(), 25);
  EXPECT_EQ(options.MailUser(), "u");
  EXPECT_EQ(options.EndAction(), 0);
  EXPECT_EQ(options.LogReportLimit(), 12);
  EXPECT_EQ(options.MailMode(), 2);  // a mail server was set
  // Bits 0 and 5 (5 moves down to 4) and 23 (moves down to 19).
  EXPECT_EQ(options.ReportItems(), 0x1u | 0x10u | 0x80000u);
  EXPECT_EQ(options.LogFolder(), "/tmp/logs");
  EXPECT_EQ(options.UploadMode(), 0);
  EXPECT_EQ(options.PageTemplate(), defaults.PageTemplate);
  ASSERT_EQ(options.FilterClasses().Count(), 1);
  EXPECT_EQ(options.FilterMessages()[0], "Aborted.");
  EXPECT_EQ(options.MailBody(), "Body");
  EXPECT_EQ(options.Text(0), "old 0");
  EXPECT_EQ(options.Text(16), "old 16");
  EXPECT_EQ(options.Text(17), "old 17");
  for (int later : {8, 11, 12, 18, 26, 47, 54, 75, 95}) EXPECT_EQ(options.Text(later), DefaultTexts()[later]) << later;
}

TEST(OptionsLegacy, Version450StreamLoadsWithItsConversions) {
  OldStreamWriter w(450);
  w.Byte(0);  // LogEnabled
  w.Byte(1);  // FiltersEnabled
  w.Byte(0x30);
  w.Byte(0);  // "show the report", not inverted from 450: off
  w.Byte(0);  // LogAppendMode
  w.Byte(1);  // SendFlags bit 2
  w.Byte(0);  // SendFlags bit 4
  w.Byte(0);  // SendFlags bit 0
  w.Byte(1);  // WriteLogFile
  w.Byte(1);  // FirstTab
  w.Byte(0);  // DialogFlags bit 7
  w.Byte(0);  // HangDetection
  w.Int(90);  // HangTimeoutSecs, in seconds from 422
  w.String("Frozen");
  w.String("from@example.org");  // MailSender
  w.String("");                  // MailServer
  w.Word(587);                   // MailServerPort
  w.String("");
  w.String("");
  w.Byte(1);  // EndAction
  w.Byte(1);
  w.Int(32);
  w.Int(3);
  w.String("");
  w.String("");
  w.Byte(1);  // MailMode, kept as stored from 450
  w.Int(-1);  // ReportItems: all 32 old flags
  w.String("");
  w.Int(0);  // no filters
  w.String("");
  w.Texts();

  TQuillModuleOptions options("", false);
  ByteReader reader(w.Data());
  options.LoadFromStream(reader, 450);
  EXPECT_EQ(reader.Remaining(), 0u);
  EXPECT_EQ(options.DialogFlags(), 0x1E);
  EXPECT_EQ(options.SendFlags(), (0x0051 | 0x04) & ~0x10 & ~0x01);
  EXPECT_EQ(options.HangTimeoutSecs(), 90);
  EXPECT_EQ(options.MailSender(), "from@example.org");
  EXPECT_EQ(options.MailServerPort(), 587);
  EXPECT_EQ(options.MailMode(), 1);
  EXPECT_EQ(options.ReportItems(), 0x7FFFFFu);
  for (int stored : {8, 11, 18, 20, 26, 41, 52, 75, 88}) EXPECT_EQ(options.Text(stored), "old " + std::to_string(stored));
  for (int later : {12, 13, 21, 27, 46, 47, 48, 54, 61, 68, 74, 89, 94, 95}) {
    EXPECT_EQ(options.Text(later), DefaultTexts()[later]) << later;
  }
}

TEST(OptionsLegacy, ReportItemsDropTheLinesLaterVersionsRemoved) {
  const struct {
    std::uint32_t old;
    std::uint64_t converted;
  } cases[] = {
      {0xFFFFFFFFu, 0x7FFFFF}, {1u << 4, 0}, {1u << 5, 1u << 4}, {1u << 22, 0}, {1u << 23, 1u << 19}, {1u << 31, 0}, {0xF, 0xF},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertLegacyReportItems(c.old), c.converted) << std::hex << c.old;
}

}  // namespace
}  // namespace kestrova
