#include "host/SimContext.h"

namespace VnKxHost {
namespace {

constexpr unsigned int kBadArgument = 2;

SimContext& Self(void* handle) {
  return *static_cast<SimContext*>(handle);
}

}  // namespace

SimContext::SimContext() : record_() {
  record_.handle = this;
  record_.getContextDocument = &SimContext::ContextDocument;
  record_.getParameterDocument = &SimContext::ParameterDocument;
  record_.getDataModelDocument = &SimContext::DataModelDocument;
  record_.getInputIterator = &SimContext::InputIterator;
}

SimContext::~SimContext() = default;

int SimContext::AddInput(std::string dataModel, const Table* table) {
  Input input;
  input.dataModel = std::move(dataModel);
  if (table != nullptr) input.iterator = std::make_unique<SimIterator>(*table);
  inputs_.push_back(std::move(input));
  return static_cast<int>(inputs_.size() - 1);
}

EntryFault& SimContext::Fault(Slot slot) {
  switch (slot) {
    case kContextDocument:
      return contextFault_;
    case kParameterDocument:
      return parameterFault_;
    case kDataModelDocument:
      return dataModelFault_;
    case kInputIterator:
      return iteratorFault_;
  }
  return iteratorFault_;
}

std::size_t SimContext::CallCount(Slot slot) const {
  std::size_t count = 0;
  for (const Call& call : calls_) count += call.slot == slot ? 1 : 0;
  return count;
}

unsigned int SimContext::ContextDocument(void* handle, char* buffer, std::size_t size,
                                         std::size_t* required, int* error) {
  SimContext& self = Self(handle);
  const unsigned int status =
      AnswerTextRequest(self.contextFault_, self.contextDocument_, buffer, size, required, error);
  self.calls_.push_back(Call{kContextDocument, -1, size, status});
  return status;
}

unsigned int SimContext::ParameterDocument(void* handle, char* buffer, std::size_t size,
                                           std::size_t* required, int* error) {
  SimContext& self = Self(handle);
  const unsigned int status = AnswerTextRequest(self.parameterFault_, self.parameterDocument_,
                                                buffer, size, required, error);
  self.calls_.push_back(Call{kParameterDocument, -1, size, status});
  return status;
}

unsigned int SimContext::DataModelDocument(void* handle, std::int64_t input, char* buffer,
                                           std::size_t size, std::size_t* required, int* error) {
  SimContext& self = Self(handle);
  unsigned int status = kBadArgument;
  if (self.HasInput(input)) {
    status = AnswerTextRequest(self.dataModelFault_,
                               self.inputs_[static_cast<std::size_t>(input)].dataModel, buffer,
                               size, required, error);
  } else {
    *error = static_cast<int>(kBadArgument);
  }
  self.calls_.push_back(Call{kDataModelDocument, input, size, status});
  return status;
}

unsigned int SimContext::InputIterator(void* handle, std::int64_t input, KxIterator** iterator,
                                       int* error) {
  SimContext& self = Self(handle);
  unsigned int status = 0;
  if (self.iteratorFault_.status != 0) {
    *error = self.iteratorFault_.errorCode;
    status = self.iteratorFault_.status;
  } else if (!self.HasInput(input) || !self.inputs_[static_cast<std::size_t>(input)].iterator) {
    *error = static_cast<int>(kBadArgument);
    status = kBadArgument;
  } else {
    *iterator = self.inputs_[static_cast<std::size_t>(input)].iterator->record();
    *error = 0;
  }
  self.calls_.push_back(Call{kInputIterator, input, 0, status});
  return status;
}

}  // namespace VnKxHost
