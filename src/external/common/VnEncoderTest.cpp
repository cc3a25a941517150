#include "external/common/VnEncoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "external/common/TextIndex.h"

namespace VnXML_1_2 {
namespace {

TEST(VnEncoder, DeclaredCategoriesEncodeToTheirFirstIndex) {
  const VnEncoder encoder({"red", "green", "red", "blue", ""});
  EXPECT_EQ(encoder.EncodeDeclared("red"), 0.0);
  EXPECT_EQ(encoder.EncodeDeclared("green"), 1.0);
  EXPECT_EQ(encoder.EncodeDeclared("blue"), 3.0);
  EXPECT_EQ(encoder.EncodeDeclared(""), 4.0);
  EXPECT_EQ(encoder.EncodeDeclared("Red"), -1.0);
  EXPECT_EQ(encoder.EncodeDeclared("purple"), -1.0);
  EXPECT_EQ(encoder.GetCategoryCount(), 5u);
}

TEST(VnEncoder, OpenEncodingAppendsUnknownTexts) {
  VnEncoder encoder({"a"});
  EXPECT_EQ(encoder.EncodeOpen("a"), 0.0);
  EXPECT_EQ(encoder.EncodeOpen("b"), 1.0);
  EXPECT_EQ(encoder.EncodeOpen("c"), 2.0);
  EXPECT_EQ(encoder.EncodeOpen("b"), 1.0);
  EXPECT_EQ(encoder.GetCategoryCount(), 3u);
  EXPECT_EQ(encoder.EncodeDeclared("c"), 2.0);
}

TEST(VnEncoder, RegisteredMissingTextsNumbersAndRangesAnswerMissing) {
  VnEncoder encoder({"yes", "no", "n/a"});
  encoder.AddMissingText("n/a", "answer");
  encoder.AddMissingNumber(99, "answer");
  encoder.AddMissingRange(100, 200);
  EXPECT_EQ(encoder.EncodeDeclared("n/a"), -1.0);
  EXPECT_EQ(encoder.EncodeOpen("n/a"), -1.0);
  EXPECT_EQ(encoder.GetCategoryCount(), 3u);
  EXPECT_TRUE(encoder.IsMissingText("n/a"));
  EXPECT_FALSE(encoder.IsMissingText("yes"));
  EXPECT_TRUE(encoder.IsMissingValue(99));
  EXPECT_TRUE(encoder.IsMissingValue(100));
  EXPECT_TRUE(encoder.IsMissingValue(150.5));
  EXPECT_TRUE(encoder.IsMissingValue(200));
  EXPECT_FALSE(encoder.IsMissingValue(98));
  EXPECT_FALSE(encoder.IsMissingValue(200.5));
  EXPECT_EQ(encoder.GetMissingTexts(), std::vector<std::string>{"n/a"});
  EXPECT_EQ(encoder.GetFieldName(), "answer");
}

TEST(TextIndex, KeepsFirstValueAcrossGrowth) {
  VnCommon_1_2::TextIndex index;
  EXPECT_EQ(index.Find("x"), VnCommon_1_2::TextIndex::kAbsent);
  for (int i = 0; i < 10000; ++i) EXPECT_EQ(index.Insert("k" + std::to_string(i), i), i);
  EXPECT_EQ(index.Insert("k17", 5), 17);
  EXPECT_EQ(index.Size(), 10000u);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(index.Find("k" + std::to_string(i)), i);
  EXPECT_EQ(index.Find("k10000"), VnCommon_1_2::TextIndex::kAbsent);
  index.Clear();
  EXPECT_EQ(index.Find("k1"), VnCommon_1_2::TextIndex::kAbsent);
}

}  // namespace
}  // namespace VnXML_1_2
