#pragma once

// Turns a CSV file into what a host holds for an input: a typed Table and the data-model
// document that describes it. Storage is inferred per column (integer, real, date, time,
// timestamp, else string) or taken from a given data model; the file is never held in memory as
// text: inference reads it twice (profile, then load), a given data model once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// What a column's texts can all be read as, narrowing as cells come.
struct TypeCandidates {
  bool integer = true, real = true, date = true, time = true, timestamp = true;
  void See(std::string_view text);
  void Merge(const TypeCandidates& other) {
    integer = integer && other.integer;
    real = real && other.real;
    date = date && other.date;
    time = time && other.time;
    timestamp = timestamp && other.timestamp;
  }
  // The narrowest storage left; string when no cell was seen (`any` false).
  ColumnType Type(bool any) const;
};

// The first of inference's two passes over the rows the options select: per column its counts,
// its distinct texts (in the order met) and the storages its texts fit. The profiles of the
// parts of a file merge into the profile of the whole, so that processes reading a part each
// infer what one process reading the whole would.
struct RowProfile {
  std::vector<ColumnProfile> columns;
  std::vector<TypeCandidates> candidates;
  std::vector<std::size_t> naCells;  // per column: "NA" cells, nulls if the column is numeric
  std::size_t rows = 0;
};

RowProfile ProfileRows(const std::string& path, const CsvOptions& options = CsvOptions());
// Adds the profile of the rows that follow `into`'s. Throws std::runtime_error when the columns
// differ.
void MergeProfile(RowProfile& into, const RowProfile& part);
// Each column's storage and measure from a (whole) profile: categories sorted, a numeric
// column's "NA" cells counted as nulls.
std::vector<ColumnProfile> DecideColumns(RowProfile profile);
// The second pass: loads the rows the options select with the decided columns (CSV column i
// is column i), whose counts and numeric statistics become those of the rows read.
// `rows` is the rows expected (the table is sized for them at once), or 0 when not known.
LoadedInput LoadColumns(const std::string& path, std::vector<ColumnProfile> columns,
                        const CsvOptions& options = CsvOptions(), std::size_t rows = 0);
// Adds the counts and numeric statistics of a part's columns (minimum, maximum, and the mean
// and variance by the pairwise update) to those of the rows before it.
void MergeStatistics(std::vector<ColumnProfile>& into, const std::vector<ColumnProfile>& part);
// The data-model document of decided columns with their statistics, over `rows` records.
std::string BuildDataModel(const std::vector<ColumnProfile>& columns, std::size_t rows);

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
