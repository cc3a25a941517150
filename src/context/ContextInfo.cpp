#include "context/ContextInfo.h"

#include "base/Status.h"
#include "external/hosthelper/XMLException.h"
#include "external/hosthelper/XMLNames.h"

namespace VnKx_1_2 {

using KxCppHelperV1::XMLAttributes;
using KxCppHelperV1::XMLElement;
using KxCppHelperV1::XMLElementIterator;
using KxCppHelperV1::XMLElements;

namespace {

// The low 32 bits of an integer attribute, 0 when absent or not a number.
std::int32_t Low32Bits(const XMLElement& element, const char* attribute) {
  std::int64_t value = 0;
  element.getAttribute(attribute, value);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xffffffff));
}

}  // namespace

ContextInfo::ContextInfo() : maxCompThreads(0), memCacheKB(0), contextSeed(0) {}
ContextInfo::ContextInfo(const ContextInfo&) = default;
ContextInfo& ContextInfo::operator=(const ContextInfo&) = default;
ContextInfo::~ContextInfo() = default;

std::string ContextInfo::GetTempDir(size_t index) const {
  return index < tempDirs.size() ? tempDirs[index] : std::string();
}

void ContextInfo::SetTempDir(const std::string& dir) {
  tempDirs.assign(1, dir);
}

void ContextInfo::SetTempDir(const std::vector<std::string>& dirs) {
  tempDirs = dirs;
}

unsigned int ContextInfo::ConvertFromDocument(KxCppHelperV1::XMLDocument& doc, int* /*error*/) {
  try {
    const XMLElement context = doc.getElement(XMLElements::Context);
    const std::string name = context.getAttribute(XMLAttributes::Name);
    if (name.empty()) return StatusDocumentError;
    contextName = name;
    ReadLibraryPaths(context);
    ReadMultithreadingParms(context);
    ReadTempDirs(context);
    ReadSeeds(context);
    return StatusOk;
  } catch (const std::exception&) {
    return StatusDocumentError;
  }
}

void ContextInfo::ReadLibraryPaths(const XMLElement& context) {
  for (XMLElementIterator it = context.getElements(XMLElements::LibraryDetail); it.hasMore();) {
    libraryPath = it.next().getAttribute(XMLAttributes::Path);
  }
}

void ContextInfo::ReadMultithreadingParms(const XMLElement& context) {
  for (XMLElementIterator it = context.getElements(XMLElements::MultithreadingParms);
       it.hasMore();) {
    const XMLElement parms = it.next();
    maxCompThreads = Low32Bits(parms, XMLAttributes::MaxCompThreads);
    memCacheKB = Low32Bits(parms, XMLAttributes::MemCacheKB);
  }
}

void ContextInfo::ReadTempDirs(const XMLElement& context) {
  tempDirs.clear();
  for (XMLElementIterator it = context.getElements(XMLElements::TempDir); it.hasMore();) {
    std::string path;
    it.next().getAttribute(XMLAttributes::Path, path);
    if (!path.empty()) tempDirs.push_back(path);
  }
}

void ContextInfo::ReadSeeds(const XMLElement& context) {
  for (XMLElementIterator it = context.getElements(XMLElements::ContextSeed); it.hasMore();) {
    contextSeed = Low32Bits(it.next(), XMLAttributes::Value);
  }
}

}  // namespace VnKx_1_2
