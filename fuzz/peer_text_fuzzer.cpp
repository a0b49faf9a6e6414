// What other programs and the system hand the reporter: DNS answers, SMTP replies, resolv.conf
// and the /proc files read for the report.
//
// Input: a selector byte, then the answer, reply or file text.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "excreport/delivery/dns_packet.h"
#include "excreport/delivery/dns_server_list.h"
#include "excreport/delivery/smtp_reply.h"
#include "excreport/report/proc_parsers.h"
#include "fuzz_check.h"

namespace kestrova {
namespace {

void FuzzDnsAnswer(FuzzedDataProvider& input) {
  const std::size_t position = input.ConsumeIntegralInRange<std::size_t>(0, 600);
  const auto id = input.ConsumeIntegral<std::uint16_t>();
  const std::string message = input.ConsumeRemainingBytesAsString();
  const TDnsName name = DecodeDnsName(message, position);
  FuzzCheck(!name.complete || name.next <= message.size(),
            "a complete name ends inside its message");
  const TMxAnswer answer = ParseMxReply(message, id);
  FuzzCheck(answer.host.empty() || answer.answered, "a mail host comes only from an answer");
  FuzzCheck(answer.host.size() <= 255, "a mail host is at most 255 bytes");
  for (const char c : answer.host)
    FuzzCheck(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f, "a mail host has no control characters");
}

// The name a query carries decodes to the domain without its empty labels.
void FuzzMxQuery(FuzzedDataProvider& input) {
  const auto id = input.ConsumeIntegral<std::uint16_t>();
  const std::string domain = input.ConsumeRemainingBytesAsString();
  const std::string query = BuildMxQuery(domain, id);
  if (query.empty()) return;
  std::string expected;
  std::size_t start = 0;
  while (start <= domain.size()) {
    const std::size_t dot = std::min(domain.find('.', start), domain.size());
    if (dot > start) expected += (expected.empty() ? "" : ".") + domain.substr(start, dot - start);
    start = dot + 1;
  }
  const TDnsName name = DecodeDnsName(query, 12);
  FuzzCheck(name.complete && name.name == expected, "an MX query carries its domain");
}

void FuzzSmtpReply(FuzzedDataProvider& input) {
  const auto code = input.ConsumeIntegral<std::uint16_t>();
  const std::string reply = input.ConsumeRemainingBytesAsString();
  const std::optional<std::uint32_t> replyCode = ReplyCode(reply);
  FuzzCheck(!ReplyAccepted(reply, {code}) || replyCode == code, "an accepted reply has that code");
  FuzzCheck(CommandLine(reply).ends_with("\r\n"), "a command line ends with CR LF");
  const std::size_t length = SmtpReplyLength(reply);
  FuzzCheck(length <= reply.size() && (length == 0 || reply[length - 1] == '\n'),
            "a complete reply ends with its last line's LF");
}

void FuzzSystemFiles(FuzzedDataProvider& input) {
  const std::string text = input.ConsumeRemainingBytesAsString();
  const std::vector<std::string> servers = DnsServerList(text);
  FuzzCheck(!servers.empty() && servers.back() == kFallbackDnsServer,
            "the fallback server comes last");
  ParseNameServers(text);
  ParseDefaultGateways(text);
  const std::vector<MappedFile> files = ParseMappedFiles(text);
  for (std::size_t i = 1; i < files.size(); ++i)
    FuzzCheck(files[i - 1].Start <= files[i].Start, "mapped files in address order");
  FuzzCheck(!ParseProcessorName(text).empty(), "a processor always has a name");
  ParseOsReleaseName(text);
  ParseMemInfoBytes(text, "MemTotal");
  ParseStartTicks(text);
  ParseBootTime(text);
  ParseCommandLineParameters(text);
}

}  // namespace
}  // namespace kestrova

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrova;
  FuzzedDataProvider input(data, size);
  RunOneOf(input, {FuzzDnsAnswer, FuzzMxQuery, FuzzSmtpReply, FuzzSystemFiles});
  return 0;
}
