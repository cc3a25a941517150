// Loading a data model: the host text parsed into a document, the document into fields, the
// fields into a variable list; compared with a bare pugixml parse of the same text. Peak heap
// during the load is reported as a multiple of the text's size.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <pugixml.hpp>
#include "bench/SteadyHeap.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <new>
#include <string>

#include "bench/BenchDocuments.h"
#include "datamodel/DataModelParser.h"
#include "external/hosthelper/HostHelper.h"
#include "input/InputAdapter.h"

namespace {

// Heap accounting for everything the process allocates (operator new and pugixml's pages).
std::atomic<long long> liveBytes{0};
std::atomic<long long> peakBytes{0};

void* Counted(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) return nullptr;
  const long long now = liveBytes += static_cast<long long>(malloc_usable_size(block));
  long long peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
  return block;
}

// operator delete below hands blocks from operator new (which are malloc's) back here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void Uncounted(void* block) {
  if (block == nullptr) return;
  liveBytes -= static_cast<long long>(malloc_usable_size(block));
  std::free(block);
}

const std::string& Document(const std::string& kind, int size) {
  static std::map<std::pair<std::string, int>, std::string> cache;
  auto& text = cache[{kind, size}];
  if (text.empty()) {
    text = kind == "wide" ? VnKxBench::WideDataModel(size) : VnKxBench::BaseFieldDataModel(size);
  }
  return text;
}

// The whole load: text to document, document to fields, fields to variables.
void Load(const std::string& text) {
  VnKx_1_2::DataModelParser parser;
  int error = 0;
  parser.ParseDataModel(KxCppHelperV1::HostHelper::createFromContents(text), &error, false);
  VnKx_1_2::InputAdapter adapter(nullptr, parser, false, false, false, true, false);
  adapter.BuildVarlist(&error);
  benchmark::DoNotOptimize(adapter.GetVarList().Size());
}

void ReportPerItem(benchmark::State& state, int items, const std::string& text) {
  state.counters["items"] = items;
  state.counters["bytes"] = static_cast<double>(text.size());
}

// One untimed run first, so that the timed ones find the heap as a running host has it.
template <typename Work>
void WarmUp(Work&& work) {
  work();
}

void PugiParse(const std::string& text) {
  pugi::xml_document doc;
  benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
}

void BM_PugiLoad(benchmark::State& state) {
  const std::string& text = Document("wide", static_cast<int>(state.range(0)));
  WarmUp([&] { PugiParse(text); });
  for (auto _ : state) {
    pugi::xml_document doc;
    benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
  }
  ReportPerItem(state, static_cast<int>(state.range(0)), text);
}

void BM_Load(benchmark::State& state) {
  const std::string& text = Document("wide", static_cast<int>(state.range(0)));
  WarmUp([&] { Load(text); });
  for (auto _ : state) Load(text);
  ReportPerItem(state, static_cast<int>(state.range(0)), text);
}

// Parse only (no variable list): text to document to fields.
void BM_Parse(benchmark::State& state) {
  const std::string& text = Document("wide", static_cast<int>(state.range(0)));
  WarmUp([&] { Load(text); });
  for (auto _ : state) {
    VnKx_1_2::DataModelParser parser;
    int error = 0;
    parser.ParseDataModel(KxCppHelperV1::HostHelper::createFromContents(text), &error, false);
    benchmark::DoNotOptimize(parser.GetFieldInfo().size());
  }
  ReportPerItem(state, static_cast<int>(state.range(0)), text);
}

void BM_BaseField(benchmark::State& state) {
  const std::string& text = Document("base", static_cast<int>(state.range(0)));
  WarmUp([&] { Load(text); });
  for (auto _ : state) Load(text);
  ReportPerItem(state, static_cast<int>(state.range(0)), text);
}

// Peak heap of one load, over the text's size (measured once, outside the timing).
void BM_LoadPeakHeap(benchmark::State& state) {
  const std::string& text = Document("wide", static_cast<int>(state.range(0)));
  double ratio = 0;
  for (auto _ : state) {
    state.PauseTiming();
    peakBytes = liveBytes.load();
    const long long before = liveBytes.load();
    state.ResumeTiming();
    Load(text);
    ratio = static_cast<double>(peakBytes.load() - before) / static_cast<double>(text.size());
  }
  state.counters["peak_heap_ratio"] = ratio;
}

}  // namespace

void* operator new(size_t size) {
  void* block = Counted(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void operator delete(void* block) noexcept {
  Uncounted(block);
}
void operator delete(void* block, size_t) noexcept {
  Uncounted(block);
}

BENCHMARK(BM_PugiLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaseField)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPeakHeap)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  pugi::set_memory_management_functions(&Counted, &Uncounted);
  return VnKxBench::RunBenchmarks(argc, argv);
}
