#include "excreport/log/xml_item.h"

#include <cstdio>

#include "excreport/report/utf8_text.h"

namespace kestrova {

namespace {

// The characters XML 1.0 allows besides the markup ones: tab, LF, CR and everything from the
// space on, except U+FFFE and U+FFFF.
bool IsForbiddenControl(unsigned char byte) { return byte < 32 && byte != '\t' && byte != '\n' && byte != '\r'; }
bool IsNonCharacter(std::string_view sequence) { return sequence == "\xEF\xBF\xBE" || sequence == "\xEF\xBF\xBF"; }

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

void AppendReference(std::string& xml, unsigned char byte) {
  char code[8];
  std::snprintf(code, sizeof code, "&#%03u;", byte);
  xml += code;
}

}  // namespace

std::string XmlEscape(std::string_view text) {
  std::string xml;
  xml.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t sequence = Utf8SequenceLength(text.substr(at));
    if (sequence != 0) {
      const std::string_view character = text.substr(at, sequence);
      xml += IsNonCharacter(character) ? kReplacementCharacter : character;
      at += sequence;
      continue;
    }
    if (IsForbiddenControl(byte)) {
      xml += kReplacementCharacter;
    } else if (byte < 32 || byte >= 127 || byte == '"' || byte == '&' || byte == '\'' || byte == '<' || byte == '>') {
      // A byte that is no UTF-8 is read as Latin-1, the character of the same number.
      AppendReference(xml, byte);
    } else {
      xml += static_cast<char>(byte);
    }
    ++at;
  }
  return xml;
}

TXMLItem& TXMLItem::Attribute(std::string_view name, std::string_view value) {
  attributes_ += " " + std::string(name) + "=\"" + XmlEscape(value) + "\"";
  return *this;
}

void TXMLItem::SetText(std::string_view text) { text_ = XmlEscape(text); }

TXMLItem& TXMLItem::Add(std::string name) {
  items_.push_back(std::make_unique<TXMLItem>(std::move(name), indent_ + 2));
  return *items_.back();
}

std::string TXMLItem::Render() const {
  const std::string indent(static_cast<std::size_t>(indent_), ' ');
  std::string xml = indent + "<" + name_ + attributes_;
  if (text_.empty() && items_.empty()) return xml + "/>\r\n";
  xml += ">" + text_;
  if (!items_.empty()) {
    xml += "\r\n";
    for (const auto& item : items_) xml += item->Render();
    xml += indent;
  }
  return xml + "</" + name_ + ">\r\n";
}

}  // namespace kestrova
