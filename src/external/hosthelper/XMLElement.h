#pragma once

// A cheap, non-owning handle to one element of an XMLDocument. It stays usable while some
// XMLDocument handle keeps the document alive. An invalid element (absent, or of an empty
// document) answers searches with invalid elements and empty iterators; reading it or adding
// to it throws XMLException; isValid, hasAttribute and getName never throw.
// Not synchronised: one thread at a time per document.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "external/hosthelper/KxExport.h"

namespace pugi {
struct xml_node_struct;
}

namespace KxCppHelperV1 {

class XMLElementIterator;

class KXCOMSERV_API XMLElement {
 public:
  XMLElement() = default;

  bool isValid() const { return node_ != nullptr; }
  // Whether both handles stand for the same element (or are both invalid).
  bool operator==(const XMLElement& other) const { return node_ == other.node_; }
  bool operator!=(const XMLElement& other) const { return node_ != other.node_; }
  // The element's name; empty for an invalid element.
  std::string getName() const;
  bool hasName(const char* name) const;
  // The element's name without a copy ("" for an invalid element); valid while the document
  // lives.
  const char* nameData() const;

  // First element of `name` at any depth below this one, in document order; invalid if none.
  XMLElement getElement(const char* name) const;
  XMLElement getElement(const std::string& name) const { return getElement(name.c_str()); }
  // Every element of `name` at any depth below this one, in document order; the empty name
  // selects every element.
  XMLElementIterator getElements(const char* name) const;
  XMLElementIterator getElements(const std::string& name) const;
  // The direct children of `name` (every child element for the empty name).
  XMLElementIterator getElementsDirect(const char* name) const;
  XMLElementIterator getElementsDirect(const std::string& name) const;

  bool hasAttribute(const char* name) const;
  bool hasAttribute(const std::string& name) const { return hasAttribute(name.c_str()); }
  // The attribute's text; empty when absent.
  std::string getAttribute(const char* name) const;
  std::string getAttribute(const std::string& name) const { return getAttribute(name.c_str()); }
  // Fills `value` with the attribute's text; false (and `value` untouched) when absent.
  bool getAttribute(const char* name, std::string& value) const;
  bool getAttribute(const std::string& name, std::string& value) const {
    return getAttribute(name.c_str(), value);
  }
  // Reads the attribute as a number: false and `value` untouched when absent or not a number.
  // Infinities and NaN are delivered as written ("inf", "-Infinity", "nan").
  bool getAttribute(const char* name, double& value) const;
  bool getAttribute(const std::string& name, double& value) const {
    return getAttribute(name.c_str(), value);
  }
  // Reads the attribute as a 64-bit integer; a decimal number is truncated toward zero.
  bool getAttribute(const char* name, std::int64_t& value) const;
  bool getAttribute(const std::string& name, std::int64_t& value) const {
    return getAttribute(name.c_str(), value);
  }
  // The attribute's text without a copy; valid until the attribute or document changes.
  std::string_view getAttributeView(const char* name) const;
  // The element's attributes in document order, without copies: fills up to `capacity` views
  // and returns how many attributes there are (which may exceed `capacity`). The views are
  // constructed in place, so `views` may be uninitialised storage.
  struct AttributeView {
    std::string_view name;
    std::string_view value;
  };
  size_t getAttributeViews(AttributeView* views, size_t capacity) const;
  // The numeric reads' rules applied to a text: false (value untouched) when it is not a number.
  static bool parseDouble(std::string_view text, double& value);
  static bool parseInt64(std::string_view text, std::int64_t& value);

  // Appends a child element and returns it.
  XMLElement addElement(const char* name);
  XMLElement addElement(const std::string& name) { return addElement(name.c_str()); }
  // Sets an attribute (replacing one of the same name).
  void addAttribute(const char* name, const char* value);
  void addAttribute(const std::string& name, const std::string& value) {
    addAttribute(name.c_str(), value.c_str());
  }
  void addAttribute(const char* name, std::int64_t value);
  void addAttribute(const std::string& name, std::int64_t value) {
    addAttribute(name.c_str(), value);
  }
  // Appends text content.
  void addText(const std::string& text);
  // The element's text content (of its first text child); empty when it has none.
  std::string getText() const;

  // The whole document that holds this element, as text.
  std::string doc2string() const;
  // The same, indented for people to read.
  std::string doc2prettyString() const;

 protected:
  explicit XMLElement(pugi::xml_node_struct* node) : node_(node) {}
  pugi::xml_node_struct* node() const { return node_; }
  void requireValid(const char* operation) const;

 private:
  friend class XMLElementIterator;
  pugi::xml_node_struct* node_ = nullptr;
};

// Walks elements in document order without recursion or allocation beyond the name.
class KXCOMSERV_API XMLElementIterator {
 public:
  XMLElementIterator() = default;
  bool hasMore() const { return next_ != nullptr; }
  // The next element; invalid once the walk has ended.
  XMLElement next();
  // Leaves out the descendants of the element that next() returned last, so that the walk goes
  // on after its subtree. Nothing changes before the first next() or for a direct walk.
  void skipChildren();

 private:
  friend class XMLElement;
  XMLElementIterator(pugi::xml_node_struct* scope, std::string name, bool direct);
  pugi::xml_node_struct* advance(pugi::xml_node_struct* from) const;
  bool matches(pugi::xml_node_struct* node) const;

  // The first match at or after `from` in the walk, or null.
  pugi::xml_node_struct* firstMatchFrom(pugi::xml_node_struct* from) const;

  pugi::xml_node_struct* scope_ = nullptr;
  pugi::xml_node_struct* next_ = nullptr;
  pugi::xml_node_struct* last_ = nullptr;
  std::string name_;
  bool direct_ = false;
};

}  // namespace KxCppHelperV1
