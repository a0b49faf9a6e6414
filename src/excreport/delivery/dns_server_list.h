// The DNS servers the mail-host lookup asks, in order: the system's, then a public fallback.
#pragma once

#include <string>
#include <vector>

namespace kestrova {

// Public resolver asked after the system's servers.
inline constexpr const char* kFallbackDnsServer = "1.1.1.1";

// The IPv4 "nameserver" addresses of resolv.conf text in file order, then kFallbackDnsServer.
// An address that is "0.0.0.0" once trimmed is left out; IPv6 servers are left out because
// the client speaks IPv4 only.
std::vector<std::string> DnsServerList(const std::string& resolvConfText);

}  // namespace kestrova
