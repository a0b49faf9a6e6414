// Pure DNS packet code for the mail-host lookup: the MX query and the check of its answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrova {

// Longest domain name DNS carries, in bytes as written with dots.
inline constexpr std::size_t kMaxHostNameLength = 255;

// True for a name the lookup may ask for or hand on as a mail host: not empty, at most
// kMaxHostNameLength bytes, no control characters (codes 0 to 31 and 127).
bool IsUsableHostName(std::string_view name);

// A 12-byte header (the identifier, recursion desired, one question) and the question
// "domain, type MX, class IN". Empty labels (a trailing dot, "a..b") are left out, as a zero
// length byte would end the name early. Empty when the domain is not usable or a label is
// longer than 63 bytes, which a DNS name cannot carry.
std::string BuildMxQuery(const std::string& domain, std::uint16_t id);

struct TDnsName {
  std::string name;  // labels joined with "."; empty when the name could not be read
  std::size_t next;  // position after the name: after the first pointer, else after the zero
  bool complete;     // false when decoding stopped without reaching the ending zero byte
};

// Reads a possibly compressed name from the position. A label or pointer that runs past the
// end of the message, or a pointer loop, gives the empty name.
TDnsName DecodeDnsName(const std::string& message, std::size_t position);

struct TMxAnswer {
  // The datagram is the server's answer to the query: its identifier matches and it is marked
  // as a response. Anything else (a stray or forged datagram) is to be ignored.
  bool answered = false;
  // The exchange of the first MX record of the answer section, when the result code is 0 and
  // the name is usable; empty otherwise (NODATA, NXDOMAIN, an empty exchange, a broken record).
  std::string host;
};

// Checks a datagram against the query with the given identifier and reads its mail host.
// Records of other types (a CNAME before the MX, an SOA) are never taken for the mail host.
TMxAnswer ParseMxReply(const std::string& reply, std::uint16_t id);

}  // namespace kestrova
