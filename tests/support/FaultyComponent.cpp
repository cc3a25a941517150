// A component for the distributed runner's fault tests: it counts its records as workers and
// merges the counts, and fails on purpose where its parameters say. Parameters: "fault"
// (none, component, kill, hang, merge, or noworkers: it gives no worker tasks) and "rank" (the
// worker that fails).

#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "external/hosthelper/DataHelper.h"
#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/KxWorker.h"
#include "peer/ComponentModule.h"
#include "peer/VnPeer.h"

namespace {

constexpr int kInjected = 990001;

class FaultyComponent : public VnKx_1_2::VnPeer {
 public:
  FaultyComponent(KxContext* context, KxHost* host, KxThreadFactoryStruct*)
      : VnPeer(context, host) {}

  unsigned int Initialize(int* error) override { return ScanParameters(error); }

  unsigned int GetWorkerTask(KxWorker* worker, char* buffer1, size_t size1, size_t* required1,
                             char* buffer2, size_t size2, size_t* required2, int* error) override {
    if (fault_ == "noworkers") {
      return VnPeer::GetWorkerTask(worker, buffer1, size1, required1, buffer2, size2, required2,
                                   error);
    }
    std::int64_t index = 0, count = 0;
    worker->getWorkerIndex(worker->handle, &index, &count, error);
    if (workers_.size() != static_cast<size_t>(count)) workers_.resize(static_cast<size_t>(count));
    workers_[static_cast<size_t>(index)] = worker;
    const std::string task = "<Parameters><Parameter name='fault' value='" + fault_ +
                             "'/><Parameter name='rank' value='" + std::to_string(rank_) +
                             "'/><Parameter name='index' value='" + std::to_string(index) +
                             "'/></Parameters>";
    *required1 = task.size() + 1;
    *required2 = 1;
    if (size1 < *required1 || size2 < 1) return VnKx_1_2::StatusBufferTooSmall;
    std::memcpy(buffer1, task.c_str(), task.size() + 1);
    buffer2[0] = '\0';
    return VnKx_1_2::StatusOk;
  }

  unsigned int BeginExecution(const std::vector<KxIterator*>& iterators, KxProgress*,
                              int* error) override {
    if (index_ == rank_) {
      if (fault_ == "component") return Fail(error);
      if (fault_ == "kill") std::raise(SIGKILL);
      if (fault_ == "hang") {
        for (;;) pause();
      }
    }
    KxCppHelperV1::DataHelper data(iterators.at(0));
    std::uint64_t rows = 0;
    while (data.nextRecord()) ++rows;
    if (index_ < 0) {
      Publish(rows);  // one process: the whole result
    } else {
      resultDocument = KxCppHelperV1::HostHelper::createNew("Partial");
      resultDocument.addAttribute("rows", std::to_string(rows));
    }
    *error = 0;
    return VnKx_1_2::StatusOk;
  }

  unsigned int PSMMerge(int* error) override {
    if (fault_ == "merge") return Fail(error);
    std::uint64_t rows = 0;
    for (KxWorker* worker : workers_) {
      char text[256];
      size_t required = 0;
      int ignored = 0;
      if (worker->getPartialResult(worker->handle, text, sizeof(text), &required, &ignored) != 0) {
        return Fail(error);
      }
      rows += std::stoull(KxCppHelperV1::HostHelper::createFromContents(text).getAttribute("rows"));
    }
    Publish(rows);
    *error = 0;
    return VnKx_1_2::StatusOk;
  }

  unsigned int GetResult(char* buffer, size_t size, size_t* required, int* error) override {
    if (!resultDocument.isValid()) return VnKx_1_2::StatusNotAvailable;
    *error = 0;
    return AnswerDocument(resultDocument, buffer, size, required);
  }

 protected:
  unsigned int ApplyParameters(KxCppHelperV1::XMLDocument& parameters, int* error) override {
    for (auto it = parameters.getElements("Parameter"); it.hasMore();) {
      const KxCppHelperV1::XMLElement parameter = it.next();
      const std::string name = parameter.getAttribute("name");
      const std::string value = parameter.getAttribute("value");
      if (name == "fault") fault_ = value;
      if (name == "rank") rank_ = std::stoi(value);
      if (name == "index") index_ = std::stoi(value);
    }
    *error = 0;
    return VnKx_1_2::StatusOk;
  }

 private:
  void Publish(std::uint64_t rows) {
    resultDocument = KxCppHelperV1::HostHelper::createNew("Result");
    resultDocument.addAttribute("component", "faulty");
    KxCppHelperV1::XMLElement note = resultDocument.addElement("Note");
    note.addAttribute("name", "rows");
    note.addAttribute("value", std::to_string(rows));
  }

  unsigned int Fail(int* error) {
    int ignored = 0;
    CollectMsgs(Error, kInjected, {"injected " + fault_ + " fault"}, &ignored);
    *error = kInjected;
    return VnKx_1_2::StatusFailed;
  }

  std::string fault_ = "none";
  int rank_ = -1;
  int index_ = -1;  // the worker's index; -1 in one process
  std::vector<KxWorker*> workers_;
};

}  // namespace

VNKX_DEFINE_COMPONENT(FaultyComponent)
