// ResolveMailHost: the mail host of an address's domain, from an MX query over UDP.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrova {

// Where the lookup sends its queries.
struct TMailHostLookup {
  std::vector<std::string> servers;  // dotted IPv4 addresses, asked in order
  std::uint16_t port = 53;
};

// The system's servers from /etc/resolv.conf, then the public fallback; port 53.
TMailHostLookup SystemMailHostLookup();

// Time one pass over the servers may take (pass 0 to 4): (timeout + 150) div 5, plus 50 ms for
// each earlier pass.
constexpr std::uint32_t MailHostPassBudget(std::uint32_t timeoutMs, int pass) {
  return (timeoutMs + 150) / 5 + 50 * static_cast<std::uint32_t>(pass);
}

inline constexpr int kMailHostPasses = 5;

// The exchange of the first MX record answering a query for the text after the address's
// first at sign (the whole address without one). Up to five passes over the servers, each
// server asked once per pass with a fresh random query identifier and the pass budget as
// deadline, while the pass is within its budget. Only a datagram that answers the query (same
// identifier, marked as a response) counts; others are dropped while waiting. Raises
// EQuillSocketError "Cannot resolve the "%s" MX record." when no pass finds a host (also for
// a domain that cannot be asked: longer than 255 bytes or holding control characters);
// socket errors pass out unchanged. Blocks the calling thread.
std::string ResolveMailHost(const std::string& address, std::uint32_t timeoutMs,
                            const TMailHostLookup& lookup);
// The same with SystemMailHostLookup().
std::string ResolveMailHost(const std::string& address, std::uint32_t timeoutMs);

}  // namespace kestrova
