// Reading resolv.conf text; pure, the file itself is read by the lookup.
#include "excreport/delivery/dns_server_list.h"

#include <arpa/inet.h>

#include <sstream>

namespace kestrova {
namespace {

void AddServer(std::vector<std::string>& servers, const std::string& address) {
  in_addr parsed{};
  if (address == "0.0.0.0" || inet_pton(AF_INET, address.c_str(), &parsed) != 1) return;
  servers.push_back(address);
}

}  // namespace

std::vector<std::string> DnsServerList(const std::string& resolvConfText) {
  std::vector<std::string> servers;
  std::istringstream lines(resolvConfText);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string keyword, address;
    if (words >> keyword >> address && keyword == "nameserver") AddServer(servers, address);
  }
  AddServer(servers, kFallbackDnsServer);
  return servers;
}

}  // namespace kestrova
