#include "external/hosthelper/XMLElement.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <locale.h>

#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/PlainNumber.h"
#include "external/hosthelper/detail/XMLChars.h"
#include "external/hosthelper/detail/XMLTree.h"

namespace KxCppHelperV1 {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
  size_t first = 0;
  size_t end = text.size();
  while (first < end && IsSpace(text[first])) ++first;
  while (end > first && IsSpace(text[end - 1])) --end;
  return text.substr(first, end - first);
}

// Drops one leading '+', which from_chars does not accept; a sign must be followed by a digit
// or a letter so that "+-1" stays malformed.
std::string_view DropPlus(std::string_view text) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+') {
    return text.substr(1);
  }
  return text;
}

// Out-of-range numbers go to the C library in the "C" locale, which gives the infinity or
// zero that the text stands for.
double ParseOutOfRange(std::string_view text) {
  static locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  const std::string copy(text);
  return strtod_l(copy.c_str(), nullptr, c_locale);
}

bool ParseDouble(std::string_view text, double& value) {
  if (ReadPlainNumber(text, value) != PlainNumber::kNo) return true;
  text = DropPlus(Trim(text));
  if (text.empty()) return false;
  double parsed = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (end != text.data() + text.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    parsed = ParseOutOfRange(text);
  } else if (ec != std::errc()) {
    return false;
  }
  value = parsed;
  return true;
}

bool ParseInt64(std::string_view text, std::int64_t& value) {
  double plain = 0.0;
  if (ReadPlainNumber(text, plain) == PlainNumber::kInteger) {
    value = static_cast<std::int64_t>(plain);
    return true;
  }
  text = DropPlus(Trim(text));
  if (text.empty()) return false;
  std::int64_t parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec == std::errc() && end == text.data() + text.size()) {
    value = parsed;
    return true;
  }
  double real = 0.0;
  if (!ParseDouble(text, real) || !std::isfinite(real)) return false;
  const double truncated = std::trunc(real);
  // 2^63 is exactly representable; anything at or beyond it does not fit.
  if (truncated >= 9223372036854775808.0 || truncated < -9223372036854775808.0) return false;
  value = static_cast<std::int64_t>(truncated);
  return true;
}

}  // namespace

void XMLElement::requireValid(const char* operation) const {
  if (tree_ == nullptr) {
    throw XMLException(std::string(operation) + " on an invalid element");
  }
}

std::string XMLElement::getName() const {
  return tree_ == nullptr ? std::string() : std::string(node().text, node().length);
}

XMLElement XMLElement::getElement(const char* name) const {
  // Only the first match: an iterator would go on looking for the second.
  const XMLElementIterator it = getElements(name);
  return it.hasMore() ? XMLElement(tree_, it.next_) : XMLElement();
}

XMLElementIterator XMLElement::getElements(const char* name) const {
  return XMLElementIterator(tree_, index_, name == nullptr ? std::string_view() : name, false);
}

XMLElementIterator XMLElement::getElements(const std::string& name) const {
  return XMLElementIterator(tree_, index_, name, false);
}

XMLElementIterator XMLElement::getElementsDirect(const char* name) const {
  return XMLElementIterator(tree_, index_, name == nullptr ? std::string_view() : name, true);
}

XMLElementIterator XMLElement::getElementsDirect(const std::string& name) const {
  return XMLElementIterator(tree_, index_, name, true);
}

bool XMLElement::hasAttribute(const char* name) const {
  return tree_ != nullptr && name != nullptr && tree_->FindAttribute(index_, name) != nullptr;
}

std::string XMLElement::getAttribute(const char* name) const {
  return std::string(getAttributeView(name));
}

const xmltree::Attribute* XMLElement::findAttribute(const char* name) const {
  requireValid("getAttribute");
  return name == nullptr ? nullptr : tree_->FindAttribute(index_, name);
}

XMLElement::AttributeKey XMLElement::attributeKey(const char* name) const {
  AttributeKey key;
  key.text_ = name;
  if (tree_ != nullptr && name != nullptr) {
    key.tree_ = tree_;
    key.name_ = tree_->Lookup(name);
  }
  return key;
}

std::uint32_t XMLElement::getAttributesByText(const AttributeKey* keys, std::string_view* values,
                                              std::size_t count) const {
  std::uint32_t found = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (const xmltree::Attribute* attribute = findAttribute(keys[i].text_)) {
      values[i] = tree_->ValueOf(*attribute);
      found |= std::uint32_t{1} << i;
    }
  }
  return found;
}

bool XMLElement::getAttribute(const char* name, std::string& value) const {
  const xmltree::Attribute* attribute = findAttribute(name);
  if (attribute == nullptr) return false;
  value.assign(tree_->ValueOf(*attribute));
  return true;
}

bool XMLElement::getAttribute(const char* name, double& value) const {
  const xmltree::Attribute* attribute = findAttribute(name);
  return attribute != nullptr && ParseDouble(tree_->ValueOf(*attribute), value);
}

bool XMLElement::getAttribute(const char* name, std::int64_t& value) const {
  const xmltree::Attribute* attribute = findAttribute(name);
  return attribute != nullptr && ParseInt64(tree_->ValueOf(*attribute), value);
}

std::string_view XMLElement::getAttributeView(const char* name) const {
  const xmltree::Attribute* attribute = findAttribute(name);
  return attribute == nullptr ? std::string_view() : tree_->ValueOf(*attribute);
}

bool XMLElement::parseDouble(std::string_view text, double& value) {
  return ParseDouble(text, value);
}

bool XMLElement::parseInt64(std::string_view text, std::int64_t& value) {
  return ParseInt64(text, value);
}

namespace {

// Throws XMLException unless `name` is an XML name.
void RequireName(std::string_view name, const char* operation) {
  if (name.empty()) throw XMLException(std::string(operation) + " with an empty name");
  if (!xmlchars::IsName(name.data(), name.size())) {
    throw XMLException(std::string(operation) + ": the name is not an XML name");
  }
}

// Throws XMLException unless `text` is XML characters in UTF-8.
void RequireText(std::string_view text, const char* operation) {
  bool utf8 = false;
  const std::size_t at = xmlchars::FirstInvalidChar(text.data(), text.size(), utf8);
  if (at == text.size()) return;
  throw XMLException(
      std::string(operation) +
      (utf8 ? ": invalid UTF-8 at byte " : ": a character XML does not allow at byte ") +
      std::to_string(at));
}

}  // namespace

XMLElement XMLElement::addElementNamed(std::string_view name) {
  requireValid("addElement");
  RequireName(name, "addElement");
  return XMLElement(tree_, tree_->AppendElement(index_, name));
}

XMLElement XMLElement::addElement(const char* name) {
  return addElementNamed(name == nullptr ? std::string_view() : std::string_view(name));
}

XMLElement XMLElement::addElement(const std::string& name) {
  return addElementNamed(name);
}

void XMLElement::addAttributeText(std::string_view name, std::string_view value) {
  requireValid("addAttribute");
  RequireName(name, "addAttribute");
  RequireText(value, "addAttribute");
  tree_->SetAttribute(index_, name, value);
}

void XMLElement::addAttribute(const char* name, const char* value) {
  addAttributeText(name == nullptr ? std::string_view() : std::string_view(name),
                   value == nullptr ? std::string_view() : std::string_view(value));
}

void XMLElement::addAttribute(const std::string& name, const std::string& value) {
  addAttributeText(name, value);
}

void XMLElement::addAttribute(const char* name, std::int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  addAttributeText(name == nullptr ? std::string_view() : std::string_view(name),
                   std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
}

void XMLElement::addAttribute(const std::string& name, std::int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  addAttributeText(name, std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
}

void XMLElement::addText(const std::string& text) {
  requireValid("addText");
  RequireText(text, "addText");
  tree_->AppendText(index_, text);
}

std::string XMLElement::getText() const {
  requireValid("getText");
  // The text children joined: comments, processing instructions, CDATA sections and entity
  // references split an element's character data into several.
  std::string joined;
  for (std::uint32_t child = node().firstChild; child != xmltree::kNone;
       child = tree_->nodes[child].nextSibling) {
    const xmltree::Node& text = tree_->nodes[child];
    if (!text.isElement) joined.append(text.text, text.length);
  }
  return joined;
}

std::string XMLElement::doc2string() const {
  requireValid("doc2string");
  std::string text;
  tree_->Write(text, false);
  return text;
}

std::string XMLElement::doc2prettyString() const {
  requireValid("doc2string");
  std::string text;
  tree_->Write(text, true);
  return text;
}

XMLElementIterator::XMLElementIterator(xmltree::Tree* tree, std::uint32_t scope,
                                       std::string_view name, bool direct)
    : tree_(tree), scope_(scope), anyName_(name.empty()), direct_(direct) {
  if (tree_ == nullptr) return;
  if (!anyName_) {
    // A name the document does not hold matches nothing.
    const std::uint32_t index = tree_->Lookup(name);
    if (index == xmltree::kNone) return;
    name_ = tree_->names[index].data();
  }
  next_ = firstMatchFrom(tree_->nodes[scope_].firstChild);
}

void XMLElementIterator::skipChildren() {
  if (last_ == xmltree::kNone || direct_) return;
  pending_ = false;
  // The node after the last element's subtree: its next sibling, or an ancestor's.
  std::uint32_t after = xmltree::kNone;
  for (std::uint32_t node = last_; node != xmltree::kNone && node != scope_;
       node = tree_->nodes[node].parent) {
    if (tree_->nodes[node].nextSibling != xmltree::kNone) {
      after = tree_->nodes[node].nextSibling;
      break;
    }
  }
  next_ = firstMatchFrom(after);
}

static_assert(XMLElement::kNoIndex == xmltree::kNone, "one index of no node");

const xmltree::Node& XMLElement::node() const {
  return tree_->nodes[index_];
}

bool XMLElement::hasName(const char* name) const {
  return tree_ != nullptr && std::strcmp(node().text, name) == 0;
}

std::string_view XMLElement::nameView() const {
  return tree_ == nullptr ? std::string_view() : std::string_view(node().text, node().length);
}

XMLElement XMLElement::getParent() const {
  if (tree_ == nullptr || node().parent == xmltree::kNone) return XMLElement();
  return XMLElement(tree_, node().parent);
}

size_t XMLElement::getAttributeViews(AttributeView* views, size_t capacity) const {
  if (tree_ == nullptr) requireValid("getAttribute");
  const xmltree::Node& n = node();
  const xmltree::Attribute* attributes = tree_->attributes.data() + n.firstAttribute;
  const size_t filled = n.attributeCount < capacity ? n.attributeCount : capacity;
  for (size_t i = 0; i < filled; ++i) {
    const xmltree::Attribute& a = attributes[i];
    new (&views[i]) AttributeView{tree_->NameOf(a), tree_->ValueOf(a)};
  }
  return n.attributeCount;
}

std::uint32_t XMLElement::getAttributes(const AttributeKey* keys, std::string_view* values,
                                        std::size_t count) const {
  if (tree_ == nullptr) requireValid("getAttribute");
  // The answer is a 32-bit mask: more keys than bits would read past it.
  if (count > 32) throw XMLException("getAttributes: more than 32 keys in one read");
  for (std::size_t i = 0; i < count; ++i) {
    if (keys[i].tree_ != tree_) return getAttributesByText(keys, values, count);
  }
  std::uint32_t found = 0;
  const xmltree::Node& n = node();
  const xmltree::Attribute* attribute = tree_->attributes.data() + n.firstAttribute;
  const xmltree::Attribute* const end = attribute + n.attributeCount;
  for (; attribute != end; ++attribute) {
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t bit = std::uint32_t{1} << i;
      if (attribute->name == keys[i].name_ && (found & bit) == 0) {
        values[i] = tree_->ValueOf(*attribute);
        found |= bit;
        break;
      }
    }
  }
  return found;
}

bool XMLElementIterator::hasMore() const {
  settle();
  return next_ != xmltree::kNone;
}

XMLElement XMLElementIterator::next() {
  settle();
  const std::uint32_t current = next_;
  last_ = current;
  if (current == xmltree::kNone) return XMLElement();
  pending_ = true;
  return XMLElement(tree_, current);
}

bool XMLElementIterator::matches(std::uint32_t index) const {
  const xmltree::Node& node = tree_->nodes[index];
  return node.isElement && (anyName_ || node.text == name_);
}

std::uint32_t XMLElementIterator::advance(std::uint32_t from) const {
  const xmltree::Node* nodes = tree_->nodes.data();
  if (!direct_ && nodes[from].firstChild != xmltree::kNone) return nodes[from].firstChild;
  for (std::uint32_t current = from; current != xmltree::kNone && current != scope_;) {
    if (nodes[current].nextSibling != xmltree::kNone) return nodes[current].nextSibling;
    if (direct_) return xmltree::kNone;
    current = nodes[current].parent;
  }
  return xmltree::kNone;
}

std::uint32_t XMLElementIterator::firstMatchFrom(std::uint32_t from) const {
  while (from != xmltree::kNone && !matches(from)) from = advance(from);
  return from;
}

void XMLElementIterator::settle() const {
  if (!pending_) return;
  pending_ = false;
  next_ = firstMatchFrom(advance(last_));
}

}  // namespace KxCppHelperV1
