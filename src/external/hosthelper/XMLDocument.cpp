#include "external/hosthelper/XMLDocument.h"

#include <cstring>
#include <memory>
#include <string>

#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/XMLChars.h"
#include "external/hosthelper/detail/XMLTree.h"

namespace KxCppHelperV1 {

XMLException::XMLException(const std::string& message) : std::runtime_error(message) {}
XMLException::~XMLException() = default;

XMLDocument::XMLDocument() = default;

XMLDocument::XMLDocument(std::shared_ptr<xmltree::Tree> dom)
    : XMLElement(dom.get(), xmltree::Tree::kRoot), dom_(std::move(dom)) {}

XMLDocument::XMLDocument(KxXML* xml) {
  if (xml == nullptr || xml->text == nullptr) return;
  *this = parse(xml->text, std::strlen(xml->text) + 1);
}

XMLDocument::~XMLDocument() = default;

void XMLDocument::dispose() {
  *this = XMLDocument();
}

XMLDocument XMLDocument::parse(const char* text, size_t length) {
  if (text == nullptr) throw XMLException("no document text");
  return XMLDocument(xmltree::Tree::Parse(text, length));
}

XMLDocument XMLDocument::createWithRoot(const char* rootName) {
  if (rootName == nullptr || *rootName == '\0') throw XMLException("empty root element name");
  if (!xmlchars::IsName(rootName, std::strlen(rootName))) {
    throw XMLException("createNew: the root's name is not an XML name");
  }
  return XMLDocument(xmltree::Tree::WithRoot(rootName));
}

}  // namespace KxCppHelperV1
