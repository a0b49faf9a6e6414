// The network values on Linux: IPv4 addresses from a netlink dump, gateways from
// /proc/net/route, name servers from /etc/resolv.conf.
#include <arpa/inet.h>
#include <linux/if_addr.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "excreport/report/proc_parsers.h"
#include "excreport/report/system_facts.h"

namespace kestrova {
namespace {

struct InterfaceAddress {
  std::string Interface;
  NetworkAdapter Adapter;
};

std::string Dotted(const void* address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, address, text, sizeof text);
  return text;
}

std::string MaskOf(unsigned prefixLength) {
  const std::uint32_t mask = prefixLength == 0 ? 0 : htonl(~std::uint32_t{0} << (32 - prefixLength));
  return Dotted(&mask);
}

// One RTM_NEWADDR message -> the address, unless it belongs to the loopback.
void ReadAddress(const nlmsghdr* message, std::vector<InterfaceAddress>& addresses) {
  const auto* header = static_cast<const ifaddrmsg*>(NLMSG_DATA(message));
  if (header->ifa_family != AF_INET || header->ifa_scope == RT_SCOPE_HOST) return;
  std::uint32_t flags = header->ifa_flags;
  std::string address;
  int length = static_cast<int>(IFA_PAYLOAD(message));
  for (const rtattr* attribute = IFA_RTA(header); RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length)) {
    if (attribute->rta_type == IFA_LOCAL || (attribute->rta_type == IFA_ADDRESS && address.empty()))
      address = Dotted(RTA_DATA(attribute));
    else if (attribute->rta_type == IFA_FLAGS)
      std::memcpy(&flags, RTA_DATA(attribute), sizeof flags);
  }
  char name[IF_NAMESIZE] = {};
  if (address.empty() || ::if_indextoname(header->ifa_index, name) == nullptr) return;
  addresses.push_back(InterfaceAddress{name, NetworkAdapter{address, MaskOf(header->ifa_prefixlen), {}, (flags & IFA_F_PERMANENT) == 0}});
}

std::vector<InterfaceAddress> DumpAddresses() {
  std::vector<InterfaceAddress> addresses;
  const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) return addresses;
  struct {
    nlmsghdr header;
    ifaddrmsg body;
  } request{};
  request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
  request.header.nlmsg_type = RTM_GETADDR;
  request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.body.ifa_family = AF_INET;
  if (::send(fd, &request, request.header.nlmsg_len, 0) >= 0) {
    alignas(nlmsghdr) char buffer[16384];
    for (bool done = false; !done;) {
      ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      for (auto* message = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(message, static_cast<unsigned>(got));
           message = NLMSG_NEXT(message, got)) {
        if (message->nlmsg_type == NLMSG_DONE || message->nlmsg_type == NLMSG_ERROR) {
          done = true;
          break;
        }
        if (message->nlmsg_type == RTM_NEWADDR) ReadAddress(message, addresses);
      }
    }
  }
  ::close(fd);
  return addresses;
}

}  // namespace

NetworkInfo CollectNetworkInfo() {
  NetworkInfo info;
  const std::map<std::string, std::string> gateways = ParseDefaultGateways(ReadSystemFile("/proc/net/route"));
  for (InterfaceAddress& address : DumpAddresses()) {
    const auto gateway = gateways.find(address.Interface);
    if (gateway != gateways.end()) address.Adapter.Gateway = gateway->second;
    info.Adapters.push_back(std::move(address.Adapter));
  }
  info.DnsServers = ParseNameServers(ReadSystemFile("/etc/resolv.conf"));
  return info;
}

}  // namespace kestrova
