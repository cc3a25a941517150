// Replays the fuzz seeds and every input that ever broke a driver.

#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "host/FuzzDrivers.h"

namespace VnKxHost {
namespace {

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d)) {
      const std::string name = entry->d_name;
      if (name[0] != '.') files.push_back(dir + "/" + name);
    }
    closedir(d);
  }
  return files;
}

struct Target {
  const char* name;
  void (*driver)(const std::uint8_t*, std::size_t);
};

void PrintTo(const Target& target, std::ostream* out) {
  *out << target.name;
}

class Replay : public ::testing::TestWithParam<Target> {};

TEST_P(Replay, SavedInputsRunCleanly) {
  size_t inputs = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    for (const std::string& path :
         FilesIn(std::string(VNKX_FUZZ_DIR) + "/" + kind + "/" + GetParam().name)) {
      SCOPED_TRACE(path);
      std::ifstream in(path, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      const std::string data = bytes.str();
      GetParam().driver(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
      ++inputs;
    }
  }
  EXPECT_GT(inputs, 0u);
}

INSTANTIATE_TEST_SUITE_P(Fuzz, Replay,
                         ::testing::Values(Target{"datamodel", &FuzzDataModel},
                                           Target{"context", &FuzzContext},
                                           Target{"parameters", &FuzzParameters},
                                           Target{"xml", &FuzzXml}, Target{"csv", &FuzzCsv}),
                         [](const ::testing::TestParamInfo<Target>& target) {
                           return std::string(target.param.name);
                         });

}  // namespace
}  // namespace VnKxHost
