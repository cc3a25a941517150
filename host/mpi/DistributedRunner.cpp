#include "host/mpi/DistributedRunner.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLException.h"
#include "host/CsvLoader.h"
#include "host/SimContext.h"
#include "host/SimHost.h"
#include "host/SimProgress.h"
#include "host/SimThreadFactory.h"
#include "host/SimWorker.h"
#include "host/Wire.h"
#include "host/mpi/Cluster.h"
#include "peer/VnPeer.h"

namespace VnKxHost {
namespace {

using KxCppHelperV1::HostHelper;
using KxCppHelperV1::XMLDocument;
using KxCppHelperV1::XMLElement;

constexpr int kExitComponent = 1;
constexpr int kExitInput = 2;
// A component that keeps asking for follow-on rounds is stopped after this many.
constexpr int kMaxRounds = 64;

// A step that failed because the component said so (exit status 1, not 2).
class ComponentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs `work` on every rank, then every rank learns whether all went well: when one or more
// failed, each throws DistributedFailure with rank 0's report of who failed and why.
template <typename Work>
void Step(Cluster& cluster, const char* what, Work&& work) {
  int status = 0;
  std::string failure;
  try {
    work();
  } catch (const ComponentError& e) {
    status = kExitComponent;
    failure = e.what();
  } catch (const std::exception& e) {
    status = kExitInput;
    failure = e.what();
  }
  WireWriter mine;
  mine.Put(static_cast<std::int32_t>(status)).Put(failure);
  const std::vector<std::string> all = cluster.Gather(mine.Bytes(), what);
  WireWriter verdict;
  if (cluster.Rank() == 0) {
    int worst = 0;
    // Ranks that failed for the same reason are named together.
    std::vector<std::pair<std::string, std::vector<std::size_t>>> reasons;
    for (std::size_t r = 0; r < all.size(); ++r) {
      WireReader reader(all[r]);
      const auto rankStatus = reader.Get<std::int32_t>();
      const std::string text = reader.Text();
      if (rankStatus == 0) continue;
      worst = std::max(worst, static_cast<int>(rankStatus));
      auto same = std::find_if(reasons.begin(), reasons.end(),
                               [&](const auto& reason) { return reason.first == text; });
      if (same == reasons.end()) same = reasons.insert(reasons.end(), {text, {}});
      same->second.push_back(r);
    }
    std::string report;
    for (const auto& [text, failed] : reasons) {
      std::string names;
      for (const std::size_t r : failed) names += (names.empty() ? "" : ", ") + std::to_string(r);
      report += (report.empty() ? "" : "\n") + std::string(failed.size() > 1 ? "ranks " : "rank ") +
                names + " failed while " + what + ": " + text;
    }
    verdict.Put(static_cast<std::int32_t>(worst)).Put(report);
  }
  const std::string agreed = cluster.Broadcast(verdict.Bytes(), what);
  WireReader reader(agreed);
  const auto worst = reader.Get<std::int32_t>();
  const std::string report = reader.Text();
  if (worst != 0) throw DistributedFailure(report, worst);
}

void PutColumn(WireWriter& out, const ColumnProfile& column) {
  out.Put(column.name).Put(static_cast<std::int32_t>(column.type));
  out.Put(static_cast<std::uint64_t>(column.values)).Put(static_cast<std::uint64_t>(column.nulls));
  out.Put(static_cast<std::uint8_t>(column.tooManyCategories));
  out.Put(static_cast<std::uint64_t>(column.categories.size()));
  for (const auto& [text, count] : column.categories) {
    out.Put(text).Put(static_cast<std::uint64_t>(count));
  }
  out.Put(column.minimum).Put(column.maximum).Put(column.mean).Put(column.variance);
}

ColumnProfile GetColumn(WireReader& in) {
  ColumnProfile column;
  column.name = in.Text();
  column.type = static_cast<ColumnType>(in.Get<std::int32_t>());
  column.values = in.Get<std::uint64_t>();
  column.nulls = in.Get<std::uint64_t>();
  column.tooManyCategories = in.Get<std::uint8_t>() != 0;
  const auto categories = in.Get<std::uint64_t>();
  for (std::uint64_t i = 0; i < categories; ++i) {
    std::string text = in.Text();
    column.categories.emplace_back(std::move(text), in.Get<std::uint64_t>());
  }
  column.minimum = in.Get<double>();
  column.maximum = in.Get<double>();
  column.mean = in.Get<double>();
  column.variance = in.Get<double>();
  return column;
}

std::string EncodeColumns(const std::vector<ColumnProfile>& columns, std::size_t rows) {
  WireWriter out;
  out.Put(static_cast<std::uint64_t>(rows)).Put(static_cast<std::uint64_t>(columns.size()));
  for (const ColumnProfile& column : columns) PutColumn(out, column);
  return out.Bytes();
}

std::vector<ColumnProfile> DecodeColumns(const std::string& bytes, std::size_t& rows) {
  WireReader in(bytes);
  rows = in.Get<std::uint64_t>();
  std::vector<ColumnProfile> columns(in.Get<std::uint64_t>());
  for (ColumnProfile& column : columns) column = GetColumn(in);
  return columns;
}

std::string EncodeProfile(const RowProfile& profile) {
  WireWriter out;
  out.Put(EncodeColumns(profile.columns, profile.rows));
  for (std::size_t c = 0; c < profile.columns.size(); ++c) {
    const TypeCandidates& t = profile.candidates[c];
    out.Put(static_cast<std::uint8_t>(t.integer | t.real << 1 | t.date << 2 | t.time << 3 |
                                      t.timestamp << 4));
    out.Put(static_cast<std::uint64_t>(profile.naCells[c]));
  }
  return out.Bytes();
}

RowProfile DecodeProfile(const std::string& bytes) {
  WireReader in(bytes);
  RowProfile profile;
  profile.columns = DecodeColumns(in.Text(), profile.rows);
  for (std::size_t c = 0; c < profile.columns.size(); ++c) {
    const auto bits = in.Get<std::uint8_t>();
    TypeCandidates t;
    t.integer = (bits & 1) != 0;
    t.real = (bits & 2) != 0;
    t.date = (bits & 4) != 0;
    t.time = (bits & 8) != 0;
    t.timestamp = (bits & 16) != 0;
    profile.candidates.push_back(t);
    profile.naCells.push_back(in.Get<std::uint64_t>());
  }
  return profile;
}

// Loads this rank's share of input `i` and gives every rank the input's data model: the given
// one (read by rank 0) or the one inferred from the merged profiles of all shares.
void LoadShare(const RunOptions& options, std::size_t i, Cluster& cluster, LoadedInput& input) {
  const std::string& path = options.data[i];
  const bool given = i < options.dataModels.size() && !options.dataModels[i].empty();
  const bool coordinator = cluster.Rank() == 0;
  CsvOptions csv = options.csv;
  if (!coordinator) csv.onProgress = nullptr;  // rank 0 shows the progress of its share
  Step(cluster, "splitting the rows", [&] {
    std::tie(csv.rowsBegin, csv.rowsEnd) = RowShare(path, csv, cluster.Rank(), cluster.Size());
  });
  std::string model;
  if (given) {
    Step(cluster, "reading the data model", [&] {
      if (coordinator) model = ReadFile(options.dataModels[i], "data model");
    });
    model = cluster.Broadcast(model, "sending the data model");
    Step(cluster, "loading the rows", [&] { input = LoadCsvWithDataModel(path, model, csv); });
  } else {
    RowProfile profile;
    Step(cluster, "profiling the rows", [&] { profile = ProfileRows(path, csv); });
    const std::vector<std::string> profiles =
        cluster.Gather(EncodeProfile(profile), "collecting the row profiles");
    std::string decided;
    Step(cluster, "inferring the data model", [&] {
      if (!coordinator) return;
      RowProfile whole = DecodeProfile(profiles[0]);
      for (std::size_t r = 1; r < profiles.size(); ++r)
        MergeProfile(whole, DecodeProfile(profiles[r]));
      const std::size_t rows = whole.rows;
      decided = EncodeColumns(DecideColumns(std::move(whole)), rows);
    });
    decided = cluster.Broadcast(decided, "sending the column types");
    Step(cluster, "loading the rows", [&] {
      std::size_t rows = 0;
      input = LoadColumns(path, DecodeColumns(decided, rows), csv, profile.rows);
    });
    const std::vector<std::string> statistics = cluster.Gather(
        EncodeColumns(input.columns, input.rows), "collecting the column statistics");
    Step(cluster, "building the data model", [&] {
      if (!coordinator) return;
      std::size_t rows = 0;
      std::vector<ColumnProfile> columns = DecodeColumns(statistics[0], rows);
      for (std::size_t r = 1; r < statistics.size(); ++r) {
        std::size_t more = 0;
        MergeStatistics(columns, DecodeColumns(statistics[r], more));
        rows += more;
      }
      try {
        model = BuildDataModel(columns, rows);
      } catch (const KxCppHelperV1::XMLException& e) {
        throw CsvError(path, 0, 0, std::string("the file's text is not UTF-8 (") + e.what() + ")");
      }
    });
  }
  Step(cluster, "applying the weight", [&] {
    if (coordinator && !options.weightField.empty()) model = WithWeight(model, options.weightField);
  });
  input.dataModel = cluster.Broadcast(model, "sending the data model");
}

// The peer's diagnostics, or none when its detail cannot be read: a rank never stops on it, as
// the other ranks may be waiting for it.
std::vector<Diagnostic> Diagnostics(VnKx_1_2::VnPeer& peer) {
  try {
    return PeerDiagnostics(peer);
  } catch (const std::runtime_error&) {
    return {};
  }
}

// Throws ComponentError when a call of the peer failed: the call, its status and code, and the
// error diagnostics the peer collected.
void Require(unsigned int status, int error, const char* call, VnKx_1_2::VnPeer& peer) {
  if (status == 0) return;
  std::string text = std::string("the component's ") + call + " answered status " +
                     std::to_string(status) + " (message " + std::to_string(error) + ")";
  for (const Diagnostic& d : Diagnostics(peer)) {
    if (d.severity == "error" || d.severity == "fatal") text += "; " + Describe(d);
  }
  throw ComponentError(text);
}

// A worker's task from the coordinator's peer: the task document, the module that runs it
// (empty: the coordinator's), and per input its data model (empty: the coordinator's).
std::string FetchTask(VnKx_1_2::VnPeer& peer, SimWorker& worker, std::size_t inputs) {
  std::vector<char> task(4096), module(4096);
  std::size_t taskSize = 0, moduleSize = 0;
  int error = 0;
  auto ask = [&] {
    return peer.GetWorkerTask(worker.record(), task.data(), task.size(), &taskSize, module.data(),
                              module.size(), &moduleSize, &error);
  };
  unsigned int status = ask();
  if (status == 13) {
    task.resize(std::max(task.size(), taskSize));
    module.resize(std::max(module.size(), moduleSize));
    status = ask();
  }
  Require(status, error, "GetWorkerTask", peer);
  task.back() = module.back() = '\0';
  WireWriter out;
  out.Put(std::string(task.data())).Put(std::string(module.data()));
  for (std::size_t i = 0; i < inputs; ++i) {
    std::string model;
    status =
        FetchText([&](char* b, std::size_t s, std::size_t* r,
                      int* e) { return peer.GetWorkerDataModel(worker.record(), i, b, s, r, e); },
                  model, error);
    Require(status, error, "GetWorkerDataModel", peer);
    out.Put(model);
  }
  return out.Bytes();
}

// What the coordinator's control information asks for after a merge: another round or not.
bool WantsFollowOn(VnKx_1_2::VnPeer& peer) {
  std::string control;
  int error = 0;
  const unsigned int status =
      FetchText([&](char* b, std::size_t s, std::size_t* r,
                    int* e) { return peer.GetPSMControlInformation(b, s, r, e); },
                control, error);
  if (status == VnKx_1_2::StatusNotImplemented || control.empty()) return false;
  Require(status, error, "GetPSMControlInformation", peer);
  try {
    const XMLDocument doc = HostHelper::createFromContents(control);
    return doc.getAttribute("next") == "followOn";
  } catch (const KxCppHelperV1::XMLException& e) {
    throw ComponentError(std::string("the component's control information is not XML: ") +
                         e.what());
  }
}

std::string WorkerContext(const RunOptions& options, int rank, int ranks) {
  XMLDocument doc = HostHelper::createFromContents(ContextDocument(options));
  XMLElement worker = doc.getElement("Context").addElement("Worker");
  worker.addAttribute("index", std::int64_t{rank});
  worker.addAttribute("count", std::int64_t{ranks});
  return doc.doc2string();
}

}  // namespace

RunOutcome RunDistributed(const RunOptions& options, Cluster& cluster) {
  const int rank = cluster.Rank();
  const int ranks = cluster.Size();
  const bool coordinator = rank == 0;
  RunOutcome outcome;
  outcome.stage = coordinator ? "initialize" : "worker";

  std::vector<LoadedInput> inputs(options.data.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) LoadShare(options, i, cluster, inputs[i]);

  // The coordinator's peer: the whole data models, no cursor (it reads no rows itself).
  std::unique_ptr<ComponentModule> module;
  SimHost host;
  SimThreadFactory threads;
  SimContext context;
  PeerPointer peer(nullptr, PeerDeleter{nullptr});
  std::vector<std::unique_ptr<SimWorker>> workers;
  std::vector<std::string> tasks;
  bool alone = false;
  Step(cluster, "starting the component", [&] {
    module = std::make_unique<ComponentModule>(options.component);
    if (!coordinator) return;
    host.SetHostInformation(HostInformation(options));
    context.SetContextDocument(ContextDocument(options));
    context.SetParameterDocument(ParameterDocument(options));
    for (const LoadedInput& input : inputs) context.AddInput(input.dataModel);
    peer = PeerPointer(module->Create(context.record(), host.record(), threads.record()),
                       PeerDeleter{module.get()});
    if (!peer) throw ComponentError(options.component + " could not make its peer");
    outcome.status = peer->Initialize(&outcome.error);
    Require(outcome.status, outcome.error, "Initialize", *peer);
    for (int r = 0; r < ranks; ++r) {
      workers.push_back(std::make_unique<SimWorker>(r, ranks));
      tasks.push_back(FetchTask(*peer, *workers.back(), inputs.size()));
    }
    WireWriter empty;
    empty.Put(std::string()).Put(std::string());
    alone = tasks[0].compare(0, empty.Bytes().size(), empty.Bytes()) == 0;
  });
  if (cluster.Broadcast(alone ? "alone" : "workers", "choosing how to run") == "alone") {
    outcome.ranAlone = true;
    if (!coordinator) return outcome;
    peer.reset();
    RunOutcome whole = RunComponent(options);
    whole.ranAlone = true;
    whole.notes.insert(whole.notes.begin(),
                       "the component gives its workers no task (GetWorkerTask): it ran in rank 0 "
                       "alone, over all rows");
    return whole;
  }

  // Every rank's worker over its share.
  const std::string mine = cluster.Scatter(tasks, "sending the workers' tasks");
  std::unique_ptr<ComponentModule> ownModule;
  SimContext workerContext;
  SimProgress progress;
  SimWorker self(rank, ranks);
  PeerPointer worker(nullptr, PeerDeleter{nullptr});
  std::string partial;
  std::vector<KxIterator*> iterators;
  auto fetchPartial = [&] {
    int error = 0;
    partial.clear();
    const unsigned int status = FetchText([&](char* b, std::size_t s, std::size_t* r,
                                              int* e) { return worker->GetResult(b, s, r, e); },
                                          partial, error);
    Require(status, error, "GetResult (the worker's partial result)", *worker);
  };
  Step(cluster, "running the component's worker", [&] {
    WireReader task(mine);
    const std::string parameters = task.Text();
    const std::string modulePath = task.Text();
    if (!modulePath.empty()) ownModule = std::make_unique<ComponentModule>(modulePath);
    const ComponentModule& runs = ownModule ? *ownModule : *module;
    workerContext.SetContextDocument(WorkerContext(options, rank, ranks));
    workerContext.SetParameterDocument(parameters);
    for (const LoadedInput& input : inputs) {
      const std::string model = task.Text();
      workerContext.AddInput(model.empty() ? input.dataModel : model, &input.table);
    }
    worker = PeerPointer(runs.Create(workerContext.record(), host.record(), threads.record()),
                         PeerDeleter{&runs});
    if (!worker) throw ComponentError("the component could not make its worker's peer");
    if (coordinator) {
      progress.OnReport([&](double current, double total) {
        if (options.onProgress && !options.onProgress(current, total)) {
          int ignored = 0;
          worker->CancelExecution(&ignored);
        }
      });
    }
    int error = 0;
    unsigned int status = worker->Initialize(&error);
    Require(status, error, "Initialize (as a worker)", *worker);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      KxIterator* iterator = nullptr;
      status = worker->GetWorkerIterator(self.record(), i, &iterator, &error);
      Require(status, error, "GetWorkerIterator", *worker);
      if (iterator == nullptr) {
        status = worker->GetInputIterator(static_cast<int>(i), &iterator, &error);
        Require(status, error, "GetInputIterator", *worker);
      }
      iterators.push_back(iterator);
    }
    status = worker->BeginExecution(iterators, progress.record(), &error);
    Require(status, error, "BeginExecution (as a worker)", *worker);
    fetchPartial();
  });

  for (int round = 1;; ++round) {
    const std::vector<std::string> partials =
        cluster.Gather(partial, "collecting the partial results");
    bool followOn = false;
    Step(cluster, "merging the partial results", [&] {
      if (!coordinator) return;
      outcome.stage = "merge";
      for (int r = 0; r < ranks; ++r)
        workers[static_cast<std::size_t>(r)]->SetPartialResult(
            partials[static_cast<std::size_t>(r)]);
      outcome.status = peer->PSMMerge(&outcome.error);
      Require(outcome.status, outcome.error, "PSMMerge", *peer);
      followOn = WantsFollowOn(*peer);
      if (followOn && round == kMaxRounds) {
        throw ComponentError("the component asked for more than " + std::to_string(kMaxRounds) +
                             " rounds");
      }
      if (!followOn) return;
      tasks.clear();
      for (int r = 0; r < ranks; ++r) {
        tasks.push_back(FetchTask(*peer, *workers[static_cast<std::size_t>(r)], 0));
      }
    });
    if (cluster.Broadcast(followOn ? "followOn" : "result", "choosing the next round") !=
        "followOn") {
      break;
    }
    const std::string next = cluster.Scatter(tasks, "sending the follow-on tasks");
    Step(cluster, "running the worker's follow-on task", [&] {
      WireReader task(next);
      workerContext.SetParameterDocument(task.Text());
      int error = 0;
      unsigned int status = worker->FollowOnTaskStartExe(self.record(), &error);
      Require(status, error, "FollowOnTaskStartExe", *worker);
      fetchPartial();
      status = worker->FollowOnTaskEndExe(self.record(), &error);
      Require(status, error, "FollowOnTaskEndExe", *worker);
    });
  }

  // The workers' warnings and notes reach the user once each, beside the coordinator's.
  WireWriter detail;
  const std::vector<Diagnostic> said = Diagnostics(*worker);
  detail.Put(static_cast<std::uint64_t>(said.size()));
  for (const Diagnostic& d : said) {
    detail.Put(d.severity).Put(static_cast<std::int64_t>(d.code));
    detail.Put(static_cast<std::uint64_t>(d.parameters.size()));
    for (const std::string& p : d.parameters) detail.Put(p);
  }
  const std::vector<std::string> details = cluster.Gather(detail.Bytes(), "collecting diagnostics");
  int error = 0;
  worker->EndExecution(&error);
  if (!coordinator) return outcome;

  outcome.diagnostics = Diagnostics(*peer);
  for (const std::string& bytes : details) {
    WireReader in(bytes);
    for (auto n = in.Get<std::uint64_t>(); n > 0; --n) {
      Diagnostic d;
      d.severity = in.Text();
      d.code = in.Get<std::int64_t>();
      for (auto k = in.Get<std::uint64_t>(); k > 0; --k) d.parameters.push_back(in.Text());
      const bool known = std::any_of(
          outcome.diagnostics.begin(), outcome.diagnostics.end(),
          [&](const Diagnostic& o) { return o.code == d.code && o.parameters == d.parameters; });
      if (!known) outcome.diagnostics.push_back(std::move(d));
    }
  }
  const unsigned int status = FetchText(
      [&](char* b, std::size_t s, std::size_t* r, int* e) { return peer->GetResult(b, s, r, e); },
      outcome.result, error);
  if (status != 0) {
    outcome.status = status;
    outcome.error = error;
    peer->EndExecution(&error);
    return outcome;
  }
  outcome.stage = "finished";
  outcome.progressReports = progress.Reports().size();
  peer->EndExecution(&error);
  return outcome;
}

}  // namespace VnKxHost
