// vnkx-host under mpirun: the sample components' merged results against one process, odd
// splits of the rows, and every kind of failure stopping all ranks with the failing one named.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/ProgramRun.h"

namespace {

using vnkxtest::File;
using vnkxtest::Has;
using vnkxtest::Outcome;
using vnkxtest::Slurp;

const std::string kData = VNKX_DATA_DIR;

// Runs `prefix` vnkx-host `arguments` through the shell.
Outcome Shell(const std::string& prefix, const std::string& arguments) {
  return vnkxtest::Shell(prefix + " " + VNKX_HOST_PROGRAM + " " + arguments);
}

// In a sanitizer build the ranks keep their address and undefined-behaviour checks but not the
// leak check: Open MPI leaves allocations in plugins it unloads before the process ends, which
// no suppression can name. What the runner makes is owned by RAII; the one-process runs that
// the ranks are compared with are leak-checked.
const std::string kRankEnvironment = "ASAN_OPTIONS=\"${ASAN_OPTIONS}:detect_leaks=0\" ";

std::string Mpirun(int ranks) {
  return kRankEnvironment + VNKX_MPIEXEC + " -n " + std::to_string(ranks) + " --oversubscribe";
}

Outcome One(const std::string& arguments) {
  return Shell("", "run " + arguments + " --quiet --format csv");
}

Outcome Ranks(int ranks, const std::string& arguments) {
  return Shell(Mpirun(ranks), "run " + arguments + " --quiet --format csv");
}

std::vector<std::string> Cells(const std::string& csv) {
  std::vector<std::string> cells;
  std::string cell;
  for (const char c : csv) {
    if (c == ',' || c == '\n') {
      cells.push_back(cell);
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells.push_back(cell);
  return cells;
}

// The same tables: texts equal, numbers within 1e-12 of each other relatively.
void ExpectSameResult(const std::string& expected, const std::string& actual,
                      const std::string& what) {
  const std::vector<std::string> a = Cells(expected);
  const std::vector<std::string> b = Cells(actual);
  ASSERT_EQ(a.size(), b.size()) << what << "\n" << expected << "\n---\n" << actual;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    char* endA = nullptr;
    char* endB = nullptr;
    const double x = std::strtod(a[i].c_str(), &endA);
    const double y = std::strtod(b[i].c_str(), &endB);
    ASSERT_TRUE(*endA == '\0' && *endB == '\0' && !a[i].empty())
        << what << ": '" << a[i] << "' against '" << b[i] << "'";
    EXPECT_LE(std::fabs(x - y), 1e-12 * std::max(std::fabs(x), std::fabs(y)))
        << what << ": " << a[i] << " against " << b[i];
  }
}

class Distributed : public ::testing::Test {
 protected:
  void SetUp() override {
    // mpirun refuses root unless told; CI containers run as root.
    setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
    setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
  }
};

void ExpectSameForRanks(const std::string& arguments, std::initializer_list<int> ranks) {
  const Outcome one = One(arguments);
  ASSERT_EQ(one.status, 0) << arguments << "\n" << one.err;
  for (const int n : ranks) {
    const Outcome many = Ranks(n, arguments);
    ASSERT_EQ(many.status, 0) << n << " ranks: " << arguments << "\n" << many.err;
    ExpectSameResult(one.out, many.out, std::to_string(n) + " ranks: " + arguments);
  }
}

TEST_F(Distributed, MergedResultsEqualOneProcessForAnyNumberOfRanks) {
  const std::string air = kData + "/airquality.csv";
  const std::string iris = kData + "/iris.csv";
  for (const std::string& arguments : {
           "describe " + air,
           "describe " + iris + " --datamodel " + kData +
               "/iris.datamodel.xml --param partition=all",
           "linreg " + air + " --datamodel " + kData + "/airquality.datamodel.xml --params " +
               kData + "/airquality.linreg.xml",
           "linreg " + iris + " --datamodel " + kData + "/iris.datamodel.xml",
           "linreg " + air +
               " --param target=ozone --param inputs=temp,month --param categorical=month"
               " --param reference=month:7 --param weight=day",
       }) {
    ExpectSameForRanks(arguments, {1, 2, 4});
  }
}

TEST_F(Distributed, OddSplitsMergeToTheSameResult) {
  // More ranks than rows: some shares are empty.
  const std::string tiny = File("tiny.csv", "a,b\n1,x\n2,y\n");
  ExpectSameForRanks("describe " + tiny, {4});
  // The last shares hold only records the components skip (missing values), quoted cells with
  // delimiters, CRLF line ends and a byte-order mark.
  std::string csv = "\xEF\xBB\xBFx,y,label\r\n";
  for (int i = 0; i < 400; ++i) {
    const std::string y = i < 250 ? std::to_string(3 * i % 17 + 0.25 * i) : "";
    csv += std::to_string(i % 23) + "," + y + ",\"l, " + std::to_string(i % 3) + "\"\r\n";
  }
  const std::string skipped = File("skipped.csv", csv);
  ExpectSameForRanks("linreg " + skipped + " --param target=y --param inputs=x", {2, 4});
  ExpectSameForRanks("describe " + skipped + " --param skipMissing=true", {4});
  ExpectSameForRanks("linreg " + skipped + " --param target=y --param inputs=x,label", {3});
}

TEST_F(Distributed, ARowCutByTheSplitIsRefusedNotMisread) {
  std::string csv = "n,text\n";
  for (int i = 0; i < 50; ++i) csv += std::to_string(i) + ",\"one\ntwo\nthree\nfour\nfive\"\n";
  const std::string path = File("quoted.csv", csv);
  const Outcome many = Ranks(2, "describe " + path);
  EXPECT_EQ(many.status, 2) << many.err;
  EXPECT_TRUE(Has(many.err, "a quoted cell holds the line break where the rows were split"))
      << many.err;
  EXPECT_EQ(One("describe " + path).status, 0);
}

TEST_F(Distributed, BadRowsInAShareStopEveryRankAndNameTheRankAndLine) {
  std::string csv = Slurp(kData + "/airquality.csv");
  csv += "oops,1,2,3,4,5\n";
  const std::string path = File("bad.csv", csv);
  const std::string arguments =
      "describe " + path + " --datamodel " + kData + "/airquality.datamodel.xml";
  const Outcome one = One(arguments);
  ASSERT_EQ(one.status, 2);
  const Outcome many = Ranks(2, arguments);
  EXPECT_EQ(many.status, 2) << many.err;
  EXPECT_TRUE(Has(many.err, "rank 1 failed while loading the rows: " + path + ": line 155"))
      << many.err;
  EXPECT_TRUE(Has(one.err, path + ": line 155")) << one.err;
}

TEST_F(Distributed, ComponentFaultsStopEveryRankWithTheReason) {
  const std::string data = kData + "/iris.csv";
  const std::string faulty = std::string(VNKX_FAULTY_COMPONENT) + " " + data;
  const Outcome fine = Ranks(4, faulty + " --param fault=none");
  EXPECT_EQ(fine.status, 0) << fine.err;
  EXPECT_TRUE(Has(fine.out, "rows,150")) << fine.out;

  const Outcome worker = Ranks(2, faulty + " --param fault=component --param rank=1");
  EXPECT_EQ(worker.status, 1);
  EXPECT_TRUE(Has(worker.err, "rank 1 failed while running the component's worker")) << worker.err;
  EXPECT_TRUE(Has(worker.err, "injected component fault")) << worker.err;

  const Outcome merge = Ranks(2, faulty + " --param fault=merge");
  EXPECT_EQ(merge.status, 1);
  EXPECT_TRUE(Has(merge.err, "rank 0 failed while merging the partial results")) << merge.err;

  const Outcome killed = Ranks(2, faulty + " --param fault=kill --param rank=1");
  EXPECT_NE(killed.status, 0);
  EXPECT_LT(killed.seconds, 60);

  const Outcome hung = Ranks(2, faulty + " --param fault=hang --param rank=1 --timeout 2");
  EXPECT_NE(hung.status, 0);
  EXPECT_TRUE(Has(hung.err, "no answer from the other ranks within 2 s")) << hung.err;
  EXPECT_LT(hung.seconds, 60);
}

TEST_F(Distributed, CtrlCOnMpirunStopsEveryRank) {
  const std::string faulty = std::string(VNKX_FAULTY_COMPONENT) + " " + kData + "/iris.csv";
  const Outcome stopped = Shell(kRankEnvironment + "timeout -s INT 2 " + VNKX_MPIEXEC + " -n 2",
                                "run " + faulty + " --param fault=hang --param rank=1");
  // timeout's own status when the command it stopped has gone: 124.
  EXPECT_EQ(stopped.status, 124) << stopped.err;
  EXPECT_LT(stopped.seconds, 30);
}

TEST_F(Distributed, AComponentWithoutWorkersRunsOnRankZeroAloneWithANote) {
  const std::string faulty = std::string(VNKX_FAULTY_COMPONENT) + " " + kData + "/iris.csv";
  const Outcome alone = Ranks(2, faulty + " --param fault=noworkers");
  EXPECT_EQ(alone.status, 0) << alone.err;
  EXPECT_TRUE(Has(alone.out, "rows,150")) << alone.out;
  EXPECT_TRUE(Has(alone.err, "it ran in rank 0 alone")) << alone.err;
}

}  // namespace
