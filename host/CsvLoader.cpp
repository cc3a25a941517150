#include "host/CsvLoader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>
#include <unordered_map>

#include "external/hosthelper/HostHelper.h"
#include "external/hosthelper/XMLElement.h"
#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/detail/PlainNumber.h"
#include "host/CsvReader.h"

namespace VnKxHost {
namespace {

using KxCppHelperV1::XMLDocument;
using KxCppHelperV1::XMLElement;

bool Digits(std::string_view text, std::size_t from, std::size_t count, int& value) {
  if (from + count > text.size()) return false;
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<long long>(era) * 146097 + doe - 719468;
}

bool ValidDay(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

std::string Number(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  return std::string(text, result.ptr);
}

const char* StorageText(ColumnType type) {
  switch (type) {
    case ColumnType::kInteger:
      return "integer";
    case ColumnType::kReal:
      return "real";
    case ColumnType::kString:
      return "string";
    case ColumnType::kDate:
      return "date";
    case ColumnType::kTime:
      return "time";
    case ColumnType::kTimestamp:
      return "timestamp";
  }
  return "string";
}

ColumnType TypeOfStorage(const std::string& storage) {
  if (storage == "integer") return ColumnType::kInteger;
  if (storage == "real") return ColumnType::kReal;
  if (storage == "date") return ColumnType::kDate;
  if (storage == "time") return ColumnType::kTime;
  if (storage == "timestamp") return ColumnType::kTimestamp;
  return ColumnType::kString;
}

using KxCppHelperV1::PlainNumber;
using KxCppHelperV1::ReadPlainNumber;

// Reads one text as a number of a numeric `type` (integers as doubles); false when it does not
// fit.
bool ToNumber(std::string_view text, ColumnType type, double& number, std::int64_t& integer) {
  if (type == ColumnType::kInteger || type == ColumnType::kReal) {
    const PlainNumber plain = ReadPlainNumber(text, number);
    if (plain == PlainNumber::kInteger && type == ColumnType::kInteger) {
      integer = static_cast<std::int64_t>(number);
      number = static_cast<double>(integer);
      return true;
    }
    if (plain != PlainNumber::kNo && type == ColumnType::kReal) return true;
  }
  switch (type) {
    case ColumnType::kInteger:
      if (!ParseInteger(text, integer)) return false;
      number = static_cast<double>(integer);
      return true;
    case ColumnType::kReal:
      return ParseReal(text, number);
    case ColumnType::kDate:
      return ParseDate(text, number);
    case ColumnType::kTime:
      return ParseTime(text, number);
    case ColumnType::kTimestamp:
      return ParseTimestamp(text, number);
    case ColumnType::kString:
      break;
  }
  return false;
}

// Reports the reading of `reader`, pass `pass` of `passes` over the file, to the options'
// progress callback.
void Track(CsvReader& reader, const CsvOptions& options, int pass, int passes) {
  if (!options.onProgress) return;
  const double size = static_cast<double>(reader.Size());
  reader.OnBytes([&options, size, pass, passes](std::uint64_t bytes) {
    return options.onProgress(pass * size + static_cast<double>(bytes), passes * size);
  });
}

// Read as null in a numeric column when no null texts are given.
constexpr std::string_view kNotAvailable = "NA";

bool IsNull(const CsvReader::Cell& cell, ColumnType type, const CsvOptions& options) {
  return cell.null ||
         (options.na.empty() && type != ColumnType::kString && cell.text == kNotAvailable);
}

void CountCategory(ColumnProfile& column, std::unordered_map<std::string, std::size_t>& index,
                   std::string_view text) {
  if (column.tooManyCategories) return;
  const auto found = index.find(std::string(text));
  if (found != index.end()) {
    ++column.categories[found->second].second;
    return;
  }
  if (column.categories.size() == kMaxCategories) {
    column.tooManyCategories = true;
    column.categories.clear();
    index.clear();
    return;
  }
  index.emplace(std::string(text), column.categories.size());
  column.categories.emplace_back(std::string(text), 1);
}

// Fills `input.table` from the file with the columns' types (column i of the table is CSV column
// `sources[i]`), and each column's counts and numeric statistics from the rows read. `rows` is
// the rows expected (a profile counted them: the table is sized once instead of regrown), or 0;
// the reading is pass `pass` of `passes` for progress.
void LoadRows(const std::string& path, const std::vector<std::size_t>& sources,
              const CsvOptions& options, std::size_t rows, int pass, int passes,
              LoadedInput& input) {
  for (ColumnProfile& column : input.columns) input.table.AddColumn(column.name, column.type);
  if (rows != 0) input.table.Reserve(rows);
  for (ColumnProfile& column : input.columns) column.values = column.nulls = 0;
  std::vector<long double> sums(input.columns.size(), 0);
  std::vector<bool> seen(input.columns.size(), false);
  CsvReader reader(path, options);
  Track(reader, options, pass, passes);
  std::vector<CsvReader::Cell> cells;
  Table& table = input.table;
  while (reader.ReadRow(cells)) {
    for (std::size_t c = 0; c < sources.size(); ++c) {
      const CsvReader::Cell& text = cells[sources[c]];
      ColumnProfile& column = input.columns[c];
      if (IsNull(text, column.type, options)) {
        table.AppendNull();
        ++column.nulls;
        continue;
      }
      ++column.values;
      if (column.type == ColumnType::kString) {
        table.AppendText(text.text);
        continue;
      }
      double x = 0;
      std::int64_t integer = 0;
      if (!ToNumber(text.text, column.type, x, integer)) {
        throw CsvError(
            path, reader.Line(), sources[c] + 1,
            "'" + std::string(text.text) + "' is not a " + StorageText(column.type) + " value");
      }
      if (column.type == ColumnType::kInteger) {
        table.AppendInteger(integer);
      } else {
        table.AppendReal(x);
      }
      if (!seen[c]) {
        column.minimum = column.maximum = x;
        seen[c] = true;
      }
      column.minimum = std::min(column.minimum, x);
      column.maximum = std::max(column.maximum, x);
      sums[c] += x;
    }
    table.EndRow();
    ++input.rows;
  }
  // Means, then variances around them, from a second walk over the typed table: row by row, as
  // the table lies in memory, each column summed in row order.
  std::vector<std::size_t> numeric;
  std::vector<long double> means(input.columns.size(), 0);
  for (std::size_t c = 0; c < input.columns.size(); ++c) {
    const ColumnProfile& column = input.columns[c];
    if (column.type == ColumnType::kString || column.values == 0) continue;
    numeric.push_back(c);
    means[c] = sums[c] / static_cast<long double>(column.values);
  }
  std::vector<long double> deviations(input.columns.size(), 0);
  for (std::size_t r = 0; r < input.rows; ++r) {
    for (const std::size_t c : numeric) {
      if (table.IsNull(r, c)) continue;
      const long double x = input.columns[c].type == ColumnType::kInteger
                                ? static_cast<long double>(table.Integer(r, c))
                                : table.Real(r, c);
      deviations[c] += (x - means[c]) * (x - means[c]);
    }
  }
  for (const std::size_t c : numeric) {
    ColumnProfile& column = input.columns[c];
    column.mean = static_cast<double>(means[c]);
    column.variance =
        column.values > 1 ? static_cast<double>(deviations[c] / (column.values - 1)) : 0.0;
  }
}

// The flag value standing for true among two texts.
std::size_t TrueIndex(const std::vector<std::pair<std::string, std::size_t>>& two, bool numeric) {
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  static const char* const kTrue[] = {"1", "true", "yes", "y", "t"};
  for (std::size_t i = 0; i < 2; ++i) {
    for (const char* word : kTrue) {
      if (lower(two[i].first) == word) return i;
    }
  }
  if (numeric) {
    double a = 0, b = 0;
    ParseReal(two[0].first, a);
    ParseReal(two[1].first, b);
    return a > b ? 0 : 1;
  }
  return two[0].first > two[1].first ? 0 : 1;
}

}  // namespace

std::string BuildDataModel(const std::vector<ColumnProfile>& columns, std::size_t rowCount) {
  XMLDocument doc = KxCppHelperV1::HostHelper::createNew("DataModel");
  XMLElement counts = doc.addElement("RecordCounts");
  const std::int64_t rows = static_cast<std::int64_t>(rowCount);
  counts.addAttribute("unweightedCount", rows);
  counts.addAttribute("weightedCount", rows);
  counts.addAttribute("droppedCount", std::int64_t{0});
  XMLElement fields = doc.addElement("Fields");
  for (const ColumnProfile& column : columns) {
    XMLElement field = fields.addElement("Field");
    const bool numeric = column.type != ColumnType::kString;
    const char* measure = MeasureOf(column);
    const bool flag = std::strcmp(measure, "flag") == 0;
    field.addAttribute("name", column.name);
    field.addAttribute("storage", StorageText(column.type));
    field.addAttribute("measure", measure);
    field.addAttribute("role", "input");
    if (flag) {
      const std::size_t t = TrueIndex(column.categories, numeric);
      XMLElement values = field.addElement("Values");
      XMLElement yes = values.addElement("Value");
      yes.addAttribute("flagValue", "true");
      yes.addAttribute("value", column.categories[t].first);
      XMLElement no = values.addElement("Value");
      no.addAttribute("flagValue", "false");
      no.addAttribute("value", column.categories[1 - t].first);
    } else if (numeric && column.values > 0) {
      XMLElement range = field.addElement("Range");
      range.addAttribute("minValue", Number(column.minimum));
      range.addAttribute("maxValue", Number(column.maximum));
    } else if (!column.tooManyCategories && !column.categories.empty()) {
      XMLElement values = field.addElement("Values");
      for (const auto& category : column.categories) {
        values.addElement("Value").addAttribute("value", category.first);
      }
    }
    if (numeric && column.values > 0) {
      XMLElement stats = field.addElement("ContinuousStatistics");
      const std::int64_t n = static_cast<std::int64_t>(column.values);
      stats.addAttribute("sumCompWts", n);
      stats.addAttribute("sumFreqWts", n);
      stats.addAttribute("minimum", Number(column.minimum));
      stats.addAttribute("maximum", Number(column.maximum));
      stats.addAttribute("mean", Number(column.mean));
      stats.addAttribute("variance", Number(column.variance));
    }
    if (!column.tooManyCategories && !column.categories.empty() && (!numeric || flag)) {
      XMLElement stats = field.addElement("DiscreteStatistics");
      for (const auto& category : column.categories) {
        XMLElement entry = stats.addElement("Category");
        entry.addAttribute("category", category.first);
        entry.addAttribute("sumFreqWts", static_cast<std::int64_t>(category.second));
      }
    }
  }
  return doc.doc2string();
}

const char* MeasureOf(const ColumnProfile& column) {
  if (column.type != ColumnType::kString) return "continuous";
  return !column.tooManyCategories && column.categories.size() == 2 ? "flag" : "nominal";
}

const char* StorageOf(const ColumnProfile& column) {
  return StorageText(column.type);
}

bool ParseInteger(std::string_view text, std::int64_t& value) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseReal(std::string_view text, double& value) {
  // Whole-text decimal numbers only; "inf" and "nan" are texts in a data file.
  if (text.empty()) return false;
  const char first = text[0] == '-' || text[0] == '+' ? (text.size() > 1 ? text[1] : 'x') : text[0];
  if (!((first >= '0' && first <= '9') || first == '.')) return false;
  return KxCppHelperV1::XMLElement::parseDouble(text, value) && std::isfinite(value);
}

bool ParseDate(std::string_view text, double& days) {
  int y = 0, m = 0, d = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, y) ||
      !Digits(text, 5, 2, m) || !Digits(text, 8, 2, d) || !ValidDay(y, m, d)) {
    return false;
  }
  days = static_cast<double>(DaysFromCivil(y, m, d));
  return true;
}

bool ParseTime(std::string_view text, double& seconds) {
  int h = 0, m = 0, s = 0;
  if (text.size() < 5 || text[2] != ':' || !Digits(text, 0, 2, h) || !Digits(text, 3, 2, m) ||
      h > 23 || m > 59) {
    return false;
  }
  double fraction = 0;
  if (text.size() > 5) {
    if (text.size() < 8 || text[5] != ':' || !Digits(text, 6, 2, s) || s > 59) return false;
    if (text.size() > 8) {
      // A decimal fraction of a second: '.' and at least one digit.
      if (text[8] != '.' || text.size() == 9) return false;
      double scale = 0.1;
      for (std::size_t i = 9; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        fraction += (text[i] - '0') * scale;
        scale /= 10;
      }
    }
  }
  seconds = h * 3600.0 + m * 60.0 + s + fraction;
  return true;
}

bool ParseTimestamp(std::string_view text, double& seconds) {
  double days = 0, time = 0;
  if (text.size() < 16 || (text[10] != ' ' && text[10] != 'T') ||
      !ParseDate(text.substr(0, 10), days) || !ParseTime(text.substr(11), time)) {
    return false;
  }
  seconds = days * 86400.0 + time;
  return true;
}

RowProfile ProfileRows(const std::string& path, const CsvOptions& options) {
  RowProfile profile;
  const bool naForNumbers = options.na.empty();
  CsvReader reader(path, options);
  Track(reader, options, 0, 2);
  for (const std::string& name : reader.Header()) {
    ColumnProfile column;
    column.name = name;
    profile.columns.push_back(std::move(column));
  }
  const std::size_t n = profile.columns.size();
  profile.candidates.resize(n);
  profile.naCells.assign(n, 0);
  std::vector<std::unordered_map<std::string, std::size_t>> indexes(n);
  std::vector<CsvReader::Cell> cells;
  while (reader.ReadRow(cells)) {
    ++profile.rows;
    for (std::size_t c = 0; c < n; ++c) {
      ColumnProfile& column = profile.columns[c];
      if (cells[c].null) {
        ++column.nulls;
        continue;
      }
      ++column.values;
      if (naForNumbers && cells[c].text == kNotAvailable) {
        ++profile.naCells[c];
      } else {
        profile.candidates[c].See(cells[c].text);
      }
      CountCategory(column, indexes[c], cells[c].text);
    }
  }
  return profile;
}

void MergeProfile(RowProfile& into, const RowProfile& part) {
  if (into.columns.size() != part.columns.size()) {
    throw std::runtime_error("profiles of files with different columns cannot be merged");
  }
  into.rows += part.rows;
  for (std::size_t c = 0; c < into.columns.size(); ++c) {
    ColumnProfile& column = into.columns[c];
    const ColumnProfile& other = part.columns[c];
    column.values += other.values;
    column.nulls += other.nulls;
    into.naCells[c] += part.naCells[c];
    into.candidates[c].Merge(part.candidates[c]);
    column.tooManyCategories = column.tooManyCategories || other.tooManyCategories;
    if (column.tooManyCategories) {
      column.categories.clear();
      continue;
    }
    std::unordered_map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < column.categories.size(); ++i) {
      index.emplace(column.categories[i].first, i);
    }
    for (const auto& [text, count] : other.categories) {
      const auto found = index.find(text);
      if (found != index.end()) {
        column.categories[found->second].second += count;
        continue;
      }
      if (column.categories.size() == kMaxCategories) {
        column.tooManyCategories = true;
        column.categories.clear();
        break;
      }
      index.emplace(text, column.categories.size());
      column.categories.emplace_back(text, count);
    }
  }
}

std::vector<ColumnProfile> DecideColumns(RowProfile profile) {
  std::vector<ColumnProfile> columns = std::move(profile.columns);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    ColumnProfile& column = columns[c];
    column.type = profile.candidates[c].Type(column.values > profile.naCells[c]);
    // Categories are declared in sorted order, as R and pandas order a text column's levels.
    std::sort(column.categories.begin(), column.categories.end());
    if (column.type != ColumnType::kString && profile.naCells[c] != 0) {
      // A numeric column's "NA" cells are nulls, not a category.
      column.values -= profile.naCells[c];
      column.nulls += profile.naCells[c];
      column.categories.erase(
          std::remove_if(column.categories.begin(), column.categories.end(),
                         [](const auto& category) { return category.first == kNotAvailable; }),
          column.categories.end());
    }
  }
  return columns;
}

LoadedInput LoadColumns(const std::string& path, std::vector<ColumnProfile> columns,
                        const CsvOptions& options, std::size_t rows) {
  LoadedInput input;
  std::vector<std::size_t> sources;
  for (std::size_t c = 0; c < columns.size(); ++c) sources.push_back(c);
  input.columns = std::move(columns);
  LoadRows(path, sources, options, rows, 1, 2, input);
  return input;
}

void MergeStatistics(std::vector<ColumnProfile>& into, const std::vector<ColumnProfile>& part) {
  for (std::size_t c = 0; c < into.size() && c < part.size(); ++c) {
    ColumnProfile& a = into[c];
    const ColumnProfile& b = part[c];
    if (a.type == ColumnType::kString || b.values == 0 || a.values == 0) {
      if (a.type != ColumnType::kString && a.values == 0) {
        a.minimum = b.minimum;
        a.maximum = b.maximum;
        a.mean = b.mean;
        a.variance = b.variance;
      }
      a.values += b.values;
      a.nulls += b.nulls;
      continue;
    }
    // The pairwise update of the mean and the sum of squared deviations.
    const long double na = static_cast<long double>(a.values);
    const long double nb = static_cast<long double>(b.values);
    const long double n = na + nb;
    const long double delta = static_cast<long double>(b.mean) - a.mean;
    const long double m2 = static_cast<long double>(a.variance) * (na - 1) +
                           static_cast<long double>(b.variance) * (nb - 1) +
                           delta * delta * na * nb / n;
    a.mean = static_cast<double>(a.mean + delta * nb / n);
    a.variance = static_cast<double>(m2 / (n - 1));
    a.minimum = std::min(a.minimum, b.minimum);
    a.maximum = std::max(a.maximum, b.maximum);
    a.values += b.values;
    a.nulls += b.nulls;
  }
}

LoadedInput LoadCsv(const std::string& path, const CsvOptions& options) {
  RowProfile profile = ProfileRows(path, options);
  const std::size_t rows = profile.rows;
  LoadedInput input = LoadColumns(path, DecideColumns(std::move(profile)), options, rows);
  try {
    input.dataModel = BuildDataModel(input.columns, input.rows);
  } catch (const KxCppHelperV1::XMLException& e) {
    // A column name or category that is not UTF-8 text cannot go into a data model.
    throw CsvError(path, 0, 0, std::string("the file's text is not UTF-8 (") + e.what() + ")");
  }
  return input;
}

LoadedInput LoadCsvWithDataModel(const std::string& path, const std::string& dataModel,
                                 const CsvOptions& options) {
  XMLDocument doc;
  try {
    doc = KxCppHelperV1::HostHelper::createFromContents(dataModel);
  } catch (const KxCppHelperV1::XMLException& e) {
    throw std::runtime_error(std::string("the data model is not XML: ") + e.what());
  }
  LoadedInput input;
  std::vector<std::size_t> sources;
  std::map<std::string, std::size_t> byName;
  {
    CsvReader reader(path, options);
    for (std::size_t c = 0; c < reader.Header().size(); ++c) byName.emplace(reader.Header()[c], c);
  }
  const XMLElement fields = doc.getElement("Fields");
  for (auto it = fields.getElements("Field"); it.hasMore();) {
    const XMLElement field = it.next();
    ColumnProfile column;
    column.name = field.getAttribute("name");
    column.type = TypeOfStorage(field.getAttribute("storage"));
    const auto found = byName.find(column.name);
    if (found == byName.end()) {
      throw std::runtime_error(path + ": no column named '" + column.name +
                               "', which the data model describes");
    }
    sources.push_back(found->second);
    input.columns.push_back(column);
  }
  // One pass: the load counts the cells and computes the statistics itself.
  LoadRows(path, sources, options, 0, 0, 1, input);
  input.dataModel = dataModel;
  return input;
}

void TypeCandidates::See(std::string_view text) {
  double plain;
  switch (ReadPlainNumber(text, plain)) {
    case PlainNumber::kInteger:
      date = time = timestamp = false;
      return;
    case PlainNumber::kDecimal:
      integer = date = time = timestamp = false;
      return;
    case PlainNumber::kNo:
      break;
  }
  std::int64_t i;
  double d;
  if (integer && !ParseInteger(text, i)) integer = false;
  if (real && !ParseReal(text, d)) real = false;
  if (date && !ParseDate(text, d)) date = false;
  if (time && !ParseTime(text, d)) time = false;
  if (timestamp && !ParseTimestamp(text, d)) timestamp = false;
}

ColumnType TypeCandidates::Type(bool any) const {
  if (!any) return ColumnType::kString;
  if (integer) return ColumnType::kInteger;
  if (real) return ColumnType::kReal;
  if (date) return ColumnType::kDate;
  if (time) return ColumnType::kTime;
  if (timestamp) return ColumnType::kTimestamp;
  return ColumnType::kString;
}

}  // namespace VnKxHost
