// TQuillModuleOptions: the options that steer the exception reporting of one module.
#pragma once

#include <cstdint>
#include <string>

#include "excreport/options/byte_stream.h"
#include "excreport/options/customized_texts.h"
#include "excreport/options/notify_string_list.h"
#include "excreport/options/option_fields.h"

namespace kestrova {

// One object per module that carries the subsystem. Every setter stores its value and then runs
// the change rule: outside an update bracket, for a publishing object that belongs to the module
// holding the subsystem, the changed notification runs. Defaults, assign and load run inside a
// bracket and end with the change rule once. Not thread-safe; the handling flow serialises use.
class TQuillModuleOptions {
 public:
  TQuillModuleOptions(std::string moduleName, bool publish);
  virtual ~TQuillModuleOptions() = default;
  TQuillModuleOptions(const TQuillModuleOptions&) = delete;
  TQuillModuleOptions& operator=(const TQuillModuleOptions&) = delete;

  // Copies the filter lists, the texts and every stored field (not Enabled, not ModuleName).
  // A null source raises std::invalid_argument "Impossible to assign nil as TQuillModuleOptions.".
  virtual void Assign(const TQuillModuleOptions* source);
  virtual void SetDefaults();
  // The stream form of the current format version.
  virtual void SaveToStream(ByteWriter& stream) const;
  // Reads the stream form written by format version `version` (400 to 513). On a truncated or
  // corrupt stream raises EReadError and leaves the options as they were.
  virtual void LoadFromStream(ByteReader& stream, int version);

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

  const std::string& ModuleName() const { return moduleName_; }
  void SetModuleName(std::string value) { moduleName_ = std::move(value); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);
  bool Publishes() const { return publish_; }

  // Text by index, 0 to 95; other indexes raise std::out_of_range.
  const std::string& Text(int index) const { return texts_.at(static_cast<std::size_t>(index)); }
  const TCustomizedTexts& Texts() const { return texts_; }
  void SetText(int index, std::string value) { Store(texts_.at(static_cast<std::size_t>(index)), std::move(value)); }

  // Filter i matches class FilterClasses()[i] and shows FilterMessages()[i].
  TNotifyStringList& FilterClasses() { return filterClasses_; }
  const TNotifyStringList& FilterClasses() const { return filterClasses_; }
  TNotifyStringList& FilterMessages() { return filterMessages_; }
  const TNotifyStringList& FilterMessages() const { return filterMessages_; }

  const QuillOptionFields& Fields() const { return fields_; }
  // Everything the stream form carries, as one value.
  QuillOptionsImage Image() const;

  bool LogEnabled() const { return fields_.LogEnabled; }
  void SetLogEnabled(bool value) { Store(fields_.LogEnabled, value); }
  bool FiltersEnabled() const { return fields_.FiltersEnabled; }
  void SetFiltersEnabled(bool value) { Store(fields_.FiltersEnabled, value); }
  std::uint8_t LogFlags() const { return fields_.LogFlags; }
  void SetLogFlags(std::uint8_t value) { Store(fields_.LogFlags, value); }
  bool LogAppendMode() const { return fields_.LogAppendMode; }
  void SetLogAppendMode(bool value) { Store(fields_.LogAppendMode, value); }
  bool WriteLogFile() const { return fields_.WriteLogFile; }
  void SetWriteLogFile(bool value) { Store(fields_.WriteLogFile, value); }
  std::uint8_t FirstTab() const { return fields_.FirstTab; }
  void SetFirstTab(std::uint8_t value) { Store(fields_.FirstTab, value); }
  bool HangDetection() const { return fields_.HangDetection; }
  virtual void SetHangDetection(bool value);
  std::int32_t HangTimeoutSecs() const { return fields_.HangTimeoutSecs; }
  void SetHangTimeoutSecs(std::int32_t value) { Store(fields_.HangTimeoutSecs, value); }
  const std::string& HangMessage() const { return fields_.HangMessage; }
  void SetHangMessage(std::string value) { Store(fields_.HangMessage, std::move(value)); }
  const std::string& MailSender() const { return fields_.MailSender; }
  void SetMailSender(std::string value) { Store(fields_.MailSender, std::move(value)); }
  const std::string& MailServer() const { return fields_.MailServer; }
  void SetMailServer(std::string value) { Store(fields_.MailServer, std::move(value)); }
  std::uint16_t MailServerPort() const { return fields_.MailServerPort; }
  void SetMailServerPort(std::uint16_t value) { Store(fields_.MailServerPort, value); }
  const std::string& MailUser() const { return fields_.MailUser; }
  void SetMailUser(std::string value) { Store(fields_.MailUser, std::move(value)); }
  const std::string& MailPassword() const { return fields_.MailPassword; }
  void SetMailPassword(std::string value) { Store(fields_.MailPassword, std::move(value)); }
  std::uint8_t EndAction() const { return fields_.EndAction; }
  void SetEndAction(std::uint8_t value) { Store(fields_.EndAction, value); }
  bool EndButtonVisible() const { return fields_.EndButtonVisible; }
  void SetEndButtonVisible(bool value) { Store(fields_.EndButtonVisible, value); }
  std::int32_t LogReportLimit() const { return fields_.LogReportLimit; }
  // 0 is stored as 1.
  void SetLogReportLimit(std::int32_t value) { Store(fields_.LogReportLimit, value == 0 ? 1 : value); }
  std::int32_t EndButtonAfterErrors() const { return fields_.EndButtonAfterErrors; }
  void SetEndButtonAfterErrors(std::int32_t value) { Store(fields_.EndButtonAfterErrors, value); }
  const std::string& MailRecipients() const { return fields_.MailRecipients; }
  void SetMailRecipients(std::string value) { Store(fields_.MailRecipients, std::move(value)); }
  const std::string& MailSubjectText() const { return fields_.MailSubjectText; }
  void SetMailSubjectText(std::string value) { Store(fields_.MailSubjectText, std::move(value)); }
  std::uint8_t MailMode() const { return fields_.MailMode; }
  void SetMailMode(std::uint8_t value) { Store(fields_.MailMode, value); }
  std::uint64_t ReportItems() const { return fields_.ReportItems; }
  void SetReportItems(std::uint64_t value) { Store(fields_.ReportItems, value); }
  const std::string& LogFolder() const { return fields_.LogFolder; }
  void SetLogFolder(std::string value) { Store(fields_.LogFolder, std::move(value)); }
  std::uint8_t UploadMode() const { return fields_.UploadMode; }
  void SetUploadMode(std::uint8_t value) { Store(fields_.UploadMode, value); }
  const std::string& UploadTarget() const { return fields_.UploadTarget; }
  void SetUploadTarget(std::string value) { Store(fields_.UploadTarget, std::move(value)); }
  const std::string& UploadUser() const { return fields_.UploadUser; }
  void SetUploadUser(std::string value) { Store(fields_.UploadUser, std::move(value)); }
  const std::string& UploadPassword() const { return fields_.UploadPassword; }
  void SetUploadPassword(std::string value) { Store(fields_.UploadPassword, std::move(value)); }
  std::int32_t UploadPort() const { return fields_.UploadPort; }
  void SetUploadPort(std::int32_t value) { Store(fields_.UploadPort, value); }
  const std::string& ExtraFiles() const { return fields_.ExtraFiles; }
  void SetExtraFiles(std::string value) { Store(fields_.ExtraFiles, std::move(value)); }
  std::uint16_t SendFlags() const { return fields_.SendFlags; }
  void SetSendFlags(std::uint16_t value) { Store(fields_.SendFlags, value); }
  std::uint8_t DialogFlags() const { return fields_.DialogFlags; }
  void SetDialogFlags(std::uint8_t value) { Store(fields_.DialogFlags, value); }
  std::int32_t DialogCloseSecs() const { return fields_.DialogCloseSecs; }
  void SetDialogCloseSecs(std::int32_t value) { Store(fields_.DialogCloseSecs, value); }
  const std::string& SupportPage() const { return fields_.SupportPage; }
  void SetSupportPage(std::string value) { Store(fields_.SupportPage, std::move(value)); }
  const std::string& PageTemplate() const { return fields_.PageTemplate; }
  void SetPageTemplate(std::string value) { Store(fields_.PageTemplate, std::move(value)); }
  std::uint8_t StackFlags() const { return fields_.StackFlags; }
  void SetStackFlags(std::uint8_t value) { Store(fields_.StackFlags, value); }
  std::uint8_t HandlingFlags() const { return fields_.HandlingFlags; }
  void SetHandlingFlags(std::uint8_t value) { Store(fields_.HandlingFlags, value); }
  std::uint8_t RepeatCrashAction() const { return fields_.RepeatCrashAction; }
  void SetRepeatCrashAction(std::uint8_t value) { Store(fields_.RepeatCrashAction, value); }
  std::int32_t RepeatCrashCount() const { return fields_.RepeatCrashCount; }
  void SetRepeatCrashCount(std::int32_t value) { Store(fields_.RepeatCrashCount, value); }
  std::int32_t RepeatCrashMinutes() const { return fields_.RepeatCrashMinutes; }
  void SetRepeatCrashMinutes(std::int32_t value) { Store(fields_.RepeatCrashMinutes, value); }
  const std::string& MailBody() const { return fields_.MailBody; }
  void SetMailBody(std::string value) { Store(fields_.MailBody, std::move(value)); }

 protected:
  // Runs when the options changed (see the class comment); does nothing here.
  virtual void Changed() {}
  void ApplyChangeRule();

 private:
  template <class T>
  void Store(T& field, T value) {
    field = std::move(value);
    ApplyChangeRule();
  }
  // Takes a whole image inside an update bracket, through the setters that have rules.
  void ApplyImage(const QuillOptionsImage& image);

  std::string moduleName_;
  bool enabled_ = true;
  int updateCount_ = 0;
  bool publish_;
  QuillOptionFields fields_;
  TCustomizedTexts texts_;
  TNotifyStringList filterClasses_;
  TNotifyStringList filterMessages_;
};

}  // namespace kestrova
