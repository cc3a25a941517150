// vnkx-host: runs component modules over CSV data as a host would, infers data models from CSV
// files, and checks data-model documents.

#include <unistd.h>
#include <CLI/CLI.hpp>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "external/hosthelper/HostHelper.h"
#include "host/ComponentRunner.h"
#include "host/CsvLoader.h"
#include "host/DataModelCheck.h"
#include "host/Messages.h"
#include "host/ResultPrinter.h"

namespace {

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

// A bare component name ("describe") is looked for beside the program and in its lib folder.
std::string ResolveComponent(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const std::string dir = ExecutableDirectory();
  for (const std::string& candidate :
       {dir + "/components/" + name + ".so", dir + "/../components/" + name + ".so",
        dir + "/../lib/vnkx/components/" + name + ".so"}) {
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
  ProgressDisplay() : terminal_(isatty(STDERR_FILENO) != 0) {}
  ~ProgressDisplay() {
    if (terminal_ && shown_) std::fprintf(stderr, "\r%60s\r", "");
  }
  void Show(double current, double total) {
    if (!(total > 0)) return;
    const int percent = static_cast<int>(100.0 * current / total);
    if (terminal_) {
      const int filled = percent / 5;
      std::fprintf(stderr, "\r[%.*s%.*s] %3d%%", filled, "####################", 20 - filled,
                   "....................", percent);
      shown_ = true;
    } else if (percent / 10 != last_ / 10) {
      std::fprintf(stderr, "progress: %d%%\n", percent);
    }
    last_ = percent;
  }

 private:
  bool terminal_;
  bool shown_ = false;
  int last_ = -1;
};

int Run(VnKxHost::RunOptions options, const std::string& output, bool quiet) {
  options.component = ResolveComponent(options.component);
  ProgressDisplay display;
  options.onProgress = [&](double current, double total) {
    if (!quiet) display.Show(current, total);
    return !interrupted.load();
  };
  std::signal(SIGINT, OnInterrupt);
  const VnKxHost::RunOutcome outcome = VnKxHost::RunComponent(options);
  if (!outcome.result.empty()) {
    std::cout << VnKxHost::FormatResult(outcome.result);
    if (!output.empty()) WriteFile(output, outcome.result);
  }
  if (!outcome.diagnostics.empty()) {
    std::cerr << "\nDiagnostics:\n";
    for (const auto& d : outcome.diagnostics) std::cerr << "  " << VnKxHost::Describe(d) << "\n";
  }
  if (outcome.stage != "finished" || outcome.status != 0) {
    std::cerr << "vnkx-host: the component stopped at " << outcome.stage << " (status "
              << outcome.status << ", code " << outcome.error << ")\n";
    return 1;
  }
  return 0;
}

int Infer(const std::string& data, const std::string& output) {
  const VnKxHost::LoadedInput input = VnKxHost::LoadCsv(data);
  KxCppHelperV1::XMLDocument doc = KxCppHelperV1::HostHelper::createFromContents(input.dataModel);
  const std::string text = doc.doc2prettyString();
  if (output.empty()) {
    std::cout << text;
  } else {
    WriteFile(output, text);
  }
  return 0;
}

int Check(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
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
  return report.HasErrors() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"vnkx-host: drives modelling components over CSV data as their host does"};
  app.require_subcommand(1);

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
  run->add_option("--param", parameters, "A parameter as NAME=VALUE (repeatable)");
  run->add_option("--threads", options.threads, "Computation threads offered")
      ->capture_default_str();
  run->add_option("--seed", options.seed, "Random seed offered")->capture_default_str();
  run->add_option("--tempdir", options.tempDir, "Temporary directory offered")
      ->capture_default_str();
  run->add_option("--output", output, "Write the result document to this file");
  run->add_flag("--quiet", quiet, "No progress display");

  std::string data;
  CLI::App* infer = app.add_subcommand("infer", "Write the data model a host gives for a CSV file");
  infer->add_option("data", data, "CSV file")->required();
  infer->add_option("--output", output, "Write the document to this file");

  std::string model;
  CLI::App* check = app.add_subcommand("check", "Parse a data model and report what looks wrong");
  check->add_option("datamodel", model, "Data-model document")->required();

  CLI11_PARSE(app, argc, argv);
  try {
    if (run->parsed()) {
      for (const std::string& parameter : parameters) {
        const size_t equals = parameter.find('=');
        if (equals == std::string::npos || equals == 0) {
          throw std::runtime_error("--param wants NAME=VALUE, not '" + parameter + "'");
        }
        options.parameters.emplace_back(parameter.substr(0, equals), parameter.substr(equals + 1));
      }
      return Run(options, output, quiet);
    }
    if (infer->parsed()) return Infer(data, output);
    return Check(model);
  } catch (const std::exception& e) {
    std::cerr << "vnkx-host: " << e.what() << "\n";
    return 2;
  }
}
