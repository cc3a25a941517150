#include "external/hosthelper/XMLDocument.h"

#include <cstring>
#include <memory>
#include <string>

#include "external/hosthelper/XMLException.h"

namespace KxCppHelperV1 {

XMLException::XMLException(const std::string& message) : std::runtime_error(message) {}
XMLException::~XMLException() = default;

XMLDocument::XMLDocument() = default;

XMLDocument::XMLDocument(std::shared_ptr<xmltree::Tree> dom)
    : XMLElement(dom.get(), xmltree::Tree::kRoot), dom_(std::move(dom)) {}

XMLDocument::XMLDocument(KxXML* xml) {
  if (xml == nullptr || xml->text == nullptr) return;
  *this = parse(xml->text, std::strlen(xml->text));
}

XMLDocument::~XMLDocument() = default;

void XMLDocument::dispose() {
  *this = XMLDocument();
}

namespace {

// The length of the text up to its first zero byte, at most `length`.
size_t TextLength(const char* text, size_t length) {
  const void* zero = std::memchr(text, '\0', length);
  return zero == nullptr ? length : static_cast<size_t>(static_cast<const char*>(zero) - text);
}

}  // namespace

XMLDocument XMLDocument::parse(const char* text, size_t length) {
  if (text == nullptr) throw XMLException("no document text");
  const size_t used = TextLength(text, length);
  std::unique_ptr<char[]> copy(new char[used + 1]);
  std::memcpy(copy.get(), text, used);
  copy[used] = '\0';
  return XMLDocument(xmltree::Tree::Parse(std::move(copy), used));
}

XMLDocument XMLDocument::parseInPlace(std::unique_ptr<char[]> text, size_t length) {
  if (text == nullptr) throw XMLException("no document text");
  const size_t used = TextLength(text.get(), length);
  // The parser needs a zero after the text; a buffer without one is copied.
  if (used == length) return parse(text.get(), length);
  return XMLDocument(xmltree::Tree::Parse(std::move(text), used));
}

XMLDocument XMLDocument::createWithRoot(const char* rootName) {
  if (rootName == nullptr || *rootName == '\0') throw XMLException("empty root element name");
  return XMLDocument(xmltree::Tree::WithRoot(rootName));
}

}  // namespace KxCppHelperV1
