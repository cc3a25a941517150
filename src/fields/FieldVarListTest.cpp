#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "external/common/VnEncoder.h"
#include "external/common/VnVarList.h"
#include "external/common/XMLElement.h"
#include "fields/FieldInfo.h"
#include "fields/NumericFieldInfo.h"
#include "fields/StrFieldInfo.h"

namespace VnKx_1_2 {
namespace {

using VnXML_1_2::IVnVariable;
using VnXML_1_2::VnCatVar;
using VnXML_1_2::VnContVar;
using VnXML_1_2::VnEncoder;
using VnXML_1_2::VnVarList;
using Strings = std::vector<std::string>;
using Numbers = std::vector<double>;

constexpr double kLowest = std::numeric_limits<double>::lowest();
constexpr double kHighest = std::numeric_limits<double>::max();

std::unique_ptr<FieldInfo> Make(const std::string& storage, const std::string& type,
                                const std::string& role = "input") {
  return std::unique_ptr<FieldInfo>(FieldInfo::CreateFieldInfo("f", "F", storage, type, role, 0));
}

struct Added {
  VnVarList list;
  int index = -1;
  IVnVariable* variable = nullptr;
  VnCatVar* cat = nullptr;
  VnContVar* cont = nullptr;
};

// Adds `field` to a fresh list (after one placeholder variable, so indexes are not trivially 0).
std::unique_ptr<Added> Add(FieldInfo& field, bool targetAsInput = false, bool open = false,
                           bool declaredOnly = false) {
  auto added = std::make_unique<Added>();
  added->list.AddCatVar("placeholder", "", 1, IVnVariable::ML_NOMINAL, IVnVariable::VR_NONE);
  added->index = field.AddToVarList(added->list, targetAsInput, open, declaredOnly);
  added->variable = added->list.GetVarAt(added->index);
  added->cat = added->variable->AsCatVar();
  added->cont = added->variable->AsContVar();
  EXPECT_EQ(field.GetIndexInVarList(), added->index);
  return added;
}

const VnEncoder& EncoderOf(const Added& added) {
  const auto* encoder = dynamic_cast<const VnEncoder*>(added.list.GetEncoderAt(added.index));
  if (encoder == nullptr) throw std::logic_error("the variable has no encoder");
  return *encoder;
}

TEST(FieldAddToVarList, ContinuousRangeFallbackAndStatisticsOverride) {
  auto plain = Make("real", "continuous");
  auto added = Add(*plain);
  ASSERT_NE(added->cont, nullptr);
  EXPECT_EQ(added->index, 1);
  EXPECT_EQ(added->cont->GetLow(), kLowest);
  EXPECT_EQ(added->cont->GetHigh(), kHighest);
  EXPECT_EQ(added->cont->GetStorageType(), 2);

  auto ranged = Make("integer", "continuous");
  ranged->AddRange(0, 10, false);
  ranged->AddRange(20, 30, false);
  added = Add(*ranged);
  EXPECT_EQ(added->cont->GetLow(), 0);
  EXPECT_EQ(added->cont->GetHigh(), 10);

  auto stats = Make("real", "continuous");
  FieldInfo::ST_CTUSDATA s;
  s.minimum = -5;
  s.sumFreqWts = 100;
  s.sumCompWts = 99;
  stats->SetContinuousStatField(s);
  stats->SetMean(1.5);
  stats->SetStdDev(0.5);
  added = Add(*stats);
  EXPECT_EQ(added->cont->GetLow(), -5);
  EXPECT_EQ(added->cont->GetHigh(), kHighest);
  EXPECT_EQ(added->cont->GetMean(), 1.5);
  EXPECT_EQ(added->cont->GetStdDev(), 0.5);
  EXPECT_EQ(added->cont->GetSumFreqWts(), 100);
  EXPECT_EQ(added->cont->GetSumCompWts(), 99);
  double low = 0, high = 0;
  stats->GetRange(low, high, false);
  EXPECT_EQ(low, -5);

  auto declared = Make("real", "continuous");
  added = Add(*declared, false, false, true);  // declared values only, no range
  EXPECT_EQ(added->cont->GetLow(), kLowest);
  EXPECT_EQ(added->cont->GetHigh(), kHighest);
}

TEST(FieldAddToVarList, BinningChoosesTheOverload) {
  const struct {
    const char* name;
    int numBins;
    bool useCutPoints;
    bool binned;
    int expectedBins;
    bool expectCutPoints;
  } cases[] = {
      {"default", -1, false, false, -1, false},
      {"five bins", 5, false, true, 5, false},
      {"cut points", -1, true, true, -1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto field = Make("real", "continuous");
    if (c.useCutPoints) {
      field->SetBinningParameter(Numbers{1, 2, 3}, c.binned);
    } else {
      field->SetBinningParameter(c.numBins, c.binned);
    }
    auto added = Add(*field);
    EXPECT_EQ(added->cont->IsBinned(), c.binned);
    EXPECT_EQ(added->cont->GetNumBins(), c.expectedBins);
    EXPECT_EQ(added->cont->GetCutPoints().empty(), !c.expectCutPoints);
  }
}

TEST(FieldAddToVarList, FrequencyWeightBecomesTheWeightVariable) {
  auto weight = Make("real", "continuous", "freqWeight");
  weight->SetMean(3);
  weight->SetFieldFormatXML(VnXML_1_2::XMLElement::Create("FieldFormat"));
  EXPECT_TRUE(weight->SetFrequencyWeight(IVnVariable::WR_ROUND));
  auto added = Add(*weight);
  ASSERT_NE(added->cont, nullptr);
  EXPECT_TRUE(added->cont->IsWeight());
  EXPECT_EQ(added->list.GetWeightVarIndex(), added->index);
  EXPECT_EQ(added->cont->GetRoundingOption(), IVnVariable::WR_ROUND);
  EXPECT_EQ(added->cont->GetMean(), VnCommon_1_2::VnMV::gMissingValue);
  EXPECT_EQ(added->cont->GetFieldFormat(), nullptr);
  EXPECT_EQ(added->cont->GetStorageType(), 2);

  EXPECT_FALSE(Make("integer", "nominal")->SetFrequencyWeight(IVnVariable::WR_ROUND));
  EXPECT_FALSE(Make("string", "continuous")->SetFrequencyWeight(IVnVariable::WR_ROUND));
}

TEST(FieldAddToVarList, NumericCategoricalOverloads) {
  auto nominal = Make("integer", "nominal");
  for (const char* v : {"1", "2", "x"}) nominal->AddValue(v, false, 0.5);
  nominal->SetFieldLabel({"one", "two", "ex"});
  auto added = Add(*nominal);
  ASSERT_NE(added->cat, nullptr);
  EXPECT_EQ(added->cat->GetNumericValues(), (Numbers{1, 2, 0}));
  EXPECT_EQ(added->cat->GetFrequencies(), (Numbers{0.5, 0.5, 0.5}));
  EXPECT_EQ(added->cat->GetValueLabels().Strings(), (Strings{"one", "two", "ex"}));
  EXPECT_EQ(added->cat->GetStorageType(), 1);

  added = Add(*nominal, false, true);
  EXPECT_TRUE(added->cat->IsOpen());
  EXPECT_EQ(added->cat->GetMeasureLevel(), IVnVariable::ML_ORDINAL);
  EXPECT_EQ(nominal->GetNumOfValues(), 3);

  auto empty = Make("integer", "nominal");
  EXPECT_TRUE(Add(*empty)->cat->IsOpen());
  added = Add(*empty, false, false, true);
  EXPECT_FALSE(added->cat->IsOpen());
  EXPECT_TRUE(added->cat->GetNumericValues().empty());
  auto recordId = Make("integer", "nominal", "recordId");
  recordId->AddValue("1", false, 0);
  EXPECT_TRUE(Add(*recordId, false, false, true)->cat->IsOpen());
}

TEST(FieldAddToVarList, StringOverloads) {
  auto text = Make("string", "nominal");
  text->AddValue("a", false, 2);
  text->AddValue("b", false, 3);
  auto added = Add(*text);
  EXPECT_EQ(added->cat->GetTextValues().Strings(), (Strings{"a", "b"}));
  EXPECT_EQ(added->cat->GetFrequencies(), (Numbers{2, 3}));
  EXPECT_EQ(added->cat->GetStorageType(), 3);
  EXPECT_EQ(added->list.GetEncoderAt(added->index)->EncodeDeclared("b"), 1.0);

  added = Add(*text, false, true);
  EXPECT_TRUE(added->cat->IsOpen());
  EXPECT_EQ(added->cat->GetCount(), 1);
  EXPECT_EQ(added->cat->GetMeasureLevel(), IVnVariable::ML_NOMINAL);
  EXPECT_EQ(text->GetNumOfValues(), 2);

  auto empty = Make("string", "nominal");
  EXPECT_TRUE(Add(*empty)->cat->IsOpen());
  added = Add(*empty, false, false, true);
  EXPECT_FALSE(added->cat->IsOpen());
  EXPECT_TRUE(added->cat->GetTextValues().Empty());
  EXPECT_TRUE(Add(*Make("string", "nominal", "recordId"), false, false, true)->cat->IsOpen());
}

TEST(FieldAddToVarList, RolesOrdinalAndFlagMarks) {
  const struct {
    const char* role;
    bool targetAsInput;
    IVnVariable::VariableRole expected;
  } roles[] = {{"target", false, IVnVariable::VR_TARGET},
               {"target", true, IVnVariable::VR_INPUT},
               {"recordId", false, IVnVariable::VR_RECORDID},
               {"both", false, IVnVariable::VR_INPUT},
               {"partition", false, IVnVariable::VR_INPUT}};
  for (const auto& r : roles) {
    SCOPED_TRACE(r.role);
    auto field = Make("string", "nominal", r.role);
    field->AddValue("a", false, 0);
    EXPECT_EQ(Add(*field, r.targetAsInput)->variable->GetRole(), r.expected);
  }
  auto ordinal = Make("integer", "ordinal");
  ordinal->AddValue("1", false, 0);
  EXPECT_TRUE(Add(*ordinal)->cat->IsOrdinal());
  auto flag = Make("string", "flag");
  flag->AddValue("T", false, 0);
  flag->AddValue("F", false, 0);
  EXPECT_FALSE(Add(*flag)->cat->IsBinaryFlag());  // no flag value yet
  flag->SetBinaryFlagValue(0);
  auto added = Add(*flag);
  EXPECT_TRUE(added->cat->IsBinaryFlag());
  EXPECT_EQ(added->cat->GetBinaryFlagValue(), 0);
}

TEST(FieldAddToVarList, FormatTreeIsDuplicatedForTheVariable) {
  auto field = Make("date", "continuous");
  VnXML_1_2::XMLElement* tree = VnXML_1_2::XMLElement::Create("FieldFormat");
  tree->AddAttribute("useNamedFormat", "DateFormat");
  field->SetFieldFormatXML(tree);
  auto added = Add(*field);
  ASSERT_NE(added->variable->GetFieldFormat(), nullptr);
  EXPECT_NE(added->variable->GetFieldFormat(), field->GetFieldFormatXML());
  EXPECT_EQ(added->variable->GetFieldFormat()->ToString(), tree->ToString());
  EXPECT_EQ(added->variable->GetStorageType(), 4);
}

TEST(FieldMissingValues, RegisteredWithTheEncoder) {
  auto numeric = Make("integer", "nominal");
  numeric->AddValue("1", false, 0);
  numeric->AddValue("98", true, 0);
  numeric->AddValue("99", true, 0);
  numeric->AddRange(100, 200, true);
  auto added = Add(*numeric);
  const VnEncoder& encoder = EncoderOf(*added);
  EXPECT_EQ(encoder.GetMissingNumbers(), (Numbers{98, 99}));
  ASSERT_EQ(encoder.GetMissingRanges().size(), 1u);
  EXPECT_EQ(encoder.GetMissingRanges()[0], std::make_pair(100.0, 200.0));
  EXPECT_EQ(encoder.GetFieldName(), "f");

  auto point = Make("integer", "continuous");
  point->AddRange(5, 5, true);
  added = Add(*point);
  EXPECT_TRUE(EncoderOf(*added).GetMissingRanges().empty());

  auto undone = Make("integer", "nominal");
  undone->AddValue("9", true, 0);
  undone->AddValue("1", false, 0);  // the latest call was not missing
  added = Add(*undone);
  EXPECT_TRUE(EncoderOf(*added).GetMissingNumbers().empty());

  auto text = Make("string", "nominal");
  text->AddValue("ok", false, 0);
  text->AddValue("n/a", true, 0);
  text->AddValue("?", true, 0);
  added = Add(*text);
  EXPECT_EQ(EncoderOf(*added).GetMissingTexts(), (Strings{"n/a", "?"}));
}

}  // namespace
}  // namespace VnKx_1_2
