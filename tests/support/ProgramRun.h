#pragma once

// Runs a built program through the shell as a user would, for the tests of the vnkx-host
// command: its exit status, what it printed on each stream, how long it took; and temporary
// files named per test process.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace vnkxtest {

struct Outcome {
  int status = -1;  // the exit status; -1 when the program did not exit by itself
  std::string out;
  std::string err;
  double seconds = 0;
};

// A path in TMPDIR (or /tmp) unique to this process and `name`.
inline std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/vnkx-test-" + std::to_string(getpid()) +
         "-" + name;
}

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes `text` to a temporary file named after `name`; returns its path.
inline std::string File(const std::string& name, const std::string& text) {
  const std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// Runs `command` (shell words) with no standard input.
inline Outcome Shell(const std::string& command) {
  const std::string out = TempPath("stdout");
  const std::string err = TempPath("stderr");
  const std::string line = command + " >" + out + " 2>" + err + " </dev/null";
  const auto start = std::chrono::steady_clock::now();
  const int raw = std::system(line.c_str());
  Outcome outcome;
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  outcome.out = Slurp(out);
  outcome.err = Slurp(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return outcome;
}

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace vnkxtest
