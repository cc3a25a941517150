#include "external/hosthelper/XMLDocument.h"

#include <pugixml.hpp>

#include <cstring>
#include <memory>
#include <string>

#include "external/hosthelper/XMLException.h"

namespace KxCppHelperV1 {

XMLException::XMLException(const std::string& message) : std::runtime_error(message) {}
XMLException::~XMLException() = default;

XMLDocument::XMLDocument() = default;

XMLDocument::XMLDocument(std::shared_ptr<pugi::xml_document> dom)
    : XMLElement(dom->document_element().internal_object()), dom_(std::move(dom)) {}

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

// Default options: no DOCTYPE node, so declared entities are never expanded.
constexpr unsigned int kParseOptions = pugi::parse_default;

void Check(const pugi::xml_parse_result& result) {
  if (!result) {
    throw XMLException(std::string("malformed document at offset ") +
                       std::to_string(result.offset) + ": " + result.description());
  }
}

// A DOM together with the text it was parsed from in place.
struct InPlaceDocument {
  pugi::xml_document dom;
  std::unique_ptr<char[]> text;
};

}  // namespace

XMLDocument XMLDocument::parse(const char* text, size_t length) {
  if (text == nullptr) throw XMLException("no document text");
  auto dom = std::make_shared<pugi::xml_document>();
  Check(dom->load_buffer(text, TextLength(text, length), kParseOptions, pugi::encoding_utf8));
  return XMLDocument(std::move(dom));
}

XMLDocument XMLDocument::parseInPlace(std::unique_ptr<char[]> text, size_t length) {
  if (text == nullptr) throw XMLException("no document text");
  auto holder = std::make_shared<InPlaceDocument>();
  holder->text = std::move(text);
  Check(holder->dom.load_buffer_inplace(holder->text.get(), TextLength(holder->text.get(), length),
                                        kParseOptions, pugi::encoding_utf8));
  pugi::xml_document* dom = &holder->dom;
  return XMLDocument(std::shared_ptr<pugi::xml_document>(std::move(holder), dom));
}

XMLDocument XMLDocument::createWithRoot(const char* rootName) {
  if (rootName == nullptr || *rootName == '\0') throw XMLException("empty root element name");
  auto dom = std::make_shared<pugi::xml_document>();
  dom->append_child(rootName);
  return XMLDocument(std::move(dom));
}

}  // namespace KxCppHelperV1
