#include "external/hosthelper/XMLElement.h"

#include <pugixml.hpp>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <sstream>

#include <locale.h>

#include "external/hosthelper/XMLException.h"

namespace KxCppHelperV1 {
namespace {

pugi::xml_node Node(pugi::xml_node_struct* node) {
  return pugi::xml_node(node);
}

std::string_view Trim(std::string_view text) {
  const char* spaces = " \t\r\n";
  const size_t first = text.find_first_not_of(spaces);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(spaces);
  return text.substr(first, last - first + 1);
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
  if (node_ == nullptr) {
    throw XMLException(std::string(operation) + " on an invalid element");
  }
}

std::string XMLElement::getName() const {
  return node_ == nullptr ? std::string() : std::string(Node(node_).name());
}

const char* XMLElement::nameData() const {
  return node_ == nullptr ? "" : Node(node_).name();
}

bool XMLElement::hasName(const char* name) const {
  return node_ != nullptr && std::strcmp(Node(node_).name(), name) == 0;
}

XMLElement XMLElement::getElement(const char* name) const {
  // Only the first match: an iterator would go on looking for the second.
  const XMLElementIterator it(node_, name == nullptr ? std::string() : std::string(name), false);
  return XMLElement(it.next_);
}

XMLElementIterator XMLElement::getElements(const char* name) const {
  return XMLElementIterator(node_, name == nullptr ? std::string() : std::string(name), false);
}

XMLElementIterator XMLElement::getElements(const std::string& name) const {
  return XMLElementIterator(node_, name, false);
}

XMLElementIterator XMLElement::getElementsDirect(const char* name) const {
  return XMLElementIterator(node_, name == nullptr ? std::string() : std::string(name), true);
}

XMLElementIterator XMLElement::getElementsDirect(const std::string& name) const {
  return XMLElementIterator(node_, name, true);
}

bool XMLElement::hasAttribute(const char* name) const {
  return node_ != nullptr && name != nullptr && !Node(node_).attribute(name).empty();
}

std::string XMLElement::getAttribute(const char* name) const {
  return std::string(getAttributeView(name));
}

bool XMLElement::getAttribute(const char* name, std::string& value) const {
  requireValid("getAttribute");
  const pugi::xml_attribute attribute = Node(node_).attribute(name);
  if (attribute.empty()) return false;
  value = attribute.value();
  return true;
}

bool XMLElement::getAttribute(const char* name, double& value) const {
  requireValid("getAttribute");
  const pugi::xml_attribute attribute = Node(node_).attribute(name);
  return !attribute.empty() && ParseDouble(attribute.value(), value);
}

bool XMLElement::getAttribute(const char* name, std::int64_t& value) const {
  requireValid("getAttribute");
  const pugi::xml_attribute attribute = Node(node_).attribute(name);
  return !attribute.empty() && ParseInt64(attribute.value(), value);
}

std::string_view XMLElement::getAttributeView(const char* name) const {
  requireValid("getAttribute");
  const pugi::xml_attribute attribute = Node(node_).attribute(name);
  return attribute.empty() ? std::string_view() : std::string_view(attribute.value());
}

bool XMLElement::parseDouble(std::string_view text, double& value) {
  return ParseDouble(text, value);
}

bool XMLElement::parseInt64(std::string_view text, std::int64_t& value) {
  return ParseInt64(text, value);
}

size_t XMLElement::getAttributeViews(AttributeView* views, size_t capacity) const {
  requireValid("getAttribute");
  size_t count = 0;
  // An attribute always has a name, and the library answers "" for the one past the last.
  pugi::xml_attribute a = Node(node_).first_attribute();
  for (const char* name = a.name(); *name != '\0'; name = a.name()) {
    if (count < capacity) new (&views[count]) AttributeView{name, a.value()};
    ++count;
    a = a.next_attribute();
  }
  return count;
}

XMLElement XMLElement::addElement(const char* name) {
  requireValid("addElement");
  if (name == nullptr || *name == '\0') throw XMLException("addElement with an empty name");
  return XMLElement(Node(node_).append_child(name).internal_object());
}

void XMLElement::addAttribute(const char* name, const char* value) {
  requireValid("addAttribute");
  if (name == nullptr || *name == '\0') throw XMLException("addAttribute with an empty name");
  pugi::xml_node node = Node(node_);
  pugi::xml_attribute attribute = node.attribute(name);
  if (attribute.empty()) attribute = node.append_attribute(name);
  attribute.set_value(value == nullptr ? "" : value);
}

void XMLElement::addAttribute(const char* name, std::int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof(text) - 1, value);
  *result.ptr = '\0';
  addAttribute(name, text);
}

void XMLElement::addText(const std::string& text) {
  requireValid("addText");
  Node(node_).append_child(pugi::node_pcdata).set_value(text.c_str());
}

std::string XMLElement::getText() const {
  requireValid("getText");
  return Node(node_).text().get();
}

std::string XMLElement::doc2string() const {
  requireValid("doc2string");
  std::ostringstream out;
  Node(node_).root().print(out, "", pugi::format_raw | pugi::format_no_declaration);
  return std::move(out).str();
}

std::string XMLElement::doc2prettyString() const {
  requireValid("doc2string");
  std::ostringstream out;
  Node(node_).root().print(out, "  ", pugi::format_indent | pugi::format_no_declaration);
  return std::move(out).str();
}

XMLElementIterator::XMLElementIterator(pugi::xml_node_struct* scope, std::string name, bool direct)
    : scope_(scope), name_(std::move(name)), direct_(direct) {
  if (scope_ == nullptr) return;
  next_ = firstMatchFrom(Node(scope_).first_child().internal_object());
}

pugi::xml_node_struct* XMLElementIterator::firstMatchFrom(pugi::xml_node_struct* from) const {
  while (from != nullptr && !matches(from)) from = advance(from);
  return from;
}

// The XML library's node accessors are calls into it, so the walk makes as few as it can: the
// name is compared first and the node's kind read only for a name that matches.
bool XMLElementIterator::matches(pugi::xml_node_struct* node) const {
  const pugi::xml_node n(node);
  if (name_.empty()) return n.type() == pugi::node_element;
  const char* name = n.name();
  if (name[0] != name_[0] || std::strcmp(name, name_.c_str()) != 0) return false;
  return n.type() == pugi::node_element;
}

// The node after `from` in a pre-order walk of the scope (or of its children only).
pugi::xml_node_struct* XMLElementIterator::advance(pugi::xml_node_struct* from) const {
  pugi::xml_node node(from);
  if (!direct_) {
    if (pugi::xml_node_struct* child = node.first_child().internal_object()) return child;
  }
  for (pugi::xml_node_struct* current = from; current != nullptr && current != scope_;) {
    if (pugi::xml_node_struct* sibling = node.next_sibling().internal_object()) return sibling;
    if (direct_) return nullptr;
    node = node.parent();
    current = node.internal_object();
  }
  return nullptr;
}

XMLElement XMLElementIterator::next() {
  pugi::xml_node_struct* current = next_;
  last_ = current;
  if (current == nullptr) return XMLElement();
  next_ = firstMatchFrom(advance(current));
  return XMLElement(current);
}

void XMLElementIterator::skipChildren() {
  if (last_ == nullptr || direct_) return;
  // The node after the last element's subtree: its next sibling, or an ancestor's.
  pugi::xml_node node(last_);
  pugi::xml_node_struct* after = nullptr;
  while (node && node.internal_object() != scope_) {
    const pugi::xml_node sibling = node.next_sibling();
    if (sibling) {
      after = sibling.internal_object();
      break;
    }
    node = node.parent();
  }
  next_ = firstMatchFrom(after);
}

}  // namespace KxCppHelperV1
