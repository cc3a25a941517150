#pragma once

// What the host tells a peer about one execution: the context's name, a library path, the
// thread and memory limits, the temporary directories and the random seed. A plain value;
// one thread at a time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "VnKxExport.h"
#include "external/hosthelper/XMLDocument.h"

namespace VnKx_1_2 {

class VNKX_API ContextInfo {
 public:
  ContextInfo();
  ContextInfo(const ContextInfo&);
  ContextInfo& operator=(const ContextInfo&);
  ~ContextInfo();

  std::string GetContextName() const { return contextName; }
  void SetContextName(const std::string& name) { contextName = name; }
  std::string GetLibraryPath() const { return libraryPath; }
  void SetLibraryPath(const std::string& path) { libraryPath = path; }
  std::int32_t GetMaxCompThreads() const { return maxCompThreads; }
  void SetMaxCompThreads(std::int32_t threads) { maxCompThreads = threads; }
  std::int32_t GetMemCacheKB() const { return memCacheKB; }
  void SetMemCacheKB(std::int32_t kilobytes) { memCacheKB = kilobytes; }
  std::int32_t GetContextSeed() const { return contextSeed; }
  void SetContextSeed(std::int32_t seed) { contextSeed = seed; }

  // The directory at `index`; empty past the end of the list (an empty result ends the list).
  std::string GetTempDir(size_t index) const;
  // The list becomes exactly `dir` (also when it is empty).
  void SetTempDir(const std::string& dir);
  void SetTempDir(const std::vector<std::string>& dirs);

  // Fills the fields from a context document. Returns StatusOk, or StatusDocumentError when the
  // context element or its name is missing (nothing changed) or the document cannot be read
  // (fields read so far changed). Never writes `*error`.
  unsigned int ConvertFromDocument(KxCppHelperV1::XMLDocument& doc, int* error);

 private:
  void ReadLibraryPaths(const KxCppHelperV1::XMLElement& context);
  void ReadMultithreadingParms(const KxCppHelperV1::XMLElement& context);
  void ReadTempDirs(const KxCppHelperV1::XMLElement& context);
  void ReadSeeds(const KxCppHelperV1::XMLElement& context);

  std::string contextName;
  std::string libraryPath;
  std::int32_t maxCompThreads;
  std::int32_t memCacheKB;
  std::vector<std::string> tempDirs;
  std::int32_t contextSeed;
};

}  // namespace VnKx_1_2
