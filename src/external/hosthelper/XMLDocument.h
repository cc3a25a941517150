#pragma once

// An XML document held by handle: copies share one DOM, which lives until the last handle
// releases it (destruction or dispose()). As an XMLElement the document stands for its root
// element, so searches on a document look below the root. Not synchronised.
//
// Parsing reads XML 1.0 (fifth edition) and refuses, with XMLException, text that is not
// well-formed; the message names the rule broken and its byte offset. Encodings: UTF-8, with or
// without a byte-order mark, is read where it lies; UTF-16 (by its byte-order mark or its first
// characters) and any encoding that the XML declaration names and the C library's iconv knows
// (ISO-8859-1, windows-1252, US-ASCII ...) are transcoded to UTF-8 first, offsets in messages
// then counting bytes of the transcoded text; other encodings are refused. Internal entities
// declared in the document type declaration are expanded (at most 64 deep and 1 MiB or sixteen
// times the text in all); external entities are never read: a reference to one in content
// reads as nothing. Whitespace between elements that holds nothing else is layout and is not
// kept as text.

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

  // Parses `length` bytes of text (stopping early at a zero byte, except in UTF-16 text); the
  // document keeps no reference to the text. Throws XMLException. Text with a zero byte within
  // `length` is read where it lies; other text is copied first, as the parser reads up to a
  // zero.
  static XMLDocument parse(const char* text, size_t length);
  // A new document whose root element is `rootName`.
  static XMLDocument createWithRoot(const char* rootName);

 private:
  explicit XMLDocument(std::shared_ptr<xmltree::Tree> dom);
  std::shared_ptr<xmltree::Tree> dom_;
};

}  // namespace KxCppHelperV1
