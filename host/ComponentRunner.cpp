#include "host/ComponentRunner.h"

#include <cerrno>
#include <cstring>

#include <dlfcn.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "external/hosthelper/DataHelper.h"
#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLException.h"
#include "host/SimContext.h"
#include "host/SimHost.h"
#include "host/SimProgress.h"
#include "host/SimThreadFactory.h"
#include "peer/ComponentModule.h"
#include "peer/VnPeer.h"

namespace VnKxHost {
namespace {

using KxCppHelperV1::HostHelper;
using KxCppHelperV1::XMLDocument;
using KxCppHelperV1::XMLElement;

}  // namespace

std::string ReadFile(const std::string& path, const char* what) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read the " + std::string(what) + " " + path + " (" +
                             std::strerror(errno) + ")");
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The input's data model with `weight` as its frequency weight: that field's role becomes
// freqWeight, and a field that had the role before takes input. Throws std::runtime_error for a
// name that is no numeric field.
std::string WithWeight(const std::string& dataModel, const std::string& weight) {
  KxCppHelperV1::XMLDocument doc = HostHelper::createFromContents(dataModel);
  std::vector<std::string> numeric;
  bool found = false;
  for (auto it = doc.getElement("Fields").getElements("Field"); it.hasMore();) {
    KxCppHelperV1::XMLElement field = it.next();
    const std::string name = field.getAttribute("name");
    const std::string storage = field.getAttribute("storage");
    const bool number = storage == "integer" || storage == "real";
    if (number) numeric.push_back(name);
    if (name == weight) {
      if (!number) {
        throw std::runtime_error("weight: '" + weight + "' is a " + storage +
                                 " field; a weight is an integer or real field");
      }
      field.addAttribute("role", "freqWeight");
      found = true;
    } else if (field.getAttribute("role") == "freqWeight") {
      field.addAttribute("role", "input");
    }
  }
  if (!found) {
    std::string list;
    for (const std::string& name : numeric) list += (list.empty() ? "" : ", ") + name;
    throw std::runtime_error("weight: no numeric field named '" + weight + "' (there are: " + list +
                             ")");
  }
  return doc.doc2string();
}

unsigned int FetchText(const TextFetch& fetch, std::string& text, int& error) {
  std::vector<char> buffer(4096);
  std::size_t required = 0;
  unsigned int status = fetch(buffer.data(), buffer.size(), &required, &error);
  if (status == 13) {
    buffer.resize(required);
    status = fetch(buffer.data(), buffer.size(), &required, &error);
  }
  if (status == 0) text.assign(buffer.data());
  return status;
}

namespace {}  // namespace

ComponentModule::ComponentModule(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    throw std::runtime_error("cannot load the component " + path + ": " + dlerror());
  }
  create_ = dlsym(handle_, VNKX_CREATE_COMPONENT_SYMBOL);
  destroy_ = dlsym(handle_, VNKX_DESTROY_COMPONENT_SYMBOL);
  if (create_ == nullptr || destroy_ == nullptr) {
    dlclose(handle_);
    throw std::runtime_error(path + " is not a component module: it does not export " +
                             VNKX_CREATE_COMPONENT_SYMBOL + " and " +
                             VNKX_DESTROY_COMPONENT_SYMBOL);
  }
}

ComponentModule::~ComponentModule() {
  dlclose(handle_);
}

VnKx_1_2::VnPeer* ComponentModule::Create(KxContext* context, KxHost* host,
                                          KxThreadFactoryStruct* threads) const {
  return reinterpret_cast<VnKxCreateComponent>(create_)(context, host, threads);
}

void ComponentModule::Destroy(VnKx_1_2::VnPeer* peer) const {
  reinterpret_cast<VnKxDestroyComponent>(destroy_)(peer);
}

std::string HostInformation(const RunOptions& options) {
  XMLDocument doc = HostHelper::createNew("HostInformation");
  XMLElement about = doc.addElement("Host");
  about.addAttribute("appName", "vnkx-host");
  about.addAttribute("appVersion", "1.2.0");
  about.addAttribute("copyright", "(c) the vnkx authors");
  about.addAttribute("vendorName", "vnkx");
  about.addAttribute("installationPath", "/usr/local");
  doc.addElement("LibraryDetail").addAttribute("path", options.component);
  return doc.doc2string();
}

std::string ContextDocument(const RunOptions& options) {
  XMLDocument doc = HostHelper::createNew("ContextDocument");
  XMLElement context = doc.addElement("Context");
  context.addAttribute("name", "vnkx-host");
  context.addElement("LibraryDetail").addAttribute("path", options.component);
  XMLElement threads = context.addElement("MultithreadingParms");
  threads.addAttribute("maxCompThreads", std::int64_t{options.threads});
  threads.addAttribute("memCacheKB", std::int64_t{65536});
  context.addElement("TempDir").addAttribute("path", options.tempDir);
  context.addElement("ContextSeed").addAttribute("value", std::int64_t{options.seed});
  return doc.doc2string();
}

std::string ParameterDocument(const RunOptions& options) {
  XMLDocument doc;
  if (options.parametersFile.empty()) {
    doc = HostHelper::createNew("Parameters");
  } else {
    try {
      doc = HostHelper::createFromContents(ReadFile(options.parametersFile, "parameter file"));
    } catch (const KxCppHelperV1::XMLException& e) {
      throw std::runtime_error(options.parametersFile + " is not XML: " + e.what());
    }
  }
  for (const auto& [name, value] : options.parameters) {
    XMLElement parameter = doc.addElement("Parameter");
    parameter.addAttribute("name", name);
    parameter.addAttribute("value", value);
  }
  return doc.doc2string();
}

std::vector<Diagnostic> PeerDiagnostics(VnKx_1_2::VnPeer& peer) {
  std::string detail;
  int error = 0;
  if (FetchText([&](char* b, std::size_t s, std::size_t* r,
                    int* e) { return peer.GetErrorDetail(b, s, r, e); },
                detail, error) != 0) {
    return {};
  }
  return ParseErrorDetail(detail);
}

RunOutcome RunComponent(const RunOptions& options) {
  const ComponentModule module(options.component);
  SimContext context;
  SimHost host;
  SimProgress progress;
  SimThreadFactory threads;
  host.SetHostInformation(HostInformation(options));
  context.SetContextDocument(ContextDocument(options));
  context.SetParameterDocument(ParameterDocument(options));

  std::vector<LoadedInput> inputs;
  inputs.reserve(options.data.size());
  for (std::size_t i = 0; i < options.data.size(); ++i) {
    const bool given = i < options.dataModels.size() && !options.dataModels[i].empty();
    inputs.push_back(given ? LoadCsvWithDataModel(options.data[i],
                                                  ReadFile(options.dataModels[i], "data model"),
                                                  options.csv)
                           : LoadCsv(options.data[i], options.csv));
  }
  if (!options.weightField.empty()) {
    for (LoadedInput& input : inputs)
      input.dataModel = WithWeight(input.dataModel, options.weightField);
  }
  for (LoadedInput& input : inputs) context.AddInput(input.dataModel, &input.table);

  RunOutcome outcome;
  std::unique_ptr<VnKx_1_2::VnPeer, PeerDeleter> peer(
      module.Create(context.record(), host.record(), threads.record()), PeerDeleter{&module});
  if (!peer) throw std::runtime_error(options.component + " could not make its peer");

  progress.OnReport([&](double current, double total) {
    ++outcome.progressReports;
    if (options.onProgress && !options.onProgress(current, total)) {
      int ignored = 0;
      peer->CancelExecution(&ignored);
    }
  });

  auto collect = [&] {
    for (Diagnostic& d : PeerDiagnostics(*peer)) outcome.diagnostics.push_back(std::move(d));
  };

  try {
    outcome.stage = "initialize";
    outcome.status = peer->Initialize(&outcome.error);
    if (outcome.status != 0) {
      collect();
      return outcome;
    }
    std::vector<KxIterator*> iterators;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      KxIterator* iterator = nullptr;
      int error = 0;
      if (peer->GetInputIterator(static_cast<int>(i), &iterator, &error) != 0) {
        throw std::runtime_error("the component could not fetch input " + std::to_string(i));
      }
      iterators.push_back(iterator);
    }
    outcome.stage = "execute";
    outcome.status = peer->BeginExecution(iterators, progress.record(), &outcome.error);
    collect();
    if (outcome.status == 0) {
      int error = 0;
      FetchText([&](char* b, std::size_t s, std::size_t* r,
                    int* e) { return peer->GetResult(b, s, r, e); },
                outcome.result, error);
      outcome.stage = "finished";
    }
    int error = 0;
    peer->EndExecution(&error);
  } catch (const KxCppHelperV1::DataHelper::DataHelperException& e) {
    throw std::runtime_error("the component let a data failure escape: " + std::string(e.what()));
  } catch (const KxCppHelperV1::XMLException& e) {
    throw std::runtime_error("the component let a document failure escape: " +
                             std::string(e.what()));
  }
  return outcome;
}

}  // namespace VnKxHost
