#include "input/VnPeerIterator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "external/hosthelper/DataHelper.h"
#include "input/InputAdapter.h"
#include "input/VnPeerRawRecIterator.h"
#include "tests/support/InputHarness.h"
#include "tests/support/ParseHarness.h"

namespace VnKx_1_2 {
namespace {

using VnCommon_1_2::RawRecord;
using VnCommon_1_2::Record;
using VnKxHost::Cell;
using VnKxHost::ColumnType;
using VnKxHost::Table;
using VnKxTest::DataModel;
using VnKxTest::FieldXml;
using VnKxTest::InputHarness;

// Rows (a, b): a real, b a text; null cells where a row says so.
Table Rows(const std::vector<std::pair<Cell, Cell>>& rows) {
  Table table;
  table.AddColumn("a", ColumnType::kReal);
  table.AddColumn("b", ColumnType::kString);
  for (const auto& row : rows) table.AddRow({row.first, row.second});
  return table;
}

const std::string kModel =
    DataModel(FieldXml("a", "real", "continuous", "input") +
              FieldXml("b", "string", "nominal", "input",
                       "<Values><Value value='x'/><Value value='y'/></Values>"));

struct Walk {
  explicit Walk(const Table& table, const std::string& model = kModel) : h(model, table) {
    adapter = h.Adapter();
    int error = 0;
    built = adapter->BuildVarlist(&error);
  }
  InputHarness h;
  std::unique_ptr<InputAdapter> adapter;
  bool built = false;
};

// The first column of every record a pass delivers.
std::vector<double> Pass(VnPeerIterator& it) {
  std::vector<double> firsts;
  while (it.HasMore()) {
    const Record* record = it.Next();
    if (record == nullptr) break;
    firsts.push_back(record->Size() > 0 ? (*record)[0] : -99);
  }
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_EQ(it.GetFailReason(), 1);
  return firsts;
}

TEST(VnPeerIterator, EmptyDataIsBornEnded) {
  Walk w(Rows({}));
  ASSERT_TRUE(w.built);
  VnPeerIterator it(w.h.data.get(), w.adapter.get(), true);
  EXPECT_FALSE(it.HasMore());
  EXPECT_EQ(it.GetFailReason(), 1);
  EXPECT_EQ(it.getRecordsProcessed(), 0u);
  EXPECT_EQ(it.Next(), nullptr);
}

TEST(VnPeerIterator, SkippingRules) {
  const Table table = Rows({{Cell(1.0), Cell("x")},
                            {Cell::Null(), Cell("y")},
                            {Cell(3.0), Cell::Null()},
                            {Cell(4.0), Cell("x")}});
  const struct {
    const char* name;
    bool skipMissing;
    std::vector<bool> perField;
    std::vector<double> delivered;
  } cases[] = {
      {"uniform on", true, {}, {1, 4}},
      {"uniform off", false, {}, {1, -1e300, 3, 4}},
      {"per field, none", true, {false, false}, {1, -1e300, 3, 4}},
      {"per field, text only", false, {false, true}, {1, -1e300, 4}},
      {"per field, both", false, {true, true}, {1, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Walk w(table);
    VnPeerIterator it(w.h.data.get(), w.adapter.get(), c.skipMissing);
    if (!c.perField.empty()) {
      // The look-ahead record was judged by the old rule; restart the pass to judge all.
      ASSERT_TRUE(it.SetSkipMissingVector(c.perField));
      ASSERT_EQ(it.NewPass(), 0);
    }
    EXPECT_EQ(Pass(it), c.delivered);
    EXPECT_EQ(it.getRecordsProcessed(), 4u);
    EXPECT_EQ(it.GetRecordsDelivered() + it.GetRecordsSkipped(), 4u);
    EXPECT_EQ(it.GetRecordsDelivered(), c.delivered.size());
  }
}

TEST(VnPeerIterator, AllRecordsMissingAreConsumedAtConstruction) {
  Walk w(Rows({{Cell::Null(), Cell("x")}, {Cell(1.0), Cell::Null()}}));
  VnPeerIterator it(w.h.data.get(), w.adapter.get(), true);
  EXPECT_FALSE(it.HasMore());
  EXPECT_EQ(it.getRecordsProcessed(), 2u);
  EXPECT_EQ(it.GetRecordsSkipped(), 2u);
  EXPECT_FALSE(it.SetSkipMissingVector({true}));
}

TEST(VnPeerIterator, PassesRepeatAndRewindFailuresEndThePass) {
  Walk w(Rows({{Cell(1.0), Cell("x")}, {Cell(2.0), Cell("y")}, {Cell(3.0), Cell("x")}}));
  VnPeerIterator it(w.h.data.get(), w.adapter.get(), true);
  EXPECT_EQ(it.getRecordsProcessed(), 1u);  // the look-ahead
  const std::vector<double> first = Pass(it);
  EXPECT_EQ(first, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(it.NewPass(), 0);
  EXPECT_EQ(it.getRecordsProcessed(), 1u);
  EXPECT_EQ(Pass(it), first);

  // A new pass from the middle of one abandons the rest.
  ASSERT_EQ(it.NewPass(), 0);
  ASSERT_NE(it.Next(), nullptr);
  ASSERT_EQ(it.NewPass(), 0);
  EXPECT_EQ(Pass(it), first);

  w.h.Cursor().FailRewind(6);
  EXPECT_EQ(it.NewPass(), 1);
  EXPECT_FALSE(it.HasMore());
  EXPECT_EQ(it.Next(), nullptr);
}

TEST(VnPeerIterator, DeliveredRecordStaysUntilTheNextDelivery) {
  Walk w(Rows({{Cell(1.0), Cell("x")}, {Cell(2.0), Cell("y")}}));
  VnPeerIterator it(w.h.data.get(), w.adapter.get(), true);
  const Record* first = it.Next();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ((*first)[0], 1);
  EXPECT_EQ((*first)[1], 0);  // "x" is category 0
  const Record* second = it.Next();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ((*second)[0], 2);
  EXPECT_EQ((*second)[1], 1);
  EXPECT_EQ(it.NewPass(), 0);
  EXPECT_EQ((*second)[0], 2);  // NewPass leaves the delivered record alone

  VnPeerIterator copy = it;  // shares the cursor
  EXPECT_NE(copy.Next(), nullptr);
  EXPECT_NE(it.Next(), nullptr);
  EXPECT_EQ(it.Next(), nullptr);
}

TEST(VnPeerIterator, NoAdmittedFieldsGivesEmptyRecords) {
  Walk w(Rows({{Cell(1.0), Cell("x")}, {Cell::Null(), Cell::Null()}}),
         DataModel(FieldXml("d", "date", "continuous", "input")));
  EXPECT_FALSE(w.built);
  VnPeerIterator it(w.h.data.get(), w.adapter.get(), true);
  EXPECT_EQ(Pass(it), (std::vector<double>{-99, -99}));
}

TEST(VnPeerIterator, HostFailureMidPassPassesThrough) {
  Walk w(Rows({{Cell(1.0), Cell("x")}, {Cell(2.0), Cell("y")}, {Cell(3.0), Cell("y")}}));
  w.h.Cursor().FailReadsAt(2, 7, 4711);
  VnPeerIterator it(w.h.data.get(), w.adapter.get(), false);
  ASSERT_NE(it.Next(), nullptr);
  try {
    it.Next();
    ADD_FAILURE() << "no exception";
  } catch (const KxCppHelperV1::DataHelper::DataHelperException& e) {
    EXPECT_EQ(e.status(), 7u);
    EXPECT_EQ(e.hostCode(), 4711);
    EXPECT_EQ(e.text(), "getRecordValue");
  }
  EXPECT_EQ(it.GetFailReason(), 0);
  w.h.Cursor().FailReadsAt(99, 0, 0);
  EXPECT_EQ(it.NewPass(), 0);
  EXPECT_EQ(Pass(it), (std::vector<double>{1, 2, 3}));
}

TEST(VnPeerRawRecIterator, DeliversRawCellsAndSkipsAlone) {
  Walk w(Rows({{Cell(1.5), Cell("x")}, {Cell(2.5), Cell::Null()}, {Cell(3.5), Cell("free")}}));
  VnPeerRawRecIterator it(w.h.data.get(), w.adapter.get(), true);
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_TRUE(it.HasMore());
  const RawRecord* first = it.NextRawRecord();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ((*first)[0].GetDouble(), 1.5);
  EXPECT_EQ((*first)[1].GetString(), "x");
  const RawRecord* second = it.NextRawRecord();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ((*second)[0].GetDouble(), 3.5);
  EXPECT_EQ((*second)[1].GetString(), "free");  // raw texts are not checked against categories
  EXPECT_EQ(it.NextRawRecord(), nullptr);
  EXPECT_EQ(it.getRecordsProcessed(), 3u);
  EXPECT_EQ(it.GetRecordsSkipped(), 1u);

  ASSERT_EQ(it.NewPass(), 0);
  ASSERT_TRUE(it.SetSkipMissingVector({false, false}));
  EXPECT_NE(it.NextRawRecord(), nullptr);
  const RawRecord* withNull = it.NextRawRecord();
  ASSERT_NE(withNull, nullptr);
  EXPECT_TRUE((*withNull)[1].IsMissing());
}

// Opens the protected trace writers.
class TracingIterator : public VnPeerIterator {
 public:
  using VnPeerIterator::OutputRecord;
  using VnPeerIterator::VnPeerIterator;
};
class TracingRawIterator : public VnPeerRawRecIterator {
 public:
  using VnPeerRawRecIterator::OutputRawRecord;
  using VnPeerRawRecIterator::VnPeerRawRecIterator;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(VnPeerIteratorTrace, LinesStartOnTheirOwnLine) {
  Walk w(Rows({}));
  TracingIterator it(w.h.data.get(), w.adapter.get(), true);
  TracingRawIterator raw(w.h.data.get(), w.adapter.get(), true);
  const std::string path = ::testing::TempDir() + "vnkx_trace.txt";
  {
    std::ofstream out(path);
    Record record(2);
    record[0] = 1.5;
    record[1] = 2;
    it.OutputRecord(out, record, 7);
    RawRecord cells(4);
    cells[0].SetInteger(3, false);
    cells[1].SetDouble(2.5, VnCommon_1_2::RawData::kReal, false);
    cells[2].SetString("abc", true);
    raw.OutputRawRecord(out, cells, 1);  // the fourth cell has no kind: nothing is written
  }
  EXPECT_EQ(ReadFile(path), "\nNum=7; Values=1.5;2;\nNum=1; Values=3;2.5;abc;");
  std::remove(path.c_str());
}

}  // namespace
}  // namespace VnKx_1_2
