// The vnkx-host command as a user meets it: options, input files and their mistakes, exit
// statuses and messages. Each case runs the built program.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/ProgramRun.h"

namespace {

using vnkxtest::File;
using vnkxtest::Has;
using vnkxtest::Outcome;
using vnkxtest::Slurp;
using vnkxtest::TempPath;

// Runs vnkx-host with `arguments` (shell words), no standard input.
Outcome Command(const std::string& arguments) {
  return vnkxtest::Shell(std::string(VNKX_HOST_PROGRAM) + " " + arguments);
}

// Thirty-two rows: y = 2x + 1 with a little noise, and a group.
std::string SmallSet() {
  std::string csv = "x,y,g\n";
  for (int i = 0; i < 32; ++i) {
    csv += std::to_string(i) + "," + std::to_string(2 * i + 1 + (i % 3) - 1) + "," +
           (i % 2 == 0 ? "a" : "b") + "\n";
  }
  return File("small.csv", csv);
}

TEST(Command, HelpVersionAndExitStatuses) {
  const Outcome bare = Command("");
  EXPECT_EQ(bare.status, 2);
  EXPECT_TRUE(Has(bare.out, "run")) << bare.out;
  EXPECT_TRUE(Has(bare.out, "Exit status: 0 done; 1 the component stopped")) << bare.out;
  const Outcome version = Command("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(Has(version.out, "vnkx-host 1.2.0")) << version.out;
  const Outcome unknown = Command("run describe --no-such-option");
  EXPECT_EQ(unknown.status, 2);
}

TEST(Command, ThreadsAreRefusedBelowOneAndCappedAtThePool) {
  const std::string data = SmallSet();
  for (const char* threads : {"0", "-3"}) {
    const Outcome refused =
        Command(std::string("run describe ") + data + " --quiet --threads " + threads);
    EXPECT_EQ(refused.status, 2) << threads;
    EXPECT_TRUE(Has(refused.err, "--threads must be 1 or more")) << refused.err;
  }
  // A million threads on 32 rows: capped with a note, and the fit runs as with a few.
  const Outcome capped = Command("run linreg " + data +
                                 " --quiet --param target=y --param inputs=x --threads 1000000");
  EXPECT_EQ(capped.status, 0) << capped.err;
  EXPECT_TRUE(Has(capped.err, "is more than the")) << capped.err;
  const Outcome one =
      Command("run linreg " + data + " --quiet --param target=y --param inputs=x --threads 1");
  EXPECT_EQ(capped.out, one.out);
}

TEST(Command, FilesThatCannotBeReadOrWrittenAreNamedWithTheReason) {
  const Outcome missing = Command("run describe /no/such/data.csv --quiet");
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(Has(missing.err, "/no/such/data.csv")) << missing.err;
  EXPECT_TRUE(Has(missing.err, "No such file or directory")) << missing.err;
  const Outcome model =
      Command("run describe " + SmallSet() + " --quiet --datamodel /no/model.xml");
  EXPECT_EQ(model.status, 2);
  EXPECT_TRUE(Has(model.err, "/no/model.xml (No such file or directory)")) << model.err;
  // An output that cannot be written is refused before any work: nothing is printed.
  const Outcome output = Command("run describe " + SmallSet() + " --quiet --output /no/dir/r.xml");
  EXPECT_EQ(output.status, 2);
  EXPECT_TRUE(Has(output.err, "cannot write --output /no/dir/r.xml")) << output.err;
  EXPECT_EQ(output.out, "");
  const Outcome inferred = Command("infer " + SmallSet() + " --output /no/dir/m.xml");
  EXPECT_EQ(inferred.status, 2);
}

TEST(Command, CsvDelimitersMissingTextsAndEncodings) {
  const std::string semicolons =
      File("semi.csv", "\xEF\xBB\xBFheight;town;score\n1,5;Z\xC3\xBCrich;NA\n2;Bern;3\n4;NA;5\n");
  // The separator is taken from the header line; the byte-order mark is no part of a name; "NA"
  // is missing in the numeric column and a category in the text one.
  const Outcome inferred = Command("infer " + semicolons + " --delimiter auto");
  EXPECT_EQ(inferred.status, 0) << inferred.err;
  EXPECT_TRUE(Has(inferred.out, "<Field name=\"height\" storage=\"string\"")) << inferred.out;
  EXPECT_TRUE(Has(inferred.err, "score: integer, continuous (2 values, 1 missing)"))
      << inferred.err;
  EXPECT_TRUE(Has(inferred.err, "town: string, nominal (3 values, 0 missing, 3 categories)"))
      << inferred.err;
  // Categories are declared in sorted order.
  EXPECT_LT(inferred.out.find("value=\"Bern\""), inferred.out.find("value=\"NA\""));
  EXPECT_LT(inferred.out.find("value=\"NA\""), inferred.out.find("value=\"Z\xC3\xBCrich\""));
  const Outcome named = Command("infer " + semicolons + " --delimiter ';' --na NA --na Bern");
  EXPECT_TRUE(Has(named.err, "town: string, nominal (1 values, 2 missing, 1 categories)"))
      << named.err;
  // Bytes that are not UTF-8 are refused with their line and column, or read as Latin-1.
  const std::string latin = File("latin.csv", "town,n\nZ\xFCrich,1\n");
  const Outcome refused = Command("infer " + latin);
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(Has(refused.err, "line 2, column 1: bytes that are not UTF-8")) << refused.err;
  const Outcome read = Command("infer " + latin + " --encoding latin1");
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_TRUE(Has(read.out, "Z\xC3\xBCrich")) << read.out;
  const Outcome duplicate = Command("infer " + File("dup.csv", "a,b,a\n1,2,3\n"));
  EXPECT_EQ(duplicate.status, 2);
  EXPECT_TRUE(Has(duplicate.err, "the column name 'a' is used twice (columns 1 and 3)"))
      << duplicate.err;
  EXPECT_EQ(Command("infer " + latin + " --delimiter ab").status, 2);
}

TEST(Command, ParametersAndFieldNamesThatMatchNothingAreErrorsWithTheValidNames) {
  const std::string data = SmallSet();
  const Outcome unknown = Command("run describe " + data + " --quiet --param partitoin=all");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_TRUE(Has(unknown.err, "takes no parameter 'partitoin'; it takes skipMissing, partition"))
      << unknown.err;
  // A misspelt categorical name no longer fits its field as continuous.
  const Outcome misspelt = Command("run linreg " + data +
                                   " --quiet --param target=y --param inputs=x,g "
                                   "--param categorical=gg");
  EXPECT_EQ(misspelt.status, 1);
  EXPECT_TRUE(
      Has(misspelt.err, "no field named 'gg' among the fields the component reads (x, y, g)"))
      << misspelt.err;
  const Outcome notInput = Command("run linreg " + data +
                                   " --quiet --param target=y --param inputs=x "
                                   "--param categorical=g");
  EXPECT_EQ(notInput.status, 1);
  EXPECT_TRUE(Has(notInput.err, "'g' is not one of the inputs (x)")) << notInput.err;
  const Outcome input =
      Command("run linreg " + data + " --quiet --param target=y --param inputs=z");
  EXPECT_TRUE(Has(input.err, "no field named 'z'")) << input.err;
}

TEST(Command, ResultFormatsAndTheScreenTable) {
  std::string csv = "x,c\n";
  for (int i = 0; i < 500000; ++i)
    csv += std::to_string(i % 7) + ",k" + std::to_string(i % 25) + "\n";
  const std::string data = File("formats.csv", csv);
  // Counts as integers, numbers right-aligned, at most --max-categories per field.
  const Outcome table = Command("run describe " + data + " --quiet --max-categories 3");
  EXPECT_EQ(table.status, 0) << table.err;
  EXPECT_TRUE(Has(table.out, "500000")) << table.out;
  EXPECT_FALSE(Has(table.out, "e+05")) << table.out;
  EXPECT_TRUE(Has(table.out, "  c     (22 more)")) << table.out;
  EXPECT_TRUE(Has(table.out, "  x     500000       0   500000")) << table.out;
  const Outcome json = Command("run describe " + data + " --quiet --format json");
  EXPECT_TRUE(Has(json.out, "\"notes\": {\"records read\": 500000, \"records used\": 500000"))
      << json.out;
  EXPECT_TRUE(Has(json.out, "[\"c\", \"k24\", 20000, 20000]")) << json.out;
  const Outcome csvOut = Command("run describe " + data + " --quiet --format csv");
  EXPECT_TRUE(Has(csvOut.out, "Notes\nname,value\nrecords read,500000\n")) << csvOut.out;
  EXPECT_TRUE(Has(csvOut.out, "\nCategories\nfield,category,count,weighted\nc,k0,20000,20000\n"))
      << csvOut.out;
  // XML is indented and ends in a newline; --output writes the chosen form.
  const std::string written = TempPath("result.xml");
  const Outcome xml = Command("run describe " + data + " --quiet --format xml --output " + written);
  EXPECT_EQ(xml.out.rfind("</Result>\n"), xml.out.size() - 10) << xml.out;
  EXPECT_TRUE(Has(xml.out, "\n  <Note name=\"records read\" value=\"500000\" />")) << xml.out;
  EXPECT_EQ(Slurp(written), xml.out);
  std::remove(written.c_str());
  EXPECT_EQ(Command("run describe " + data + " --quiet --format yaml").status, 2);
}

// Forty rows: y on x, a three-level group g, a yes/no flag f, and a frequency weight w.
std::string ModelSet() {
  std::string csv = "x,g,f,w,y\n";
  for (int i = 0; i < 40; ++i) {
    const double x = i * 0.5;
    const char* g = i % 3 == 0 ? "a" : i % 3 == 1 ? "b" : "c";
    const double shift = i % 3 == 0 ? 0 : i % 3 == 1 ? 1.5 : -0.5;
    const bool yes = i % 4 < 2;
    const double y = 1.0 + 2.0 * x + shift + (yes ? 0.75 : 0) + ((i * 37) % 11 - 5) * 0.1;
    char line[128];
    std::snprintf(line, sizeof(line), "%g,%s,%s,%d,%.6f\n", x, g, yes ? "yes" : "no", 1 + i % 5, y);
    csv += line;
  }
  return File("model.csv", csv);
}

TEST(Command, LinregReferenceLevelsFlagsAndWeights) {
  const std::string data = ModelSet();
  const std::string fit = "run linreg " + data + " --quiet --param target=y --param inputs=x,g,f";
  // Weighted least squares with b as g's reference; the flag's false value is its reference and
  // its coefficient is named after the true value. Figures from the normal equations solved
  // independently.
  const Outcome weighted = Command(fit + " --param reference=g:b --param weight=w");
  EXPECT_EQ(weighted.status, 0) << weighted.err;
  EXPECT_TRUE(Has(weighted.out, "weighted records: 120")) << weighted.out;
  EXPECT_TRUE(Has(weighted.out, "records used: 40")) << weighted.out;
  for (const char* line :
       {"(Intercept)   2.51189376", "x            1.999199373", "ga          -1.621895992",
        "gc          -1.969871789", "fyes          0.78027112"}) {
    EXPECT_TRUE(Has(weighted.out, line)) << line << "\n" << weighted.out;
  }
  // Without a reference the first level is it.
  const Outcome plain = Command(fit);
  EXPECT_TRUE(Has(plain.out, "gb ")) << plain.out;
  EXPECT_TRUE(Has(plain.out, "weighted records: 40")) << plain.out;
  const Outcome level = Command(fit + " --param reference=g:z");
  EXPECT_EQ(level.status, 1);
  EXPECT_TRUE(Has(level.err, "'g' has no level 'z' to be its reference (its levels: a, b, c)"))
      << level.err;
  const Outcome continuous = Command(fit + " --param reference=x:1");
  EXPECT_TRUE(Has(continuous.err, "the reference names 'x', which is no categorical input (g, f)"))
      << continuous.err;
  const Outcome noWeight = Command(fit + " --param weight=ww");
  EXPECT_EQ(noWeight.status, 2);
  EXPECT_TRUE(Has(noWeight.err, "no numeric field named 'ww' (there are: x, w, y)"))
      << noWeight.err;
  EXPECT_EQ(Command(fit + " --param weight=g").status, 2);
}

TEST(Command, ReadingShowsProgressAndCtrlCCancelsIt) {
  // About 40 MB: progress shows at every tenth (standard error is no terminal here).
  const std::string path = TempPath("big.csv");
  {
    std::ofstream out(path, std::ios::binary);
    out << "a,b,c,d\n";
    const std::string row = "1.25,2.5,text value,12345\n";
    for (int i = 0; i < 1600000; ++i) out << row;
  }
  int errors[2];
  ASSERT_EQ(pipe(errors), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(errors[1], STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(errors[0]);
    execl(VNKX_HOST_PROGRAM, VNKX_HOST_PROGRAM, "run", "describe", path.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(errors[1]);
  // The first report, then Ctrl-C.
  std::string seen;
  char buffer[256];
  while (seen.find("reading: ") == std::string::npos) {
    const ssize_t n = read(errors[0], buffer, sizeof(buffer));
    if (n <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(n));
  }
  // The first report comes after the first mebibyte: about 1% of two passes over the file.
  EXPECT_NE(seen.find("reading: 1%"), std::string::npos) << seen;
  kill(child, SIGINT);
  for (ssize_t n; (n = read(errors[0], buffer, sizeof(buffer))) > 0;) {
    seen.append(buffer, static_cast<std::size_t>(n));
  }
  close(errors[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << seen;
  EXPECT_EQ(WEXITSTATUS(status), 130) << seen;
  EXPECT_NE(seen.find("cancelled while reading the data"), std::string::npos) << seen;
  std::remove(path.c_str());
}

TEST(Command, CheckReportsWhatTheLibraryWouldReadOtherwise) {
  const Outcome misspelt = Command(
      "check " + File("misspelt.xml",
                      "<DataModel><Fields><Field name='w' storage='real' measure='continous' "
                      "role='weight'/></Fields><Other><Field name='lost' storage='real'/>"
                      "</Other></DataModel>"));
  EXPECT_EQ(misspelt.status, 1);
  EXPECT_TRUE(Has(misspelt.out, "error: w: measure 'continous' is not one of auto, continuous"))
      << misspelt.out;
  EXPECT_TRUE(Has(misspelt.out, "error: w: role 'weight' is not one of input, target"))
      << misspelt.out;
  EXPECT_TRUE(
      Has(misspelt.out, "error: lost: a <Field> outside <Fields> (below <Other>) is not read"))
      << misspelt.out;
  EXPECT_FALSE(Has(misspelt.out, "no problems found"));
  for (const char* empty : {"<DataModel/>", "<DataModel><Fields/></DataModel>"}) {
    const Outcome none = Command("check " + File("empty.xml", empty));
    EXPECT_EQ(none.status, 1) << empty;
    EXPECT_TRUE(Has(none.out, "no fields") || Has(none.out, "holds no <Field>")) << none.out;
  }
  const Outcome fine = Command(
      "check " + File("fine.xml",
                      "<DataModel><Fields><Field name='w' storage='real' measure='continuous' "
                      "role='freqWeight'/></Fields></DataModel>"));
  EXPECT_EQ(fine.status, 0) << fine.out;
  EXPECT_TRUE(Has(fine.out, "no problems found")) << fine.out;
}

}  // namespace
