#pragma once

// A raw record: one RawData cell per variable, holding the value in its own kind. Kinds are
// numbered as field storages: 1 integer (64-bit), 3 text, 2 real, 4 date, 5 time and
// 6 timestamp (doubles); 0 is an empty cell. Copying into a record of the same size reuses
// the cells' text storage.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "external/common/VnExport.h"

namespace VnCommon_1_2 {

class VNCOMMON_API RawData {
 public:
  enum Kind {
    kEmpty = 0,
    kInteger = 1,
    kReal = 2,
    kText = 3,
    kDate = 4,
    kTime = 5,
    kTimestamp = 6
  };

  int GetType() const { return type_; }
  bool IsMissing() const { return missing_; }
  std::int64_t GetInteger() const { return integer_; }
  double GetDouble() const { return real_; }
  const std::string& GetString() const { return text_; }

  void SetMissing(bool missing) { missing_ = missing; }
  void SetInteger(std::int64_t value, bool missing) {
    type_ = kInteger;
    integer_ = value;
    missing_ = missing;
  }
  // `type` is one of the double kinds (2, 4, 5, 6).
  void SetDouble(double value, int type, bool missing) {
    type_ = type;
    real_ = value;
    missing_ = missing;
  }
  void SetString(const char* text, bool missing) {
    type_ = kText;
    text_.assign(text == nullptr ? "" : text);
    missing_ = missing;
  }
  void SetString(std::string_view text, bool missing) {
    type_ = kText;
    text_.assign(text.data(), text.size());
    missing_ = missing;
  }

 private:
  int type_ = kEmpty;
  bool missing_ = false;
  std::int64_t integer_ = 0;
  double real_ = 0.0;
  std::string text_;
};

class VNCOMMON_API RawRecord {
 public:
  explicit RawRecord(std::size_t size = 0) : cells_(size) {}

  void Resize(std::size_t size) { cells_.resize(size); }
  std::size_t Size() const { return cells_.size(); }
  RawData& operator[](std::size_t index) { return cells_[index]; }
  const RawData& operator[](std::size_t index) const { return cells_[index]; }

 private:
  std::vector<RawData> cells_;
};

}  // namespace VnCommon_1_2
