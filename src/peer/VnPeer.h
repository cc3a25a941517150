#pragma once

// The base of every component peer. The host creates a concrete peer with its context record
// and host handle and drives it through the public virtual operations below, in slot order;
// the base answers each with a default status. The peer owns its HostHelper, its cancel-query
// object, its error-detail document and its data-model parsers; it never frees a host record
// or the DataHelper it is given. One thread at a time, except CancelExecution, which the host
// may call from another thread while the peer works.
//
// Every host-facing operation returns a status (PeerStatus) and takes an int* error argument
// last; whether it stores through it is stated with each operation.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VnKxExport.h"
#include "base/Status.h"
#include "external/hosthelper/BufferHelper.h"
#include "external/hosthelper/DataHelper.h"
#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/KxRecords.h"
#include "external/hosthelper/XMLDocument.h"
#include "peer/VnPeerHostInfo.h"

namespace VnCommon_1_2 {
class VnQueryCancel;
}

namespace VnKx_1_2 {

class ComponentPeerCancel;
class ContextInfo;
class DataModelParser;

class VNKX_API VnPeer {
 public:
  // Severity of a collected diagnostic; any other value is written as unknown.
  enum MsgType { Information = 1, Warning = 2, Error = 3, Fatal = 4 };

  // Stores the handles (neither is owned), creates the HostHelper (none for a null host), the
  // cancel-query object and the empty "ErrorDetail" document.
  VnPeer(KxContext* context, KxHost* host);
  VnPeer(const VnPeer&) = delete;
  VnPeer& operator=(const VnPeer&) = delete;

  // Slot 0. Destroys the parsers, the HostHelper, the cancel-query object and the documents.
  virtual ~VnPeer();

  // Slot 1, the concrete peer's: prepares the component after construction (typically reads
  // its parameters, context and data models and sets its execution requirements).
  virtual unsigned int Initialize(int* error) = 0;
  // Slot 2. Returns StatusFailed; writes nothing.
  virtual unsigned int GetDataModel(int index, char* buffer, size_t size, size_t* required,
                                    int* error);
  // Slot 3. The execution requirements by the two-call text protocol: StatusNotAvailable
  // before SetExeRequirements, StatusBufferTooSmall (with *required) when `size` is short.
  // Never stores through `error`.
  virtual unsigned int GetExecutionRequirements(char* buffer, size_t size, size_t* required,
                                                int* error);
  // Slot 4. Asks the context for input `index`'s cursor; StatusBadArgument (nothing touched)
  // without a context or for a negative index, else the host's status and error unchanged.
  virtual unsigned int GetInputIterator(int index, KxIterator** iterator, int* error);
  // Slot 5. Stores and returns StatusNotImplemented, or StatusBadArgument for a null
  // `progress`; keeps neither argument.
  virtual unsigned int BeginExecution(const std::vector<KxIterator*>& iterators,
                                      KxProgress* progress, int* error);
  // Slot 6, the concrete peer's: hands the component's result document to the host by the
  // two-call text protocol (AnswerDocument does the protocol).
  virtual unsigned int GetResult(char* buffer, size_t size, size_t* required, int* error) = 0;
  // Slot 7. Forgets (does not delete) the DataHelper; stores and returns StatusOk.
  virtual unsigned int EndExecution(int* error);
  // Slot 8. Cancels (see Cancel); returns StatusOk without storing.
  virtual unsigned int CancelExecution(int* error);
  // Slots 9 and 10. Return StatusFailed; write nothing.
  virtual unsigned int NextRecord(int* error);
  virtual unsigned int GetRecordValue(size_t column, void** value, size_t* size, int* error);
  // Slot 11. Hands the collected diagnostics over by the two-call text protocol and starts an
  // empty document after a complete hand-over. Stores and returns StatusDocumentError without
  // a HostHelper, StatusBufferTooSmall (document kept) when `size` is short, else StatusOk.
  virtual unsigned int GetErrorDetail(char* buffer, size_t size, size_t* required, int* error);
  // Slots 12 and 13. Return StatusNotImplemented; write nothing.
  virtual unsigned int GetPSMControlInformation(char* buffer, size_t size, size_t* required,
                                                int* error);
  virtual unsigned int PSMMerge(int* error);
  // Slot 14. Empties both texts, sets both sizes to 0, stores and returns StatusOk.
  virtual unsigned int GetWorkerTask(KxWorker* worker, char* buffer1, size_t size1,
                                     size_t* required1, char* buffer2, size_t size2,
                                     size_t* required2, int* error);
  // Slot 15. Empties the text, sets the size to 0, stores and returns StatusOk.
  virtual unsigned int GetWorkerDataModel(KxWorker* worker, size_t index, char* buffer, size_t size,
                                          size_t* required, int* error);
  // Slots 16 to 19. Store and return StatusOk; out arguments are not written.
  virtual unsigned int GetWorkerIterator(KxWorker* worker, size_t index, KxIterator** iterator,
                                         int* error);
  virtual unsigned int ReadWorkerInputContainer(KxWorker* worker, const char* name,
                                                KxContainerFile** container, int* error);
  virtual unsigned int FollowOnTaskStartExe(KxWorker* worker, int* error);
  virtual unsigned int FollowOnTaskEndExe(KxWorker* worker, int* error);

  KxContext* GetKxContextHandle() { return context_; }
  bool WasCancelled() const { return cancelled_.load(); }
  // Answers the peer's cancelled flag to whoever polls it; owned by the peer.
  VnCommon_1_2::VnQueryCancel* GetCancelQuery() const;

  // Diagnostics. Each adds one entry to the error-detail document and stores and returns
  // StatusOk, or stores and returns StatusDocumentError (document unchanged) without a
  // HostHelper. Document exceptions pass through.
  unsigned int CollectMsgs(MsgType type, int code, const std::vector<std::string>& parameters,
                           int* error);
  unsigned int CollectMsgs(MsgType type, int code, int* error);
  unsigned int SendWarningMessage(int code, const std::vector<std::string>& parameters, int* error);
  unsigned int SendWarningMessage(int code, int* error);

  // Forwards progress to the progress record with -1 as its flag and returns the host's status
  // (whatever the host stores in `error` stays). StatusBadArgument without touching `error`
  // when there is no progress record, when total < current or when either is NaN.
  unsigned int Report_Progress(double current, double total, int* error);

 protected:
  // Slot 20, the concrete peer's: receives the parsed parameter document from ScanParameters.
  virtual unsigned int ApplyParameters(KxCppHelperV1::XMLDocument& parameters, int* error) = 0;

  void SetExeRequirements(KxCppHelperV1::XMLDocument requirements) {
    exeRequirements_ = requirements;
  }
  KxCppHelperV1::XMLDocument GetExeRequirements() const { return exeRequirements_; }
  void SetDataHelper(KxCppHelperV1::DataHelper* helper) { dataHelper_ = helper; }
  KxCppHelperV1::DataHelper* GetDataHelper() const { return dataHelper_; }
  // Sets the cancelled flag (once and for good) and cancels the parser of input 0.
  void Cancel();

  // Host information: StatusDocumentError when the host reports an error (`info` untouched,
  // `*error` its code) or the document cannot be read (fields read so far kept).
  unsigned int GetHostInformation(VnPeerHostInfo& info, int* error);
  // The model-library list file: the library path of the host information with up to four
  // trailing components cut off, followed by "\config\modeldll.txt". StatusDocumentError and
  // an empty `path` when the document cannot be read.
  unsigned int GetModelDllTxtFilePath(std::string& path, int* error);
  // Fetches the parameter document and hands it to ApplyParameters, returning its status; the
  // host's status when the fetch fails; StatusDocumentError when the text is not a document.
  unsigned int ScanParameters(int* error);
  // Stores and returns StatusNotImplemented; the base offers no file look-up.
  unsigned int GetFilePath(std::string name, std::string& path, int* error);
  // Fetches the context document and converts it into `info`: the host's status when the
  // fetch fails, StatusDocumentError when the text is not a document or lacks a context name.
  unsigned int GetContextInformation(ContextInfo& info, int* error);

  // Fetches and parses the data models of inputs 0 to inputCount - 1, one parser per input
  // (the parsers of an earlier call are destroyed when input 0 is reached). Returns StatusOk,
  // the host's status when a fetch fails, StatusParseFailed for text that is not XML or a
  // field that cannot be built, StatusCancelled (with MsgCancelled) once cancelled.
  unsigned int ParseDataModel(int* error, bool defaultRange, int inputCount);
  // Adds a sample field-formats block to a valid document's root.
  void TestParseFieldFormats(KxCppHelperV1::XMLDocument& document);

  // Answers the host by the two-call text protocol with `document`'s text: StatusOk after
  // copying it, StatusBufferTooSmall (nothing copied) when `size` is short; *required is set
  // in both cases. Stores nothing.
  static unsigned int AnswerDocument(const KxCppHelperV1::XMLDocument& document, char* buffer,
                                     size_t size, size_t* required);

  KxProgress* progress = nullptr;
  // A document of the concrete peer's own (for instance its result); the base never uses it.
  KxCppHelperV1::XMLDocument resultDocument;
  // The parser of input 0 of the latest ParseDataModel, the target of cancellation; owned
  // through `parsers`. Atomic because the host cancels from another thread.
  std::atomic<DataModelParser*> currentParser{nullptr};
  // One parser per parsed input, in input order; owned by the peer.
  std::vector<DataModelParser*> parsers;

 private:
  enum class HostText { kContext, kParameters, kDataModel };
  // Fetches text through one of the context's text entries by the two-call protocol; the
  // host's status, StatusBadArgument without a context or an entry, StatusDocumentError when
  // the size the host asks for is beyond the limit or cannot be allocated.
  unsigned int RequestText(HostText which, std::int64_t input, KxCppHelperV1::BufferHelper& text,
                           int* error);
  static unsigned int RequestTextFrom(const KxContext& record, HostText which, std::int64_t input,
                                      KxCppHelperV1::BufferHelper& text, int* error);
  unsigned int AddDiagnostic(const char* severity, int code,
                             const std::vector<std::string>& parameters, int* error);
  void DestroyParsers();

  KxContext* context_;
  KxCppHelperV1::XMLDocument exeRequirements_;
  KxCppHelperV1::XMLDocument errorDetail_;
  KxCppHelperV1::DataHelper* dataHelper_ = nullptr;
  std::unique_ptr<KxCppHelperV1::HostHelper> hostHelper_;
  std::atomic<bool> cancelled_{false};
  // Cancels that are forwarding to a parser right now; parsers are destroyed only at zero.
  std::atomic<int> cancelsInFlight_{0};
  std::unique_ptr<ComponentPeerCancel> cancelQuery_;
};

}  // namespace VnKx_1_2
