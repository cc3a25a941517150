// The peer's reads of host information, the model-library path, parameters and context.

#include "context/ContextInfo.h"
#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/XMLNames.h"
#include "external/hosthelper/detail/TextProtocol.h"
#include "peer/VnPeer.h"

namespace VnKx_1_2 {

using KxCppHelperV1::BufferHelper;
using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLDocument;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElements;
using KxCppHelperV1::XMLException;

unsigned int VnPeer::GetHostInformation(VnPeerHostInfo& info, int* error) {
  if (!hostHelper_) {
    *error = StatusDocumentError;
    return StatusDocumentError;
  }
  try {
    const XMLDocument document = hostHelper_->getHostInformation(error);
    if (*error != 0) return StatusDocumentError;
    const XMLElement host = document.getElement(XMLElements::Host);
    info.appName = host.getAttribute(XMLAttributes::AppName);
    info.appVersion = host.getAttribute(XMLAttributes::AppVersion);
    info.copyright = host.getAttribute(XMLAttributes::Copyright);
    info.installationPath = host.getAttribute(XMLAttributes::InstallationPath);
    info.vendorName = host.getAttribute(XMLAttributes::VendorName);
    return StatusOk;
  } catch (const XMLException&) {
    return StatusDocumentError;
  }
}

unsigned int VnPeer::GetModelDllTxtFilePath(std::string& path, int* error) {
  if (!hostHelper_) {
    path.clear();
    *error = StatusDocumentError;
    return StatusDocumentError;
  }
  try {
    const XMLDocument document = hostHelper_->getHostInformation(error);
    std::string library;
    document.getElement("LibraryDetail").getAttribute("path", library);
    for (int cut = 0; cut < 4; ++cut) {
      const size_t backslash = library.rfind('\\');
      if (backslash != std::string::npos) library.erase(backslash);
    }
    path = library + "\\config\\modeldll.txt";
    return StatusOk;
  } catch (const XMLException&) {
    path.clear();
    return StatusDocumentError;
  }
}

unsigned int VnPeer::ScanParameters(int* error) {
  BufferHelper text(KxCppHelperV1::kInitialTextBufferSize);
  const unsigned int status = RequestText(HostText::kParameters, 0, text, error);
  if (status != StatusOk) return status;
  XMLDocument parameters;
  try {
    parameters = KxCppHelperV1::HostHelper::createFromBuffer(text);
  } catch (const XMLException&) {
    return StatusDocumentError;
  }
  return ApplyParameters(parameters, error);
}

unsigned int VnPeer::GetFilePath(std::string /*name*/, std::string& /*path*/, int* error) {
  *error = StatusNotImplemented;
  return StatusNotImplemented;
}

unsigned int VnPeer::GetContextInformation(ContextInfo& info, int* error) {
  BufferHelper text(KxCppHelperV1::kInitialTextBufferSize);
  const unsigned int status = RequestText(HostText::kContext, 0, text, error);
  if (status != StatusOk) return status;
  XMLDocument context;
  try {
    context = KxCppHelperV1::HostHelper::createFromBuffer(text);
  } catch (const XMLException&) {
    return StatusDocumentError;
  }
  return info.ConvertFromDocument(context, error);
}

}  // namespace VnKx_1_2
