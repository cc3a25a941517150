// Loading a data model: the host text parsed into a document, the document into fields, the
// fields into a variable list; compared with a bare pugixml parse of the same text. Both sides
// are timed without the release of what they built (a host loads once and releases at its end);
// the Release pair times the release too. Peak heap during the load is reported as a multiple of
// the text's size.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <pugixml.hpp>
#include "bench/SteadyHeap.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "base/ShortText.h"
#include "bench/BenchDocuments.h"
#include "datamodel/DataModelParser.h"
#include "external/hosthelper/HostHelper.h"
#include "input/InputAdapter.h"

// Heap accounting for the peak-heap figure: every malloc of the process (operator new, and the
// XML library inside the helper library, which allocates with malloc) while `counting` is on.
// The other benchmarks run with it off, so that their timings carry no accounting.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void __libc_free(void* block);
}

namespace {

bool counting = false;
long long liveBytes = 0;
long long peakBytes = 0;

void CountIn(void* block) {
  if (block == nullptr) return;
  liveBytes += static_cast<long long>(malloc_usable_size(block));
  if (liveBytes > peakBytes) peakBytes = liveBytes;
}

void CountOut(void* block) {
  if (block != nullptr) liveBytes -= static_cast<long long>(malloc_usable_size(block));
}

}  // namespace

extern "C" void* malloc(size_t size) {
  void* block = __libc_malloc(size);
  if (counting) CountIn(block);
  return block;
}

extern "C" void* calloc(size_t count, size_t size) {
  void* block = __libc_calloc(count, size);
  if (counting) CountIn(block);
  return block;
}

extern "C" void* realloc(void* block, size_t size) {
  if (counting) CountOut(block);
  void* moved = __libc_realloc(block, size);
  if (counting) CountIn(moved == nullptr && size != 0 ? block : moved);
  return moved;
}

extern "C" void free(void* block) {
  if (counting) CountOut(block);
  __libc_free(block);
}

namespace {

const std::string& Document(const std::string& kind, int size) {
  static std::map<std::pair<std::string, int>, std::string> cache;
  auto& text = cache[{kind, size}];
  if (text.empty()) {
    text = kind == "wide" ? VnKxBench::WideDataModel(size) : VnKxBench::BaseFieldDataModel(size);
  }
  return text;
}

// What a load leaves: the fields and their variable list.
struct Loaded {
  VnKx_1_2::DataModelParser parser;
  std::unique_ptr<VnKx_1_2::InputAdapter> adapter;
};

// The whole load: text to document, document to fields (the document is released as the peer
// releases it), fields to variables.
std::unique_ptr<Loaded> Load(const std::string& text, bool variables = true) {
  auto loaded = std::make_unique<Loaded>();
  int error = 0;
  loaded->parser.ParseDataModel(KxCppHelperV1::HostHelper::createFromContents(text), &error, false);
  if (variables) {
    loaded->adapter = std::make_unique<VnKx_1_2::InputAdapter>(nullptr, loaded->parser, false,
                                                               false, false, true, false);
    loaded->adapter->BuildVarlist(&error);
    benchmark::DoNotOptimize(loaded->adapter->GetVarList().Size());
  }
  return loaded;
}

void ReportPerItem(benchmark::State& state, int items, const std::string& text) {
  state.counters["items"] = items;
  state.counters["bytes"] = static_cast<double>(text.size());
}

// Times `build` alone, or with the release of what it built when `timeRelease` is set. The
// first, untimed run finds the heap as a running host has it.
template <typename Build>
void TimeBuild(benchmark::State& state, const std::string& text, Build&& build, bool timeRelease) {
  build(text).reset();
  for (auto _ : state) {
    auto built = build(text);
    if (timeRelease) {
      built.reset();
    } else {
      state.PauseTiming();
      built.reset();
      state.ResumeTiming();
    }
  }
  ReportPerItem(state, static_cast<int>(state.range(0)), text);
}

std::unique_ptr<pugi::xml_document> PugiParse(const std::string& text) {
  auto doc = std::make_unique<pugi::xml_document>();
  benchmark::DoNotOptimize(doc->load_buffer(text.data(), text.size()));
  return doc;
}

const std::string& Wide(const benchmark::State& state) {
  return Document("wide", static_cast<int>(state.range(0)));
}

// The reference: a bare pugixml parse of the same text.
void BM_PugiLoad(benchmark::State& state) {
  TimeBuild(state, Wide(state), PugiParse, false);
}

void BM_Load(benchmark::State& state) {
  TimeBuild(
      state, Wide(state), [](const std::string& text) { return Load(text); }, false);
}

// The same two with the release of what they built timed too.
void BM_PugiLoadRelease(benchmark::State& state) {
  TimeBuild(state, Wide(state), PugiParse, true);
}

void BM_LoadRelease(benchmark::State& state) {
  TimeBuild(
      state, Wide(state), [](const std::string& text) { return Load(text); }, true);
}

// The document alone: the text parsed by the helper library.
void BM_Document(benchmark::State& state) {
  TimeBuild(
      state, Wide(state),
      [](const std::string& text) {
        return std::make_unique<KxCppHelperV1::XMLDocument>(
            KxCppHelperV1::HostHelper::createFromContents(text));
      },
      false);
}

// Parse only (no variable list): text to document to fields.
void BM_Parse(benchmark::State& state) {
  TimeBuild(
      state, Wide(state), [](const std::string& text) { return Load(text, false); }, false);
}

void BM_BaseField(benchmark::State& state) {
  TimeBuild(
      state, Document("base", static_cast<int>(state.range(0))),
      [](const std::string& text) { return Load(text); }, false);
}

// Peak heap of one load, over the text's size (measured once, outside the timing), with what
// stays live after each stage: the document, the document and the fields, the fields once the
// document is released, and the fields with the variable list. The stages are the load's own,
// with the document released where Load's temporary is.
void BM_LoadPeakHeap(benchmark::State& state) {
  const std::string& text = Document("wide", static_cast<int>(state.range(0)));
  const auto share = [&] {
    return static_cast<double>(liveBytes) / static_cast<double>(text.size());
  };
  for (auto _ : state) {
    state.PauseTiming();
    liveBytes = peakBytes = 0;
    counting = true;
    state.ResumeTiming();
    {
      KxCppHelperV1::XMLDocument document = KxCppHelperV1::HostHelper::createFromContents(text);
      state.counters["document"] = share();
      VnKx_1_2::DataModelParser parser;
      int error = 0;
      parser.ParseDataModel(document, &error, false);
      state.counters["document_fields"] = share();
      document = KxCppHelperV1::XMLDocument();
      state.counters["fields"] = share();
      VnKx_1_2::InputAdapter adapter(nullptr, parser, false, false, false, true, false);
      adapter.BuildVarlist(&error);
      state.counters["fields_variables"] = share();
    }
    counting = false;
    state.counters["peak_heap_ratio"] =
        static_cast<double>(peakBytes) / static_cast<double>(text.size());
  }
}

}  // namespace

BENCHMARK(BM_PugiLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugiLoadRelease)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRelease)->Arg(10000)->Unit(benchmark::kMillisecond);
// 16,000 element names, either chosen so that the helper library's hash without its per-tree
// seed puts them all in 32 of its 32,768 slots (the low ten bits shared), or ordinary. With the
// seed, the chosen names cost what ordinary ones do.
std::string NamesDocument(bool colliding) {
  constexpr int kNames = 16000;
  std::string text = "<r>";
  std::uint64_t state = 1;
  int found = 0;
  while (found < kNames) {
    // Twelve-letter names from a simple generator.
    std::string name = "n";
    for (int i = 0; i < 11; ++i) {
      state = state * 6364136223846793005ull + 1442695040888963407ull;
      name += static_cast<char>('a' + (state >> 59) % 26);
    }
    if (colliding && (KxCppHelperV1::HashText(name) & 1023) != 0) continue;
    text += "<" + name + "/>";
    ++found;
  }
  return text + "</r>";
}

void BM_Names(benchmark::State& state) {
  static const std::string colliding = NamesDocument(true);
  static const std::string ordinary = NamesDocument(false);
  TimeBuild(
      state, state.range(0) != 0 ? colliding : ordinary,
      [](const std::string& text) {
        return std::make_unique<KxCppHelperV1::XMLDocument>(
            KxCppHelperV1::HostHelper::createFromContents(text));
      },
      false);
}

BENCHMARK(BM_Document)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Names)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BaseField)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPeakHeap)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return VnKxBench::RunBenchmarks(argc, argv);
}
