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

// Text for an attribute or element of UTF-8 XML: well-formed UTF-8 characters as they are;
// tab, LF, CR, byte 127, '"', '&', ''', '<' and '>' as "&#" + three decimal digits + ";"; other
// bytes from 128 on (no UTF-8) as that reference of their Latin-1 character; the control
// characters XML forbids (and U+FFFE, U+FFFF) as U+FFFD, so that every parser can read it.
std::string XmlEscape(std::string_view text);

}  // namespace kestrova
