#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Status.h"
#include "datamodel/DataModelParser.h"
#include "tests/support/ParseHarness.h"

namespace VnKx_1_2 {
namespace {

using Strings = std::vector<std::string>;
using VnKxTest::DataModel;
using VnKxTest::Labels;
using VnKxTest::Num;
using VnKxTest::ParseHarness;
using VnKxTest::Str;

std::string Field(const std::string& measure, const std::string& body,
                  const std::string& storage = "string") {
  return "<Field name='f' storage='" + storage + "' measure='" + measure + "' role='input'>" +
         body + "</Field>";
}

TEST(DataModelParserCategories, ValuesLabelsAndPartitions) {
  ParseHarness h(
      DataModel(Field("nominal",
                      "<Values><Value value='a' displayLabel='A' definePartition='training'/>"
                      "<Value displayLabel='skipped'/><Value value='b' definePartition='testing'/>"
                      "<Value value='a' definePartition='testing'/></Values>")));
  ASSERT_EQ(h.Parse(), StatusOk);
  FieldInfo& f = h.Field(0);
  EXPECT_EQ(Str(&f).GetValues(), (Strings{"a", "b", "a"}));
  EXPECT_EQ(Labels(f), (Strings{"A", "", ""}));
  EXPECT_EQ(f.GetValueFrequencies(), (std::vector<double>{0, 0, 0}));
  Strings partitions;
  std::vector<bool> flags;
  f.GetPartitionValue(partitions, flags);
  EXPECT_EQ(partitions, (Strings{"a", "a", ""}));
  EXPECT_EQ(flags, (std::vector<bool>{true, true, false}));
}

TEST(DataModelParserCategories, SeveralValuesElementsAccumulateValuesButKeepTheLastLabels) {
  ParseHarness h(
      DataModel(Field("ordinal",
                      "<ValueLabels><Values><Value value='1' displayLabel='one'/></Values>"
                      "<Values><Value value='2' displayLabel='two'/></Values></ValueLabels>"
                      "<Values><Value value='3'/></Values>",
                      "integer")));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(Num(&h.Field(0)).GetValues(), (std::vector<double>{1, 2}));
  EXPECT_EQ(Labels(h.Field(0)), Strings{"two"});
}

TEST(DataModelParserCategories, ValuesAreTheChildrenOfTheFirstValueLabelsOrOfTheField) {
  // Values elements deeper down, and those of later value labels, are not the field's.
  ParseHarness labelled(
      DataModel(Field("nominal",
                      "<ValueLabels><Deep><Values><Value value='x'/></Values></Deep>"
                      "<Values><Value value='a'/></Values></ValueLabels>"
                      "<ValueLabels><Values><Value value='y'/></Values></ValueLabels>"
                      "<Values><Value value='z'/></Values>")));
  ASSERT_EQ(labelled.Parse(), StatusOk);
  EXPECT_EQ(Str(&labelled.Field(0)).GetValues(), Strings{"a"});

  ParseHarness own(
      DataModel(Field("nominal",
                      "<Deep><Values><Value value='x'/></Values></Deep><Values><Value value='b'/>"
                      "</Values><Values><Value value='c'/></Values>")));
  ASSERT_EQ(own.Parse(), StatusOk);
  EXPECT_EQ(Str(&own.Field(0)).GetValues(), (Strings{"b", "c"}));
}

TEST(DataModelParserFlags, AlwaysTwoValuesTrueFirst) {
  const struct {
    const char* name;
    const char* values;
    Strings expectedValues;
    Strings expectedLabels;
    int binary;
  } cases[] = {
      {"false only",
       "<Value flagValue='false' value='N' displayLabel='no'/>",
       {"", "N"},
       {"", "no"},
       1},
      {"false then true",
       "<Value flagValue='false' value='N'/><Value flagValue='true' value='Y' displayLabel='yes'/>",
       {"Y", "N"},
       {"yes", ""},
       0},
      {"true then false",
       "<Value flagValue='true' value='Y'/><Value flagValue='false' value='N'/>",
       {"Y", "N"},
       {"", ""},
       1},
      {"capital True", "<Value flagValue='True' value='Y'/>", {"", "Y"}, {"", ""}, 1},
      {"no flag values", "<Value value='Y'/>", {"", ""}, {"", ""}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ParseHarness h(DataModel(Field("flag", std::string("<Values>") + c.values + "</Values>")));
    ASSERT_EQ(h.Parse(), StatusOk);
    EXPECT_EQ(Str(&h.Field(0)).GetValues(), c.expectedValues);
    EXPECT_EQ(Labels(h.Field(0)), c.expectedLabels);
    EXPECT_EQ(h.Field(0).GetBinaryFlagValue(), c.binary);
  }
}

// An outer numeric field whose values carry display labels, and a base field keyed by them.
std::string WithBase(
    const std::string& baseMeasure, const std::string& baseBody,
    const std::string& outerValues =
        "<Value value='1' displayLabel='low'/><Value value='2' displayLabel='high'/>"
        "<Value value='3'/>") {
  return DataModel("<Field name='code' storage='integer' measure='nominal' role='input'><Values>" +
                   outerValues +
                   "</Values><DiscreteStatistics><Category category='1' sumFreqWts='10'/>"
                   "<Category category='2' sumFreqWts='20'/></DiscreteStatistics>"
                   "<BaseField><Field name='level' storage='string' measure='" +
                   baseMeasure + "' role='input'>" + baseBody + "</Field></BaseField></Field>");
}

TEST(DataModelParserBaseCategories, CategoriesAreTheOuterDisplayLabels) {
  ParseHarness h(
      WithBase("nominal",
               "<ValueLabels><Values><Value value='high' displayLabel='High!'/>"
               "<Value value='low' displayLabel='Low!'/><Value value='low' displayLabel='dup'/>"
               "</Values></ValueLabels>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  const FieldInfo* base = h.Field(0).GetBaseField();
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(Str(base).GetValues(), (Strings{"low", "high", ""}));
  EXPECT_EQ(base->GetValueFrequencies(), (std::vector<double>{10, 20, 0}));
  EXPECT_EQ(Labels(*h.Field(0).GetBaseField()), (Strings{"Low!", "High!", ""}));
  EXPECT_EQ(h.Field(0).GetBaseField()->GetDataIndex(), 0);
}

TEST(DataModelParserBaseCategories, WithoutValueLabelsEveryLabelIsEmpty) {
  ParseHarness h(
      WithBase("nominal", "<Values><Value value='high' displayLabel='High!'/></Values>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(Str(h.Field(0).GetBaseField()).GetValues(), (Strings{"low", "high", ""}));
  EXPECT_EQ(Labels(*h.Field(0).GetBaseField()), (Strings{"", "", ""}));
}

TEST(DataModelParserBaseFlags, MappedTrueCategorySetsTheBinaryValue) {
  const struct {
    const char* name;
    const char* outer;
    const char* base;
    Strings values;
    Strings labels;
    int binary;
  } cases[] = {
      {"true maps to outer 0",
       "<Value value='0' displayLabel='yes'/><Value value='1' displayLabel='no'/>",
       "<Values><Value flagValue='true' value='yes' displayLabel='Y'/>"
       "<Value flagValue='false' value='no' displayLabel='N'/></Values>",
       {"yes", "no"},
       {"Y", "N"},
       0},
      {"true maps to outer 1",
       "<Value value='1' displayLabel='yes'/><Value value='0' displayLabel='no'/>",
       "<ValueLabels><Values><Value flagValue='true' value='yes' displayLabel='Y'/>"
       "<Value flagValue='false' value='no' displayLabel='N'/></Values></ValueLabels>",
       {"yes", "no"},
       {"Y", "N"},
       1},
      {"an unmatched value takes the last flag element's texts",
       "<Value value='1' displayLabel='yes'/><Value value='0' displayLabel='maybe'/>",
       "<ValueLabels><Values><Value flagValue='true' value='yes' displayLabel='Y'/>"
       "</Values></ValueLabels>",
       {"yes", "maybe"},
       {"Y"},
       0},
      {"no base values: all false, last one empty",
       "<Value value='1' displayLabel='yes'/><Value value='2'/>",
       "",
       {"yes"},
       {},
       -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ParseHarness h(WithBase("flag", c.base, c.outer));
    ASSERT_EQ(h.Parse(), StatusOk);
    const FieldInfo* base = h.Field(0).GetBaseField();
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(Str(base).GetValues(), c.values);
    EXPECT_EQ(Labels(*h.Field(0).GetBaseField()), c.labels);
    EXPECT_EQ(base->GetBinaryFlagValue(), c.binary);
  }
}

TEST(DataModelParserBaseCategories, LargeBaseFieldMapsEveryCategory) {
  std::string outer;
  std::string base = "<ValueLabels><Values>";
  constexpr int kCategories = 20000;
  for (int i = 0; i < kCategories; ++i) {
    const std::string n = std::to_string(i);
    outer += "<Value value='" + n + "' displayLabel='c" + n + "'/>";
    base += "<Value value='c" + n + "' displayLabel='L" + n + "'/>";
  }
  base += "</Values></ValueLabels>";
  ParseHarness h(WithBase("nominal", base, outer));
  ASSERT_EQ(h.Parse(), StatusOk);
  const Strings labels = Labels(*h.Field(0).GetBaseField());
  ASSERT_EQ(labels.size(), static_cast<size_t>(kCategories));
  EXPECT_EQ(labels.front(), "L0");
  EXPECT_EQ(labels.back(), "L19999");
}

}  // namespace
}  // namespace VnKx_1_2
