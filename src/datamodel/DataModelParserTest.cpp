#include "datamodel/DataModelParser.h"
#include "datamodel/detail/FieldScan.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "base/Status.h"
#include "tests/support/ParseHarness.h"

namespace VnKx_1_2 {
namespace {

using VnKxTest::DataModel;
using VnKxTest::Num;
using VnKxTest::ParseHarness;
using VnKxTest::Str;

constexpr double kLowest = std::numeric_limits<double>::lowest();
constexpr double kHighest = std::numeric_limits<double>::max();

std::string Field(const std::string& name, const std::string& storage = "string",
                  const std::string& measure = "nominal", const std::string& body = "",
                  const std::string& role = "input") {
  return "<Field name='" + name + "' storage='" + storage + "' measure='" + measure + "' role='" +
         role + "'>" + body + "</Field>";
}

std::vector<std::string> Names(ParseHarness& h) {
  std::vector<std::string> names;
  for (const FieldInfo* f : h.Fields()) names.push_back(f->GetFieldName());
  return names;
}

TEST(DataModelParserDriver, EmptyOrAbsentFieldsGiveAnEmptyList) {
  for (const std::string& text : {DataModel(""), std::string("<DataModel/>")}) {
    ParseHarness h(text);
    EXPECT_EQ(h.Parse(), StatusOk);
    EXPECT_TRUE(h.Fields().empty());
    EXPECT_EQ(h.Parser().GetNumOfFields(), 0);
    EXPECT_EQ(h.error, 0);
  }
}

TEST(DataModelParserDriver, FieldsMissingADescriptionAreSkippedButCounted) {
  ParseHarness h(DataModel(Field("A") + "<Field name='B' storage='string' measure='nominal'/>" +
                           Field("C", "integer", "continuous")));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(Names(h), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(h.Field(1).GetDataIndex(), 2);
  EXPECT_EQ(h.Parser().GetNumOfFields(), 3);
}

TEST(DataModelParserDriver, LabelsDefaultToTheName) {
  // A field without a label right after one with a label takes its own name, not the label
  // before it.
  ParseHarness h(DataModel(
      "<Field name='a' storage='real' measure='continuous' role='target' displayLabel='Alpha'/>" +
      Field("c") +
      "<Field name='b' storage='real' measure='continuous' role='target' displayLabel=''/>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  const std::vector<FieldInfo*>& fields = h.Fields();
  EXPECT_EQ(static_cast<const FieldInfo*>(fields[0])->GetFieldLabel(), "Alpha");
  EXPECT_EQ(static_cast<const FieldInfo*>(fields[1])->GetFieldLabel(), "c");
  EXPECT_EQ(static_cast<const FieldInfo*>(fields[2])->GetFieldLabel(), "b");
  EXPECT_EQ(fields[0]->GetDirection(), FieldInfo::D_TARGET);
}

TEST(DataModelParserDriver, UnknownStorageStopsWithTheFieldsBuiltSoFar) {
  ParseHarness h(
      DataModel(Field("a") + Field("b") + Field("c", "unknown") + Field("d") + Field("e")));
  EXPECT_EQ(h.Parse(), StatusParseFailed);
  EXPECT_EQ(h.error, MsgFieldNotBuilt);
  EXPECT_EQ(Names(h), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(h.Parser().GetNumOfFields(), 2);
}

TEST(DataModelParserDriver, UnknownBaseStorageKeepsTheFieldWithoutBase) {
  ParseHarness h(
      DataModel(Field("a", "string", "nominal",
                      "<BaseField name='b' storage='blob' measure='nominal' role='input'/>") +
                Field("z")));
  EXPECT_EQ(h.Parse(), StatusParseFailed);
  EXPECT_EQ(h.error, MsgFieldNotBuilt);
  ASSERT_EQ(Names(h), std::vector<std::string>{"a"});
  EXPECT_EQ(h.Field(0).GetBaseField(), nullptr);
  EXPECT_EQ(h.Parser().GetNumOfFields(), 0);
}

TEST(DataModelParserDriver, TypelessFieldsGetOnlyMissingValuesModelFieldsAndFormats) {
  ParseHarness h(
      DataModel(Field("t", "integer", "whatever",
                      "<Values><Value value='1'/></Values><Range minValue='0' maxValue='1'/>"
                      "<ContinuousStatistics mean='3'/>"
                      "<MissingValues><Value value='9'/></MissingValues>"
                      "<ModelField role='probability'/>"
                      "<FieldFormat useNamedFormat='F'/>")));
  ASSERT_EQ(h.Parse(), StatusOk);
  FieldInfo& t = h.Field(0);
  EXPECT_EQ(t.GetType(), FieldInfo::T_TYPELESS);
  EXPECT_TRUE(Num(&t).GetValues().empty());
  EXPECT_EQ(t.GetMean(), VnCommon_1_2::VnMV::gMissingValue);
  EXPECT_EQ(Num(&t).GetMissingValues(), std::vector<double>{9});
  EXPECT_TRUE(t.GetModelField().IsProbability());
  ASSERT_NE(t.GetFieldFormatXML(), nullptr);
}

TEST(DataModelParserDriver, DefaultRangeOnlyForContinuousFieldsWithoutRanges) {
  const std::string text =
      DataModel(Field("x", "real", "continuous") +
                Field("y", "real", "continuous", "<Range minValue='1' maxValue='2'/>") +
                Field("n", "integer", "nominal"));
  for (bool defaultRange : {true, false}) {
    ParseHarness h(text);
    ASSERT_EQ(h.Parse(defaultRange), StatusOk);
    const std::vector<double> expected =
        defaultRange ? std::vector<double>{kLowest, kHighest} : std::vector<double>{};
    EXPECT_EQ(Num(&h.Field(0)).GetValues(), expected);
    EXPECT_EQ(Num(&h.Field(1)).GetValues(), (std::vector<double>{1, 2}));
    EXPECT_TRUE(Num(&h.Field(2)).GetValues().empty());
  }
}

TEST(DataModelParserDriver, ContinuousStatisticsSetMeanDeviationAndRecord) {
  ParseHarness h(DataModel(
      Field("x", "real", "continuous",
            "<ContinuousStatistics mean='2' variance='9' minimum='-1'/>") +
      Field("y", "real", "continuous", "<ContinuousStatistics mean='5' variance='-1'/>")));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(h.Field(0).GetMean(), 2);
  EXPECT_EQ(h.Field(0).GetStdDev(), 3);
  FieldInfo::ST_CTUSDATA stats;
  h.Field(0).GetContinuousStatField(stats);
  EXPECT_EQ(stats.minimum, -1);
  EXPECT_EQ(h.Field(1).GetMean(), 5);
  EXPECT_EQ(h.Field(1).GetStdDev(), VnCommon_1_2::VnMV::gMissingValue);
  h.Field(1).GetContinuousStatField(stats);
  EXPECT_EQ(stats.variance, -1);
}

TEST(DataModelParserDriver, FreqWeightRoleMakesNumericFieldsContinuous) {
  ParseHarness h(DataModel(
      Field("w", "integer", "nominal", "<Range minValue='0' maxValue='9'/>", "freqWeight")));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(h.Field(0).GetType(), FieldInfo::T_CONTINUOUS);
  EXPECT_EQ(Num(&h.Field(0)).GetValues(), (std::vector<double>{0, 9}));
}

// A Field nested in a BaseField is found by the field loop too: it becomes a field of its own
// with the next index, so the host delivers it as a column of its own.
TEST(DataModelParserDriver, NestedBaseFieldIsAlsoAFieldOfItsOwn) {
  ParseHarness h(
      DataModel(Field("a", "string", "nominal",
                      "<Values><Value value='x' displayLabel='X'/></Values>"
                      "<BaseField><Field name='b' storage='string' measure='nominal' role='input'>"
                      "<Values><Value value='X' displayLabel='bx'/></Values>"
                      "<MissingValues><Value value='9'/></MissingValues>"
                      "</Field></BaseField>") +
                Field("c", "integer", "continuous")));
  ASSERT_EQ(h.Parse(), StatusOk);
  ASSERT_EQ(Names(h), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(h.Parser().GetNumOfFields(), 3);
  EXPECT_EQ(h.Field(0).GetDataIndex(), 0);
  EXPECT_EQ(h.Field(1).GetDataIndex(), 1);
  EXPECT_EQ(h.Field(2).GetDataIndex(), 2);

  const FieldInfo& a = h.Field(0);
  EXPECT_EQ(Str(&a).GetValues(), std::vector<std::string>{"x"});
  // The any-depth search for missing values reaches into the base-field description.
  EXPECT_EQ(Str(&a).GetMissingValues(), std::vector<std::string>{"9"});
  const FieldInfo* base = a.GetBaseField();
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->GetFieldName(), "b");
  EXPECT_EQ(base->GetDataIndex(), 0);
  EXPECT_EQ(Str(base).GetValues(), std::vector<std::string>{"X"});
  EXPECT_EQ(Str(base).GetMissingValues(), std::vector<std::string>{"9"});
  EXPECT_EQ(Str(&h.Field(1)).GetValues(), std::vector<std::string>{"X"});
  EXPECT_EQ(h.Field(1).GetBaseField(), nullptr);
}

// Fields nested in base fields to any depth would make every nested field rescan its subtree;
// a field holding more than 64 field elements is refused instead, in linear time.
TEST(DataModelParserDriver, DeeplyNestedFieldChainsAreRefused) {
  // `depth` fields, each but the innermost describing its base field by the next one.
  const auto chain = [](int depth) {
    const std::string field = "<Field name='f' storage='real' measure='continuous' role='input'>";
    std::string text;
    for (int i = 1; i < depth; ++i) text += field + "<BaseField>";
    text += field + "</Field>";
    for (int i = 1; i < depth; ++i) text += "</BaseField></Field>";
    return DataModel(Field("first") + text);
  };
  ParseHarness fine(chain(FieldScan::kMaxNestedFields + 1));
  EXPECT_EQ(fine.Parse(), StatusOk);
  EXPECT_EQ(fine.Fields().size(), static_cast<size_t>(FieldScan::kMaxNestedFields + 2));

  ParseHarness deep(chain(100000));
  EXPECT_EQ(deep.Parse(), StatusParseFailed);
  EXPECT_EQ(deep.error, MsgFieldNotBuilt);
  EXPECT_EQ(deep.Fields().size(), 1u);  // the field before the chain
}

TEST(DataModelParserDriver, BaseFieldElementStandsForItselfWithoutAnInnerField) {
  ParseHarness h(DataModel(Field(
      "a", "integer", "nominal",
      "<Values><Value value='1' displayLabel='one'/><Value value='2' displayLabel='two'/></Values>"
      "<BaseField name='b' storage='string' measure='nominal' role='target'/>")));
  ASSERT_EQ(h.Parse(), StatusOk);
  ASSERT_EQ(h.Fields().size(), 1u);
  const FieldInfo* base = h.Field(0).GetBaseField();
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->GetFieldName(), "b");
  EXPECT_EQ(base->GetDirection(), FieldInfo::D_TARGET);
  EXPECT_EQ(Str(base).GetValues(), (std::vector<std::string>{"one", "two"}));
}

TEST(DataModelParserDriver, CancelBeforeTheParseKeepsCountsAndFormats) {
  DataModelParser parser;
  parser.Cancel();
  int error = 0;
  EXPECT_EQ(parser.ParseDataModel(KxCppHelperV1::HostHelper::createFromContents(
                                      DataModel(Field("a"),
                                                "<FieldFormats count='0'/><RecordCounts "
                                                "unweightedCount='1' weightedCount='1' "
                                                "droppedCount='0'/>")),
                                  &error, false),
            StatusCancelled);
  EXPECT_EQ(error, MsgCancelled);
  EXPECT_TRUE(parser.GetFieldInfo().empty());
  EXPECT_NE(parser.GetFieldFormatsXML(), nullptr);
  double u = 0, w = 0, d = 0;
  EXPECT_TRUE(parser.GetRecordsCount(u, w, d));
}

TEST(DataModelParserDriver, SecondParseReplacesTheFirst) {
  DataModelParser parser;
  int error = 0;
  ASSERT_EQ(parser.ParseDataModel(KxCppHelperV1::HostHelper::createFromContents(
                                      DataModel(Field("a") + Field("b"), "<FieldFormats/>")),
                                  &error, false),
            StatusOk);
  ASSERT_EQ(
      parser.ParseDataModel(KxCppHelperV1::HostHelper::createFromContents(DataModel(Field("c"))),
                            &error, false),
      StatusOk);
  ASSERT_EQ(parser.GetFieldInfo().size(), 1u);
  EXPECT_EQ(parser.GetFieldInfo()[0]->GetFieldName(), "c");
  EXPECT_EQ(parser.GetFieldFormatsXML(), nullptr);
}

}  // namespace
}  // namespace VnKx_1_2
