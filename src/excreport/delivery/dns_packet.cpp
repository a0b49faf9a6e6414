// Pure DNS packet code.
#include "excreport/delivery/dns_packet.h"

#include <vector>

namespace kestrova {
namespace {

void AppendBigEndian16(std::string& out, unsigned value) {
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
}

unsigned ByteAt(const std::string& message, std::size_t position) {
  return static_cast<unsigned char>(message[position]);
}

}  // namespace

std::string BuildMxQuery(const std::string& domain) {
  std::string query = "AA";
  AppendBigEndian16(query, 0x0100);  // recursion desired
  AppendBigEndian16(query, 1);       // one question
  query.append(6, '\0');             // no answer, authority or additional records
  std::size_t start = 0;
  while (start <= domain.size()) {
    std::size_t end = domain.find('.', start);
    if (end == std::string::npos) end = domain.size();
    const std::size_t length = end - start;
    if (length > 63) return {};
    if (length > 0) {
      query += static_cast<char>(length);
      query.append(domain, start, length);
    }
    start = end + 1;
  }
  query += '\0';
  AppendBigEndian16(query, 15);  // MX
  AppendBigEndian16(query, 1);   // IN
  return query;
}

TDnsName DecodeDnsName(const std::string& message, std::size_t position) {
  TDnsName result{{}, position, true};
  bool jumped = false;
  // A name whose pointers come back to a target already followed would never end.
  std::vector<bool> followed(message.size(), false);
  for (;;) {
    if (position >= message.size()) return {{}, position, false};
    const unsigned length = ByteAt(message, position);
    if (length >= 192) {
      if (position + 1 >= message.size()) return {{}, position, false};
      const std::size_t target = ((length & 63) << 8) + ByteAt(message, position + 1);
      if (!jumped) result.next = position + 2;
      jumped = true;
      if (target >= message.size() || followed[target]) return {{}, position, false};
      followed[target] = true;
      position = target;
    } else if (length > 0) {
      if (position + 1 + length > message.size()) return {{}, position, false};
      result.name.append(message, position + 1, length);
      result.name += '.';
      position += 1 + length;
    } else {
      if (!jumped) result.next = position + 1;
      if (!result.name.empty()) result.name.pop_back();
      return result;
    }
  }
}

std::string ParseMxReply(const std::string& reply) {
  if (reply.size() < 12) return {};
  const TDnsName question = DecodeDnsName(reply, 12);
  if (!question.complete) return {};
  // Question type and class, then the first answer's name as a 2-byte pointer.
  const std::size_t answer = question.next + 4 + 2;
  if (answer + 10 > reply.size()) return {};
  const std::size_t dataLength = (ByteAt(reply, answer + 8) << 8) + ByteAt(reply, answer + 9);
  const std::size_t data = answer + 10;
  if (dataLength < 2 || data + dataLength > reply.size()) return {};
  // The exchange follows the 16-bit preference and may not run past this record's data.
  return DecodeDnsName(reply.substr(0, data + dataLength), data + 2).name;
}

}  // namespace kestrova
