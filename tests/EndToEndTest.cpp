// The sample components run through the host as the vnkx-host command runs them, compared with
// results computed independently by a statistics package.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "external/hosthelper/HostHelper.h"
#include "host/ComponentRunner.h"

namespace VnKxHost {
namespace {

const std::string kComponents = VNKX_COMPONENT_DIR;
const std::string kData = VNKX_DATA_DIR;

// The result document as notes and tables of text rows.
struct Result {
  std::map<std::string, std::string> notes;
  std::map<std::string, std::vector<std::vector<std::string>>> tables;

  explicit Result(const std::string& text) {
    const auto doc = KxCppHelperV1::HostHelper::createFromContents(text);
    for (auto it = doc.getElementsDirect("Note"); it.hasMore();) {
      const auto note = it.next();
      notes[note.getAttribute("name")] = note.getAttribute("value");
    }
    for (auto it = doc.getElementsDirect("Table"); it.hasMore();) {
      const auto table = it.next();
      auto& rows = tables[table.getAttribute("title")];
      for (auto r = table.getElementsDirect("Row"); r.hasMore();) {
        const auto row = r.next();
        rows.emplace_back();
        for (auto c = row.getElementsDirect("Cell"); c.hasMore();)
          rows.back().push_back(c.next().getText());
      }
    }
  }
  // The row of `table` whose first cell is `key`.
  const std::vector<std::string>& Row(const std::string& table, const std::string& key) const {
    for (const auto& row : tables.at(table)) {
      if (row[0] == key) return row;
    }
    throw std::runtime_error("no row " + key + " in " + table);
  }
};

// key=value pairs of one reference line (the first item unnamed under "name").
std::map<std::string, std::string> ReferenceLine(const std::string& line) {
  std::map<std::string, std::string> items;
  std::stringstream in(line);
  std::string item;
  bool first = true;
  while (std::getline(in, item, ',')) {
    const size_t equals = item.find('=');
    if (first && equals == std::string::npos) {
      items["name"] = item;
    } else if (equals == std::string::npos) {
      items[item] = "";
    } else {
      items[item.substr(0, equals)] = item.substr(equals + 1);
    }
    first = false;
  }
  return items;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

void ExpectClose(const std::string& actual, const std::string& expected, const std::string& what) {
  const double a = std::stod(actual);
  const double e = std::stod(expected);
  EXPECT_LE(std::fabs(a - e), 1e-9 * std::fabs(e)) << what << ": " << actual << " vs " << expected;
}

RunOutcome RunBundled(const std::string& component, const std::string& data,
                      std::vector<std::pair<std::string, std::string>> parameters = {},
                      const std::string& parametersFile = "", int threads = 2) {
  RunOptions options;
  options.component = kComponents + "/" + component + ".so";
  options.data = {kData + "/" + data + ".csv"};
  options.dataModels = {kData + "/" + data + ".datamodel.xml"};
  options.parameters = std::move(parameters);
  options.parametersFile = parametersFile;
  options.threads = threads;
  return RunComponent(options);
}

class Reference : public ::testing::TestWithParam<std::string> {};

TEST_P(Reference, DescribeMatches) {
  const RunOutcome outcome = RunBundled("describe", GetParam());
  ASSERT_EQ(outcome.stage, "finished");
  ASSERT_EQ(outcome.status, 0u);
  const Result result(outcome.result);
  for (const std::string& line : Lines(kData + "/" + GetParam() + ".describe.ref")) {
    const auto ref = ReferenceLine(line);
    SCOPED_TRACE(ref.at("name"));
    if (line.find(",continuous,") != std::string::npos) {
      const auto& row = result.Row("Continuous fields", ref.at("name"));
      EXPECT_EQ(row[1], ref.at("n"));
      EXPECT_EQ(row[2], ref.at("missing"));
      ExpectClose(row[4], ref.at("mean"), "mean");
      ExpectClose(row[5], ref.at("sd"), "sd");
      ExpectClose(row[6], ref.at("min"), "min");
      ExpectClose(row[7], ref.at("max"), "max");
    } else {
      const auto& row = result.Row("Categorical fields", ref.at("name"));
      EXPECT_EQ(row[1], ref.at("n"));
      EXPECT_EQ(row[2], ref.at("missing"));
      std::string counts;
      for (const auto& category : result.tables.at("Categories")) {
        if (category[0] != ref.at("name")) continue;
        counts += (counts.empty() ? "" : ";") + category[1] + ":" + category[2];
      }
      EXPECT_EQ(line.substr(line.rfind(',') + 1), counts);
    }
  }
}

TEST_P(Reference, LinregMatches) {
  const std::string params = GetParam() == "airquality" ? kData + "/airquality.linreg.xml" : "";
  for (int threads : {1, 3}) {
    SCOPED_TRACE(threads);
    const RunOutcome outcome = RunBundled("linreg", GetParam(), {}, params, threads);
    ASSERT_EQ(outcome.stage, "finished");
    ASSERT_EQ(outcome.status, 0u);
    const Result result(outcome.result);
    for (const std::string& line : Lines(kData + "/" + GetParam() + ".linreg.ref")) {
      const auto ref = ReferenceLine(line);
      if (ref.count("n_used")) {
        EXPECT_EQ(result.notes.at("records used"), ref.at("n_used"));
      } else if (ref.count("r_squared")) {
        ExpectClose(result.notes.at("r squared"), ref.at("r_squared"), "r squared");
      } else {
        SCOPED_TRACE(ref.at("name"));
        const auto& row = result.Row("Coefficients", ref.at("name"));
        ExpectClose(row[1], ref.at("estimate"), "estimate");
        ExpectClose(row[2], ref.at("se"), "std. error");
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Bundled, Reference, ::testing::Values("iris", "airquality"));

bool HasCode(const RunOutcome& outcome, long long code) {
  for (const auto& d : outcome.diagnostics) {
    if (d.code == code) return true;
  }
  return false;
}

TEST(Linreg, UnusableModelsGiveDiagnostics) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> parameters;
    long long code;
  } cases[] = {
      {"categorical target", {{"target", "species"}}, 250003},
      {"unknown input", {{"inputs", "sepal_width,nothing"}}, 250002},
      {"singular design", {{"inputs", "sepal_width,sepal_width"}}, 250005},
      {"bad partition choice", {{"partition", "someday"}}, 250008},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RunOutcome outcome = RunBundled("linreg", "iris", c.parameters);
    EXPECT_NE(outcome.status, 0u);
    EXPECT_EQ(outcome.error, c.code);
    EXPECT_TRUE(HasCode(outcome, c.code));
    EXPECT_TRUE(outcome.result.empty());
  }
}

std::string WriteCsv(const std::string& name, int rows) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream out(path);
  out << "x,y,group\n";
  for (int i = 0; i < rows; ++i) out << i % 97 << "," << (i % 13) * 0.5 << ",g" << i % 3 << "\n";
  return path;
}

TEST(Components, CancelledMidPassStopWithTheCancelCode) {
  const std::string data = WriteCsv("many.csv", 20000);
  for (const char* component : {"describe", "linreg"}) {
    SCOPED_TRACE(component);
    RunOptions options;
    options.component = kComponents + "/" + component + ".so";
    options.data = {data};
    if (std::string(component) == "linreg") options.parameters = {{"target", "y"}};
    int reports = 0;
    options.onProgress = [&](double current, double total) {
      EXPECT_LE(current, total);
      return ++reports < 2;  // cancel at the second report
    };
    const RunOutcome outcome = RunComponent(options);
    EXPECT_EQ(outcome.stage, "execute");
    EXPECT_EQ(outcome.status, 12u);
    EXPECT_EQ(outcome.error, 240043);
    EXPECT_TRUE(HasCode(outcome, 240043));
  }
}

TEST(Components, NoUsableRecords) {
  const std::string path = ::testing::TempDir() + "empty-target.csv";
  std::ofstream(path) << "x,y\n1,\n2,\n";
  RunOptions options;
  options.component = kComponents + "/linreg.so";
  options.data = {path};
  options.dataModels = {""};
  options.parameters = {{"target", "y"}, {"inputs", "x"}};
  std::ofstream(::testing::TempDir() + "y.xml")
      << "<DataModel><Fields><Field name='x' storage='real' measure='continuous' role='input'/>"
         "<Field name='y' storage='real' measure='continuous' role='target'/></Fields></DataModel>";
  options.dataModels = {::testing::TempDir() + "y.xml"};
  const RunOutcome outcome = RunComponent(options);
  EXPECT_EQ(outcome.error, 250004);
}

// Six records: three in training (t), two in testing (s), one in neither; w weights them.
struct PartitionedData {
  PartitionedData() {
    data = ::testing::TempDir() + "split.csv";
    std::ofstream(data) << "x,y,w,part\n1,2,1,t\n2,4,2,t\n3,7,1,t\n10,0,1,s\n20,0,1,s\n5,5,1,u\n";
    model = ::testing::TempDir() + "split.xml";
    std::ofstream(model)
        << "<DataModel><Fields>"
           "<Field name='x' storage='real' measure='continuous' role='input'/>"
           "<Field name='y' storage='real' measure='continuous' role='target'/>"
           "<Field name='w' storage='real' measure='continuous' role='freqWeight'/>"
           "<Field name='part' storage='string' measure='nominal' role='partition'><Values>"
           "<Value value='t' definePartition='training'/><Value value='s' "
           "definePartition='testing'/>"
           "<Value value='u'/></Values></Field></Fields></DataModel>";
  }
  RunOutcome Run(const std::string& component,
                 std::vector<std::pair<std::string, std::string>> parameters) const {
    RunOptions options;
    options.component = kComponents + "/" + component + ".so";
    options.data = {data};
    options.dataModels = {model};
    options.parameters = std::move(parameters);
    return RunComponent(options);
  }
  std::string data, model;
};

TEST(Components, PartitionAndFrequencyWeightChooseAndWeighRecords) {
  const PartitionedData split;
  RunOutcome outcome = split.Run("describe", {});
  ASSERT_EQ(outcome.status, 0u);
  Result training(outcome.result);
  EXPECT_EQ(training.notes.at("records used"), "3");
  const auto& x = training.Row("Continuous fields", "x");
  EXPECT_EQ(x[1], "3");                                   // values
  EXPECT_EQ(x[3], "4");                                   // weighted: 1 + 2 + 1
  EXPECT_EQ(x[4], "2");                                   // weighted mean (1 + 4 + 3) / 4
  ExpectClose(x[5], "0.816496580927726", "weighted sd");  // sqrt(2 / 3)

  outcome = split.Run("describe", {{"partition", "testing"}});
  EXPECT_EQ(Result(outcome.result).notes.at("records used"), "2");
  outcome = split.Run("describe", {{"partition", "all"}});
  EXPECT_EQ(Result(outcome.result).notes.at("records used"), "6");

  // Over the training records weighted 1, 2, 1: weighted means 2 and 4.25, slope 5 / 2.
  outcome = split.Run("linreg", {{"inputs", "x"}});
  ASSERT_EQ(outcome.status, 0u);
  const Result fit(outcome.result);
  EXPECT_EQ(fit.notes.at("records used"), "3");
  EXPECT_EQ(fit.notes.at("records outside the partition"), "3");
  EXPECT_EQ(fit.notes.at("weighted records"), "4");
  ExpectClose(fit.Row("Coefficients", "x")[1], "2.5", "slope");
  ExpectClose(fit.Row("Coefficients", "(Intercept)")[1], "-0.75", "intercept");
}

TEST(Components, MissingOrBrokenModulesGiveAClearError) {
  RunOptions options;
  options.component = "/nonexistent/component.so";
  try {
    RunComponent(options);
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("cannot load the component"), std::string::npos);
  }
  options.component = kData + "/iris.csv";
  EXPECT_THROW(RunComponent(options), std::runtime_error);
}

}  // namespace
}  // namespace VnKxHost
