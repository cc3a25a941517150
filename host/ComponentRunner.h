#pragma once

// Drives a component module end to end as a host does: loads the module, serves the context,
// parameter and data-model documents and one cursor per input from the simulator, initialises
// the peer, starts the execution with a progress record, and collects the result and the
// diagnostics. Setup problems (a module that cannot be loaded, unreadable data or documents)
// throw std::runtime_error with a one-line reason; what the component reports comes back in
// the outcome.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "external/hosthelper/KxRecords.h"
#include "host/CsvLoader.h"
#include "host/Messages.h"

namespace VnKx_1_2 {
class VnPeer;
}

namespace VnKxHost {

struct RunOptions {
  std::string component;                // path of the component module
  std::vector<std::string> data;        // one CSV file per input
  std::vector<std::string> dataModels;  // per input: a data-model file, or empty to infer
  std::string parametersFile;           // a parameter document, or empty
  std::vector<std::pair<std::string, std::string>> parameters;  // added as name/value parameters
  CsvOptions csv;                                               // how the CSV files are read
  // A field whose role the host sets to freqWeight in each input's data model (the command's
  // --param weight=FIELD), or empty.
  std::string weightField;
  int threads = 2;
  int seed = 0;
  std::string tempDir = "/tmp";
  // Called with every progress report; returning false asks the component to cancel.
  std::function<bool(double current, double total)> onProgress;
};

struct RunOutcome {
  std::vector<std::string> notes;  // what the host decided on the user's behalf
  std::string stage;               // the last stage reached: "initialize", "execute", "finished"
  unsigned int status = 0;         // the status of that stage's call
  int error = 0;                   // the code it stored
  std::string result;              // the component's result document (empty when none)
  std::vector<Diagnostic> diagnostics;
  std::size_t progressReports = 0;
  bool ranAlone = false;  // under mpirun: the component ran on rank 0 alone (no workers)
};

// A loaded component module; unloads it when destroyed.
class ComponentModule {
 public:
  // Throws std::runtime_error naming the path and the loader's reason.
  explicit ComponentModule(const std::string& path);
  ~ComponentModule();
  ComponentModule(const ComponentModule&) = delete;
  ComponentModule& operator=(const ComponentModule&) = delete;

  VnKx_1_2::VnPeer* Create(KxContext* context, KxHost* host, KxThreadFactoryStruct* threads) const;
  void Destroy(VnKx_1_2::VnPeer* peer) const;

 private:
  void* handle_;
  void* create_;
  void* destroy_;
};

// A text fetched by the two-call protocol: the call as a peer's text entry.
using TextFetch =
    std::function<unsigned int(char* buffer, std::size_t size, std::size_t* required, int* error)>;
// Fetches a text (a 4 KiB buffer, then one of the size asked for); the status of the last call.
unsigned int FetchText(const TextFetch& fetch, std::string& text, int& error);

// A file's bytes; throws std::runtime_error naming the file as `what`.
std::string ReadFile(const std::string& path, const char* what);
// The data model with `weight` as its frequency weight: that field's role becomes freqWeight,
// and a field that had the role before takes input. Throws std::runtime_error for a name that
// is no numeric field.
std::string WithWeight(const std::string& dataModel, const std::string& weight);

// Destroys a peer through the module that made it.
struct PeerDeleter {
  const ComponentModule* module;
  void operator()(VnKx_1_2::VnPeer* peer) const { module->Destroy(peer); }
};
using PeerPointer = std::unique_ptr<VnKx_1_2::VnPeer, PeerDeleter>;

// The diagnostics of the peer's error detail; none when the peer gives no detail. Throws
// std::runtime_error for a detail that is not an error-detail document.
std::vector<Diagnostic> PeerDiagnostics(VnKx_1_2::VnPeer& peer);

// Runs the component; see the header comment for what throws.
RunOutcome RunComponent(const RunOptions& options);

// The host-information document that RunComponent serves.
std::string HostInformation(const RunOptions& options);
// The context document that RunComponent serves.
std::string ContextDocument(const RunOptions& options);
// The parameter document: the file's (or an empty one) with the name/value parameters added.
std::string ParameterDocument(const RunOptions& options);

}  // namespace VnKxHost
