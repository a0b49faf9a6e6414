// TXMLItem: one element of the log's XML export, with its attributes and children.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

class TXMLItem;
// The children of an element, owned by it, in order.
using TXMLItems = std::vector<std::unique_ptr<TXMLItem>>;

// An element: name, attributes (kept escaped, in order), inner text and children. Rendered with
// an indent of `Indent` spaces, children two spaces further in.
class TXMLItem final {
 public:
  explicit TXMLItem(std::string name, int indent = 0) : name_(std::move(name)), indent_(indent) {}

  TXMLItem& Attribute(std::string_view name, std::string_view value);
  void SetText(std::string_view text);
  // Appends a child indented two spaces further and returns it.
  TXMLItem& Add(std::string name);
  const TXMLItems& Items() const { return items_; }
  const std::string& Name() const { return name_; }

  std::string Render() const;

 private:
  std::string name_;
  int indent_;
  std::string attributes_;
  std::string text_;
  TXMLItems items_;
};

// Bytes 0 to 31 and 127 to 255, '"', '&', ''', '<' and '>' as "&#" + three decimal digits + ";".
std::string XmlEscape(std::string_view text);

}  // namespace kestrova
