#pragma once

// The tree behind XMLDocument and XMLElement. Elements and texts sit in one array, linked by
// index; each element's attributes sit side by side in a second array. Element and attribute
// names are kept once each (a document repeats a handful of names many times over); attribute
// values are decoded into one block, found by offset, and texts into the tree's store, so that
// the markup of the parsed text is not kept. Each name, text and value is zero-terminated and
// keeps its length. Handles are (tree, index) pairs, so the arrays may grow under them. The
// handles' reads are in XMLElement.cpp; building and additions in XMLTree.cpp, the reading in
// XMLScan.cpp, XMLParser.cpp and XMLReferences.cpp, the names in XMLNameTable.cpp and the
// writing in XMLWriter.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ShortText.h"

namespace KxCppHelperV1 {
namespace xmltree {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

struct Node {
  const char* text;  // an element's name (one of the tree's names), or a text node's text
  std::uint32_t length;
  std::uint32_t parent;
  std::uint32_t firstChild;
  std::uint32_t nextSibling;
  std::uint32_t firstAttribute;
  std::uint32_t attributeCount : 31;
  std::uint32_t isElement : 1;
};
static_assert(sizeof(Node) == 32, "a node fills half a cache line");

struct Attribute {
  std::uint32_t value;  // offset in the tree's block of values
  std::uint32_t valueLength;
  std::uint32_t name;  // index in Tree::names
};
static_assert(sizeof(Attribute) == 12, "an attribute is three offsets");

class Tree {
 public:
  // Node 0 is the root element.
  static constexpr std::uint32_t kRoot = 0;

  // Parses text[0, length) as XML 1.0, which ends early at a zero byte (UTF-16 text, found by
  // its byte-order mark, is read to `length`); the tree keeps no reference to it. Throws
  // XMLException for text that is not well-formed. Internal entities are expanded; external
  // ones are never read.
  static std::shared_ptr<Tree> Parse(const char* text, std::size_t length);
  // A tree of one root element.
  static std::shared_ptr<Tree> WithRoot(std::string_view name);

  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  ~Tree();

  std::string_view NameOf(const Attribute& attribute) const { return names[attribute.name]; }
  std::string_view ValueOf(const Attribute& attribute) const {
    return {values_.get() + attribute.value, attribute.valueLength};
  }
  const Attribute* FindAttribute(std::uint32_t element, std::string_view name) const {
    const Node& node = nodes[element];
    const Attribute* attribute = attributes.data() + node.firstAttribute;
    const Attribute* end = attribute + node.attributeCount;
    for (; attribute != end; ++attribute) {
      if (SameText(NameOf(*attribute), name)) return attribute;
    }
    return nullptr;
  }

  // The index of `name` in `names`, or kNone when the tree holds no such name.
  std::uint32_t Lookup(std::string_view name) const;

  std::uint32_t AppendElement(std::uint32_t parent, std::string_view name);
  void AppendText(std::uint32_t parent, std::string_view text);
  // Replaces the value of the attribute of that name, or appends the attribute.
  void SetAttribute(std::uint32_t element, std::string_view name, std::string_view value);
  // Appends the whole document's text to `out`: compact, or indented by two spaces per level up
  // to 32 levels (an element that holds text is written compact inside, so that its text stays
  // as it is).
  void Write(std::string& out, bool indent) const;

  std::vector<Node> nodes;
  std::vector<Attribute> attributes;
  // Every element and attribute name once, zero-terminated and followed by zeros up to eight
  // bytes from its start, so that its first word can be read whatever its length.
  std::vector<std::string_view> names;

 private:
  class Parser;
  Tree();
  struct FreeBlock {
    void operator()(char* block) const;
  };
  // Parses UTF-8 text[0, length), which ends early at a zero byte.
  static std::shared_ptr<Tree> ParseUtf8(const char* text, std::size_t length);
  // Parses text[0, length), zero-terminated, the arrays sized for `nodes` and `attributes`;
  // `ascii` when the text has no byte beyond ASCII.
  static std::shared_ptr<Tree> Build(const char* text, std::size_t length, std::size_t nodes,
                                     std::size_t attributes, bool ascii);
  // The index of `name` in `names`, added when new; `head` is its first eight bytes as a word,
  // zero-padded.
  std::uint32_t Intern(std::string_view name);
  std::uint32_t Intern(std::string_view name, std::uint64_t head);
  // The slot of `nameSlots_` that holds `name`, or the empty slot where it would go.
  std::size_t SlotOf(std::string_view name, std::uint64_t head) const;
  // Makes room for `bytes` more bytes of values; the block may move.
  void ReserveValues(std::size_t bytes);
  // A zero-terminated copy of `value` in the block of values; its offset.
  std::uint32_t StoreValue(std::string_view value);
  // Appends a node under `parent` after `lastChild`, its present last child (or none).
  std::uint32_t AppendNode(std::uint32_t parent, std::uint32_t lastChild, const char* text,
                           std::uint32_t length, bool isElement);
  // An addition's node under `parent`, wherever its last child is.
  std::uint32_t AppendChild(std::uint32_t parent, std::string_view text, bool isElement);
  // `bytes` bytes that live as long as the tree.
  char* Allocate(std::size_t bytes);
  // A zero-terminated copy of `text` that lives as long as the tree.
  const char* Store(std::string_view text);

  // For additions, each node's last child by index (kNone for none, kNotKnown until an
  // addition needs it): nodes keep no last-child link. Empty until the first addition.
  static constexpr std::uint32_t kNotKnown = kNone - 1;
  std::vector<std::uint32_t> lastChildOf_;
  // Each name's first eight bytes as a word, parallel to `names`: with the length, they decide
  // most comparisons without reading the name.
  std::vector<std::uint64_t> nameHeads_;
  // `names` by hash, open addressing: index in `names` + 1, or 0 for a free slot. The hash is
  // seeded per tree (see NextSeed), so that chosen names cannot pile up in one run of slots.
  std::vector<std::uint32_t> nameSlots_;
  const std::uint64_t hashSeed_;
  // Attribute values, back to back (malloc'ed, so that it can grow and give its unused end
  // back without copying).
  std::unique_ptr<char, FreeBlock> values_;
  std::size_t valuesSize_ = 0;
  std::size_t valuesCapacity_ = 0;
  std::vector<std::unique_ptr<char[]>> store_;
  char* storeNext_ = nullptr;
  std::size_t storeLeft_ = 0;
};

}  // namespace xmltree
}  // namespace KxCppHelperV1
