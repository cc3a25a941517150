// The XML conformance corpus: each document's verdict is in its name (wf- for well-formed, nwf-
// for not), and our reader must reach it. Where libxml2 was found at build time, the judge must
// also find our reader and libxml2 in agreement on each document, and on every input the
// differential fuzz target ever saved.

#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "external/hosthelper/XMLDocument.h"
#include "external/hosthelper/XMLException.h"
#ifdef VNKX_HAVE_XML_ORACLE
#include "XmlOracle.h"
#endif

namespace {

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d)) {
      if (entry->d_name[0] != '.') files.push_back(entry->d_name);
    }
    closedir(d);
  }
  return files;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool Accepted(const std::string& data) {
  try {
    KxCppHelperV1::XMLDocument::parse(data.data(), data.size());
    return true;
  } catch (const KxCppHelperV1::XMLException&) {
    return false;
  }
}

void ExpectJudgedAlike(const std::string& data) {
#ifdef VNKX_HAVE_XML_ORACLE
  const VnKxOracle::Judgement judgement =
      VnKxOracle::Judge(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
  EXPECT_EQ(judgement.disagreement, "");
#else
  static_cast<void>(data);
#endif
}

TEST(XmlConformance, EachDocumentOfTheCorpusGetsItsVerdict) {
  const std::string dir = std::string(VNKX_FUZZ_DIR) + "/corpus/xml_diff/";
  std::size_t wellFormed = 0;
  std::size_t malformed = 0;
  for (const std::string& name : FilesIn(dir)) {
    SCOPED_TRACE(name);
    const bool expected = name.rfind("wf-", 0) == 0;
    ASSERT_TRUE(expected || name.rfind("nwf-", 0) == 0) << "a corpus name starts wf- or nwf-";
    const std::string data = Read(dir + name);
    EXPECT_EQ(Accepted(data), expected);
    ExpectJudgedAlike(data);
    ++(expected ? wellFormed : malformed);
  }
  EXPECT_GE(wellFormed + malformed, 300u);
  EXPECT_GE(wellFormed, 100u);
}

TEST(XmlConformance, SavedFindingsOfTheDifferentialTargetAgree) {
  const std::string dir = std::string(VNKX_FUZZ_DIR) + "/regressions/xml_diff/";
  for (const std::string& name : FilesIn(dir)) {
    SCOPED_TRACE(name);
    const std::string data = Read(dir + name);
    Accepted(data);  // never crashes, whatever the verdict
    ExpectJudgedAlike(data);
  }
}

}  // namespace
