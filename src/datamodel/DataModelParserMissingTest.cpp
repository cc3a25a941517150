#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Status.h"
#include "datamodel/DataModelParser.h"
#include "external/common/XMLElement.h"
#include "tests/support/ParseHarness.h"

namespace VnKx_1_2 {
namespace {

using Strings = std::vector<std::string>;
using VnKxTest::DataModel;
using VnKxTest::Num;
using VnKxTest::ParseHarness;
using VnKxTest::Str;

TEST(DataModelParserMissing, RangesThenValuesForEveryMissingValuesElement) {
  ParseHarness h(DataModel(
      "<Field name='n' storage='integer' measure='nominal' role='input'>"
      "<Values><Value value='5'/></Values>"
      "<MissingValues><Value value='0'/><Range minValue='90' maxValue='99'/><Value value='1'/>"
      "</MissingValues><MissingValues><Value value='-1'/></MissingValues></Field>"
      "<Field name='s' storage='string' measure='nominal' role='input'>"
      "<Values><Value value='a'/></Values><MissingValues><Range minValue='1' maxValue='2'/>"
      "</MissingValues></Field>"
      "<Field name='plain' storage='string' measure='nominal' role='input'>"
      "<Values><Value value='a'/></Values></Field>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  const NumericFieldInfo& n = Num(&h.Field(0));
  EXPECT_EQ(n.GetMissingValues(), (std::vector<double>{0, 1, -1}));
  EXPECT_TRUE(n.HasMissingRange());
  double low = 0, high = 0;
  h.Field(0).GetRange(low, high, true);
  EXPECT_EQ(low, 90);
  EXPECT_EQ(high, 99);
  EXPECT_TRUE(n.HasMissing());
  EXPECT_EQ(n.GetValues(), std::vector<double>{5});
  EXPECT_FALSE(h.Field(1).HasMissing());  // a string field ignores missing ranges
  EXPECT_TRUE(Str(&h.Field(1)).GetMissingValues().empty());
  EXPECT_FALSE(h.Field(2).HasMissing());
}

std::string WithBaseMissing(const std::string& baseMissing) {
  return DataModel(
      "<Field name='code' storage='integer' measure='nominal' role='input'><Values>"
      "<Value value='1' displayLabel='low'/><Value value='2' displayLabel='99'/></Values>"
      "<BaseField><Field name='level' storage='integer' measure='nominal' role='input'>" +
      baseMissing + "</Field></BaseField></Field>");
}

TEST(DataModelParserBaseMissing, SingleValuesAllOrNothingRangesAlways) {
  const struct {
    const char* name;
    const char* missing;
    std::vector<double> values;
    bool range;
  } cases[] = {
      {"an outer label equals a missing value",
       "<MissingValues><Range minValue='200' maxValue='300'/><Value value='98'/>"
       "<Value value='99'/></MissingValues>",
       {},
       true},
      {"no outer label equals one",
       "<MissingValues><Value value='97'/><Value value='98' displayLabel='x'/></MissingValues>",
       {97, 98},
       false},
      {"a label without a value adds an empty missing value",
       "<MissingValues><Value displayLabel='only'/></MissingValues>",
       {0},
       false},
      {"not a direct child",
       "<Wrap><MissingValues><Value value='97'/></MissingValues></Wrap>",
       {},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ParseHarness h(WithBaseMissing(c.missing));
    ASSERT_EQ(h.Parse(), StatusOk);
    const FieldInfo* base = h.Field(0).GetBaseField();
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(Num(base).GetMissingValues(), c.values);
    EXPECT_EQ(Num(base).HasMissingRange(), c.range);
  }
}

TEST(DataModelParserFormats, DocumentTreeKeepsFirstOfEachKindInFixedOrder) {
  ParseHarness h(DataModel(
      "<Field name='d' storage='date' measure='continuous' role='input'>"
      "<FieldFormat useNamedFormat='D1' extra='dropped'><DateFormat name='d' formatType='iso'>"
      "<TimeFormat name='t' paddedHMS='true'/></DateFormat></FieldFormat>"
      "<FieldFormat useNamedFormat='second'/></Field>"
      "<Field name='e' storage='date' measure='continuous' role='input'>"
      "<Wrap><FieldFormat useNamedFormat='hidden'/></Wrap></Field>",
      "<FieldFormats count='2' defaultNumberFormat='N' bogus='x'>"
      "<StringFormat name='S' hexadecimal='false'/>"
      "<NumberFormat name='N1' prefix='$' width='5'/><NumberFormat name='N2'/>"
      "<Other/></FieldFormats>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  ASSERT_NE(h.Parser().GetFieldFormatsXML(), nullptr);
  EXPECT_EQ(h.Parser().GetFieldFormatsXML()->ToString(),
            "<FieldFormats count=\"2\" defaultNumberFormat=\"N\">"
            "<NumberFormat name=\"N1\" width=\"5\"/>"
            "<StringFormat name=\"S\" hexadecimal=\"false\"/></FieldFormats>");
  ASSERT_NE(h.Field(0).GetFieldFormatXML(), nullptr);
  EXPECT_EQ(h.Field(0).GetFieldFormatXML()->ToString(),
            "<FieldFormat useNamedFormat=\"D1\"><DateFormat name=\"d\" formatType=\"iso\">"
            "<TimeFormat name=\"t\" paddedHMS=\"true\"/></DateFormat></FieldFormat>");
  EXPECT_EQ(h.Field(1).GetFieldFormatXML(), nullptr);
}

TEST(DataModelParserFormats, SampleBlockConvertsBack) {
  ParseHarness writer(DataModel(""));
  KxCppHelperV1::XMLDocument document = KxCppHelperV1::HostHelper::createNew("DataModel");
  writer.peer.TestParseFieldFormats(document);
  KxCppHelperV1::XMLDocument empty;
  writer.peer.TestParseFieldFormats(empty);
  EXPECT_FALSE(empty.isValid());

  ParseHarness h(document.doc2string());
  ASSERT_EQ(h.Parse(), StatusOk);
  ASSERT_NE(h.Parser().GetFieldFormatsXML(), nullptr);
  EXPECT_EQ(h.Parser().GetFieldFormatsXML()->ToString(),
            "<FieldFormats count=\"4\" defaultNumberFormat=\"DefaultNumberFormat\" "
            "defaultDateFormat=\"DefaultDateFormat\" defaultTimeFormat=\"DefaultTimeFormat\" "
            "defaultStringFormat=\"DefaultStringFormat\">"
            "<NumberFormat name=\"NF1\" formatType=\"realBin\" width=\"3\" decimalPlaces=\"1\" "
            "decimalSymbol=\"period\" groupingSymbol=\"local\"/>"
            "<DateFormat name=\"DateFormat\" formatType=\"FormatType\">"
            "<TimeFormat name=\"TimeFormat\" formatType=\"FormatType\"/></DateFormat>"
            "</FieldFormats>");
}

TEST(DataModelParserModelFields, TheLastDescriptionStands) {
  ParseHarness h(DataModel(
      "<Field name='p' storage='real' measure='continuous' role='input'>"
      "<ModelField group='g1' role='predictedValue'/>"
      "<Inner><ModelField group='g2' role='residual' targetField='y' targetFieldStorage='real'"
      " value='v' tag='confidence'/></Inner></Field>"));
  ASSERT_EQ(h.Parse(), StatusOk);
  const FieldInfo::ModelField& model = h.Field(0).GetModelField();
  EXPECT_EQ(model.GetGroup(), "g2");
  EXPECT_TRUE(model.IsConfidence());
  EXPECT_EQ(model.GetTargetField(), "y");
  EXPECT_EQ(model.GetTargetFieldStorage(), FieldInfo::S_REAL);
  EXPECT_EQ(model.GetValue(), "v");
}

}  // namespace
}  // namespace VnKx_1_2
