#pragma once

// An XML document held by handle: copies share one DOM, which lives until the last handle
// releases it (destruction or dispose()). As an XMLElement the document stands for its root
// element, so searches on a document look below the root. Parsing never expands entity
// declarations and never loads anything external. Not synchronised.

#include <memory>
#include <string>

#include "external/hosthelper/KxRecords.h"
#include "external/hosthelper/XMLElement.h"

namespace KxCppHelperV1 {

class KXCOMSERV_API XMLDocument : public XMLElement {
 public:
  // An empty, invalid document.
  XMLDocument();
  // Parses the host's document text; a null handle (or null text) gives an empty document.
  // Throws XMLException on malformed text.
  explicit XMLDocument(KxXML* xml);
  XMLDocument(const XMLDocument&) = default;
  XMLDocument& operator=(const XMLDocument&) = default;
  ~XMLDocument();

  // Releases this handle's share of the DOM; the handle becomes empty and invalid.
  void dispose();

  // Parses `length` bytes of text (stopping early at a zero byte); the document keeps no
  // reference to the text. Throws XMLException. Text with a zero byte within `length` is read
  // where it lies; other text is copied first, as the parser reads up to a zero.
  static XMLDocument parse(const char* text, size_t length);
  // A new document whose root element is `rootName`.
  static XMLDocument createWithRoot(const char* rootName);

 private:
  explicit XMLDocument(std::shared_ptr<xmltree::Tree> dom);
  std::shared_ptr<xmltree::Tree> dom_;
};

}  // namespace KxCppHelperV1
