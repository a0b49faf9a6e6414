#include "excreport/xml_item.h"

#include <cstdio>

namespace kestrova {

std::string XmlEscape(std::string_view text) {
  std::string xml;
  xml.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte >= 127 || c == '"' || c == '&' || c == '\'' || c == '<' || c == '>') {
      char code[8];
      std::snprintf(code, sizeof code, "&#%03u;", byte);
      xml += code;
    } else {
      xml += c;
    }
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
