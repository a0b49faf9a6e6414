// The mail-host lookup over the socket client.
#include "excreport/delivery/mail_host_resolver.h"

#include <chrono>
#include <fstream>
#include <sstream>

#include "excreport/delivery/dns_packet.h"
#include "excreport/delivery/dns_server_list.h"
#include "excreport/delivery/quill_client_socket.h"
#include "excreport/delivery/quill_socket_error.h"

namespace kestrova {
namespace {

// One query to one server; the mail host of its reply, or empty.
std::string AskServer(const std::string& server, std::uint16_t port, std::uint32_t budget,
                      const std::string& query) {
  TQuillClientSocket socket(server, budget, false, port);
  socket.OpenConnection();
  if (socket.SendText(query) != static_cast<int>(query.size())) return {};
  const std::string reply = socket.ReadWithin();
  return reply.empty() ? std::string() : ParseMxReply(reply);
}

}  // namespace

TMailHostLookup SystemMailHostLookup() {
  std::ifstream file("/etc/resolv.conf");
  std::ostringstream text;
  text << file.rdbuf();
  return {DnsServerList(text.str()), 53};
}

std::string ResolveMailHost(const std::string& address, std::uint32_t timeoutMs,
                            const TMailHostLookup& lookup) {
  using Clock = std::chrono::steady_clock;
  const std::size_t at = address.find('@');
  const std::string domain = at == std::string::npos ? address : address.substr(at + 1);
  const std::string query = BuildMxQuery(domain);
  std::string host;
  for (int pass = 0; pass < kMailHostPasses && host.empty() && !query.empty(); ++pass) {
    const std::uint32_t budget = MailHostPassBudget(timeoutMs, pass);
    const Clock::time_point start = Clock::now();
    for (const std::string& server : lookup.servers) {
      if (!host.empty() || Clock::now() - start > std::chrono::milliseconds(budget)) break;
      host = AskServer(server, lookup.port, budget, query);
    }
  }
  if (host.empty()) {
    throw EQuillSocketError::WithTranscript("Cannot resolve the \"" + domain + "\" MX record.", {});
  }
  return host;
}

std::string ResolveMailHost(const std::string& address, std::uint32_t timeoutMs) {
  return ResolveMailHost(address, timeoutMs, SystemMailHostLookup());
}

}  // namespace kestrova
