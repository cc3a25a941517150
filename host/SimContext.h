#pragma once

// A simulated execution context (KxContext): the context and parameter documents, one data
// model and one cursor per input, fault injection per entry, and a log of every call.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "external/hosthelper/KxRecords.h"
#include "host/EntryFault.h"
#include "host/SimIterator.h"
#include "host/Table.h"

namespace VnKxHost {

class SimContext {
 public:
  // The context record's entries by slot.
  enum Slot {
    kContextDocument = 1,
    kParameterDocument = 2,
    kDataModelDocument = 3,
    kInputIterator = 12
  };

  struct Call {
    int slot;
    std::int64_t input;  // -1 for entries without an input
    std::size_t size;    // the buffer size offered (0 for the iterator entry)
    unsigned int status;
  };

  SimContext();
  SimContext(const SimContext&) = delete;
  SimContext& operator=(const SimContext&) = delete;
  ~SimContext();

  KxContext* record() { return &record_; }

  void SetContextDocument(std::string text) { contextDocument_ = std::move(text); }
  void SetParameterDocument(std::string text) { parameterDocument_ = std::move(text); }
  // Adds an input with its data-model text and, optionally, the table its cursor walks (the
  // table must outlive the context). Returns the input's index.
  int AddInput(std::string dataModel, const Table* table = nullptr);
  void SetDataModel(int input, std::string text) { inputs_.at(input).dataModel = std::move(text); }
  // The cursor of an input that was given a table.
  SimIterator& Iterator(int input) { return *inputs_.at(input).iterator; }
  std::size_t InputCount() const { return inputs_.size(); }

  // The fault settings of an entry (slot 1, 2, 3 or 12). For slot 12 only `status` and
  // `errorCode` apply.
  EntryFault& Fault(Slot slot);

  const std::vector<Call>& Calls() const { return calls_; }
  std::size_t CallCount(Slot slot) const;
  void ClearCalls() { calls_.clear(); }

 private:
  struct Input {
    std::string dataModel;
    std::unique_ptr<SimIterator> iterator;
  };
  static unsigned int ContextDocument(void* handle, char* buffer, std::size_t size,
                                      std::size_t* required, int* error);
  static unsigned int ParameterDocument(void* handle, char* buffer, std::size_t size,
                                        std::size_t* required, int* error);
  static unsigned int DataModelDocument(void* handle, std::int64_t input, char* buffer,
                                        std::size_t size, std::size_t* required, int* error);
  static unsigned int InputIterator(void* handle, std::int64_t input, KxIterator** iterator,
                                    int* error);
  bool HasInput(std::int64_t input) const {
    return input >= 0 && static_cast<std::size_t>(input) < inputs_.size();
  }

  KxContext record_;
  std::string contextDocument_;
  std::string parameterDocument_;
  std::vector<Input> inputs_;
  EntryFault contextFault_;
  EntryFault parameterFault_;
  EntryFault dataModelFault_;
  EntryFault iteratorFault_;
  std::vector<Call> calls_;
};

}  // namespace VnKxHost
