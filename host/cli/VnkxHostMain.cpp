// vnkx-host: runs component modules over CSV data as a host would, infers data models from CSV
// files, and checks data-model documents.

#include <unistd.h>
#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Version.h"
#include "external/hosthelper/HostHelper.h"
#include "host/ComponentRunner.h"
#include "host/CsvLoader.h"
#include "host/DataModelCheck.h"
#include "host/Messages.h"
#include "host/ResultPrinter.h"
#ifdef VNKX_WITH_MPI
#include "host/mpi/Cluster.h"
#include "host/mpi/DistributedRunner.h"
#endif

namespace {

// Exit statuses, as --help and the README state them.
constexpr int kExitOk = 0;
constexpr int kExitComponentFailed = 1;  // the component stopped with an error; check found errors
constexpr int kExitUsage = 2;            // bad options, unreadable or malformed input
constexpr int kExitCancelled = 130;      // Ctrl-C

constexpr const char* kExitCodes =
    "Exit status: 0 done; 1 the component stopped with an error (or check found errors); 2 bad "
    "options or input (a file missing or malformed); 130 cancelled with Ctrl-C.";

// Refuses to start when the result could not be written: a file that exists and is not
// writable, or a folder that does not exist or cannot be written to.
void RequireWritable(const std::string& path) {
  if (path.empty()) return;
  if (access(path.c_str(), F_OK) == 0) {
    if (access(path.c_str(), W_OK) != 0) {
      throw std::runtime_error("cannot write --output " + path + " (" + std::strerror(errno) + ")");
    }
    return;
  }
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    throw std::runtime_error("cannot write --output " + path + ": its folder " + folder + " (" +
                             std::strerror(errno) + ")");
  }
}

// The threads the host's pool has: one per processor.
int PoolSize() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// The CSV options from the command's words.
VnKxHost::CsvOptions CsvOptionsFrom(const std::string& delimiter, const std::string& encoding,
                                    const std::vector<std::string>& na) {
  VnKxHost::CsvOptions csv;
  if (delimiter == "auto") {
    csv.delimiter = '\0';
  } else if (delimiter == "tab" || delimiter == "\\t" || delimiter == "\t") {
    csv.delimiter = '\t';
  } else if (delimiter.size() == 1 && delimiter != "\"" && delimiter != "\n" && delimiter != "\r") {
    csv.delimiter = delimiter[0];
  } else {
    throw std::runtime_error("--delimiter takes one character, 'tab' or 'auto', not '" + delimiter +
                             "'");
  }
  if (encoding == "latin1" || encoding == "iso-8859-1" || encoding == "ISO-8859-1") {
    csv.latin1 = true;
  } else if (encoding != "utf-8" && encoding != "UTF-8" && encoding != "utf8") {
    throw std::runtime_error("--encoding takes utf-8 or latin1, not '" + encoding + "'");
  }
  csv.na = na;
  return csv;
}

std::atomic<bool> interrupted{false};

void OnInterrupt(int) {
  interrupted.store(true);
}

std::string ExecutableDirectory() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return ".";
  std::string text(path, static_cast<size_t>(length));
  return text.substr(0, text.rfind('/'));
}

// A bare component name ("describe") is looked for beside the program (a build tree) and where
// the package installs the components.
std::string ResolveComponent(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const std::string dir = ExecutableDirectory();
  for (const std::string& candidate : {dir + "/components/" + name + ".so",
                                       dir + "/" VNKX_INSTALLED_COMPONENTS "/" + name + ".so"}) {
    if (std::ifstream(candidate)) return candidate;
  }
  return name;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  if (!out || !(out << text)) throw std::runtime_error("cannot write " + path);
}

// A bar on a terminal, a line per tenth otherwise.
class ProgressDisplay {
 public:
  explicit ProgressDisplay(const char* what = "progress")
      : what_(what), terminal_(isatty(STDERR_FILENO) != 0) {}
  ~ProgressDisplay() {
    if (terminal_ && shown_) std::fprintf(stderr, "\r%60s\r", "");
  }
  void Show(double current, double total) {
    if (!(total > 0)) return;
    const int percent = static_cast<int>(100.0 * current / total);
    if (terminal_) {
      const int filled = percent / 5;
      std::fprintf(stderr, "\r%s [%.*s%.*s] %3d%%", what_, filled, "####################",
                   20 - filled, "....................", percent);
      shown_ = true;
    } else if (percent / 10 != last_ / 10) {
      std::fprintf(stderr, "%s: %d%%\n", what_, percent);
    }
    last_ = percent;
  }

 private:
  const char* what_;
  bool terminal_;
  bool shown_ = false;
  int last_ = -10;  // the first report shows whatever its tenth
};

struct Printing {
  VnKxHost::ResultFormat format = VnKxHost::ResultFormat::kTable;
  std::size_t maxCategories = 20;
};

// How a run under mpirun goes: the collectives' timeout, and whether each rank's traffic is
// reported.
struct Distribution {
  double timeout = 600;
  bool traffic = false;
};

#ifdef VNKX_WITH_MPI
// Runs the component as workers over the ranks; rank 0 prints. Returns the exit status of the
// run, or -1 at rank 0 with `outcome` to print.
int RunRanks(const VnKxHost::RunOptions& options, const Distribution& distribution, int* argc,
             char*** argv, VnKxHost::RunOutcome& outcome) {
  static VnKxHost::Cluster cluster(argc, argv);
  cluster.SetTimeout(distribution.timeout);
  try {
    outcome = VnKxHost::RunDistributed(options, cluster);
  } catch (const VnKxHost::DistributedFailure& e) {
    if (cluster.Rank() == 0) std::cerr << "vnkx-host: " << e.what() << "\n";
    return interrupted.load() ? kExitCancelled : e.status();
  }
  // Every rank knows whether rank 0 ran alone; then the others have long left, and there was no
  // traffic to count.
  if (distribution.traffic && outcome.ranAlone && cluster.Rank() == 0) {
    std::cerr << "traffic: none between ranks (the component ran on rank 0 alone)\n";
  } else if (distribution.traffic && !outcome.ranAlone) {
    const std::vector<std::string> sent =
        cluster.Gather(std::to_string(cluster.BytesSent()), "collecting the traffic counts");
    for (std::size_t r = 0; r < sent.size(); ++r) {
      std::cerr << "traffic: rank " << r << " sent " << sent[r] << " bytes\n";
    }
  }
  return cluster.Rank() == 0 ? -1 : kExitOk;
}
#endif

int Run(VnKxHost::RunOptions options, const std::string& output, bool quiet,
        const Printing& printing, const Distribution& distribution, int* argc, char*** argv) {
  options.component = ResolveComponent(options.component);
  ProgressDisplay display;
  options.onProgress = [&](double current, double total) {
    if (!quiet) display.Show(current, total);
    return !interrupted.load();
  };
  // Reading the CSV files shows progress and stops on Ctrl-C too.
  ProgressDisplay reading("reading");
  options.csv.onProgress = [&](double current, double total) {
    if (!quiet) reading.Show(current, total);
    return !interrupted.load();
  };
  std::signal(SIGINT, OnInterrupt);
  VnKxHost::RunOutcome outcome;
  try {
#ifdef VNKX_WITH_MPI
    if (VnKxHost::Cluster::Launched()) {
      const int status = RunRanks(options, distribution, argc, argv, outcome);
      if (status >= 0) return status;
    } else {
      outcome = VnKxHost::RunComponent(options);
    }
#else
    (void)distribution;
    (void)argc;
    (void)argv;
    // Started as one of several ranks by an MPI launcher, each would run the whole job alone.
    const char* ranks = std::getenv("OMPI_COMM_WORLD_SIZE");
    if (ranks == nullptr) ranks = std::getenv("PMI_SIZE");
    if (ranks != nullptr && std::atoi(ranks) > 1) {
      std::cerr << "vnkx-host: this vnkx-host was built without MPI and cannot run as workers; "
                   "run it without mpirun, or rebuild it with MPI (libopenmpi-dev) installed\n";
      return kExitUsage;
    }
    outcome = VnKxHost::RunComponent(options);
#endif
  } catch (const VnKxHost::CsvCancelled&) {
    std::cerr << "\nvnkx-host: cancelled while reading the data\n";
    return kExitCancelled;
  }
  for (const std::string& note : outcome.notes) std::cerr << "vnkx-host: note: " << note << "\n";
  if (!outcome.result.empty()) {
    const std::string shown =
        VnKxHost::FormatResult(outcome.result, printing.format, printing.maxCategories);
    std::cout << shown;
    // The file holds the chosen form; the table form is for the screen, so a file asked for
    // with it keeps the document itself.
    if (!output.empty()) {
      WriteFile(output,
                printing.format == VnKxHost::ResultFormat::kTable
                    ? VnKxHost::FormatResult(outcome.result, VnKxHost::ResultFormat::kXml, 0)
                    : shown);
    }
  }
  if (!outcome.diagnostics.empty()) {
    std::cerr << "\nDiagnostics:\n";
    for (const auto& d : outcome.diagnostics) std::cerr << "  " << VnKxHost::Describe(d) << "\n";
  }
  if (interrupted.load()) {
    std::cerr << "vnkx-host: cancelled\n";
    return kExitCancelled;
  }
  if (outcome.stage != "finished" || outcome.status != 0) {
    const std::string when = outcome.stage == "initialize" ? "while starting (reading its "
                                                             "parameters and data model)"
                             : outcome.stage == "execute"  ? "while running over the data"
                                                           : "at " + outcome.stage;
    std::cerr << "vnkx-host: the component stopped " << when
              << "; see the diagnostics above (status " << outcome.status << ", message "
              << outcome.error << ")\n";
    return kExitComponentFailed;
  }
  return kExitOk;
}

int Infer(const std::string& data, const std::string& output, VnKxHost::CsvOptions csv) {
  RequireWritable(output);
  ProgressDisplay reading("reading");
  csv.onProgress = [&](double current, double total) {
    reading.Show(current, total);
    return !interrupted.load();
  };
  std::signal(SIGINT, OnInterrupt);
  VnKxHost::LoadedInput input;
  try {
    input = VnKxHost::LoadCsv(data, csv);
  } catch (const VnKxHost::CsvCancelled&) {
    std::cerr << "\nvnkx-host: cancelled while reading the data\n";
    return kExitCancelled;
  }
  // What was decided for each column, one line each, beside the document.
  for (const VnKxHost::ColumnProfile& column : input.columns) {
    std::cerr << column.name << ": " << VnKxHost::StorageOf(column) << ", "
              << VnKxHost::MeasureOf(column) << " (" << column.values << " values, " << column.nulls
              << " missing";
    if (column.type == VnKxHost::ColumnType::kString) {
      if (column.tooManyCategories) {
        std::cerr << ", over " << VnKxHost::kMaxCategories << " categories: none declared";
      } else {
        std::cerr << ", " << column.categories.size() << " categories";
      }
    }
    std::cerr << ")\n";
  }
  KxCppHelperV1::XMLDocument doc = KxCppHelperV1::HostHelper::createFromContents(input.dataModel);
  const std::string text = doc.doc2prettyString();
  if (output.empty()) {
    std::cout << text;
  } else {
    WriteFile(output, text);
  }
  return kExitOk;
}

int Check(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path + " (" + std::strerror(errno) + ")");
  std::ostringstream text;
  text << in.rdbuf();
  const VnKxHost::CheckReport report = VnKxHost::CheckDataModel(text.str());
  std::cout << path << ": " << report.fields.size() << " fields, " << report.counts << "\n";
  for (const std::string& line : report.fields) std::cout << "  " << line << "\n";
  for (const auto& finding : report.findings) {
    std::cout << (finding.error ? "error: " : "warning: ")
              << (finding.field.empty() ? "" : finding.field + ": ") << finding.text << "\n";
  }
  if (report.findings.empty()) std::cout << "no problems found\n";
  return report.HasErrors() ? kExitComponentFailed : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"vnkx-host: drives modelling components over CSV data as their host does"};
  app.require_subcommand(0, 1);
  app.footer(kExitCodes);
  app.set_version_flag("--version", std::string("vnkx-host ") + VnKx_1_2::LibraryVersion());
  std::string delimiter = ",";
  std::string encoding = "utf-8";
  std::vector<std::string> na;
  const auto addCsvOptions = [&](CLI::App* command) {
    command
        ->add_option("--delimiter", delimiter,
                     "Cell separator: one character (',', ';', '|'), 'tab', or 'auto' to take "
                     "it from the header line")
        ->capture_default_str();
    command->add_option("--encoding", encoding, "The CSV's encoding: utf-8 or latin1")
        ->capture_default_str();
    command->add_option("--na", na,
                        "A cell text read as missing, in every column (repeatable); without it, "
                        "empty cells are missing, and NA in numeric columns");
  };

  VnKxHost::RunOptions options;
  std::string output;
  bool quiet = false;
  std::vector<std::string> parameters;
  CLI::App* run = app.add_subcommand("run", "Run a component over CSV inputs");
  run->add_option("component", options.component,
                  "Component module (a path, or the name of a bundled one such as describe)")
      ->required();
  run->add_option("data", options.data, "CSV files, one per input");
  run->add_option("--datamodel", options.dataModels,
                  "Data-model document per input (inferred from the data when not given)");
  run->add_option("--params", options.parametersFile, "Parameter document (XML)");
  run->add_option("--param", parameters,
                  "A parameter as NAME=VALUE (repeatable); weight=FIELD makes FIELD the "
                  "frequency weight (role freqWeight) of the data model");
  run->add_option("--threads", options.threads,
                  "Computation threads offered (at most the host's pool: one per processor)")
      ->capture_default_str();
  run->add_option("--seed", options.seed, "Random seed offered")->capture_default_str();
  run->add_option("--tempdir", options.tempDir, "Temporary directory offered")
      ->capture_default_str();
  run->add_option("--output", output, "Write the result document to this file");
  run->add_flag("--quiet", quiet, "No progress display");
  Distribution distribution;
  run->add_option("--timeout", distribution.timeout,
                  "Under mpirun: seconds a rank waits for the others at each exchange before it "
                  "stops the run")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  run->add_flag("--traffic", distribution.traffic,
                "Under mpirun: report the bytes each rank sent to the others");
  addCsvOptions(run);
  Printing printing;
  std::map<std::string, VnKxHost::ResultFormat> formats = {
      {"table", VnKxHost::ResultFormat::kTable},
      {"csv", VnKxHost::ResultFormat::kCsv},
      {"json", VnKxHost::ResultFormat::kJson},
      {"xml", VnKxHost::ResultFormat::kXml}};
  run->add_option("--format", printing.format,
                  "How the result is printed: table (the default), csv, json or xml (also the "
                  "form --output writes; with table it writes the XML)")
      ->transform(CLI::CheckedTransformer(formats));
  run->add_option("--max-categories", printing.maxCategories,
                  "Categories shown per field in the table form (0 for all)")
      ->capture_default_str();

  std::string data;
  CLI::App* infer = app.add_subcommand("infer", "Write the data model a host gives for a CSV file");
  infer->add_option("data", data, "CSV file")->required();
  infer->add_option("--output", output, "Write the document to this file");
  addCsvOptions(infer);

  std::string model;
  CLI::App* check = app.add_subcommand("check", "Parse a data model and report what looks wrong");
  check->add_option("datamodel", model, "Data-model document")->required();

  if (argc < 2) {
    std::cout << app.help();
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? kExitOk : kExitUsage;
  }
  if (app.get_subcommands().empty()) {
    std::cout << app.help();
    return kExitUsage;
  }
  try {
    if (run->parsed()) {
      if (options.threads < 1) {
        throw std::runtime_error("--threads must be 1 or more, not " +
                                 std::to_string(options.threads));
      }
      if (options.threads > PoolSize()) {
        std::cerr << "vnkx-host: note: --threads " << options.threads << " is more than the "
                  << PoolSize() << " threads of this host's pool; using " << PoolSize() << "\n";
        options.threads = PoolSize();
      }
      options.csv = CsvOptionsFrom(delimiter, encoding, na);
      RequireWritable(output);
      for (const std::string& parameter : parameters) {
        const size_t equals = parameter.find('=');
        if (equals == std::string::npos || equals == 0) {
          throw std::runtime_error("--param wants NAME=VALUE, not '" + parameter + "'");
        }
        // weight=FIELD is the host's: it makes FIELD the frequency weight of the data model.
        if (parameter.substr(0, equals) == "weight") {
          options.weightField = parameter.substr(equals + 1);
          continue;
        }
        options.parameters.emplace_back(parameter.substr(0, equals), parameter.substr(equals + 1));
      }
      return Run(options, output, quiet, printing, distribution, &argc, &argv);
    }
#ifdef VNKX_WITH_MPI
    // infer and check are one process's work: under mpirun, rank 0 does it and the rest leave.
    if (VnKxHost::Cluster::Launched() && VnKxHost::Cluster::LaunchedRank() != 0) return kExitOk;
#endif
    if (infer->parsed()) return Infer(data, output, CsvOptionsFrom(delimiter, encoding, na));
    return Check(model);
  } catch (const std::exception& e) {
    std::cerr << "vnkx-host: " << e.what() << "\n";
    return kExitUsage;
  }
}
