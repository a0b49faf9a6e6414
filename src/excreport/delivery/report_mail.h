// SendReportMail: the report e-mail sent over SMTP, one conversation per recipient.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "excreport/capture/quillmark_warning.h"
#include "excreport/delivery/mail_host_resolver.h"
#include "excreport/options/customized_texts.h"

namespace kestrova {

// The values of one send, taken from the options by the sending step.
struct TReportMail {
  bool direct = false;  // each recipient's own mail host, found by DNS, without login
  std::string sender;
  std::string server;  // the mail server when not direct
  std::uint16_t port = 25;
  std::string user, password;  // not used when direct
  std::string recipients;      // separated by "," and ";"
  std::string subject;
  std::string body;
  std::vector<std::string> files;       // attached in order, missing ones left out
  std::vector<std::string> extraFiles;  // attached after files
  std::string attachmentStamp;          // "yyyymmddhhnnss" for attachment names, or empty
};

// Feed of the sending dialog; any member may be empty. Called on the sending thread.
struct TReportMailFeed {
  std::function<void(const std::string& line)> status;  // e.g. "Sending message... (1/2)"
  std::function<void(int percent)> position;            // the bar, 0 to 100
  // The progress counters: the 1-based index of the current recipient and their number.
  std::function<void(int index, int count)> counters;
  std::function<void()> finished;  // sending is over
};

struct TReportMailResult {
  bool sent = false;  // at least one recipient's message was accepted, and no lookup failed
  // One eeEmailSMTPError warning with step "SMTP" per failure, in order, for the caller to
  // record; the last one is the one that stays.
  std::vector<TQuillmarkWarning> warnings;
};

// Time the direct mode's lookup of a recipient's mail host may take.
inline constexpr std::uint32_t kMailHostTimeoutMs = 30000;

// Mails the report to each recipient in turn. The status lines are the texts 77 to 80 with
// " (index/count)" added. A failed conversation leaves a warning and the next recipient is
// tried; a failed mail-host lookup ends the loop and makes the whole send fail. Blocks the
// calling thread; never raises.
TReportMailResult SendReportMail(const TReportMail& mail, const TCustomizedTexts& texts,
                                 const TReportMailFeed& feed, const TMailHostLookup& lookup);
// The same with the system's name servers for the direct mode.
TReportMailResult SendReportMail(const TReportMail& mail, const TCustomizedTexts& texts,
                                 const TReportMailFeed& feed = {});

}  // namespace kestrova
