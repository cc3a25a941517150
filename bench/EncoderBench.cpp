// Category look-ups by text: the encoder's hash index against std::unordered_map.

#include <benchmark/benchmark.h>

#include "bench/SteadyHeap.h"

#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "external/common/VnEncoder.h"

namespace {

constexpr size_t kProbes = 1 << 14;

struct Categories {
  explicit Categories(int count) {
    for (int i = 0; i < count; ++i) texts.push_back("Category number " + std::to_string(i));
    encoder = std::make_unique<VnXML_1_2::VnEncoder>(texts);
    for (int i = 0; i < count; ++i) map.emplace(texts[static_cast<size_t>(i)], i);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, count - 1);
    for (size_t i = 0; i < kProbes; ++i) probes.push_back(texts[static_cast<size_t>(pick(random))]);
  }
  std::vector<std::string> texts;
  std::unique_ptr<VnXML_1_2::VnEncoder> encoder;
  std::unordered_map<std::string, int> map;
  std::vector<std::string> probes;
};

Categories& Of(int count) {
  static std::unordered_map<int, std::unique_ptr<Categories>> cache;
  auto& entry = cache[count];
  if (!entry) entry = std::make_unique<Categories>(count);
  return *entry;
}

void BM_EncoderLookup(benchmark::State& state) {
  Categories& c = Of(static_cast<int>(state.range(0)));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.encoder->EncodeDeclared(std::string_view(c.probes[i])));
    i = (i + 1) & (kProbes - 1);
  }
}

void BM_MapLookup(benchmark::State& state) {
  Categories& c = Of(static_cast<int>(state.range(0)));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.map.find(c.probes[i]));
    i = (i + 1) & (kProbes - 1);
  }
}

}  // namespace

BENCHMARK(BM_EncoderLookup)->Arg(100)->Arg(100000);
BENCHMARK(BM_MapLookup)->Arg(100)->Arg(100000);

int main(int argc, char** argv) {
  return VnKxBench::RunBenchmarks(argc, argv);
}
