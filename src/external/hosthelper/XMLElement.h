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

namespace KxCppHelperV1 {
namespace xmltree {
// The tree behind the handles, private to the library.
class Tree;
struct Node;
struct Attribute;
}  // namespace xmltree

class XMLElementIterator;

class KXCOMSERV_API XMLElement {
 public:
  // The index of no node.
  static constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;

  XMLElement() = default;

  bool isValid() const { return tree_ != nullptr; }
  // Whether both handles stand for the same element (or are both invalid).
  bool operator==(const XMLElement& other) const {
    return tree_ == other.tree_ && index_ == other.index_;
  }
  bool operator!=(const XMLElement& other) const { return !(*this == other); }
  // The element's name; empty for an invalid element.
  std::string getName() const;
  bool hasName(const char* name) const;
  // The element's name without a copy (empty for an invalid element); valid while the document
  // lives.
  std::string_view nameView() const;

  // The element that holds this one; invalid for the root and for an invalid element.
  XMLElement getParent() const;

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

  // An attribute name looked up once in a document, for reads that repeat it over many of the
  // document's elements: such a read compares an index instead of a text. On an element of
  // another document the key is matched by its text. A name that the document did not hold
  // when the key was made matches none of its attributes.
  class AttributeKey {
   public:
    AttributeKey() = default;

   private:
    friend class XMLElement;
    const xmltree::Tree* tree_ = nullptr;
    std::uint32_t name_ = kNoIndex;  // index in the tree's names
    const char* text_ = nullptr;
  };
  // The key of `name` in this element's document (matched by its text alone when the element
  // is invalid); `name` must outlive the key.
  AttributeKey attributeKey(const char* name) const;
  // Reads the attributes that `keys` name in one pass, without copies: the text of the first
  // attribute of keys[i]'s name goes to values[i] (left as it is when there is none). Returns a
  // mask with bit i set when keys[i]'s attribute is present. At most 32 keys, each naming a
  // different attribute; throws as getAttribute does.
  std::uint32_t getAttributes(const AttributeKey* keys, std::string_view* values,
                              std::size_t count) const;

  // The numeric reads' rules applied to a text: false (value untouched) when it is not a number.
  static bool parseDouble(std::string_view text, double& value);
  static bool parseInt64(std::string_view text, std::int64_t& value);

  // Appends a child element and returns it.
  // Names must be XML names, and texts and values XML characters in UTF-8 (no NUL, no control
  // character other than tab, line feed and carriage return): anything else throws XMLException,
  // so that the document always writes as well-formed XML.
  XMLElement addElement(const char* name);
  XMLElement addElement(const std::string& name);
  // Sets an attribute (replacing one of the same name).
  void addAttribute(const char* name, const char* value);
  void addAttribute(const std::string& name, const std::string& value);
  void addAttribute(const char* name, std::int64_t value);
  void addAttribute(const std::string& name, std::int64_t value);
  // Appends text content.
  void addText(const std::string& text);
  // The element's character data: all its text children joined (not its elements' texts);
  // empty when it has none.
  std::string getText() const;

  // The whole document that holds this element, as text.
  std::string doc2string() const;
  // The same, indented for people to read.
  std::string doc2prettyString() const;

 protected:
  XMLElement(xmltree::Tree* tree, std::uint32_t index) : tree_(tree), index_(index) {}
  const xmltree::Node& node() const;
  // Throws XMLException naming `operation` when the element is invalid.
  void requireValid(const char* operation) const;
  // The attribute of `name` (null when absent or `name` is null); throws as getAttribute does.
  const xmltree::Attribute* findAttribute(const char* name) const;
  XMLElement addElementNamed(std::string_view name);
  void addAttributeText(std::string_view name, std::string_view value);
  // getAttributes for keys that are not all of this element's document: each found by its text.
  std::uint32_t getAttributesByText(const AttributeKey* keys, std::string_view* values,
                                    std::size_t count) const;

 private:
  friend class XMLElementIterator;
  xmltree::Tree* tree_ = nullptr;
  std::uint32_t index_ = kNoIndex;
};

// Walks elements in document order without recursion or allocation. The name is found in the
// tree's names once, so that each element is matched by its name's address; a name that the
// document does not hold when the walk starts matches nothing. The element after the one that
// next() returned is looked for when it is asked for (so a walk that skips an element's children
// never reads them), and from the tree as it then stands.
class KXCOMSERV_API XMLElementIterator {
 public:
  XMLElementIterator() = default;
  bool hasMore() const;
  // The next element; invalid once the walk has ended.
  XMLElement next();
  // Leaves out the descendants of the element that next() returned last, so that the walk goes
  // on after its subtree. Nothing changes before the first next() or for a direct walk.
  void skipChildren();

 private:
  friend class XMLElement;
  XMLElementIterator(xmltree::Tree* tree, std::uint32_t scope, std::string_view name, bool direct);

  bool matches(std::uint32_t index) const;
  // The node after `from` in a pre-order walk of the scope (or of its children only).
  std::uint32_t advance(std::uint32_t from) const;
  // The first match at or after `from` in the walk, or none.
  std::uint32_t firstMatchFrom(std::uint32_t from) const;
  // Finds the match after the element that next() returned, if it is still to be found.
  void settle() const;

  xmltree::Tree* tree_ = nullptr;
  std::uint32_t scope_ = XMLElement::kNoIndex;
  mutable std::uint32_t next_ = XMLElement::kNoIndex;
  std::uint32_t last_ = XMLElement::kNoIndex;
  mutable bool pending_ = false;  // next_ is yet to be found from last_
  const char* name_ = nullptr;    // the tree's copy of the name walked for
  bool anyName_ = false;
  bool direct_ = false;
};

}  // namespace KxCppHelperV1
