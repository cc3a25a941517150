// Streaming records: VnPeerIterator over the simulator's in-memory table, compared with the
// cost skeleton of the design (one indirect host call per value into a row buffer plus one
// virtual call per value) and with a direct copy loop.

#include <benchmark/benchmark.h>

#include "bench/SteadyHeap.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "datamodel/DataModelParser.h"
#include "external/hosthelper/DataHelper.h"
#include "external/hosthelper/HostHelper.h"
#include "host/SimIterator.h"
#include "host/Table.h"
#include "input/InputAdapter.h"
#include "input/VnPeerIterator.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kColumns = 20;

// A table of kRecords x kColumns, with `strings` text columns among the reals (every fourth).
struct Data {
  explicit Data(int strings) {
    std::string fields;
    int textColumns = 0;
    for (int c = 0; c < kColumns; ++c) {
      const bool text = textColumns < strings && c % 4 == 3;
      textColumns += text ? 1 : 0;
      const std::string name = "c" + std::to_string(c);
      table.AddColumn(name, text ? VnKxHost::ColumnType::kString : VnKxHost::ColumnType::kReal);
      isText.push_back(text);
      fields +=
          text ? "<Field name='" + name +
                     "' storage='string' measure='nominal' role='input'>"
                     "<Values><Value value='alpha'/><Value value='beta'/><Value value='gamma'/>"
                     "</Values></Field>"
               : "<Field name='" + name + "' storage='real' measure='continuous' role='input'/>";
    }
    static const char* const kTexts[] = {"alpha", "beta", "gamma"};
    table.Reserve(kRecords);
    std::vector<VnKxHost::Cell> row;
    for (int r = 0; r < kRecords; ++r) {
      row.clear();
      for (int c = 0; c < kColumns; ++c) {
        if (isText[static_cast<size_t>(c)]) {
          row.emplace_back(kTexts[(r + c) % 3]);
        } else {
          row.emplace_back(static_cast<double>(r) * 0.5 + c);
        }
      }
      table.AddRow(row);
    }
    cursor = std::make_unique<VnKxHost::SimIterator>(table);
    data = std::make_unique<KxCppHelperV1::DataHelper>(cursor->record());
    int error = 0;
    parser.ParseDataModel(KxCppHelperV1::HostHelper::createFromContents(
                              "<DataModel><Fields>" + fields + "</Fields></DataModel>"),
                          &error, false);
    adapter = std::make_unique<VnKx_1_2::InputAdapter>(data.get(), parser, false, false, false,
                                                       false, false);
    adapter->BuildVarlist(&error);
  }
  VnKxHost::Table table;
  std::vector<bool> isText;
  std::unique_ptr<VnKxHost::SimIterator> cursor;
  std::unique_ptr<KxCppHelperV1::DataHelper> data;
  VnKx_1_2::DataModelParser parser;
  std::unique_ptr<VnKx_1_2::InputAdapter> adapter;
};

Data& Numeric() {
  static Data data(0);
  return data;
}

Data& Mixed() {
  static Data data(5);
  return data;
}

void Iterate(benchmark::State& state, Data& data) {
  for (auto _ : state) {
    data.data->rewind();
    VnKx_1_2::VnPeerIterator it(data.data.get(), data.adapter.get(), false);
    double sum = 0;
    while (const VnCommon_1_2::Record* record = it.Next()) sum += (*record)[0];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_Iterator(benchmark::State& state) {
  Iterate(state, Numeric());
}
void BM_IteratorStrings(benchmark::State& state) {
  Iterate(state, Mixed());
}

// The unavoidable work: per record one cursor move, per value one virtual call that makes one
// indirect host call and stores 8 bytes into the row buffer.
struct Reader {
  virtual ~Reader() = default;
  virtual void Read(KxIterator* cursor, size_t column, double* out) = 0;
};
// Not inlinable, so that the reference pays the virtual call it stands for even where the
// compiler could see through it.
struct EightBytes : Reader {
  [[gnu::noinline]] void Read(KxIterator* cursor, size_t column, double* out) override {
    void* value = nullptr;
    size_t size = 0;
    int error = 0;
    cursor->getRecordValue(cursor->handle, column, &value, &size, &error);
    std::memcpy(out, value, sizeof(double));
  }
};

void BM_Skeleton(benchmark::State& state) {
  Data& data = Numeric();
  KxIterator* cursor = data.cursor->record();
  std::vector<std::unique_ptr<Reader>> readers;
  for (int c = 0; c < kColumns; ++c) readers.push_back(std::make_unique<EightBytes>());
  std::vector<double> row(kColumns);
  for (auto _ : state) {
    int error = 0;
    cursor->rewind(cursor->handle, &error);
    double sum = 0;
    int hasRecord = 0;
    while (cursor->nextRecord(cursor->handle, &hasRecord, &error) == 0 && hasRecord != 0) {
      for (size_t c = 0; c < kColumns; ++c) readers[c]->Read(cursor, c, &row[c]);
      benchmark::DoNotOptimize(row.data());
      sum += row[0];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_DirectCopy(benchmark::State& state) {
  Data& data = Numeric();
  std::vector<double> row(kColumns);
  for (auto _ : state) {
    double sum = 0;
    for (size_t r = 0; r < kRecords; ++r) {
      for (size_t c = 0; c < kColumns; ++c) row[c] = data.table.Real(r, c);
      benchmark::DoNotOptimize(row.data());
      sum += row[0];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}

}  // namespace

BENCHMARK(BM_Iterator)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Skeleton)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IteratorStrings)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  return VnKxBench::RunBenchmarks(argc, argv);
}
