#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "external/hosthelper/HostHelper.h"
#include "host/CsvLoader.h"
#include "host/CsvReader.h"
#include "host/DataModelCheck.h"
#include "host/Table.h"

namespace VnKxHost {
namespace {

// Writes `text` to a file in the test's temporary folder and gives its path.
std::string File(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<std::vector<std::string>> ReadAll(const std::string& path) {
  CsvReader reader(path);
  std::vector<std::vector<std::string>> rows;
  std::vector<CsvReader::Cell> cells;
  while (reader.ReadRow(cells)) {
    rows.emplace_back();
    for (const auto& cell : cells)
      rows.back().push_back(cell.null ? "<null>" : std::string(cell.text));
  }
  return rows;
}

TEST(CsvReader, QuotesEmbeddedLineBreaksAndNulls) {
  const std::string path =
      File("quotes.csv", "a,\"b, c\",d\r\n1,\"x \"\"y\"\"\",\r\n\"two\nlines\",,\"\"\n\n3,4,5");
  CsvReader reader(path);
  EXPECT_EQ(reader.Header(), (std::vector<std::string>{"a", "b, c", "d"}));
  const auto rows = ReadAll(path);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "x \"y\"", "<null>"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"two\nlines", "<null>", ""}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "4", "5"}));
}

TEST(CsvReader, MalformedRowsNameTheirLineAndColumn) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"a,b\n1,2\n3\n", "line 3: the row has 1 cells, the header 2"},
      {"a,b\n1,\"2\n", "line 2, column 2: a quoted cell is not closed"},
      {"a,b\n1,\"2\"x\n", "line 2, column 2: text after a closing quote"},
      {"a,b\n1,2\"3\n", "line 2, column 2: a quote inside an unquoted cell"},
      {"", "line 1: the file is empty"},
      {"a,,c\n", "line 1, column 2: a column without a name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string path = File("bad.csv", c.text);
    try {
      ReadAll(path);
      ADD_FAILURE() << "no error";
    } catch (const CsvError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(CsvReader("/nonexistent/file.csv"), CsvError);
}

TEST(CsvReader, CellsLongerThanTheReadBufferArriveWhole) {
  const std::string wide(200000, 'w');
  std::string text = "a,b\n";
  for (int row = 0; row < 3; ++row) text += wide + "," + std::to_string(row) + "\n";
  const auto rows = ReadAll(File("wide.csv", text + "x,\"q\""));
  ASSERT_EQ(rows.size(), 4u);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(rows[static_cast<size_t>(row)],
              (std::vector<std::string>{wide, std::to_string(row)}));
  }
  EXPECT_EQ(rows[3], (std::vector<std::string>{"x", "q"}));
}

TEST(Table, CellByCellRowsMatchAddRowAndRefuseMisfits) {
  Table built;
  Table appended;
  for (Table* t : {&built, &appended}) {
    t->AddColumn("i", ColumnType::kInteger);
    t->AddColumn("x", ColumnType::kReal);
    t->AddColumn("s", ColumnType::kString);
  }
  built.AddRow({Cell(7), Cell(2), Cell("t")});
  built.AddRow({Cell::Null(), Cell(1.5), Cell::Null()});
  appended.AppendInteger(7);
  appended.AppendInteger(2);
  appended.AppendText("t");
  appended.EndRow();
  appended.AppendNull();
  appended.AppendReal(1.5);
  appended.AppendNull();
  appended.EndRow();
  ASSERT_EQ(appended.RowCount(), 2u);
  for (size_t r = 0; r < 2; ++r) {
    for (size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(appended.IsNull(r, c), built.IsNull(r, c));
      size_t size = 0;
      size_t expectedSize = 0;
      const void* bytes = appended.Bytes(r, c, size);
      const void* expected = built.Bytes(r, c, expectedSize);
      ASSERT_EQ(size, expectedSize);
      EXPECT_EQ(std::string(static_cast<const char*>(bytes), size),
                std::string(static_cast<const char*>(expected), expectedSize));
    }
  }
  EXPECT_THROW(appended.AppendReal(1.0), std::invalid_argument);  // an integer column
  Table misfits;
  misfits.AddColumn("s", ColumnType::kString);
  EXPECT_THROW(misfits.AppendInteger(1), std::invalid_argument);
  EXPECT_THROW(misfits.EndRow(), std::invalid_argument);
  misfits.AppendText("a");
  EXPECT_THROW(misfits.AppendText("b"), std::invalid_argument);
}

TEST(CsvLoader, InfersEveryStorageAndMeasure) {
  const std::string path = File("kinds.csv",
                                "i,r,s,d,t,ts,f,e\n"
                                "1,1.5,a,2024-02-29,12:30,2024-02-29 12:30:00,yes,\n"
                                "-2,2,b,1970-01-01,00:00:01.5,1970-01-01T00:00:00,no,\n"
                                "3,,a,2000-12-31,23:59:59,2000-12-31 23:59:59,yes,\n");
  const LoadedInput input = LoadCsv(path);
  ASSERT_EQ(input.rows, 3u);
  const std::vector<ColumnType> expected = {
      ColumnType::kInteger, ColumnType::kReal,      ColumnType::kString, ColumnType::kDate,
      ColumnType::kTime,    ColumnType::kTimestamp, ColumnType::kString, ColumnType::kString};
  for (size_t c = 0; c < expected.size(); ++c) EXPECT_EQ(input.table.Type(c), expected[c]) << c;
  EXPECT_EQ(input.table.Integer(1, 0), -2);
  EXPECT_TRUE(input.table.IsNull(2, 1));
  EXPECT_EQ(input.table.Real(0, 3), 19782);  // days since 1970-01-01
  EXPECT_EQ(input.table.Real(1, 4), 1.5);
  EXPECT_EQ(input.table.Real(1, 5), 0);

  const auto doc = KxCppHelperV1::HostHelper::createFromContents(input.dataModel);
  std::vector<std::string> measures;
  for (auto it = doc.getElement("Fields").getElements("Field"); it.hasMore();) {
    measures.push_back(it.next().getAttribute("measure"));
  }
  // Numbers stay continuous however few their values; a text column of two values is a flag.
  EXPECT_EQ(measures, (std::vector<std::string>{"continuous", "continuous", "flag", "continuous",
                                                "continuous", "continuous", "flag", "nominal"}));
  std::string yes;
  for (auto it = doc.getElements("Value"); it.hasMore();) {
    const auto value = it.next();
    if (value.getAttribute("flagValue") == "true" && value.getAttribute("value") == "yes")
      yes = "found";
  }
  EXPECT_EQ(yes, "found");
  const auto counts = doc.getElement("RecordCounts");
  EXPECT_EQ(counts.getAttribute("unweightedCount"), "3");
  const auto stats = doc.getElement("ContinuousStatistics");
  EXPECT_EQ(stats.getAttribute("mean"), "0.6666666666666666");
  EXPECT_EQ(stats.getAttribute("minimum"), "-2");
}

TEST(CsvReader, ByteOrderMarkDelimitersAndEncodings) {
  // A byte-order mark is not part of the first name; 'auto' takes the header line's separator.
  for (const char* separator : {";", "\t", "|", ","}) {
    const std::string sep(separator);
    const std::string path = File("sep.csv",
                                  "\xEF\xBB\xBF"
                                  "a" +
                                      sep + "b" + sep + "c,d\n1" + sep + "x" + sep + "y\n");
    CsvOptions options;
    options.delimiter = '\0';
    CsvReader reader(path, options);
    EXPECT_EQ(reader.Delimiter(), sep[0]);
    if (sep == ",") {
      EXPECT_EQ(reader.Header(), (std::vector<std::string>{"a", "b", "c", "d"}));
    } else {
      EXPECT_EQ(reader.Header(), (std::vector<std::string>{"a", "b", "c,d"}));
    }
  }
  // Bytes that are not UTF-8 are refused where they stand, or read as Latin-1 when asked.
  const std::string latin = File("latin.csv", "name,town\n\"a\nb\",Z\xFCrich\n");
  try {
    CsvReader reader(latin);
    std::vector<CsvReader::Cell> cells;
    reader.ReadRow(cells);
    ADD_FAILURE() << "read";
  } catch (const CsvError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3, column 2: bytes that are not UTF-8"),
              std::string::npos)
        << e.what();
  }
  CsvOptions latin1;
  latin1.latin1 = true;
  CsvReader reader(latin, latin1);
  std::vector<CsvReader::Cell> cells;
  ASSERT_TRUE(reader.ReadRow(cells));
  EXPECT_EQ(cells[1].text, "Z\xC3\xBCrich");
  EXPECT_THROW(CsvReader(File("dup.csv", "a,b,a\n1,2,3\n")), CsvError);
  EXPECT_THROW(CsvReader(File("ctl.csv", "a\x01,b\n")), CsvError);
}

TEST(CsvLoader, NotAvailableCellsAndCategoryOrder) {
  const std::string path = File("na.csv", "n,t\n3,pear\nNA,NA\n1,apple\n,fig\n");
  // By default "NA" is missing in a numeric column and a category in a text one.
  const LoadedInput input = LoadCsv(path);
  EXPECT_EQ(input.table.Type(0), ColumnType::kInteger);
  EXPECT_TRUE(input.table.IsNull(1, 0));
  EXPECT_EQ(input.columns[0].values, 2u);
  EXPECT_EQ(input.columns[0].nulls, 2u);
  std::vector<std::string> categories;
  for (const auto& category : input.columns[1].categories) categories.push_back(category.first);
  EXPECT_EQ(categories, (std::vector<std::string>{"NA", "apple", "fig", "pear"}));
  // Texts named as missing are missing in every column, and only they (with the empty cell).
  CsvOptions options;
  options.na = {"NA", "pear"};
  const LoadedInput named = LoadCsv(path, options);
  EXPECT_EQ(named.columns[1].values, 2u);
  EXPECT_EQ(named.columns[1].nulls, 2u);
  // A given data model reads "NA" in a numeric column as missing too.
  const LoadedInput given = LoadCsvWithDataModel(
      path, "<DataModel><Fields><Field name='n' storage='integer'/></Fields></DataModel>");
  EXPECT_TRUE(given.table.IsNull(1, 0));
  EXPECT_EQ(given.columns[0].nulls, 2u);
}

TEST(CsvLoader, NumbersReadTheSameByTheShortPathAndTheFullReaders) {
  // Plain decimals of up to fifteen digits take a short path; every value must be what the
  // full readers make of its text, including texts just outside the short path.
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "-0.0",
                                    "007",
                                    "0.1",
                                    "0.3",
                                    "1e5",
                                    "123456789012345",
                                    "1234567890123456",
                                    "9007199254740993",
                                    "0.000000000000001",
                                    "-99999999.9999999",
                                    "+5",
                                    "1.5e-3"};
  std::uint64_t seed = 12345;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    std::string digits = std::to_string(seed >> 14).substr(0, 1 + (seed >> 3) % 15);
    const std::size_t point = (seed >> 8) % (digits.size() + 1);
    if (point > 0 && point < digits.size()) digits.insert(point, ".");
    texts.push_back(((seed >> 5) & 1 ? "-" : "") + digits);
  }
  std::string csv = "x\n";
  for (const std::string& text : texts) csv += text + "\n";
  const LoadedInput input = LoadCsv(File("numbers.csv", csv));
  ASSERT_EQ(input.table.Type(0), ColumnType::kReal);
  for (std::size_t r = 0; r < texts.size(); ++r) {
    double expected = 0;
    ASSERT_TRUE(ParseReal(texts[r], expected)) << texts[r];
    EXPECT_EQ(input.table.Real(r, 0), expected) << texts[r];
    EXPECT_EQ(std::signbit(input.table.Real(r, 0)), std::signbit(expected)) << texts[r];
  }
  // An integer column: the same texts without a point, and "-0" as 0.
  const LoadedInput integers = LoadCsv(File("integers.csv", "n\n-0\n42\n-123456789012345\n"));
  ASSERT_EQ(integers.table.Type(0), ColumnType::kInteger);
  EXPECT_EQ(integers.table.Integer(0, 0), 0);
  EXPECT_EQ(integers.table.Integer(2, 0), -123456789012345);
}

TEST(CsvLoader, AGivenDataModelTypesTheColumnsByName) {
  const std::string path = File("given.csv", "x,y\n1,a\n2,b\n");
  const std::string model =
      "<DataModel><Fields><Field name='y' storage='string' measure='nominal' role='input'/>"
      "<Field name='x' storage='real' measure='continuous' role='input'/></Fields></DataModel>";
  const LoadedInput input = LoadCsvWithDataModel(path, model);
  EXPECT_EQ(input.table.Type(0), ColumnType::kString);
  EXPECT_EQ(input.table.Text(1, 0), "b");
  EXPECT_EQ(input.table.Real(1, 1), 2.0);
  EXPECT_THROW(LoadCsvWithDataModel(path,
                                    "<DataModel><Fields><Field name='z' storage='real'/>"
                                    "</Fields></DataModel>"),
               std::runtime_error);
  EXPECT_THROW(LoadCsvWithDataModel(path, "<DataModel>"), std::runtime_error);
  try {
    LoadCsvWithDataModel(
        File("bad-int.csv", "x,y\n1.5,a\n"),
        "<DataModel><Fields><Field name='x' storage='integer'/></Fields></DataModel>");
    ADD_FAILURE() << "no error";
  } catch (const CsvError& e) {
    EXPECT_NE(std::string(e.what()).find("line 2, column 1: '1.5' is not a integer value"),
              std::string::npos)
        << e.what();
  }
}

TEST(CsvLoader, ParsersRefuseWhatDoesNotFit) {
  double value = 0;
  std::int64_t integer = 0;
  EXPECT_FALSE(ParseDate("2023-02-29", value));
  EXPECT_FALSE(ParseDate("2023-2-28", value));
  EXPECT_FALSE(ParseTime("24:00", value));
  EXPECT_FALSE(ParseTime("12:00:00.", value));
  EXPECT_TRUE(ParseTime("12:00:00.25", value));
  EXPECT_EQ(value, 43200.25);
  EXPECT_FALSE(ParseReal("nan", value));
  EXPECT_FALSE(ParseReal("1e999", value));
  EXPECT_FALSE(ParseInteger("1.0", integer));
  EXPECT_TRUE(ParseInteger("+7", integer));
  EXPECT_EQ(integer, 7);
}

std::vector<std::string> Findings(const std::string& document, bool* errors = nullptr) {
  const CheckReport report = CheckDataModel(document);
  if (errors != nullptr) *errors = report.HasErrors();
  std::vector<std::string> texts;
  for (const auto& f : report.findings) texts.push_back(f.field + ": " + f.text);
  return texts;
}

bool Mentions(const std::vector<std::string>& findings, const std::string& text) {
  for (const auto& f : findings) {
    if (f.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(DataModelCheck, ReportsEachKindOfProblem) {
  bool errors = true;
  EXPECT_TRUE(Findings("<DataModel><Fields><Field name='ok' storage='real' measure='continuous'"
                       " role='input'/></Fields></DataModel>",
                       &errors)
                  .empty());
  EXPECT_FALSE(errors);

  const std::vector<std::string> found = Findings(
      "<DataModel><RecordCounts unweightedCount='10' weightedCount='10' droppedCount='0'/><Fields>"
      "<Field name='s' storage='string' measure='nominal' role='input'><Values><Value value='a'/>"
      "<Value value='9'/></Values><MissingValues><Value value='9'/><Range minValue='1' "
      "maxValue='2'/></MissingValues></Field>"
      "<Field name='f' storage='string' measure='flag' role='input'><Values>"
      "<Value flagValue='true' value='y'/></Values></Field>"
      "<Field name='x' storage='real' measure='continuous' role='input'>"
      "<ContinuousStatistics sumFreqWts='20'/></Field>"
      "<Field name='n' storage='string' measure='nominal' role='input'/>"
      "</Fields></DataModel>",
      &errors);
  EXPECT_FALSE(errors);
  EXPECT_TRUE(Mentions(found, "s: the missing value '9' is also a declared category"));
  EXPECT_TRUE(Mentions(found, "s: a missing range on a string field"));
  EXPECT_TRUE(Mentions(found, "f: a flag field without its false value"));
  EXPECT_TRUE(Mentions(found, "x: the statistics count more weight than the records"));
  EXPECT_TRUE(Mentions(found, "n: a categorical field without declared values"));

  const std::vector<std::string> broken = Findings(
      "<DataModel><Fields><Field name='a' storage='real' measure='continuous' role='input'/>"
      "<Field name='b' storage='blob' measure='nominal' role='input'/></Fields></DataModel>",
      &errors);
  EXPECT_TRUE(errors);
  EXPECT_TRUE(Mentions(broken, "b: the field (or its base field) cannot be built"));
  EXPECT_TRUE(Mentions(Findings("<DataModel>", &errors), "not well-formed XML"));
  EXPECT_TRUE(errors);
}

}  // namespace
}  // namespace VnKxHost
