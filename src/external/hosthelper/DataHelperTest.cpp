#include "external/hosthelper/DataHelper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "host/SimIterator.h"
#include "host/Table.h"

namespace KxCppHelperV1 {
namespace {

using VnKxHost::Cell;
using VnKxHost::ColumnType;

VnKxHost::Table SampleTable() {
  VnKxHost::Table table;
  table.AddColumn("id", ColumnType::kInteger);
  table.AddColumn("x", ColumnType::kReal);
  table.AddColumn("s", ColumnType::kString);
  table.AddColumn("d", ColumnType::kDate);
  table.AddRow({Cell(1), Cell(2.5), Cell("abc"), Cell(19000.0)});
  table.AddRow({Cell::Null(), Cell::Null(), Cell::Null(), Cell(19001.0)});
  table.AddRow({Cell(static_cast<std::int64_t>(1) << 40), Cell(-1.0), Cell(""), Cell::Null()});
  return table;
}

std::int64_t AsInteger(const DataHelper& data) {
  std::int64_t value = 0;
  std::memcpy(&value, data.recordValue(), sizeof(value));
  return value;
}

double AsReal(const DataHelper& data) {
  double value = 0;
  std::memcpy(&value, data.recordValue(), sizeof(value));
  return value;
}

TEST(DataHelper, WalksRecordsAndRewinds) {
  const VnKxHost::Table table = SampleTable();
  VnKxHost::SimIterator cursor(table);
  DataHelper data(cursor.record());
  int rows = 0;
  while (data.nextRecord()) ++rows;
  EXPECT_EQ(rows, 3);
  EXPECT_FALSE(data.nextRecord());
  EXPECT_TRUE(data.rewind());
  ASSERT_TRUE(data.nextRecord());
  int error = 0;
  ASSERT_EQ(data.getRecordValue(0, &error), 0u);
  EXPECT_EQ(AsInteger(data), 1);
}

TEST(DataHelper, ReadsEightByteValuesNullsAndTexts) {
  const VnKxHost::Table table = SampleTable();
  VnKxHost::SimIterator cursor(table);
  DataHelper data(cursor.record());
  int error = 0;
  ASSERT_TRUE(data.nextRecord());
  ASSERT_EQ(data.getRecordValue(1, &error), 0u);
  EXPECT_EQ(data.recordValueSize(), 8u);
  EXPECT_EQ(AsReal(data), 2.5);
  ASSERT_EQ(data.getRecordValue(2, &error), 0u);
  EXPECT_EQ(data.recordValueSize(), 3u);  // a text read as a value has its own length
  std::string_view text;
  bool isNull = true;
  data.getInputStringValue(2, text, isNull);
  EXPECT_FALSE(isNull);
  EXPECT_EQ(text, "abc");
  data.getInputStringValue(1, text, isNull);
  EXPECT_EQ(text, "2.5");

  ASSERT_TRUE(data.nextRecord());
  ASSERT_EQ(data.getRecordValue(0, &error), 0u);
  EXPECT_EQ(data.recordValue(), nullptr);
  data.getInputStringValue(2, text, isNull);
  EXPECT_TRUE(isNull);
  EXPECT_TRUE(text.empty());

  ASSERT_TRUE(data.nextRecord());
  ASSERT_EQ(data.getRecordValue(0, &error), 0u);
  EXPECT_EQ(AsInteger(data), static_cast<std::int64_t>(1) << 40);
  data.getInputStringValue(2, text, isNull);
  EXPECT_FALSE(isNull);
  EXPECT_TRUE(text.empty());
}

TEST(DataHelper, HostFailuresSurfaceAsStatusesAndExceptions) {
  const VnKxHost::Table table = SampleTable();
  VnKxHost::SimIterator cursor(table);
  cursor.FailReadsAt(1, 7, 4711);
  cursor.FailNextAt(1, 9, 1);
  DataHelper data(cursor.record());
  int error = 0;
  EXPECT_EQ(data.getRecordValue(0, &error), 3u);  // before the first record
  ASSERT_TRUE(data.nextRecord());
  EXPECT_EQ(data.getRecordValue(99, &error), 2u);
  ASSERT_TRUE(data.nextRecord());
  EXPECT_EQ(data.getRecordValue(1, &error), 7u);
  EXPECT_EQ(error, 4711);
  std::string_view text;
  bool isNull = false;
  try {
    data.getInputStringValue(2, text, isNull);
    ADD_FAILURE() << "no exception";
  } catch (const DataHelper::DataHelperException& e) {
    EXPECT_EQ(e.status(), 7u);
    EXPECT_EQ(e.hostCode(), 4711);
    EXPECT_EQ(e.text(), "getInputStringValue");
  }
  EXPECT_FALSE(data.nextRecord());
  EXPECT_EQ(data.lastStatus(), 9u);
  cursor.FailRewind(6);
  EXPECT_FALSE(data.rewind());
  EXPECT_EQ(cursor.rewindCalls(), 1u);
}

}  // namespace
}  // namespace KxCppHelperV1
