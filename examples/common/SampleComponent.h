#pragma once

// The plumbing both sample components share: parameters as a settings tree, the partition
// choice, diagnostics with their codes, the result by the two-call protocol, an execution over
// the first input with host failures turned into a diagnostic, and the rounds of a distributed
// run (the coordinator's tasks and merges, the workers' partial results).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ComponentSupport.h"
#include "external/hosthelper/DataHelper.h"
#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/KxWorker.h"
#include "external/hosthelper/XMLException.h"
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

  // A distributed run, as the coordinator: each worker's task is this component's parameter
  // document with the round's task ("task" and what it needs) added; the same module runs it.
  unsigned int GetWorkerTask(KxWorker* worker, char* buffer1, size_t size1, size_t* required1,
                             char* buffer2, size_t size2, size_t* required2, int* error) override {
    if (WorkerTask().empty()) {
      return VnPeer::GetWorkerTask(worker, buffer1, size1, required1, buffer2, size2, required2,
                                   error);
    }
    std::int64_t index = 0, count = 0;
    if (worker == nullptr || worker->getWorkerIndex(worker->handle, &index, &count, error) != 0 ||
        index < 0 || index >= count) {
      return Refuse(kBadParameter, {"worker", "a worker record the host did not make"}, error);
    }
    if (workers_.size() != static_cast<size_t>(count))
      workers_.assign(static_cast<size_t>(count), nullptr);
    workers_[static_cast<size_t>(index)] = worker;
    KxCppHelperV1::XMLDocument task = KxCppHelperV1::HostHelper::createFromContents(parameterText_);
    for (const auto& [name, value] : WorkerTask()) {
      KxCppHelperV1::XMLElement parameter = task.addElement("Parameter");
      parameter.addAttribute("name", name);
      parameter.addAttribute("value", value);
    }
    const std::string text = task.doc2string();
    *required1 = text.size() + 1;
    *required2 = 1;
    if (size1 < *required1 || size2 < 1) return VnKx_1_2::StatusBufferTooSmall;
    std::memcpy(buffer1, text.c_str(), text.size() + 1);
    buffer2[0] = '\0';
    *error = 0;
    return VnKx_1_2::StatusOk;
  }

  // The coordinator merges the workers' partial results of the round that ended.
  unsigned int PSMMerge(int* error) override {
    std::vector<KxCppHelperV1::XMLDocument> partials;
    for (KxWorker* worker : workers_) {
      std::string text;
      if (worker == nullptr || !PartialResult(worker, text)) {
        return Refuse(kHostFailure, {"getPartialResult", "", ""}, error, VnKx_1_2::StatusFailed);
      }
      try {
        partials.push_back(KxCppHelperV1::HostHelper::createFromContents(text));
      } catch (const KxCppHelperV1::XMLException& e) {
        return Refuse(kHostFailure, {"getPartialResult", e.what(), ""}, error,
                      VnKx_1_2::StatusFailed);
      }
    }
    followOn_ = false;
    return Merge(partials, error);
  }

  // After a merge: "followOn" when the workers have another round to run, else "result".
  unsigned int GetPSMControlInformation(char* buffer, size_t size, size_t* required,
                                        int* error) override {
    KxCppHelperV1::XMLDocument control = KxCppHelperV1::HostHelper::createNew("PSMControl");
    control.addAttribute("next", followOn_ ? "followOn" : "result");
    const unsigned int status = AnswerDocument(control, buffer, size, required);
    *error = 0;
    return status;
  }

  // A worker's next round: its task is in the parameter document the host now serves.
  unsigned int FollowOnTaskStartExe(KxWorker*, int* error) override {
    const unsigned int status = ScanParameters(error);
    if (status != VnKx_1_2::StatusOk) return status;
    task_ = Text(settings, "task", "");
    return BeginExecution(iterators_, progress, error);
  }

 protected:
  unsigned int ApplyParameters(KxCppHelperV1::XMLDocument& parameters, int* error) override {
    parameterText_ = parameters.doc2string();
    settings = VnXML_1_2::VnSettings();
    return VnCommon_1_2::VnSettingsFactory::MakeModelSettings(parameters, settings, error);
  }

  // The parameters a worker's task adds for the round to come, as name/value pairs; empty when
  // the component does not run as workers.
  virtual std::vector<std::pair<std::string, std::string>> WorkerTask() const { return {}; }
  // Merges the round's partial results, one per worker in worker order: either the result
  // document is made, or `followOn_` set for another round.
  virtual unsigned int Merge(const std::vector<KxCppHelperV1::XMLDocument>& partials, int* error) {
    (void)partials;
    return Refuse(kBadParameter, {"task", "no merge"}, error);
  }

  // The worker's task this peer runs (empty when it runs as one process or as the coordinator).
  const std::string& Task() const { return task_; }

  // Reads the parameters (refusing any not in `known`, "partition", or, in a worker's task,
  // `taskParameters`) and the "partition" choice, then parses the data model of one input.
  unsigned int InitializeInput(std::vector<std::string> known, int* error,
                               const std::vector<std::string>& taskParameters = {}) {
    const unsigned int status = ScanParameters(error);
    if (status != VnKx_1_2::StatusOk) return status;
    known.push_back("partition");
    task_ = Text(settings, "task", "");
    if (!task_.empty()) {
      known.push_back("task");
      known.insert(known.end(), taskParameters.begin(), taskParameters.end());
    }
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
    iterators_ = iterators;
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
  bool followOn_ = false;

 private:
  static bool PartialResult(KxWorker* worker, std::string& text) {
    std::vector<char> buffer(4096);
    size_t required = 0;
    int error = 0;
    unsigned int status =
        worker->getPartialResult(worker->handle, buffer.data(), buffer.size(), &required, &error);
    if (status == VnKx_1_2::StatusBufferTooSmall) {
      buffer.resize(required);
      status =
          worker->getPartialResult(worker->handle, buffer.data(), buffer.size(), &required, &error);
    }
    if (status != VnKx_1_2::StatusOk) return false;
    text.assign(buffer.data());
    return true;
  }

  std::string parameterText_;
  std::string task_;
  std::vector<KxWorker*> workers_;
  std::vector<KxIterator*> iterators_;
};

// A long double as text that reads back exactly (hexadecimal floating point), for partial
// results that must merge to what one process computes.
inline std::string Exact(long double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%La", value);
  return text;
}
inline long double FromExact(const std::string& text) {
  return std::strtold(text.c_str(), nullptr);
}

}  // namespace VnKxExample
