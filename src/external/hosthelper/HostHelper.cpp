#include "external/hosthelper/HostHelper.h"

#include <cstring>
#include <new>

#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/TextProtocol.h"

namespace KxCppHelperV1 {

HostHelper* HostHelper::create(KxHost* host) {
  return host == nullptr ? nullptr : new HostHelper(host);
}

HostHelper::~HostHelper() = default;

XMLDocument HostHelper::createNew(const std::string& rootName) {
  return XMLDocument::createWithRoot(rootName.c_str());
}

XMLDocument HostHelper::createFromContents(const char* text) {
  if (text == nullptr) throw XMLException("no document text");
  // With its zero, so that the text is read where it lies.
  return XMLDocument::parse(text, std::strlen(text) + 1);
}

XMLDocument HostHelper::createFromContents(const std::string& text) {
  return XMLDocument::parse(text.c_str(), text.size() + 1);
}

XMLDocument HostHelper::createFromBuffer(BufferHelper& text) {
  // The storage holds size() + 1 bytes, the last one zero; it is freed once read, parsed or
  // not.
  const std::size_t length = text.size() + 1;
  const std::unique_ptr<char[]> storage = text.release();
  return XMLDocument::parse(storage.get(), length);
}

XMLDocument HostHelper::getHostInformation(int* error) const {
  constexpr int kDocumentError = 5;
  *error = 0;
  if (host_->getHostInformation == nullptr) {
    *error = kDocumentError;
    return XMLDocument();
  }
  BufferHelper buffer(kInitialTextBufferSize);
  int hostError = 0;
  unsigned int status = 0;
  try {
    status = RequestHostText(buffer, [&](char* text, std::size_t size, std::size_t* required) {
      return host_->getHostInformation(host_->handle, text, size, required, &hostError);
    });
  } catch (const std::bad_alloc&) {
    *error = kDocumentError;
    return XMLDocument();
  }
  if (status != 0) {
    *error = hostError != 0 ? hostError : static_cast<int>(status);
    return XMLDocument();
  }
  try {
    return createFromBuffer(buffer);
  } catch (const XMLException&) {
    *error = kDocumentError;
    return XMLDocument();
  }
}

}  // namespace KxCppHelperV1
