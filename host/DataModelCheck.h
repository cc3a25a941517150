#pragma once

// Parses a data-model document with the library and reports what it holds and what looks wrong:
// fields that cannot be built (errors), and as warnings missing values that equal declared
// categories, missing ranges on string fields, flag fields without a true or false value,
// categorical fields without declared values, and statistics that disagree with the record
// counts.

#include <string>
#include <vector>

namespace VnKxHost {

struct CheckFinding {
  bool error = false;
  std::string field;  // empty for the document as a whole
  std::string text;
};

struct CheckReport {
  std::vector<std::string> fields;  // one line per field built
  std::string counts;               // the record counts, in words
  std::vector<CheckFinding> findings;
  bool HasErrors() const;
};

CheckReport CheckDataModel(const std::string& text);

}  // namespace VnKxHost
