#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "base/Status.h"
#include "datamodel/DataModelParser.h"
#include "tests/support/ParseHarness.h"

namespace VnKx_1_2 {
namespace {

using VnCommon_1_2::VnMV;
using VnKxTest::DataModel;
using VnKxTest::Num;
using VnKxTest::ParseHarness;

TEST(DataModelParserRecordCounts, KnownOnlyWhenAllThreeAreNonNegative) {
  const struct {
    const char* counts;
    bool known;
    double u, w, d;
  } cases[] = {
      {"", false, 0, 0, 0},
      {"<RecordCounts droppedCount='5'/>", true, 0, 0, 5},
      {"<RecordCounts unweightedCount='10' weightedCount='12.5'/>", false, 0, 0, 0},
      {"<RecordCounts unweightedCount='10' weightedCount='12.5' droppedCount='1'/>", true, 10, 12.5,
       1},
      {"<RecordCounts unweightedCount='-1' weightedCount='1' droppedCount='1'/>", false, 0, 0, 0},
      {"<RecordCounts unweightedCount='x' weightedCount='1' droppedCount='1'/>", true, 0, 1, 1},
      {"<Deep><RecordCounts unweightedCount='3' weightedCount='3' droppedCount='0'/></Deep>", true,
       3, 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.counts);
    ParseHarness h(DataModel("", c.counts));
    ASSERT_EQ(h.Parse(), StatusOk);
    double u = -7, w = -7, d = -7;
    EXPECT_EQ(h.Parser().GetRecordsCount(u, w, d), c.known);
    if (c.known) {
      EXPECT_EQ(u, c.u);
      EXPECT_EQ(w, c.w);
      EXPECT_EQ(d, c.d);
    } else {
      EXPECT_EQ(u, -7);
    }
  }
}

FieldInfo::ST_CTUSDATA Stats(ParseHarness& h) {
  FieldInfo::ST_CTUSDATA stats;
  h.Field(0).GetContinuousStatField(stats);
  return stats;
}

std::string Continuous(const std::string& statistics) {
  return DataModel("<Field name='x' storage='real' measure='continuous' role='input'>" +
                   statistics + "</Field>");
}

TEST(DataModelParserContinuousStatistics, PresentMembersAreReadAbsentOnesKeepTheirDefault) {
  ParseHarness h(Continuous("<ContinuousStatistics mean='4.5'/>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  const FieldInfo::ST_CTUSDATA stats = Stats(h);
  EXPECT_EQ(stats.mean, 4.5);
  EXPECT_EQ(stats.sumCompWts, VnMV::gMissingValue);
  EXPECT_EQ(stats.variance, VnMV::gMissingValue);
  EXPECT_EQ(stats.exactMinimum, 0);

  ParseHarness all(Continuous(
      "<ContinuousStatistics sumCompWts='1' sumFreqWts='2' minimum='3' maximum='4' mean='5'"
      " variance='nan' exactMinimum='-9007199254740993' exactMaximum='12'/>"));
  ASSERT_EQ(all.Parse(), StatusOk);
  const FieldInfo::ST_CTUSDATA s = Stats(all);
  EXPECT_EQ(s.sumCompWts, 1);
  EXPECT_EQ(s.maximum, 4);
  EXPECT_TRUE(std::isnan(s.variance));  // NaN passes the infinity test
  EXPECT_EQ(s.exactMinimum, -9007199254740993LL);
  EXPECT_EQ(s.exactMaximum, 12);
}

TEST(DataModelParserContinuousStatistics, OnlyTheFieldsFirstOwnStatisticsCount) {
  ParseHarness h(
      Continuous("<Deep><ContinuousStatistics mean='1'/></Deep><ContinuousStatistics mean='2'/>"
                 "<ContinuousStatistics mean='3'/>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(Stats(h).mean, 2);

  ParseHarness nested(Continuous("<Deep><ContinuousStatistics mean='1'/></Deep>"));
  ASSERT_EQ(nested.Parse(), StatusOk);
  EXPECT_EQ(Stats(nested).mean, VnMV::gMissingValue);
}

TEST(DataModelParserContinuousStatistics, AnInfiniteValueDropsTheRecord) {
  ParseHarness h(
      Continuous("<ContinuousStatistics sumCompWts='1' sumFreqWts='2' minimum='-inf' mean='5'/>"));
  EXPECT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(h.error, MsgInfiniteContinuousStat);
  EXPECT_EQ(h.Field(0).GetMean(), VnMV::gMissingValue);
  EXPECT_EQ(Stats(h).sumCompWts, VnMV::gMissingValue);  // not applied to the field

  ParseHarness nested(Continuous("<Other><ContinuousStatistics mean='5'/></Other>"));
  ASSERT_EQ(nested.Parse(), StatusOk);
  EXPECT_EQ(nested.Field(0).GetMean(), VnMV::gMissingValue);  // only a direct child counts
}

std::string BaseWithCounts(const std::string& categories) {
  return DataModel(
      "<Field name='a' storage='integer' measure='nominal' role='input'>"
      "<Values><Value value='1' displayLabel='one'/><Value value='2' displayLabel='two'/></Values>"
      "<DiscreteStatistics>" +
      categories +
      "</DiscreteStatistics>"
      "<BaseField name='b' storage='string' measure='nominal' role='input'/></Field>");
}

std::map<std::string, double> Counts(ParseHarness& h) {
  std::map<std::string, double> counts;
  h.Field(0).GetBaseField()->GetDiscreteStatField(counts);
  return counts;
}

TEST(DataModelParserDiscreteStatistics, FirstCountOfATextStays) {
  ParseHarness h(
      BaseWithCounts("<Category category='1' sumFreqWts='10'/>"
                     "<Category category='1' sumFreqWts='99'/>"
                     "<Category sumFreqWts='3'/><Category category='2'/>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(h.error, 0);
  EXPECT_EQ(Counts(h), (std::map<std::string, double>{{"", 3}, {"1", 10}, {"2", 0}}));
  EXPECT_EQ(h.Field(0).GetBaseField()->GetValueFrequencies(), (std::vector<double>{10, 0}));
}

TEST(DataModelParserDiscreteStatistics, EachValueGetsItsKeysFirstCountInAnyOrder) {
  // Counts listed in another order than the values, keys alike in their first eight bytes, a
  // repeated key right where the next value's key is expected, and a value without a count.
  ParseHarness h(DataModel(
      "<Field name='a' storage='string' measure='nominal' role='input'><Values>"
      "<Value value='category_1' displayLabel='c1'/><Value value='category_2' displayLabel='c2'/>"
      "<Value value='none' displayLabel='n'/><Value value='category_10' displayLabel='c10'/>"
      "<Value value='x' displayLabel='x'/></Values><DiscreteStatistics>"
      "<Category category='category_10' sumFreqWts='1'/>"
      "<Category category='category_2' sumFreqWts='2'/>"
      "<Category category='category_1' sumFreqWts='3'/>"
      "<Category category='category_2' sumFreqWts='99'/>"
      "<Category category='x' sumFreqWts='4'/></DiscreteStatistics>"
      "<BaseField name='b' storage='string' measure='nominal' role='input'/></Field>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(Counts(h), (std::map<std::string, double>{
                           {"category_1", 3}, {"category_10", 1}, {"category_2", 2}, {"x", 4}}));
  EXPECT_EQ(h.Field(0).GetBaseField()->GetValueFrequencies(), (std::vector<double>{3, 2, 0, 1, 4}));
}

TEST(DataModelParserDiscreteStatistics, ManyCategoriesInAnyOrderKeepEachKeysFirstCount) {
  // Enough categories for the bucket sort: keys alike in their first eight bytes or more, keys
  // that are prefixes of others, repeats, all listed in a scrambled order.
  std::vector<std::string> keys;
  for (int i = 0; i < 40; ++i) keys.push_back("category_long_" + std::to_string(i));
  for (int i = 0; i < 30; ++i) keys.push_back(std::to_string(i * 7));
  keys.push_back("category");
  keys.push_back("category_");
  std::map<std::string, double> expected;
  std::string categories;
  for (int i = 0; i < 300; ++i) {
    const std::string& key = keys[static_cast<size_t>(i * 37 % 72)];
    const double count = 1000 + i;
    expected.emplace(key, count);  // the first count of a key stays
    categories +=
        "<Category category='" + key + "' sumFreqWts='" + std::to_string(i + 1000) + "'/>";
  }
  std::string values;
  for (size_t i = keys.size(); i-- > 0;) {
    values += "<Value value='" + keys[i] + "' displayLabel='L" + std::to_string(i) + "'/>";
  }
  ParseHarness h(
      DataModel("<Field name='a' storage='string' measure='nominal' role='input'>"
                "<Values>" +
                values + "</Values><DiscreteStatistics>" + categories +
                "</DiscreteStatistics><BaseField name='b' storage='string'"
                " measure='nominal' role='input'/></Field>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  EXPECT_EQ(Counts(h), expected);
  std::vector<double> frequencies;
  for (size_t i = keys.size(); i-- > 0;) frequencies.push_back(expected.at(keys[i]));
  EXPECT_EQ(h.Field(0).GetBaseField()->GetValueFrequencies(), frequencies);
}

TEST(DataModelParserDiscreteStatistics, BadCategoriesDropTheCountsButNotTheField) {
  for (const char* bad :
       {"<Category category='' sumFreqWts='1'/>", "<Category category='2' sumFreqWts='inf'/>"}) {
    SCOPED_TRACE(bad);
    ParseHarness h(BaseWithCounts(std::string("<Category category='1' sumFreqWts='10'/>") + bad));
    EXPECT_EQ(h.Parse(), StatusOk);
    EXPECT_EQ(h.error, MsgBadDiscreteStats);
    EXPECT_TRUE(Counts(h).empty());
    // The counts read before the bad category still reach the values.
    EXPECT_EQ(h.Field(0).GetBaseField()->GetValueFrequencies(), (std::vector<double>{10, 0}));
  }
}

TEST(DataModelParserRanges, BoundsAreTakenAsWrittenAndNeedBoth) {
  ParseHarness h(
      Continuous("<Range minValue='10' maxValue='2'/><Range minValue='1'/>"
                 "<Range minValue='x' maxValue='3'/><Range minValue='-1e999' maxValue='inf'/>"));
  ASSERT_EQ(h.Parse(true), StatusOk);
  const std::vector<double>& values = Num(&h.Field(0)).GetValues();
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values[0], 10);
  EXPECT_EQ(values[1], 2);
  EXPECT_TRUE(std::isinf(values[2]) && values[2] < 0);
  EXPECT_TRUE(std::isinf(values[3]) && values[3] > 0);
}

}  // namespace
}  // namespace VnKx_1_2
