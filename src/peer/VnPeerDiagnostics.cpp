// The peer's diagnostics, error-detail hand-over and progress forwarding.

#include <cmath>

#include "external/hosthelper/XMLNames.h"
#include "peer/VnPeer.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElements;
using KxCppHelperV1::XMLEntities;

namespace {

const char* Severity(VnPeer::MsgType type) {
  switch (type) {
    case VnPeer::Information:
      return XMLEntities::Information;
    case VnPeer::Warning:
      return XMLEntities::Warning;
    case VnPeer::Error:
      return XMLEntities::Error;
    case VnPeer::Fatal:
      return XMLEntities::Fatal;
  }
  return XMLEntities::Unknown;
}

}  // namespace

unsigned int VnPeer::AddDiagnostic(const char* severity, int code,
                                   const std::vector<std::string>& parameters, int* error) {
  if (!hostHelper_) {
    *error = StatusDocumentError;
    return StatusDocumentError;
  }
  XMLElement diagnostic = errorDetail_.addElement(XMLElements::Diagnostic);
  diagnostic.addAttribute(XMLAttributes::Severity, severity);
  diagnostic.addAttribute(XMLAttributes::Code, static_cast<std::int64_t>(code));
  for (const std::string& parameter : parameters) {
    diagnostic.addElement(XMLElements::Parameter).addText(parameter);
  }
  *error = StatusOk;
  return StatusOk;
}

unsigned int VnPeer::CollectMsgs(MsgType type, int code, const std::vector<std::string>& parameters,
                                 int* error) {
  return AddDiagnostic(Severity(type), code, parameters, error);
}

unsigned int VnPeer::CollectMsgs(MsgType type, int code, int* error) {
  return AddDiagnostic(Severity(type), code, {}, error);
}

unsigned int VnPeer::SendWarningMessage(int code, const std::vector<std::string>& parameters,
                                        int* error) {
  return AddDiagnostic(XMLEntities::Warning, code, parameters, error);
}

unsigned int VnPeer::SendWarningMessage(int code, int* error) {
  return AddDiagnostic(XMLEntities::Warning, code, {}, error);
}

unsigned int VnPeer::GetErrorDetail(char* buffer, size_t size, size_t* required, int* error) {
  if (!hostHelper_) {
    *error = StatusDocumentError;
    return StatusDocumentError;
  }
  const unsigned int status = AnswerDocument(errorDetail_, buffer, size, required);
  if (status == StatusOk) {
    errorDetail_.dispose();
    errorDetail_ = hostHelper_->createNew("ErrorDetail");
  }
  *error = static_cast<int>(status);
  return status;
}

unsigned int VnPeer::Report_Progress(double current, double total, int* error) {
  if (progress == nullptr || progress->reportProgress == nullptr) return StatusBadArgument;
  // An ordered comparison: NaN on either side is refused.
  if (!(total >= current)) return StatusBadArgument;
  return progress->reportProgress(progress->handle, current, total, error, -1);
}

}  // namespace VnKx_1_2
