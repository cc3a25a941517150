#include "peer/VnPeer.h"

#include <new>

#include "context/ContextInfo.h"
#include "datamodel/DataModelParser.h"
#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/TextProtocol.h"
#include "peer/detail/ComponentPeerCancel.h"

namespace VnKx_1_2 {

using KxCppHelperV1::BufferHelper;
using KxCppHelperV1::HostHelper;
using KxCppHelperV1::XMLDocument;

VnPeer::VnPeer(KxContext* context, KxHost* host)
    : context_(context),
      hostHelper_(HostHelper::create(host)),
      cancelQuery_(std::make_unique<ComponentPeerCancel>(this)) {
  if (hostHelper_) errorDetail_ = hostHelper_->createNew("ErrorDetail");
}

VnPeer::~VnPeer() {
  DestroyParsers();
  hostHelper_.reset();
  cancelQuery_.reset();
}

void VnPeer::DestroyParsers() {
  for (DataModelParser*& parser : parsers) {
    delete parser;
    parser = nullptr;
  }
  parsers.clear();
}

VnCommon_1_2::VnQueryCancel* VnPeer::GetCancelQuery() const {
  return cancelQuery_.get();
}

unsigned int VnPeer::GetDataModel(int, char*, size_t, size_t*, int*) {
  return StatusFailed;
}

unsigned int VnPeer::GetExecutionRequirements(char* buffer, size_t size, size_t* required,
                                              int* /*error*/) {
  const XMLDocument requirements = exeRequirements_;
  if (!requirements.isValid()) return StatusNotAvailable;
  return AnswerDocument(requirements, buffer, size, required);
}

unsigned int VnPeer::GetInputIterator(int index, KxIterator** iterator, int* error) {
  if (context_ == nullptr || index < 0 || context_->getInputIterator == nullptr) {
    return StatusBadArgument;
  }
  return context_->getInputIterator(context_->handle, static_cast<std::int64_t>(index), iterator,
                                    error);
}

unsigned int VnPeer::BeginExecution(const std::vector<KxIterator*>& /*iterators*/,
                                    KxProgress* progressRecord, int* error) {
  const unsigned int status = progressRecord != nullptr ? StatusNotImplemented : StatusBadArgument;
  *error = static_cast<int>(status);
  return status;
}

unsigned int VnPeer::EndExecution(int* error) {
  dataHelper_ = nullptr;
  *error = StatusOk;
  return StatusOk;
}

unsigned int VnPeer::CancelExecution(int* /*error*/) {
  Cancel();
  return StatusOk;
}

void VnPeer::Cancel() {
  cancelled_.store(true);
  ++cancelsInFlight_;
  DataModelParser* parser = currentParser.load();
  if (parser != nullptr) parser->Cancel();
  --cancelsInFlight_;
}

unsigned int VnPeer::NextRecord(int*) {
  return StatusFailed;
}

unsigned int VnPeer::GetRecordValue(size_t, void**, size_t*, int*) {
  return StatusFailed;
}

unsigned int VnPeer::GetPSMControlInformation(char*, size_t, size_t*, int*) {
  return StatusNotImplemented;
}

unsigned int VnPeer::PSMMerge(int*) {
  return StatusNotImplemented;
}

unsigned int VnPeer::GetWorkerTask(KxWorker*, char* buffer1, size_t, size_t* required1,
                                   char* buffer2, size_t, size_t* required2, int* error) {
  buffer1[0] = '\0';
  buffer2[0] = '\0';
  *required1 = 0;
  *required2 = 0;
  *error = StatusOk;
  return StatusOk;
}

unsigned int VnPeer::GetWorkerDataModel(KxWorker*, size_t, char* buffer, size_t, size_t* required,
                                        int* error) {
  buffer[0] = '\0';
  *required = 0;
  *error = StatusOk;
  return StatusOk;
}

unsigned int VnPeer::GetWorkerIterator(KxWorker*, size_t, KxIterator**, int* error) {
  *error = StatusOk;
  return StatusOk;
}

unsigned int VnPeer::ReadWorkerInputContainer(KxWorker*, const char*, KxContainerFile**,
                                              int* error) {
  *error = StatusOk;
  return StatusOk;
}

unsigned int VnPeer::FollowOnTaskStartExe(KxWorker*, int* error) {
  *error = StatusOk;
  return StatusOk;
}

unsigned int VnPeer::FollowOnTaskEndExe(KxWorker*, int* error) {
  *error = StatusOk;
  return StatusOk;
}

unsigned int VnPeer::AnswerDocument(const XMLDocument& document, char* buffer, size_t size,
                                    size_t* required) {
  return KxCppHelperV1::AnswerText(document.doc2string(), buffer, size, required);
}

unsigned int VnPeer::RequestText(HostText which, std::int64_t input, BufferHelper& text,
                                 int* error) {
  if (context_ == nullptr) return StatusBadArgument;
  const KxContext& record = *context_;
  const bool hasEntry = which == HostText::kContext      ? record.getContextDocument != nullptr
                        : which == HostText::kParameters ? record.getParameterDocument != nullptr
                                                         : record.getDataModelDocument != nullptr;
  if (!hasEntry) return StatusBadArgument;
  try {
    return RequestTextFrom(record, which, input, text, error);
  } catch (const std::bad_alloc&) {
    // The host asked for a buffer larger than memory allows.
    return StatusDocumentError;
  }
}

unsigned int VnPeer::RequestTextFrom(const KxContext& record, HostText which, std::int64_t input,
                                     BufferHelper& text, int* error) {
  return KxCppHelperV1::RequestHostText(text, [&](char* buffer, size_t size, size_t* required) {
    switch (which) {
      case HostText::kContext:
        return record.getContextDocument(record.handle, buffer, size, required, error);
      case HostText::kParameters:
        return record.getParameterDocument(record.handle, buffer, size, required, error);
      case HostText::kDataModel:
        break;
    }
    return record.getDataModelDocument(record.handle, input, buffer, size, required, error);
  });
}

}  // namespace VnKx_1_2
