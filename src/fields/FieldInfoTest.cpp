#include "fields/FieldInfo.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "external/common/XMLElement.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"

namespace VnKx_1_2 {
namespace {

std::unique_ptr<FieldInfo> Make(const std::string& storage, const std::string& type,
                                const std::string& role, int index = 4) {
  return std::unique_ptr<FieldInfo>(
      FieldInfo::CreateFieldInfo("f", "F", storage, type, role, index));
}

// The numbers and texts that hosts and documents rely on, pinned at compile time.
constexpr bool Same(std::string_view a, std::string_view b) {
  return a == b;
}
static_assert(FieldInfo::S_TIMESTAMP == 6 && FieldInfo::T_TYPELESS == 6 &&
              FieldInfo::D_RECORDID == 7);
static_assert(Same(FieldInfo::TYPE_OEDEREDSET, "ordinal") &&
              Same(FieldInfo::TYPE_RANGE, "continuous") && Same(FieldInfo::TYPE_SET, "nominal"));
static_assert(Same(FieldInfo::Direction_OUT, "target") &&
              Same(FieldInfo::Direction_FREQWEIGHT, "freqWeight") &&
              Same(FieldInfo::STORAGE_TIMESTAMP, "timestamp"));

TEST(FieldInfoConversions, ExactCaseSensitiveTextsWithFallbacks) {
  const struct {
    const char* text;
    FieldInfo::Storage storage;
    FieldInfo::Type type;
    FieldInfo::Direction direction;
  } cases[] = {
      {"integer", FieldInfo::S_INTEGER, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
      {"Integer", FieldInfo::S_UNKNOWN, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
      {"unknown", FieldInfo::S_UNKNOWN, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
      {"date", FieldInfo::S_DATE, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
      {"timestamp", FieldInfo::S_TIMESTAMP, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
      {"ordinal", FieldInfo::S_UNKNOWN, FieldInfo::T_ORDINAL, FieldInfo::D_NONE},
      {"auto", FieldInfo::S_UNKNOWN, FieldInfo::T_AUTO, FieldInfo::D_NONE},
      {"typeless", FieldInfo::S_UNKNOWN, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
      {"", FieldInfo::S_UNKNOWN, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
      {"target", FieldInfo::S_UNKNOWN, FieldInfo::T_TYPELESS, FieldInfo::D_TARGET},
      {"Direction_OUT", FieldInfo::S_UNKNOWN, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
      {"recordId", FieldInfo::S_UNKNOWN, FieldInfo::T_TYPELESS, FieldInfo::D_RECORDID},
      {" input", FieldInfo::S_UNKNOWN, FieldInfo::T_TYPELESS, FieldInfo::D_NONE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FieldInfo::ToFieldStorage(c.text), c.storage);
    EXPECT_EQ(FieldInfo::ToFieldType(c.text), c.type);
    EXPECT_EQ(FieldInfo::ToFieldDirection(c.text), c.direction);
  }
}

TEST(FieldInfoFactory, KindAndTypeRules) {
  auto weight = Make("real", "nominal", "freqWeight");
  ASSERT_NE(dynamic_cast<NumericFieldInfo*>(weight.get()), nullptr);
  EXPECT_EQ(weight->GetType(), FieldInfo::T_CONTINUOUS);
  auto textWeight = Make("string", "nominal", "freqWeight");
  ASSERT_NE(dynamic_cast<StrFieldInfo*>(textWeight.get()), nullptr);
  EXPECT_EQ(textWeight->GetType(), FieldInfo::T_NOMINAL);
  auto date = Make("date", "continuous", "input");
  EXPECT_NE(dynamic_cast<NumericFieldInfo*>(date.get()), nullptr);
  EXPECT_EQ(date->GetDataIndex(), 4);
  EXPECT_EQ(date->GetFieldName(), "f");
  EXPECT_EQ(static_cast<const FieldInfo&>(*date).GetFieldLabel(), "F");
  EXPECT_EQ(Make("unknown", "nominal", "input"), nullptr);
  EXPECT_EQ(Make("blob", "nominal", "input"), nullptr);
  EXPECT_EQ(Make("integer", "odd", "odd")->GetDirection(), FieldInfo::D_NONE);
}

TEST(FieldInfoBase, DefaultsAndGuardedSetters) {
  StrFieldInfo field;
  EXPECT_EQ(field.GetBinaryFlagValue(), -1);
  EXPECT_EQ(field.GetDataIndex(), -1);
  EXPECT_EQ(field.GetIndexInVarList(), 0);
  std::vector<std::string> values;
  std::vector<bool> flags;
  field.GetPartitionValue(values, flags);
  EXPECT_EQ(values, std::vector<std::string>(3));
  EXPECT_EQ(flags, std::vector<bool>(3, false));

  field.SetBinaryFlagValue(1);
  field.SetBinaryFlagValue(2);
  field.SetBinaryFlagValue(-1);
  EXPECT_EQ(field.GetBinaryFlagValue(), 1);

  field.SetPartitionValue({"a", "b"}, {true, true});
  field.GetPartitionValue(values, flags);
  EXPECT_EQ(values, std::vector<std::string>(3));
  field.SetPartitionValue({"a", "b", "c"}, {true, false, true});
  field.GetPartitionValue(values, flags);
  EXPECT_EQ(values, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(flags, (std::vector<bool>{true, false, true}));

  auto* base = new NumericFieldInfo();
  EXPECT_TRUE(field.SetBaseField(base));
  NumericFieldInfo second;
  EXPECT_FALSE(field.SetBaseField(&second));
  EXPECT_FALSE(field.SetBaseField(nullptr));
  EXPECT_EQ(field.GetBaseField(), base);

  field.SetFieldLabel({"x", "y"});
  EXPECT_EQ(field.GetFieldLabel(), (std::vector<std::string>{"x", "y"}));
  field.SetFieldFormatXML(VnXML_1_2::XMLElement::Create("FieldFormat"));
  field.SetFieldFormatXML(VnXML_1_2::XMLElement::Create("FieldFormat"));  // frees the first
  EXPECT_EQ(field.GetFieldFormatXML()->GetName(), "FieldFormat");
}

TEST(FieldInfoBase, StatisticsAreCopiedInAndOut) {
  NumericFieldInfo field;
  std::map<std::string, double> counts{{"z", 1}};
  EXPECT_FALSE(field.GetDiscreteStatField(counts));
  EXPECT_EQ(counts.size(), 1u);
  EXPECT_FALSE(field.SetDiscreteStatField({}));
  EXPECT_TRUE(field.SetDiscreteStatField({{"b", 2}, {"a", 1}}));
  EXPECT_TRUE(field.GetDiscreteStatField(counts));
  EXPECT_EQ(counts, (std::map<std::string, double>{{"a", 1}, {"b", 2}}));
  // Set from a named map: copied, the source kept; the earlier counts replaced.
  const std::map<std::string, double> kept{{"c", 3}};
  EXPECT_TRUE(field.SetDiscreteStatField(kept));
  EXPECT_EQ(kept.size(), 1u);
  EXPECT_TRUE(field.GetDiscreteStatField(counts));
  EXPECT_EQ(counts, kept);

  FieldInfo::ST_CTUSDATA stats;
  EXPECT_EQ(stats.mean, VnCommon_1_2::VnMV::gMissingValue);
  EXPECT_EQ(stats.exactMaximum, 0);
  stats.mean = 3;
  stats.exactMinimum = -7;
  field.SetContinuousStatField(stats);
  FieldInfo::ST_CTUSDATA out;
  EXPECT_TRUE(field.GetContinuousStatField(out));
  EXPECT_EQ(out.mean, 3);
  EXPECT_EQ(out.exactMinimum, -7);
}

TEST(FieldInfoModelField, RolesAreExactTexts) {
  NumericFieldInfo field;
  EXPECT_FALSE(field.GetModelField().IsValid());
  field.SetModelField("g", "residual", "target", "real", "v", "confidence");
  const FieldInfo::ModelField& model = field.GetModelField();
  EXPECT_TRUE(model.IsValid());
  EXPECT_TRUE(model.IsConfidence());
  EXPECT_FALSE(model.IsProbability());
  EXPECT_EQ(model.GetTargetFieldStorage(), FieldInfo::S_REAL);
  EXPECT_EQ(model.GetGroup(), "g");
  EXPECT_EQ(model.GetTag(), "confidence");
  field.SetModelField("", "residual", "", "Real", "", "Confidence");
  EXPECT_FALSE(field.GetModelField().IsConfidence());
  EXPECT_EQ(field.GetModelField().GetTargetFieldStorage(), FieldInfo::S_UNKNOWN);
  field.SetModelField("", "predictedValue", "", "", "", "");
  EXPECT_TRUE(field.GetModelField().IsPredictedValue());
  field.SetModelField("", "probability", "", "", "", "");
  EXPECT_TRUE(field.GetModelField().IsProbability());
  const FieldInfo::ModelField copy = field.GetModelField();
  EXPECT_TRUE(copy.IsProbability());
}

TEST(FieldInfoValues, NumericTextsConvertAsAtofDoes) {
  NumericFieldInfo field;
  for (const char* text : {"1", " 2.5", "x", "-3e2", "0x10", "+4", "7abc", ".5", "inf"}) {
    field.AddValue(text, false, 0.0);
  }
  const std::vector<double> expected = {
      1, 2.5, 0, -300, 16, 4, 7, 0.5, std::numeric_limits<double>::infinity()};
  EXPECT_EQ(field.GetValues(), expected);
  EXPECT_EQ(field.GetValueFrequencies().size(), expected.size());
  EXPECT_EQ(field.GetNumOfValues(), 9);
  field.ClearValues();
  EXPECT_EQ(field.GetNumOfValues(), 0);
  EXPECT_EQ(field.GetValueFrequencies().size(), expected.size());
}

TEST(FieldInfoValues, AreValidValuesAnswersLikeAWalk) {
  StrFieldInfo text;
  NumericFieldInfo number;
  for (const char* v : {"a", "b", "b", "10"}) {
    text.AddValue(v, false, 0);
    number.AddValue(v, false, 0);
  }
  int error = 0;
  EXPECT_TRUE(text.AreValidValues({}, &error));
  EXPECT_TRUE(text.AreValidValues({"b", "a", "10"}, &error));
  EXPECT_EQ(error, 0);
  EXPECT_FALSE(text.AreValidValues({"a", "c"}, &error));
  EXPECT_EQ(error, 240016);
  error = 0;
  EXPECT_FALSE(text.AreValidValues({"a", "a", "a", "a", "a"}, &error));
  EXPECT_EQ(error, 240016);
  error = 0;
  EXPECT_TRUE(number.AreValidValues({"10.0", "0", "1e1"}, &error));  // "a" and "b" are 0
  EXPECT_FALSE(number.AreValidValues({"11"}, &error));
  EXPECT_EQ(error, 240016);
  text.AddValue("c", false, 0);
  EXPECT_TRUE(text.AreValidValues({"c"}, &error));
  text.ClearValues();
  EXPECT_TRUE(text.AreValidValues({}, &error));
  EXPECT_FALSE(number.AreValidValues({"nan"}, &error));
}

TEST(FieldInfoValues, IsValidFieldNeedsValuesUnlessRecordId) {
  auto field = Make("string", "nominal", "input");
  int error = 0;
  EXPECT_FALSE(field->IsValidField(&error));
  EXPECT_EQ(error, 240004);
  error = 0;
  EXPECT_TRUE(Make("integer", "nominal", "recordId")->IsValidField(&error));
  field->AddValue("a", false, 0);
  EXPECT_TRUE(field->IsValidField(&error));
  EXPECT_EQ(error, 0);
}

TEST(FieldInfoValues, MissingFlagFollowsTheLatestCall) {
  NumericFieldInfo numeric;
  numeric.AddValue("1", false, 0);
  EXPECT_FALSE(numeric.HasMissing());
  numeric.AddRange(90, 99, true);
  EXPECT_TRUE(numeric.HasMissing());
  double low = 0, high = 0;
  numeric.GetRange(low, high, true);
  EXPECT_EQ(low, 90);
  EXPECT_EQ(high, 99);
  StrFieldInfo text;
  text.AddValue("x", true, 5);
  EXPECT_TRUE(text.HasMissing());
  text.AddRange(1, 2, false);
  EXPECT_TRUE(text.HasMissing());  // ranges do not touch a string field
  EXPECT_EQ(text.GetMissingValues(), std::vector<std::string>{"x"});
  EXPECT_TRUE(text.GetValueFrequencies().empty());
}

}  // namespace
}  // namespace VnKx_1_2
