// Pure DNS packet code.
#include "excreport/delivery/dns_packet.h"

#include <algorithm>
#include <vector>

namespace kestrova {
namespace {

constexpr unsigned kTypeMx = 15;
constexpr unsigned kClassIn = 1;
constexpr std::size_t kHeaderSize = 12;

void AppendBigEndian16(std::string& out, unsigned value) {
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
}

unsigned ByteAt(const std::string& message, std::size_t position) {
  return static_cast<unsigned char>(message[position]);
}

unsigned BigEndian16At(const std::string& message, std::size_t position) {
  return (ByteAt(message, position) << 8) | ByteAt(message, position + 1);
}

}  // namespace

bool IsUsableHostName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxHostNameLength &&
         std::none_of(name.begin(), name.end(), [](char c) {
           const auto code = static_cast<unsigned char>(c);
           return code < 32 || code == 127;
         });
}

std::string BuildMxQuery(const std::string& domain, std::uint16_t id) {
  // The root domain "" has no labels; anything else must be a name DNS can carry.
  if (!domain.empty() && !IsUsableHostName(domain)) return {};
  std::string query;
  AppendBigEndian16(query, id);
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
  AppendBigEndian16(query, kTypeMx);
  AppendBigEndian16(query, kClassIn);
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

TMxAnswer ParseMxReply(const std::string& reply, std::uint16_t id) {
  TMxAnswer answer;
  if (reply.size() < kHeaderSize || BigEndian16At(reply, 0) != id) return answer;
  const bool response = (ByteAt(reply, 2) & 0x80) != 0;
  if (!response) return answer;
  answer.answered = true;
  const unsigned resultCode = ByteAt(reply, 3) & 0x0F;
  if (resultCode != 0) return answer;
  std::size_t position = kHeaderSize;
  for (unsigned question = BigEndian16At(reply, 4); question > 0; --question) {
    const TDnsName name = DecodeDnsName(reply, position);
    if (!name.complete) return answer;
    position = name.next + 4;  // type and class
  }
  for (unsigned record = BigEndian16At(reply, 6); record > 0; --record) {
    const TDnsName owner = DecodeDnsName(reply, position);
    if (!owner.complete || owner.next + 10 > reply.size()) return answer;
    const unsigned type = BigEndian16At(reply, owner.next);
    const unsigned recordClass = BigEndian16At(reply, owner.next + 2);
    const std::size_t data = owner.next + 10;
    const std::size_t dataLength = BigEndian16At(reply, owner.next + 8);
    if (data + dataLength > reply.size()) return answer;
    if (type == kTypeMx && recordClass == kClassIn) {
      // The exchange follows the 16-bit preference and may not run past this record's data.
      if (dataLength < 3) return answer;
      const TDnsName exchange = DecodeDnsName(reply.substr(0, data + dataLength), data + 2);
      if (IsUsableHostName(exchange.name)) answer.host = exchange.name;
      return answer;
    }
    position = data + dataLength;
  }
  return answer;
}

}  // namespace kestrova
