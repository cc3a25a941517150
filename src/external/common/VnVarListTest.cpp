#include "external/common/VnVarList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "external/common/XMLElement.h"

namespace VnXML_1_2 {
namespace {

using Strings = std::vector<std::string>;
using Numbers = std::vector<double>;

TEST(VnVarList, CategoricalOverloadsKeepWhatTheyAreGiven) {
  VnVarList list;
  EXPECT_EQ(list.AddCatVar("open", "Open", 1, IVnVariable::ML_NOMINAL, IVnVariable::VR_INPUT), 0);
  EXPECT_EQ(list.AddCatVar("t", "T", Strings{"a", "b"}, Strings{"A", "B"}, IVnVariable::VR_TARGET),
            1);
  EXPECT_EQ(
      list.AddCatVar("tf", "TF", Strings{"a"}, Numbers{3}, Strings{"A"}, IVnVariable::VR_INPUT), 2);
  EXPECT_EQ(
      list.AddCatVar("n", "N", Numbers{1, 2}, Strings{"one", "two"}, IVnVariable::VR_RECORDID), 3);
  EXPECT_EQ(list.AddCatVar("nf", "NF", Numbers{5}, Numbers{7}, Strings{""}, IVnVariable::VR_INPUT),
            4);
  ASSERT_EQ(list.Size(), 5u);

  VnCatVar* open = list.GetVarAt(0)->AsCatVar();
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(open->IsOpen());
  EXPECT_EQ(open->GetCount(), 1);
  EXPECT_EQ(open->GetMeasureLevel(), IVnVariable::ML_NOMINAL);
  EXPECT_EQ(open->GetName(), "open");
  EXPECT_EQ(open->GetLabel(), "Open");

  const VnCatVar* texts = list.GetVarAt(1)->AsCatVar();
  EXPECT_TRUE(texts->HasTextValues());
  EXPECT_EQ(texts->GetTextValues().Strings(), (Strings{"a", "b"}));
  EXPECT_EQ(texts->GetValueLabels().Strings(), (Strings{"A", "B"}));
  EXPECT_TRUE(texts->GetFrequencies().empty());
  EXPECT_EQ(texts->GetRole(), IVnVariable::VR_TARGET);
  EXPECT_EQ(list.GetEncoderAt(1)->EncodeDeclared("b"), 1.0);
  // Categories learned from the data are not declared ones.
  EXPECT_EQ(list.GetEncoderAt(1)->EncodeOpen("c"), 2.0);
  EXPECT_EQ(texts->GetTextValues().Strings(), (Strings{"a", "b"}));
  // A declared list that repeats a text reads back as declared; the repeat encodes as the first.
  const int repeats = list.AddCatVar("r", "R", Strings{"x", "y", "x"}, Strings{"X", "Y", "X2"},
                                     IVnVariable::VR_INPUT);
  EXPECT_EQ(list.GetVarAt(repeats)->AsCatVar()->GetTextValues().Strings(),
            (Strings{"x", "y", "x"}));
  EXPECT_EQ(list.GetEncoderAt(repeats)->EncodeDeclared("x"), 0.0);
  EXPECT_EQ(list.GetEncoderAt(repeats)->EncodeDeclared("y"), 1.0);
  EXPECT_EQ(list.GetEncoderAt(repeats)->EncodeOpen("z"), 3.0);

  EXPECT_EQ(list.GetVarAt(2)->AsCatVar()->GetFrequencies(), Numbers{3});
  const VnCatVar* numbers = list.GetVarAt(3)->AsCatVar();
  EXPECT_FALSE(numbers->HasTextValues());
  EXPECT_EQ(numbers->GetNumericValues(), (Numbers{1, 2}));
  EXPECT_EQ(numbers->GetRole(), IVnVariable::VR_RECORDID);
  EXPECT_EQ(list.GetVarAt(4)->AsCatVar()->GetFrequencies(), Numbers{7});
  EXPECT_EQ(list.GetVarAt(4)->AsContVar(), nullptr);
}

TEST(VnVarList, ContinuousOverloadsAndTheWeightKeepWhatTheyAreGiven) {
  VnVarList list;
  EXPECT_EQ(list.AddContVar("x", "X", -1, 1, IVnVariable::VR_INPUT, true, 5), 0);
  EXPECT_EQ(list.AddContVar("y", "Y", 0, 10, Numbers{2, 4}, true, IVnVariable::VR_TARGET), 1);
  EXPECT_EQ(list.SetWeightVar("w", "W", IVnVariable::WR_ROUND), 2);
  EXPECT_EQ(list.Size(), 3u);
  EXPECT_EQ(list.GetWeightVarIndex(), 2);

  VnContVar* x = list.GetVarAt(0)->AsContVar();
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->GetLow(), -1);
  EXPECT_EQ(x->GetHigh(), 1);
  EXPECT_TRUE(x->IsBinned());
  EXPECT_EQ(x->GetNumBins(), 5);
  EXPECT_EQ(x->GetMean(), VnCommon_1_2::VnMV::gMissingValue);
  x->SetMean(0.5);
  x->SetStdDev(2);
  x->SetSumFreqWts(10);
  x->SetSumCompWts(9);
  EXPECT_EQ(x->GetMean(), 0.5);
  EXPECT_EQ(x->GetStdDev(), 2);
  EXPECT_EQ(x->GetSumFreqWts(), 10);
  EXPECT_EQ(x->GetSumCompWts(), 9);

  const VnContVar* y = list.GetVarAt(1)->AsContVar();
  EXPECT_EQ(y->GetCutPoints(), (Numbers{2, 4}));
  EXPECT_EQ(y->GetNumBins(), -1);
  const VnContVar* w = list.GetVarAt(2)->AsContVar();
  EXPECT_TRUE(w->IsWeight());
  EXPECT_EQ(w->GetRoundingOption(), IVnVariable::WR_ROUND);
  EXPECT_EQ(w->GetRole(), IVnVariable::VR_FREQWEIGHT);
}

TEST(VnVarList, OutOfRangeLookupsGiveNull) {
  VnVarList list;
  EXPECT_EQ(list.GetVarAt(0), nullptr);
  EXPECT_EQ(list.GetEncoderAt(-1), nullptr);
  list.AddCatVar("a", "a", 1, IVnVariable::ML_ORDINAL, IVnVariable::VR_INPUT);
  EXPECT_NE(list.GetEncoderAt(0), nullptr);
  EXPECT_EQ(list.GetVarAt(1), nullptr);
}

TEST(VnVarList, KeepsCountsFormatsAndVariableDetails) {
  VnVarList list;
  EXPECT_EQ(list.GetDroppedCount(), -1.0);
  list.SetUnWeightedCount(150);
  list.SetWeightedCount(149.5);
  list.SetDroppedCount(0);
  EXPECT_EQ(list.GetUnWeightedCount(), 150);
  EXPECT_EQ(list.GetWeightedCount(), 149.5);
  EXPECT_EQ(list.GetDroppedCount(), 0);

  XMLElement* formats = XMLElement::Create("FieldFormats");
  list.SetFieldFormatsElement(formats);
  EXPECT_EQ(list.GetFieldFormatsElement(), formats);
  list.SetFieldFormatsElement(XMLElement::Create("FieldFormats"));  // frees the first

  list.AddCatVar("a", "a", Strings{"x"}, Strings{""}, IVnVariable::VR_INPUT);
  IVnVariable* variable = list.GetVarAt(0);
  EXPECT_EQ(variable->GetStorageType(), 0);
  variable->SetStorageType(3);
  EXPECT_EQ(variable->GetStorageType(), 3);
  variable->SetFieldFormat(XMLElement::Create("FieldFormat"));
  EXPECT_EQ(variable->GetFieldFormat()->GetName(), "FieldFormat");
  VnCatVar* cat = variable->AsCatVar();
  cat->SetBinaryFlag(true, 1);
  cat->SetOrdinalFlag(true);
  EXPECT_TRUE(cat->IsBinaryFlag());
  EXPECT_EQ(cat->GetBinaryFlagValue(), 1);
  EXPECT_TRUE(cat->IsOrdinal());

  VnVarList moved = std::move(list);
  EXPECT_EQ(moved.Size(), 1u);
  EXPECT_EQ(moved.GetUnWeightedCount(), 150);
}

TEST(VnVarList, VariablesSurviveGrowthAndMovesOfTheList) {
  // Enough variables to fill several of the list's chunks, one with 40,000 categories; every
  // encoder and list reads back after the list is moved and moved over another.
  VnVarList list;
  for (int v = 0; v < 2000; ++v) {
    const int categories = v == 1001 ? 40000 : 20;
    Strings values;
    Strings labels;
    for (int c = 0; c < categories; ++c) {
      values.push_back("v" + std::to_string(v) + "_" + std::to_string(c));
      labels.push_back("L" + std::to_string(c));
    }
    if (v % 2 == 0) {
      ASSERT_EQ(
          list.AddContVar("x" + std::to_string(v), "", 0, 1, IVnVariable::VR_INPUT, false, -1), v);
    } else {
      ASSERT_EQ(list.AddCatVar("c" + std::to_string(v), "", values, labels, IVnVariable::VR_INPUT),
                v);
    }
  }
  VnVarList other;
  other.AddCatVar("gone", "", Strings{"a"}, Strings{"A"}, IVnVariable::VR_INPUT);
  other = std::move(list);
  VnVarList moved(std::move(other));
  ASSERT_EQ(moved.Size(), 2000u);
  for (int v = 1; v < 2000; v += 2) {
    const int last = v == 1001 ? 39999 : 19;
    IVnEncoder* encoder = moved.GetEncoderAt(v);
    ASSERT_EQ(encoder->EncodeDeclared("v" + std::to_string(v) + "_" + std::to_string(last)), last);
    ASSERT_EQ(moved.GetVarAt(v)->AsCatVar()->GetValueLabels()[static_cast<size_t>(last)],
              "L" + std::to_string(last));
    // A category learned from the data joins the declared ones.
    ASSERT_EQ(encoder->EncodeOpen("new"), last + 1);
  }
  EXPECT_EQ(moved.GetVarAt(1998)->GetName(), "x1998");
}

}  // namespace
}  // namespace VnXML_1_2
