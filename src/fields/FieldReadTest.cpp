#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "external/common/RawRecord.h"
#include "external/common/Record.h"
#include "external/common/VnVarList.h"
#include "external/hosthelper/DataHelper.h"
#include "fields/FieldInfo.h"
#include "host/SimIterator.h"
#include "host/Table.h"

namespace VnKx_1_2 {
namespace {

using KxCppHelperV1::DataHelper;
using VnCommon_1_2::RawData;
using VnCommon_1_2::RawRecord;
using VnCommon_1_2::Record;
using VnCommon_1_2::VnMV;
using VnKxHost::Cell;
using VnKxHost::ColumnType;

// One host row per test case, read through fields bound to a variable list as the adapter binds
// them.
class FieldReads : public ::testing::Test {
 protected:
  void SetUp() override {
    table_.AddColumn("i", ColumnType::kInteger);
    table_.AddColumn("x", ColumnType::kReal);
    table_.AddColumn("s", ColumnType::kString);
    table_.AddColumn("d", ColumnType::kDate);
    table_.AddRow({Cell(-1), Cell(-1.0), Cell("b"), Cell(19000.5)});
    table_.AddRow({Cell::Null(), Cell(VnMV::gMissingValue), Cell::Null(), Cell::Null()});
    table_.AddRow({Cell(7), Cell(2.5), Cell("zzz"), Cell(1.0)});
    table_.AddRow({Cell(int64_t{1} << 53), Cell(0.0), Cell(""), Cell(2.0)});
    cursor_ = std::make_unique<VnKxHost::SimIterator>(table_);
    data_ = std::make_unique<DataHelper>(cursor_->record());
  }

  FieldInfo& Bind(const char* storage, const char* type, int column,
                  std::vector<const char*> values = {}) {
    fields_.emplace_back(FieldInfo::CreateFieldInfo("f", "f", storage, type, "input", column));
    FieldInfo& field = *fields_.back();
    for (const char* v : values) field.AddValue(v, false, 0);
    field.AddToVarList(list_, false, false, false);
    field.PrepareEncoder(list_);
    field.PrepareDataHelper(data_.get());
    return field;
  }
  void Row(int count) {
    for (int i = 0; i < count; ++i) ASSERT_TRUE(data_->nextRecord());
  }

  VnKxHost::Table table_;
  std::unique_ptr<VnKxHost::SimIterator> cursor_;
  std::unique_ptr<DataHelper> data_;
  VnXML_1_2::VnVarList list_;
  std::vector<std::unique_ptr<FieldInfo>> fields_;
};

TEST_F(FieldReads, SentinelsDependOnTheMeasure) {
  FieldInfo& nominal = Bind("integer", "nominal", 0, {"1"});
  FieldInfo& continuous = Bind("real", "continuous", 1);
  Record record(list_.Size());
  bool missing = false;
  Row(1);
  nominal.GetValue(record, missing, false);
  EXPECT_TRUE(missing);  // -1 is the categorical sentinel
  EXPECT_EQ(record[0], -1.0);
  continuous.GetValue(record, missing, false);
  EXPECT_FALSE(missing);
  EXPECT_EQ(record[1], -1.0);

  Row(1);
  nominal.GetValue(record, missing, false);
  EXPECT_TRUE(missing);  // null
  EXPECT_EQ(record[0], -1.0);
  continuous.GetValue(record, missing, false);
  EXPECT_TRUE(missing);  // the stored value is the continuous sentinel
  EXPECT_EQ(record[1], VnMV::gMissingValue);

  Row(2);
  nominal.GetValue(record, missing, false);
  EXPECT_FALSE(missing);
  EXPECT_EQ(record[0], 9007199254740992.0);
}

TEST_F(FieldReads, TextsGoThroughTheEncoder) {
  FieldInfo& declared = Bind("string", "nominal", 2, {"a", "b", ""});
  Record record(list_.Size());
  bool missing = false;
  Row(1);
  declared.GetValue(record, missing, false);
  EXPECT_FALSE(missing);
  EXPECT_EQ(record[0], 1.0);
  declared.GetValue(record, missing, true);  // open encoding finds declared texts too
  EXPECT_EQ(record[0], 1.0);
  Row(1);
  declared.GetValue(record, missing, false);
  EXPECT_TRUE(missing);
  EXPECT_EQ(record[0], -1.0);
  Row(1);
  declared.GetValue(record, missing, false);
  EXPECT_TRUE(missing);  // "zzz" is not declared
  declared.GetValue(record, missing, true);
  EXPECT_FALSE(missing);  // appended as a new category
  EXPECT_EQ(record[0], 3.0);
  Row(1);
  declared.GetValue(record, missing, false);
  EXPECT_FALSE(missing);  // the empty text is a declared category
  EXPECT_EQ(record[0], 2.0);

  auto unbound = std::unique_ptr<FieldInfo>(
      FieldInfo::CreateFieldInfo("u", "u", "string", "nominal", "input", 2));
  record[0] = 42;
  unbound->GetValue(record, missing, false);
  EXPECT_FALSE(missing);
  EXPECT_EQ(record[0], 42);
}

TEST_F(FieldReads, RawCellsKeepTheHostKinds) {
  FieldInfo& integer = Bind("integer", "nominal", 0, {"1"});
  FieldInfo& date = Bind("date", "continuous", 3);
  FieldInfo& text = Bind("string", "nominal", 2, {"b"});
  RawRecord record(list_.Size());
  bool missing = true;
  Row(1);
  integer.GetRawValue(record, missing);
  EXPECT_FALSE(missing);
  EXPECT_EQ(record[0].GetType(), RawData::kInteger);
  EXPECT_EQ(record[0].GetInteger(), -1);
  EXPECT_FALSE(record[0].IsMissing());
  date.GetRawValue(record, missing);
  EXPECT_EQ(record[1].GetType(), RawData::kDate);
  EXPECT_EQ(record[1].GetDouble(), 19000.5);
  text.GetRawValue(record, missing);
  EXPECT_EQ(record[2].GetType(), RawData::kText);
  EXPECT_EQ(record[2].GetString(), "b");

  Row(1);
  for (FieldInfo* field : {&integer, &date, &text}) {
    field->GetRawValue(record, missing);
    EXPECT_TRUE(missing);
  }
  EXPECT_TRUE(record[0].IsMissing());
  EXPECT_EQ(record[0].GetInteger(), -1);  // only the mark changes
  EXPECT_TRUE(record[2].IsMissing());
  EXPECT_EQ(record[2].GetString(), "b");
}

TEST_F(FieldReads, HostFailuresAndWrongSizesThrow) {
  FieldInfo& number = Bind("real", "continuous", 1);
  FieldInfo& wrongSize = Bind("real", "continuous", 2);
  Record record(list_.Size());
  RawRecord raw(list_.Size());
  bool missing = false;
  cursor_->FailReadsAt(0, 7, 4711);
  Row(1);
  for (int walk = 0; walk < 2; ++walk) {
    try {
      walk == 0 ? number.GetValue(record, missing, false) : number.GetRawValue(raw, missing);
      ADD_FAILURE() << "no exception";
    } catch (const DataHelper::DataHelperException& e) {
      EXPECT_EQ(e.status(), 7u);
      EXPECT_EQ(e.hostCode(), 4711);
      EXPECT_EQ(e.text(), "getRecordValue");
    }
  }
  Row(2);  // "zzz" is 3 bytes long
  try {
    wrongSize.GetValue(record, missing, false);
    ADD_FAILURE() << "no exception";
  } catch (const DataHelper::DataHelperException& e) {
    EXPECT_EQ(e.status(), 0u);
    EXPECT_EQ(e.hostCode(), 0);
    EXPECT_EQ(e.text(), "");
  }
}

TEST_F(FieldReads, NumericFieldOfAnotherStorageReadsNothing) {
  FieldInfo& field = Bind("real", "nominal", 1, {"1"});
  field.SetFieldBaseInfo("f", "f", FieldInfo::S_STRING, FieldInfo::T_NOMINAL, FieldInfo::D_INPUT,
                         1);
  Record record(list_.Size());
  RawRecord raw(list_.Size());
  bool missing = true;
  Row(1);
  field.GetValue(record, missing, false);
  EXPECT_FALSE(missing);
  EXPECT_EQ(record[0], -1.0);
  field.GetRawValue(raw, missing);
  EXPECT_FALSE(missing);
  EXPECT_EQ(raw[0].GetType(), RawData::kEmpty);
  EXPECT_EQ(cursor_->valueCalls(), 0u);
}

}  // namespace
}  // namespace VnKx_1_2
