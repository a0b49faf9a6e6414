// The mail-host lookup over the socket client.
#include "excreport/delivery/mail_host_resolver.h"

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "excreport/delivery/dns_packet.h"
#include "excreport/delivery/dns_server_list.h"
#include "excreport/delivery/quill_client_socket.h"
#include "excreport/delivery/quill_socket_error.h"

namespace kestrova {
namespace {

using Clock = TQuillClientSocket::Clock;

// A fresh identifier per query, so that a datagram that merely guesses the port is not taken
// for the answer.
std::uint16_t RandomQueryId() {
  static thread_local std::mt19937 generator{std::random_device{}()};
  return static_cast<std::uint16_t>(std::uniform_int_distribution<unsigned>(0, 0xFFFF)(generator));
}

// One query to one server; the mail host of its answer, or empty. Datagrams that are not the
// answer to this query are read and dropped until the budget is spent.
std::string AskServer(const std::string& server, std::uint16_t port, std::uint32_t budget,
                      const std::string& domain) {
  const std::uint16_t id = RandomQueryId();
  const std::string query = BuildMxQuery(domain, id);
  TQuillClientSocket socket(server, budget, false, port);
  socket.OpenConnection();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(budget);
  if (socket.SendText(query) != static_cast<int>(query.size())) return {};
  while (const std::optional<std::string> datagram = socket.ReceiveDatagram(deadline)) {
    const TMxAnswer answer = ParseMxReply(*datagram, id);
    if (answer.answered) return answer.host;
  }
  return {};
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
  const std::size_t at = address.find('@');
  const std::string domain = at == std::string::npos ? address : address.substr(at + 1);
  const bool askable = !BuildMxQuery(domain, 0).empty();
  std::string host;
  for (int pass = 0; pass < kMailHostPasses && host.empty() && askable; ++pass) {
    const std::uint32_t budget = MailHostPassBudget(timeoutMs, pass);
    const Clock::time_point start = Clock::now();
    for (const std::string& server : lookup.servers) {
      if (!host.empty() || Clock::now() - start > std::chrono::milliseconds(budget)) break;
      host = AskServer(server, lookup.port, budget, domain);
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
