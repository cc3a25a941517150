#pragma once

// Turns a CSV file into what a host holds for an input: a typed Table and the data-model
// document that describes it. Storage is inferred per column (integer, real, date, time,
// timestamp, else string) or taken from a given data model; the file is read twice (profile,
// then load) so it is never held in memory as text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/CsvReader.h"
#include "host/Table.h"

namespace VnKxHost {

struct ColumnProfile {
  std::string name;
  ColumnType type = ColumnType::kString;
  std::size_t values = 0;  // non-null cells
  std::size_t nulls = 0;
  // Distinct texts with their counts, sorted by text (bytewise: code-point order for UTF-8); not
  // kept beyond kMaxCategories.
  std::vector<std::pair<std::string, std::size_t>> categories;
  bool tooManyCategories = false;
  // Numeric columns: minimum, maximum, mean and variance (n - 1) of the values.
  double minimum = 0, maximum = 0, mean = 0, variance = 0;
};

struct LoadedInput {
  Table table;
  std::string dataModel;  // the data-model document text
  std::vector<ColumnProfile> columns;
  std::size_t rows = 0;
};

// The most distinct texts a column may have and still be declared categorical.
constexpr std::size_t kMaxCategories = 1000;

// Infers every column's storage and measure and builds the data model. Throws CsvError for a
// malformed file. A numeric column's "NA" cells are nulls unless `options` names null texts.
LoadedInput LoadCsv(const std::string& path, const CsvOptions& options = CsvOptions());
// Loads with a given data model: each field element of the document (in document order, nested
// ones included) takes the CSV column of its name, typed by its storage. Throws CsvError for a
// malformed file or a cell that does not fit its storage, std::runtime_error for a data model
// that is not XML or names a column the file lacks.
LoadedInput LoadCsvWithDataModel(const std::string& path, const std::string& dataModel,
                                 const CsvOptions& options = CsvOptions());

// What inference makes of a profiled column: its storage ("integer", "real", "string" ...) and
// its measure: numbers are continuous (a flag is declared by the user, not guessed from two
// numbers), a text column with two values is a flag, other text columns nominal.
const char* StorageOf(const ColumnProfile& column);
const char* MeasureOf(const ColumnProfile& column);

// Text-to-value conversions of the loader: false when the text does not fit.
bool ParseInteger(std::string_view text, std::int64_t& value);
bool ParseReal(std::string_view text, double& value);
bool ParseDate(std::string_view text, double& days);     // YYYY-MM-DD, days since 1970-01-01
bool ParseTime(std::string_view text, double& seconds);  // HH:MM[:SS[.f]], seconds after midnight
bool ParseTimestamp(std::string_view text, double& seconds);  // date, 'T' or ' ', time; since epoch

}  // namespace VnKxHost
