// The document tree: building it from text (the parser does the reading), the arrays of nodes,
// attributes and values, and the additions an editing caller makes.

#include "external/hosthelper/detail/XMLTree.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/XMLChars.h"
#include "external/hosthelper/detail/XMLEncoding.h"
#include "external/hosthelper/detail/XMLParser.h"
#include "external/hosthelper/detail/XMLScan.h"

namespace KxCppHelperV1 {
namespace xmltree {

Tree::~Tree() = default;

void Tree::FreeBlock::operator()(char* block) const {
  std::free(block);
}

std::shared_ptr<Tree> Tree::Build(const char* text, std::size_t length, std::size_t nodeCount,
                                  std::size_t attributeCount, bool ascii) {
  // Indexes, offsets and lengths are 32 bits wide.
  if (length >= kNone) throw XMLException("document text longer than 4 GiB");
  std::shared_ptr<Tree> tree(new Tree());
  tree->nodes.reserve(nodeCount);
  tree->attributes.reserve(attributeCount);
  tree->ReserveValues(length + 1);
  // The parser writes into the tree's block, and moves it (keeping the tree its owner) when
  // entity expansion needs more room.
  Parser parser(*tree, text, length, tree->values_.get(), tree->valuesCapacity_, ascii);
  parser.Run();
  tree->valuesSize_ = parser.ValuesSize();
  tree->valuesCapacity_ = parser.ValuesCapacity();
  // The unused end of the block goes back (values are offsets: the block may move).
  const std::size_t kept = std::max<std::size_t>(tree->valuesSize_, 1);
  if (char* trimmed = static_cast<char*>(std::realloc(tree->values_.get(), kept))) {
    static_cast<void>(tree->values_.release());
    tree->values_.reset(trimmed);
    tree->valuesCapacity_ = kept;
  }
  return tree;
}

void Tree::ReserveValues(std::size_t bytes) {
  const std::size_t needed = valuesSize_ + bytes;
  if (needed <= valuesCapacity_) return;
  const std::size_t capacity = std::max(needed, valuesCapacity_ * 2);
  char* grown = static_cast<char*>(std::realloc(values_.get(), capacity));
  if (grown == nullptr) throw std::bad_alloc();
  static_cast<void>(values_.release());
  values_.reset(grown);
  valuesCapacity_ = capacity;
}

std::uint32_t Tree::StoreValue(std::string_view value) {
  if (valuesSize_ + value.size() + 1 >= kNone) {
    throw XMLException("attribute values longer than 4 GiB in all");
  }
  ReserveValues(value.size() + 1);
  CopyTerminated(values_.get() + valuesSize_, value);
  const auto offset = static_cast<std::uint32_t>(valuesSize_);
  valuesSize_ += value.size() + 1;
  return offset;
}

std::shared_ptr<Tree> Tree::Parse(const char* text, std::size_t length) {
  std::string utf8;
  if (Transcode(text, length, utf8)) return ParseUtf8(utf8.c_str(), utf8.size() + 1);
  return ParseUtf8(text, length);
}

std::shared_ptr<Tree> Tree::ParseUtf8(const char* text, std::size_t length) {
  const Marks marks = ScanText(text, length);
  if (!marks.ascii) {
    // The slow check, for text with bytes beyond ASCII.
    bool utf8 = false;
    const std::size_t at = xmlchars::FirstInvalidChar(text, marks.length, utf8);
    if (at < marks.length) {
      std::string what = "invalid UTF-8";
      if (!utf8) {
        std::size_t n = 1;
        const std::uint32_t code = xmlchars::DecodeUtf8(
            reinterpret_cast<const unsigned char*>(text + at), marks.length - at, n);
        char hex[16];
        std::snprintf(hex, sizeof(hex), "U+%04X", static_cast<unsigned>(code));
        what = std::string("a character XML forbids (") + hex + ")";
      }
      Malformed(text, text + at, what.c_str());
    }
  }
  if (marks.length < length) {
    return Build(text, marks.length, marks.angles, marks.equals, marks.ascii);
  }
  // No zero byte within `length`: the parser reads a zero-terminated copy.
  std::unique_ptr<char[]> copy(new char[length + 1]);
  if (length != 0) std::memcpy(copy.get(), text, length);
  copy[length] = '\0';
  return Build(copy.get(), length, marks.angles, marks.equals, marks.ascii);
}

std::shared_ptr<Tree> Tree::WithRoot(std::string_view name) {
  std::shared_ptr<Tree> tree(new Tree());
  const std::string_view kept = tree->names[tree->Intern(name)];
  tree->AppendNode(kNone, kNone, kept.data(), static_cast<std::uint32_t>(kept.size()), true);
  return tree;
}

std::uint32_t Tree::AppendNode(std::uint32_t parent, std::uint32_t lastChild, const char* text,
                               std::uint32_t length, bool isElement) {
  const auto index = static_cast<std::uint32_t>(nodes.size());
  Node& node = nodes.emplace_back();
  node.text = text;
  node.length = length;
  node.parent = parent;
  node.firstChild = kNone;
  node.nextSibling = kNone;
  node.firstAttribute = static_cast<std::uint32_t>(attributes.size());
  node.attributeCount = 0;
  node.isElement = isElement;
  if (lastChild != kNone) {
    nodes[lastChild].nextSibling = index;
  } else if (parent != kNone) {
    nodes[parent].firstChild = index;
  }
  return index;
}

std::uint32_t Tree::AppendChild(std::uint32_t parent, std::string_view text, bool isElement) {
  const char* stored = isElement ? names[Intern(text)].data() : Store(text);
  // Nodes that the parse made are not known yet; their last child is found once, then kept.
  if (lastChildOf_.size() < nodes.size()) lastChildOf_.resize(nodes.size(), kNotKnown);
  std::uint32_t& lastChild = lastChildOf_[parent];
  if (lastChild == kNotKnown) {
    lastChild = kNone;
    for (std::uint32_t c = nodes[parent].firstChild; c != kNone; c = nodes[c].nextSibling) {
      lastChild = c;
    }
  }
  const std::uint32_t index =
      AppendNode(parent, lastChild, stored, static_cast<std::uint32_t>(text.size()), isElement);
  lastChild = index;
  lastChildOf_.push_back(kNone);  // the new node has no children
  return index;
}

char* Tree::Allocate(std::size_t bytes) {
  constexpr std::size_t kBlock = 4096;
  if (bytes > kBlock / 4) {
    // Long texts get a block of their own, so that blocks are not left mostly empty.
    store_.push_back(std::make_unique<char[]>(bytes));
    return store_.back().get();
  }
  if (bytes > storeLeft_) {
    store_.push_back(std::make_unique<char[]>(kBlock));
    storeNext_ = store_.back().get();
    storeLeft_ = kBlock;
  }
  char* target = storeNext_;
  storeNext_ += bytes;
  storeLeft_ -= bytes;
  return target;
}

const char* Tree::Store(std::string_view text) {
  char* target = Allocate(text.size() + 1);
  CopyTerminated(target, text);
  return target;
}

std::uint32_t Tree::AppendElement(std::uint32_t parent, std::string_view name) {
  return AppendChild(parent, name, true);
}

void Tree::AppendText(std::uint32_t parent, std::string_view text) {
  if (!text.empty()) AppendChild(parent, text, false);
}

void Tree::SetAttribute(std::uint32_t element, std::string_view name, std::string_view value) {
  const std::uint32_t storedValue = StoreValue(value);
  const auto valueLength = static_cast<std::uint32_t>(value.size());
  if (const Attribute* found = FindAttribute(element, name)) {
    Attribute& attribute = attributes[static_cast<std::size_t>(found - attributes.data())];
    attribute.value = storedValue;
    attribute.valueLength = valueLength;
    return;
  }
  const std::uint32_t nameIndex = Intern(name);
  Node& node = nodes[element];
  if (node.firstAttribute + node.attributeCount != attributes.size()) {
    // The element's attributes are not the last ones: move them to the end, where they can grow.
    const auto moved = static_cast<std::uint32_t>(attributes.size());
    for (std::uint32_t i = 0; i < node.attributeCount; ++i) {
      attributes.push_back(attributes[node.firstAttribute + i]);
    }
    node.firstAttribute = moved;
  }
  Attribute& added = attributes.emplace_back();
  added.value = storedValue;
  added.valueLength = valueLength;
  added.name = nameIndex;
  ++node.attributeCount;
}

}  // namespace xmltree
}  // namespace KxCppHelperV1
