#include "external/hosthelper/XMLDocument.h"

#include <pugixml.hpp>

#include <cstring>

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

XMLDocument XMLDocument::parse(const char* text, size_t length) {
  if (text == nullptr) throw XMLException("no document text");
  const void* zero = std::memchr(text, '\0', length);
  if (zero != nullptr) length = static_cast<size_t>(static_cast<const char*>(zero) - text);
  auto dom = std::make_shared<pugi::xml_document>();
  // Default options: no DOCTYPE node, so declared entities are never expanded.
  const pugi::xml_parse_result result =
      dom->load_buffer(text, length, pugi::parse_default, pugi::encoding_utf8);
  if (!result) {
    throw XMLException(std::string("malformed document at offset ") +
                       std::to_string(result.offset) + ": " + result.description());
  }
  return XMLDocument(std::move(dom));
}

XMLDocument XMLDocument::createWithRoot(const char* rootName) {
  if (rootName == nullptr || *rootName == '\0') throw XMLException("empty root element name");
  auto dom = std::make_shared<pugi::xml_document>();
  dom->append_child(rootName);
  return XMLDocument(std::move(dom));
}

}  // namespace KxCppHelperV1
