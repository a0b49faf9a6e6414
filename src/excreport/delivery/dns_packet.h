// Pure DNS packet code for the mail-host lookup: the MX query and the reading of its reply.
#pragma once

#include <cstddef>
#include <string>

namespace kestrova {

// A 12-byte header (identifier "AA", recursion desired, one question) and the question
// "domain, type MX, class IN". Empty labels (a trailing dot, "a..b") are left out, as a zero
// length byte would end the name early. Empty when a label is longer than 63 bytes, which a
// DNS name cannot carry.
std::string BuildMxQuery(const std::string& domain);

struct TDnsName {
  std::string name;  // labels joined with "."; empty when the name could not be read
  std::size_t next;  // position after the name: after the first pointer, else after the zero
  bool complete;     // false when decoding stopped without reaching the ending zero byte
};

// Reads a possibly compressed name from the position. A label or pointer that runs past the
// end of the message, or a pointer loop, gives the empty name.
TDnsName DecodeDnsName(const std::string& message, std::size_t position);

// The exchange name of the first answer record, read as an MX record whatever its type; empty
// when there is none or it cannot be read. The first answer's name is taken to be a pointer.
std::string ParseMxReply(const std::string& reply);

}  // namespace kestrova
