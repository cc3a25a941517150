#pragma once

// A concrete peer for tests: it opens the base's protected services, answers its result
// document, and records what ApplyParameters receives. It is driven through the host
// simulator like any component.

#include <string>

#include "external/hosthelper/XMLDocument.h"
#include "peer/VnPeer.h"

namespace VnKxTest {

class ProbePeer : public VnKx_1_2::VnPeer {
 public:
  using VnPeer::VnPeer;

  unsigned int Initialize(int* error) override {
    *error = 0;
    return VnKx_1_2::StatusOk;
  }
  unsigned int GetResult(char* buffer, size_t size, size_t* required, int* error) override {
    if (!resultDocument.isValid()) return VnKx_1_2::StatusNotAvailable;
    const unsigned int status = AnswerDocument(resultDocument, buffer, size, required);
    *error = static_cast<int>(status);
    return status;
  }
  unsigned int ApplyParameters(KxCppHelperV1::XMLDocument& parameters, int* error) override {
    ++applyCalls;
    appliedText = parameters.doc2string();
    *error = applyError;
    return applyStatus;
  }

  void SetProgress(KxProgress* record) { progress = record; }

  using VnPeer::Cancel;
  using VnPeer::currentParser;
  using VnPeer::GetContextInformation;
  using VnPeer::GetDataHelper;
  using VnPeer::GetExeRequirements;
  using VnPeer::GetFilePath;
  using VnPeer::GetHostInformation;
  using VnPeer::GetModelDllTxtFilePath;
  using VnPeer::ParseDataModel;
  using VnPeer::parsers;
  using VnPeer::resultDocument;
  using VnPeer::ScanParameters;
  using VnPeer::SetDataHelper;
  using VnPeer::SetExeRequirements;
  using VnPeer::TestParseFieldFormats;

  int applyCalls = 0;
  std::string appliedText;
  unsigned int applyStatus = VnKx_1_2::StatusOk;
  int applyError = 0;
};

}  // namespace VnKxTest
