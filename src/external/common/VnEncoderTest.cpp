#include "external/common/VnEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "external/common/Arena.h"
#include "external/common/TextIndex.h"
#include "external/common/TextList.h"

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

TEST(TextIndex, OfPositionsKeepsEachTextsFirstPosition) {
  // Distinct texts, then the same list with a repeat after the slots first grow: the repeat
  // keeps its first position, the texts after it keep theirs, and the keys read back once each.
  std::vector<std::string> texts;
  for (int i = 0; i < 40; ++i) texts.push_back("t" + std::to_string(i));
  const VnCommon_1_2::TextIndex distinct(texts);
  for (int i = 0; i < 40; ++i) ASSERT_EQ(distinct.Find(texts[static_cast<size_t>(i)]), i);
  EXPECT_EQ(distinct.Find("t40"), VnCommon_1_2::TextIndex::kAbsent);

  texts.insert(texts.begin() + 30, "t3");
  VnCommon_1_2::TextIndex repeated(texts);
  EXPECT_EQ(repeated.Size(), 40u);
  EXPECT_EQ(repeated.Find("t3"), 3);
  EXPECT_EQ(repeated.Find("t29"), 29);
  EXPECT_EQ(repeated.Find("t30"), 31);
  EXPECT_EQ(repeated.Find("t39"), 40);
  EXPECT_EQ(repeated.Keys()[30], "t30");
  EXPECT_EQ(repeated.Insert("t40", 41), 41);
  EXPECT_EQ(repeated.Find("t40"), 41);
  EXPECT_EQ(VnCommon_1_2::TextIndex(std::vector<std::string>()).Find(""),
            VnCommon_1_2::TextIndex::kAbsent);
}

TEST(TextIndex, TellsApartTextsThatDifferInAnyByte) {
  // Every length around the word size, differing only in the last, first or an inner byte,
  // with embedded zero bytes and prefixes of one another.
  VnCommon_1_2::TextIndex index;
  index.Reserve(200, 4000);
  std::vector<std::string> texts;
  for (size_t length = 0; length <= 24; ++length) {
    const std::string base(length, 'a');
    texts.push_back(base);
    if (length == 0) continue;
    for (const size_t at : {size_t{0}, length / 2, length - 1}) {
      std::string other = base;
      other[at] = '\0';
      texts.push_back(other);
    }
  }
  std::sort(texts.begin(), texts.end());
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(index.Insert(texts[i], static_cast<int>(i)), static_cast<int>(i));
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(index.Find(texts[i]), static_cast<int>(i)) << texts[i].size();
  }
  EXPECT_EQ(index.Find(std::string(25, 'a')), VnCommon_1_2::TextIndex::kAbsent);
  EXPECT_EQ(index.Find(std::string_view("a\0a\0a", 5)), VnCommon_1_2::TextIndex::kAbsent);

  // The same texts indexed in one pass: their copies read back byte for byte.
  const VnCommon_1_2::TextIndex ofPositions(texts);
  ASSERT_EQ(ofPositions.Keys().Strings(), texts);
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(ofPositions.Find(texts[i]), static_cast<int>(i)) << texts[i].size();
  }
}

TEST(TextList, GrowthCopiesAndMovesKeepEveryText) {
  // Built from strings, then grown text by text past its block several times, with empty and
  // long texts among them.
  std::vector<std::string> texts = {"", "a", std::string(40, 'l'), "mid"};
  VnCommon_1_2::TextList list(texts);
  for (int i = 0; i < 100; ++i) {
    const std::string text = "t" + std::to_string(i) + std::string(i % 23, 'x');
    texts.push_back(i % 7 == 0 ? std::string() : text);
    list.Append(texts.back());
  }
  ASSERT_EQ(list.Strings(), texts);

  VnCommon_1_2::TextList copy(list);
  VnCommon_1_2::TextList assigned({"old"});
  assigned = list;
  const VnCommon_1_2::TextList& same = assigned;
  assigned = same;
  EXPECT_EQ(copy.Strings(), texts);
  EXPECT_EQ(assigned.Strings(), texts);

  VnCommon_1_2::TextList moved(std::move(copy));
  EXPECT_EQ(moved.Strings(), texts);
  EXPECT_TRUE(copy.Empty());  // NOLINT(bugprone-use-after-move): a moved-from list is empty
  copy.Append("again");
  EXPECT_EQ(copy.Strings(), std::vector<std::string>{"again"});

  // Cleared, the list keeps its block and takes new texts from the start.
  list.Clear();
  EXPECT_TRUE(list.Empty());
  list.Reserve(2, 3);
  list.Append("xy");
  list.Append("z");
  EXPECT_EQ(list.Strings(), (std::vector<std::string>{"xy", "z"}));
  EXPECT_EQ(VnCommon_1_2::TextList(std::vector<std::string>()).Size(), 0u);
}

TEST(Arena, HandsOutSeparateAlignedBlocksThatOutliveAMove) {
  // Sizes from one byte to past a whole chunk, each block filled with its own byte: no block
  // overlaps another, each is aligned for any type, and a move keeps every block where it is.
  VnCommon_1_2::Arena arena;
  std::vector<std::pair<unsigned char*, std::size_t>> blocks;
  for (std::size_t i = 0; i < 3000; ++i) {
    const std::size_t bytes = i == 1500 ? std::size_t{600} * 1024 : 1 + (i * 37) % 700;
    auto* block = static_cast<unsigned char*>(arena.Allocate(bytes));
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
    std::memset(block, static_cast<int>(i % 251), bytes);
    blocks.emplace_back(block, bytes);
  }
  VnCommon_1_2::Arena moved(std::move(arena));
  // The moved-from arena starts afresh rather than handing out room in the chunks it gave away.
  auto* fresh = static_cast<unsigned char*>(arena.Allocate(64));  // NOLINT(bugprone-use-after-move)
  std::memset(fresh, 0xee, 64);
  std::memset(moved.Allocate(64), 0xdd, 64);
  EXPECT_TRUE(std::all_of(fresh, fresh + 64, [](unsigned char c) { return c == 0xee; }));
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const auto [block, bytes] = blocks[i];
    ASSERT_TRUE(std::all_of(block, block + bytes, [i](unsigned char c) {
      return c == static_cast<unsigned char>(i % 251);
    })) << i;
  }
}

TEST(Arena, ListsStartedInAnArenaGrowCopyAndMoveOnTheHeap) {
  VnCommon_1_2::Arena arena;
  std::vector<std::string> texts = {"", "a", std::string(40, 'l'), "mid"};
  VnCommon_1_2::TextList list(texts, &arena);
  VnCommon_1_2::TextList copy(list);
  for (int i = 0; i < 100; ++i) {
    texts.push_back("t" + std::to_string(i));
    list.Append(texts.back());
  }
  EXPECT_EQ(list.Strings(), texts);
  EXPECT_EQ(copy.Strings(), (std::vector<std::string>{"", "a", std::string(40, 'l'), "mid"}));
  VnCommon_1_2::TextList lent(texts, &arena);
  list = std::move(lent);  // the heap block is freed, the arena's taken over
  EXPECT_EQ(list.Strings(), texts);

  // An index in the arena grows its keys and slots onto the heap and keeps every value.
  VnCommon_1_2::TextIndex index(texts, &arena);
  for (int i = 0; i < 500; ++i)
    ASSERT_EQ(index.Insert("n" + std::to_string(i), 1000 + i), 1000 + i);
  EXPECT_EQ(index.Find("mid"), 3);
  EXPECT_EQ(index.Find("t99"), 103);
  EXPECT_EQ(index.Find("n499"), 1499);
  VnCommon_1_2::TextIndex taken(std::move(index));
  EXPECT_EQ(taken.Find("t0"), 4);
  taken.Clear();
  EXPECT_EQ(taken.Insert("again", 7), 7);
  EXPECT_EQ(taken.Find("again"), 7);
}

}  // namespace
}  // namespace VnXML_1_2
