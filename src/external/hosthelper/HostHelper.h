#pragma once

// Documents for a component: new ones, ones parsed from host text, and the host-information
// document fetched through the host record. The helper does not own the host record.

#include <string>

#include "external/hosthelper/BufferHelper.h"
#include "external/hosthelper/KxRecords.h"
#include "external/hosthelper/XMLDocument.h"

namespace KxCppHelperV1 {

class KXCOMSERV_API HostHelper {
 public:
  // A helper over `host`, owned by the caller (delete it); null when `host` is null.
  static HostHelper* create(KxHost* host);
  HostHelper(const HostHelper&) = delete;
  HostHelper& operator=(const HostHelper&) = delete;
  ~HostHelper();

  // A new document whose root element is named `rootName`. Throws XMLException for an empty
  // name.
  static XMLDocument createNew(const std::string& rootName);
  // Parses document text. Throws XMLException when it is not well-formed XML.
  static XMLDocument createFromContents(const char* text);
  static XMLDocument createFromContents(const std::string& text);
  // Parses the text the host wrote into `text` and frees the buffer's storage (the buffer is
  // left empty, parsed or not), so that a large text is not held while the document is used.
  // Throws XMLException when it is not well-formed XML.
  static XMLDocument createFromBuffer(BufferHelper& text);

  // Fetches and parses the host-information document. On success `*error` is 0; on failure it
  // holds the host's error code (or the host's status when the host stored none, or 5 when
  // the text is not a document) and the result is an empty document.
  XMLDocument getHostInformation(int* error) const;

  KxHost* host() const { return host_; }

 private:
  explicit HostHelper(KxHost* host) : host_(host) {}
  KxHost* host_;
};

}  // namespace KxCppHelperV1
