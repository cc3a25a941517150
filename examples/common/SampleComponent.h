#pragma once

// The plumbing both sample components share: parameters as a settings tree, the partition
// choice, diagnostics with their codes, the result by the two-call protocol, and an execution
// over the first input with host failures turned into a diagnostic.

#include <algorithm>
#include <string>
#include <vector>

#include "ComponentSupport.h"
#include "external/hosthelper/DataHelper.h"
#include "peer/VnPeer.h"
#include "settings/VnSettingsFactory.h"

namespace VnKxExample {

class SampleComponent : public VnKx_1_2::VnPeer {
 public:
  using VnPeer::VnPeer;

  unsigned int GetResult(char* buffer, size_t size, size_t* required, int* error) override {
    if (!resultDocument.isValid()) return VnKx_1_2::StatusNotAvailable;
    const unsigned int status = AnswerDocument(resultDocument, buffer, size, required);
    *error = static_cast<int>(status);
    return status;
  }

 protected:
  unsigned int ApplyParameters(KxCppHelperV1::XMLDocument& parameters, int* error) override {
    return VnCommon_1_2::VnSettingsFactory::MakeModelSettings(parameters, settings, error);
  }

  // Reads the parameters (refusing any not in `known` or "partition") and the "partition"
  // choice, then parses the data model of one input.
  unsigned int InitializeInput(std::vector<std::string> known, int* error) {
    const unsigned int status = ScanParameters(error);
    if (status != VnKx_1_2::StatusOk) return status;
    known.push_back("partition");
    for (std::size_t i = 0; i < settings.Count(); ++i) {
      const std::string& name = settings.At(i).name;
      if (std::find(known.begin(), known.end(), name) == known.end()) {
        return Refuse(kUnknownParameter, {name, Joined(known)}, error);
      }
    }
    partition = Text(settings, "partition", "training");
    if (partition != "training" && partition != "testing" && partition != "validation" &&
        partition != "all") {
      return Refuse(kBadParameter, {"partition", partition}, error);
    }
    return ParseDataModel(error, false, 1);
  }

  // Runs `work` over the first input's cursor; a host failure becomes a diagnostic.
  template <typename Work>
  unsigned int Execute(const std::vector<KxIterator*>& iterators, KxProgress* record, int* error,
                       Work&& work) {
    progress = record;
    if (iterators.empty() || parsers.empty()) return Refuse(kNoInput, {}, error);
    KxCppHelperV1::DataHelper data(iterators[0]);
    SetDataHelper(&data);
    unsigned int status = VnKx_1_2::StatusOk;
    try {
      status = work(data, error);
    } catch (const KxCppHelperV1::DataHelper::DataHelperException& e) {
      status =
          Refuse(kHostFailure, {e.text(), std::to_string(e.status()), std::to_string(e.hostCode())},
                 error, VnKx_1_2::StatusFailed);
    }
    SetDataHelper(nullptr);
    return status;
  }

  // Reports an error diagnostic and answers `status` with `code` stored.
  unsigned int Refuse(int code, const std::vector<std::string>& parameters, int* error,
                      unsigned int status = VnKx_1_2::StatusBadArgument) {
    int ignored = 0;
    CollectMsgs(Error, code, parameters, &ignored);
    *error = code;
    return status;
  }

  unsigned int Cancelled(int* error) {
    return Refuse(VnKx_1_2::MsgCancelled, {}, error, VnKx_1_2::StatusCancelled);
  }

  VnXML_1_2::VnSettings settings;
  std::string partition = "training";
};

}  // namespace VnKxExample
