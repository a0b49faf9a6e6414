// The stored fields of the report options, with their defaults, as plain values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "excreport/options/customized_texts.h"

namespace kestrova {

// The sender address a fresh options object starts with; a real sender is set per build.
inline constexpr char kDefaultMailSender[] = "kestrova@localhost";
inline constexpr char kDefaultHangMessage[] = "The application seems to be frozen.";

// The 40 report-line flags of ReportItems live in the low 40 bits.
inline constexpr std::uint64_t kAllReportItems = 0xFF'FFFF'FFFFull;

// Every field of the stream form except the filter lists and the texts, in stream order
// (MailBody, stored after the filter lists, comes last); the initialisers are the defaults.
struct QuillOptionFields {
  bool LogEnabled = false;
  bool FiltersEnabled = true;
  std::uint8_t LogFlags = 0x30;
  bool LogAppendMode = false;
  bool WriteLogFile = true;
  std::uint8_t FirstTab = 0;
  bool HangDetection = false;
  std::int32_t HangTimeoutSecs = 60;
  std::string HangMessage = kDefaultHangMessage;
  std::string MailSender = kDefaultMailSender;
  std::string MailServer;
  std::uint16_t MailServerPort = 25;
  std::string MailUser;
  std::string MailPassword;
  std::uint8_t EndAction = 1;
  bool EndButtonVisible = true;
  std::int32_t LogReportLimit = 32;
  std::int32_t EndButtonAfterErrors = 3;
  std::string MailRecipients;
  std::string MailSubjectText;
  std::uint8_t MailMode = 0;
  std::uint64_t ReportItems = kAllReportItems;
  std::string LogFolder;
  std::uint8_t UploadMode = 0;
  std::string UploadTarget;
  std::string UploadUser;
  std::string UploadPassword;
  std::int32_t UploadPort = 0;
  std::string ExtraFiles;
  std::uint16_t SendFlags = 0x0051;
  std::uint8_t DialogFlags = 0x1F;
  std::int32_t DialogCloseSecs = 0;
  std::string SupportPage;
  std::string PageTemplate = kDefaultPageTemplate;
  std::uint8_t StackFlags = 0x0F;
  std::uint8_t HandlingFlags = 0x30;
  std::uint8_t RepeatCrashAction = 1;
  std::int32_t RepeatCrashCount = 10;
  std::int32_t RepeatCrashMinutes = 1;
  // Stored after the filter lists.
  std::string MailBody;

  bool operator==(const QuillOptionFields&) const = default;
};

// Everything the stream form carries: the fields, the filter lists and the texts.
struct QuillOptionsImage {
  QuillOptionFields Fields;
  std::vector<std::string> FilterClasses;
  std::vector<std::string> FilterMessages;
  TCustomizedTexts Texts = DefaultTexts();

  bool operator==(const QuillOptionsImage&) const = default;
};

}  // namespace kestrova
