#include "input/InputAdapter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Status.h"
#include "external/common/RawRecord.h"
#include "external/common/Record.h"
#include "external/common/VnMV.h"
#include "external/hosthelper/DataHelper.h"
#include "fields/FieldInfo.h"
#include "host/SimIterator.h"
#include "tests/support/InputHarness.h"
#include "tests/support/ParseHarness.h"

namespace VnKx_1_2 {
namespace {

using VnKxHost::Cell;
using VnKxHost::ColumnType;
using VnKxHost::Table;
using VnKxTest::AdapterFlags;
using VnKxTest::DataModel;
using VnKxTest::FieldXml;
using VnKxTest::InputHarness;
using VnXML_1_2::IVnVariable;

std::vector<std::string> VariableNames(InputAdapter& adapter) {
  std::vector<std::string> names;
  for (size_t i = 0; i < adapter.GetVarList().Size(); ++i) {
    names.push_back(adapter.GetVarList().GetVarAt(static_cast<int>(i))->GetName());
  }
  return names;
}

const std::string kRange = "<Range minValue='0' maxValue='100'/>";
const std::string kValues = "<Values><Value value='a'/><Value value='b'/></Values>";

TEST(InputAdapterAdmission, StorageTestAndDateTimeFlag) {
  InputHarness h(DataModel(FieldXml("d", "date", "continuous", "input", kRange) +
                           FieldXml("t", "time", "continuous", "input", kRange) +
                           FieldXml("u", "timestamp", "continuous", "input", kRange)),
                 Table());
  auto adapter = h.Adapter();
  int error = -1;
  EXPECT_FALSE(adapter->BuildVarlist(&error));
  EXPECT_EQ(error, -1);
  EXPECT_EQ(adapter->GetSize(), 0);

  AdapterFlags flags;
  flags.allowDateTime = true;
  auto dates = h.Adapter(flags);
  EXPECT_TRUE(dates->BuildVarlist(&error));
  EXPECT_EQ(VariableNames(*dates), (std::vector<std::string>{"d", "t", "u"}));
}

TEST(InputAdapterAdmission, ModelRolesOnlyKeepsModelDirections) {
  InputHarness h(DataModel(FieldXml("in", "real", "continuous", "input", kRange) +
                           FieldXml("both", "real", "continuous", "both", kRange) +
                           FieldXml("none", "string", "nominal", "none", kValues) +
                           FieldXml("part", "string", "nominal", "partition", kValues) +
                           FieldXml("split", "string", "nominal", "split", kValues) +
                           FieldXml("id", "integer", "nominal", "recordId") +
                           FieldXml("out", "string", "nominal", "target", kValues)),
                 Table());
  AdapterFlags flags;
  flags.modelRolesOnly = true;
  auto adapter = h.Adapter(flags);
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  EXPECT_EQ(VariableNames(*adapter), (std::vector<std::string>{"in", "id", "out"}));
  EXPECT_EQ(adapter->GetFieldIndexVector(), (std::vector<int>{0, 5, 6}));
  EXPECT_EQ(h.Adapter()->GetSize(), 0);
  auto all = h.Adapter();
  ASSERT_TRUE(all->BuildVarlist(&error));
  EXPECT_EQ(all->GetSize(), 7);
  std::string partition = "unchanged";
  EXPECT_TRUE(all->GetPartitionFieldName(partition));
  EXPECT_EQ(partition, "part");
}

TEST(InputAdapterWeight, TheFirstAdmittedWeightFieldIsTheWeight) {
  InputHarness h(DataModel(FieldXml("w1", "real", "continuous", "freqWeight", kRange) +
                           FieldXml("x", "real", "continuous", "input", kRange) +
                           FieldXml("w2", "real", "continuous", "freqWeight", kRange)),
                 Table());
  auto adapter = h.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  VnXML_1_2::VnVarList& list = adapter->GetVarList();
  EXPECT_EQ(list.GetWeightVarIndex(), 0);
  EXPECT_EQ(list.GetVarAt(0)->AsContVar()->GetRoundingOption(), IVnVariable::WR_ROUND);
  EXPECT_FALSE(list.GetVarAt(2)->AsContVar()->IsWeight());
}

TEST(InputAdapterWeight, ANamedFieldLeftOutIsAppendedOrRefused) {
  const std::string model =
      DataModel(FieldXml("dw", "date", "continuous", "freqWeight", kRange) +
                FieldXml("x", "real", "continuous", "input", kRange) +
                FieldXml("s", "string", "nominal", "input", kValues) +
                FieldXml("dn", "date", "nominal", "input", "<Values><Value value='1'/></Values>"));
  {
    InputHarness h(model, Table());
    auto adapter = h.Adapter();
    int error = 0;
    ASSERT_TRUE(adapter->BuildVarlist(&error));  // the date weight does not name itself
    EXPECT_EQ(adapter->GetVarList().GetWeightVarIndex(), -1);
    EXPECT_EQ(VariableNames(*adapter), (std::vector<std::string>{"x", "s"}));
  }
  const struct {
    const char* name;
    bool built;
    int error;
    std::vector<std::string> variables;
  } cases[] = {
      {"dw", true, 0, {"x", "s", "dw"}},
      {"dn", false, MsgFieldNotBuilt, {}},
      {"s", false, MsgFieldNotBuilt, {}},
      {"nobody", false, MsgNoDeclaredValues, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InputHarness h(model, Table());
    auto adapter = h.Adapter();
    adapter->SetFrequencyWeightVar(c.name, IVnVariable::WR_TRUNCATE);
    int error = 0;
    EXPECT_EQ(adapter->BuildVarlist(&error), c.built);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(VariableNames(*adapter), c.variables);
  }
}

TEST(InputAdapterBuild, CountsAndFormatsAreHandedOver) {
  const std::string fields = FieldXml("x", "real", "continuous", "input", kRange);
  InputHarness known(DataModel(fields,
                               "<FieldFormats count='1'/><RecordCounts unweightedCount='10'"
                               " weightedCount='12' droppedCount='1'/>"),
                     Table());
  auto adapter = known.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  EXPECT_EQ(adapter->GetVarList().GetUnWeightedCount(), 10);
  EXPECT_EQ(adapter->GetVarList().GetDroppedCount(), 1);
  ASSERT_NE(adapter->GetVarList().GetFieldFormatsElement(), nullptr);
  EXPECT_NE(adapter->GetVarList().GetFieldFormatsElement(), known.Parser().GetFieldFormatsXML());

  InputHarness partial(DataModel(fields, "<RecordCounts unweightedCount='10' weightedCount='12'/>"),
                       Table());
  auto other = partial.Adapter();
  ASSERT_TRUE(other->BuildVarlist(&error));
  EXPECT_EQ(other->GetVarList().GetUnWeightedCount(), -1);
}

TEST(InputAdapterBuild, BaseFieldsTakeTheFieldsPlace) {
  InputHarness h(DataModel(FieldXml("code", "integer", "nominal", "input",
                                    "<Values><Value value='1' displayLabel='low'/></Values>"
                                    "<BaseField name='level' storage='string' measure='nominal'"
                                    " role='input'/>") +
                           FieldXml("x", "real", "continuous", "input", kRange)),
                 Table());
  auto adapter = h.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  EXPECT_EQ(VariableNames(*adapter), (std::vector<std::string>{"level", "x"}));
  FieldInfo* code = h.Parser().GetFieldInfo()[0];
  EXPECT_EQ(code->GetIndexInVarList(), 0);
  EXPECT_EQ(code->GetBaseField()->GetEncoder(), adapter->GetVarList().GetEncoderAt(0));
  EXPECT_EQ(code->GetDataHelper(), h.data.get());
}

TEST(InputAdapterBuild, FlagsReachTheVariables) {
  const std::string model = DataModel(FieldXml("y", "string", "nominal", "target", kValues) +
                                      FieldXml("r", "real", "continuous", "input"));
  const struct {
    const char* name;
    AdapterFlags flags;
    IVnVariable::VariableRole role;
    bool open;
    double high;
  } cases[] = {
      {"defaults", {}, IVnVariable::VR_TARGET, false, 1.7976931348623157e308},
      {"target as input",
       {false, true, false, false, false},
       IVnVariable::VR_INPUT,
       false,
       1.7976931348623157e308},
      {"open categories",
       {false, false, true, false, false},
       IVnVariable::VR_TARGET,
       true,
       1.7976931348623157e308},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InputHarness h(model, Table());
    auto adapter = h.Adapter(c.flags);
    int error = 0;
    ASSERT_TRUE(adapter->BuildVarlist(&error));
    EXPECT_EQ(adapter->GetVarList().GetVarAt(0)->GetRole(), c.role);
    EXPECT_EQ(adapter->GetVarList().GetVarAt(0)->AsCatVar()->IsOpen(), c.open);
    EXPECT_EQ(adapter->GetVarList().GetVarAt(1)->AsContVar()->GetHigh(), c.high);
  }
}

TEST(InputAdapterBuild, ACancelledParserStopsTheBuild) {
  InputHarness h(DataModel(FieldXml("x", "real", "continuous", "input", kRange)), Table());
  h.Parser().Cancel();
  auto adapter = h.Adapter();
  int error = 0;
  EXPECT_FALSE(adapter->BuildVarlist(&error));
  EXPECT_EQ(error, MsgCancelled);
  EXPECT_EQ(adapter->GetVarList().Size(), 0u);
}

// A component's own admission, validity and binning rules.
class StrictAdapter : public InputAdapter {
 public:
  using InputAdapter::InputAdapter;
  int validityCalls = 0;

 protected:
  bool CanAddToVarList(const FieldInfo* field) const override {
    return InputAdapter::CanAddToVarList(field) && field->GetFieldName() != "skip";
  }
  bool IsValidFields(int* error) override {
    ++validityCalls;
    for (const int position : fieldIndexes) {
      if (!FieldAt(position)->IsValidField(error)) return false;
    }
    return true;
  }
  void SetFieldsBinningParameter() override {
    for (const int position : fieldIndexes) FieldAt(position)->SetBinningParameter(4, true);
  }
};

TEST(InputAdapterDerived, HooksReplaceTheBaseRules) {
  InputHarness h(DataModel(FieldXml("x", "real", "continuous", "input", kRange) +
                           FieldXml("skip", "real", "continuous", "input", kRange)),
                 Table());
  StrictAdapter adapter(h.data.get(), h.Parser(), false, false, false, false, false);
  int error = 0;
  ASSERT_TRUE(adapter.BuildVarlist(&error));
  EXPECT_EQ(adapter.validityCalls, 1);
  ASSERT_EQ(adapter.GetSize(), 1);
  EXPECT_TRUE(adapter.GetVarList().GetVarAt(0)->AsContVar()->IsBinned());
  EXPECT_EQ(adapter.GetVarList().GetVarAt(0)->AsContVar()->GetNumBins(), 4);

  InputHarness invalid(DataModel(FieldXml("s", "string", "nominal")), Table());
  StrictAdapter refusing(invalid.data.get(), invalid.Parser(), false, false, false, false, false);
  EXPECT_FALSE(refusing.BuildVarlist(&error));
  EXPECT_EQ(error, MsgNoDeclaredValues);
  EXPECT_EQ(refusing.GetVarList().Size(), 0u);
}

TEST(InputAdapterValues, EveryFlagIsRewrittenForEachRecord) {
  Table table;
  table.AddColumn("n", ColumnType::kInteger);
  table.AddColumn("x", ColumnType::kReal);
  table.AddColumn("s", ColumnType::kString);
  table.AddRow({Cell(-1), Cell(-1.0), Cell("zz")});
  table.AddRow({Cell(2), Cell(VnCommon_1_2::VnMV::gMissingValue), Cell("")});
  table.AddRow({Cell::Null(), Cell::Null(), Cell::Null()});
  InputHarness h(
      DataModel(
          FieldXml("n", "integer", "nominal", "input", "<Values><Value value='2'/></Values>") +
          FieldXml("x", "real", "continuous", "input", kRange) +
          FieldXml("s", "string", "nominal", "input", "<Values><Value value=''/></Values>")),
      table);
  auto adapter = h.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  VnCommon_1_2::Record record(3);
  std::vector<bool> missing(3, true);
  const std::vector<std::vector<bool>> expected = {
      {true, false, true}, {false, true, false}, {true, true, true}};
  for (const auto& row : expected) {
    ASSERT_TRUE(h.data->nextRecord());
    adapter->GetValues(record, missing);
    EXPECT_EQ(missing, row);
  }
}

TEST(InputAdapterValues, RebindSwitchesEveryFieldToTheNewCursor) {
  InputHarness h(DataModel(FieldXml("x", "real", "continuous", "input", kRange) +
                           FieldXml("d", "date", "continuous", "input", kRange)),
                 Table());
  auto adapter = h.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  KxCppHelperV1::DataHelper other(h.context.Iterator(0).record());
  adapter->Rebind(&other);
  for (const FieldInfo* field : h.Parser().GetFieldInfo())
    EXPECT_EQ(field->GetDataHelper(), &other);
}

// The adapter reads the numeric columns itself, without a call per field; every record must
// come out exactly as the fields' own reads make it.
class AdapterReads : public ::testing::Test {
 protected:
  AdapterReads() : h(Model(), Rows()) {}

  static std::string Model() {
    return DataModel(
        FieldXml("i", "integer", "nominal", "input", "<Values><Value value='7'/></Values>") +
        FieldXml("j", "integer", "continuous", "input", kRange) +
        FieldXml("x", "real", "continuous", "input", kRange) +
        FieldXml("y", "real", "ordinal", "input", "<Values><Value value='2.5'/></Values>") +
        FieldXml("d", "date", "continuous", "input", kRange) +
        FieldXml("s", "string", "nominal", "input", kValues) +
        FieldXml("w", "real", "continuous", "input", kRange));
  }
  static Table Rows() {
    Table table;
    table.AddColumn("i", ColumnType::kInteger);
    table.AddColumn("j", ColumnType::kInteger);
    table.AddColumn("x", ColumnType::kReal);
    table.AddColumn("y", ColumnType::kReal);
    table.AddColumn("d", ColumnType::kDate);
    table.AddColumn("s", ColumnType::kString);
    table.AddColumn("w", ColumnType::kString);  // read as a real: 8 bytes or refused
    const double mv = VnCommon_1_2::VnMV::gMissingValue;
    table.AddRow({Cell(-1), Cell(-1), Cell(mv), Cell(-1.0), Cell(mv), Cell("a"), Cell("8 bytes!")});
    table.AddRow({Cell::Null(), Cell::Null(), Cell::Null(), Cell::Null(), Cell::Null(),
                  Cell::Null(), Cell::Null()});
    table.AddRow({Cell(int64_t{1} << 53), Cell(0), Cell(-1.0), Cell(2.5), Cell(19000.5), Cell("zz"),
                  Cell("12345678")});
    table.AddRow({Cell(7), Cell(-5), Cell(1e300), Cell(0.0), Cell(1.0), Cell("b"), Cell("short")});
    return table;
  }
  std::vector<FieldInfo*> Admitted(const InputAdapter& adapter) {
    std::vector<FieldInfo*> fields;
    for (const int i : adapter.GetFieldIndexVector())
      fields.push_back(h.Parser().GetFieldInfo()[i]);
    return fields;
  }

  InputHarness h;
};

TEST_F(AdapterReads, RecordsMatchTheFieldsOwnReads) {
  AdapterFlags flags;
  flags.allowDateTime = true;
  auto adapter = h.Adapter(flags);
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  const std::vector<FieldInfo*> fields = Admitted(*adapter);
  ASSERT_EQ(fields.size(), 7u);
  for (int row = 0; row < 3; ++row) {
    ASSERT_TRUE(h.data->nextRecord());
    VnCommon_1_2::Record read(7);
    VnCommon_1_2::Record expected(7);
    std::vector<bool> missing(7, row % 2 == 0);
    std::vector<bool> expectedMissing(7);
    adapter->GetValues(read, missing);
    for (size_t k = 0; k < fields.size(); ++k) {
      bool flag = false;
      fields[k]->GetValue(expected, flag, false);
      expectedMissing[k] = flag;
    }
    for (size_t c = 0; c < 7; ++c)
      EXPECT_EQ(read[c], expected[c]) << "row " << row << " cell " << c;
    EXPECT_EQ(missing, expectedMissing) << "row " << row;
    // The raw reads likewise, kind by kind.
    VnCommon_1_2::RawRecord raw(7);
    VnCommon_1_2::RawRecord expectedRaw(7);
    adapter->GetRawValues(raw, missing);
    for (size_t k = 0; k < fields.size(); ++k) {
      bool flag = false;
      fields[k]->GetRawValue(expectedRaw, flag);
      expectedMissing[k] = flag;
    }
    for (size_t c = 0; c < 7; ++c) {
      SCOPED_TRACE("raw row " + std::to_string(row) + " cell " + std::to_string(c));
      EXPECT_EQ(raw[c].GetType(), expectedRaw[c].GetType());
      EXPECT_EQ(raw[c].IsMissing(), expectedRaw[c].IsMissing());
      EXPECT_EQ(raw[c].GetInteger(), expectedRaw[c].GetInteger());
      EXPECT_EQ(raw[c].GetDouble(), expectedRaw[c].GetDouble());
      EXPECT_EQ(raw[c].GetString(), expectedRaw[c].GetString());
    }
    EXPECT_EQ(missing, expectedMissing) << "row " << row;
  }
  // Row 0 holds every sentinel, row 1 only nulls.
  ASSERT_TRUE(h.data->rewind());
  ASSERT_TRUE(h.data->nextRecord());
  VnCommon_1_2::Record record(7);
  std::vector<bool> missing(7);
  adapter->GetValues(record, missing);
  EXPECT_EQ(missing, std::vector<bool>({true, false, true, true, true, false, false}));
  ASSERT_TRUE(h.data->nextRecord());
  adapter->GetValues(record, missing);
  EXPECT_EQ(missing, std::vector<bool>(7, true));
}

TEST_F(AdapterReads, FailuresLeaveTheSentinelAndPassThrough) {
  auto adapter = h.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));  // the date field is not admitted
  VnCommon_1_2::Record record(6);
  std::vector<bool> missing(6);
  h.Cursor().FailReadsAt(0, 7, 4711);
  ASSERT_TRUE(h.data->nextRecord());
  record[0] = 123;
  try {
    adapter->GetValues(record, missing);
    ADD_FAILURE() << "no exception";
  } catch (const KxCppHelperV1::DataHelper::DataHelperException& e) {
    EXPECT_EQ(e.status(), 7u);
    EXPECT_EQ(e.hostCode(), 4711);
    EXPECT_EQ(e.text(), "getRecordValue");
  }
  EXPECT_EQ(record[0], -1.0);  // the nominal field's sentinel
  ASSERT_TRUE(h.data->nextRecord());
  ASSERT_TRUE(h.data->nextRecord());
  adapter->GetValues(record, missing);  // "12345678" is 8 bytes
  ASSERT_TRUE(h.data->nextRecord());
  try {
    adapter->GetValues(record, missing);  // "short" is not
    ADD_FAILURE() << "no exception";
  } catch (const KxCppHelperV1::DataHelper::DataHelperException& e) {
    EXPECT_EQ(e.status(), 0u);
    EXPECT_EQ(e.text(), "");
  }
  EXPECT_EQ(record[5], VnCommon_1_2::VnMV::gMissingValue);
}

TEST_F(AdapterReads, RawReadsThrowBeforeTouchingTheCell) {
  auto adapter = h.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  VnCommon_1_2::RawRecord raw(6);
  std::vector<bool> missing(6);
  h.Cursor().FailReadsAt(0, 7, 4711);
  ASSERT_TRUE(h.data->nextRecord());
  raw[0].SetInteger(123, false);
  try {
    adapter->GetRawValues(raw, missing);
    ADD_FAILURE() << "no exception";
  } catch (const KxCppHelperV1::DataHelper::DataHelperException& e) {
    EXPECT_EQ(e.status(), 7u);
    EXPECT_EQ(e.hostCode(), 4711);
  }
  EXPECT_EQ(raw[0].GetInteger(), 123);
  for (int row = 1; row <= 3; ++row) ASSERT_TRUE(h.data->nextRecord());
  raw[5].SetDouble(2.5, FieldInfo::S_REAL, false);
  EXPECT_THROW(adapter->GetRawValues(raw, missing),
               KxCppHelperV1::DataHelper::DataHelperException);  // "short" is not 8 bytes
  EXPECT_EQ(raw[5].GetDouble(), 2.5);
}

TEST_F(AdapterReads, AFieldBoundToAnotherCursorReadsThroughIt) {
  auto adapter = h.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  const Table rows = Rows();
  VnKxHost::SimIterator second(rows);
  KxCppHelperV1::DataHelper other(second.record());
  Admitted(*adapter)[2]->PrepareDataHelper(&other);  // x
  ASSERT_TRUE(other.nextRecord());
  ASSERT_TRUE(other.nextRecord());
  ASSERT_TRUE(other.nextRecord());    // x = -1.0 on the other cursor
  ASSERT_TRUE(h.data->nextRecord());  // x = gMissingValue on the adapter's
  VnCommon_1_2::Record record(6);
  std::vector<bool> missing(6);
  adapter->GetValues(record, missing);
  EXPECT_EQ(record[2], -1.0);
  EXPECT_FALSE(missing[2]);
  EXPECT_EQ(second.valueCalls(), 1u);
  // Bound to the other cursor again (no change), then back to the adapter's: the reads follow.
  Admitted(*adapter)[2]->PrepareDataHelper(&other);
  adapter->GetValues(record, missing);
  EXPECT_EQ(record[2], -1.0);
  EXPECT_EQ(second.valueCalls(), 2u);
  Admitted(*adapter)[2]->PrepareDataHelper(h.data.get());
  adapter->GetValues(record, missing);
  EXPECT_TRUE(missing[2]);
  EXPECT_EQ(second.valueCalls(), 2u);
}

// A numeric kind a component derives, with a read of its own: the adapter calls it, never its
// own reading of the bytes.
class DoubledField : public NumericFieldInfo {
 public:
  void GetValue(VnCommon_1_2::Record& record, bool& missing, bool open) override {
    NumericFieldInfo::GetValue(record, missing, open);
    record[static_cast<size_t>(GetIndexInVarList())] *= 2;
  }
};

TEST_F(AdapterReads, ANumericKindDerivedElsewhereKeepsItsOwnRead) {
  std::vector<FieldInfo*>& fields = h.Parser().GetFieldInfo();
  auto* doubled = new DoubledField();
  doubled->SetFieldBaseInfo("j", "j", FieldInfo::S_INTEGER, FieldInfo::T_CONTINUOUS,
                            FieldInfo::D_INPUT, 1);
  delete fields[1];
  fields[1] = doubled;  // the parser deletes it with the others
  auto adapter = h.Adapter();
  int error = 0;
  ASSERT_TRUE(adapter->BuildVarlist(&error));
  ASSERT_TRUE(h.data->nextRecord());  // j = -1
  VnCommon_1_2::Record record(6);
  std::vector<bool> missing(6);
  adapter->GetValues(record, missing);
  EXPECT_EQ(record[static_cast<size_t>(doubled->GetIndexInVarList())], -2.0);
}

}  // namespace
}  // namespace VnKx_1_2
