#include <gtest/gtest.h>

#include <string>

#include "context/ContextInfo.h"
#include "host/SimContext.h"
#include "host/SimHost.h"
#include "peer/VnPeer.h"
#include "tests/support/ProbePeer.h"

namespace VnKx_1_2 {
namespace {

using VnKxHost::SimContext;
using VnKxTest::ProbePeer;

struct Harness {
  VnKxHost::SimContext context;
  VnKxHost::SimHost host;
  ProbePeer peer{context.record(), host.record()};
};

TEST(VnPeerHostInformation, FillsAllFiveFields) {
  Harness h;
  h.host.SetHostInformation(
      "<HostInformation><Host appName='A' appVersion='1.0' copyright='C' vendorName='V'"
      " installationPath='P'/></HostInformation>");
  VnPeerHostInfo info;
  int error = -1;
  EXPECT_EQ(h.peer.GetHostInformation(info, &error), StatusOk);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(info.appName, "A");
  EXPECT_EQ(info.appVersion, "1.0");
  EXPECT_EQ(info.copyright, "C");
  EXPECT_EQ(info.vendorName, "V");
  EXPECT_EQ(info.installationPath, "P");
}

TEST(VnPeerHostInformation, FailuresAnswerDocumentError) {
  const VnPeerHostInfo before{"a", "b", "c", "d", "e"};
  {
    Harness h;
    h.host.Fault().status = 7;
    h.host.Fault().errorCode = 31;
    VnPeerHostInfo info = before;
    int error = 0;
    EXPECT_EQ(h.peer.GetHostInformation(info, &error), StatusDocumentError);
    EXPECT_EQ(error, 31);
    EXPECT_EQ(info.appName, "a");
  }
  {
    Harness h;
    h.host.SetHostInformation("<HostInformation><Other/></HostInformation>");
    VnPeerHostInfo info = before;
    int error = -1;
    EXPECT_EQ(h.peer.GetHostInformation(info, &error), StatusDocumentError);
    EXPECT_EQ(error, 0);
  }
  {
    SimContext context;
    ProbePeer peer(context.record(), nullptr);
    VnPeerHostInfo info = before;
    int error = 0;
    EXPECT_EQ(peer.GetHostInformation(info, &error), StatusDocumentError);
    EXPECT_EQ(info.vendorName, "d");
  }
}

TEST(VnPeerModelLibraryPath, CutsUpToFourComponents) {
  const struct {
    const char* library;
    const char* expected;
  } cases[] = {
      {"C:\\h\\bin\\x\\y\\lib.dll", "C:\\h\\config\\modeldll.txt"},
      {"C:\\lib.dll", "C:\\config\\modeldll.txt"},
      {"lib.dll", "lib.dll\\config\\modeldll.txt"},
      {"", "\\config\\modeldll.txt"},
      {"\\\\a\\b\\c\\d\\e\\f", "\\\\a\\b\\config\\modeldll.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library);
    Harness h;
    h.host.SetHostInformation(std::string("<HostInformation><LibraryDetail path='") + c.library +
                              "'/></HostInformation>");
    std::string path = "old";
    int error = 0;
    EXPECT_EQ(h.peer.GetModelDllTxtFilePath(path, &error), StatusOk);
    EXPECT_EQ(path, c.expected);
  }
  Harness h;
  h.host.SetHostInformation("<HostInformation/>");
  std::string path = "old";
  int error = 0;
  EXPECT_EQ(h.peer.GetModelDllTxtFilePath(path, &error), StatusDocumentError);
  EXPECT_EQ(path, "");
  h.host.Fault().status = 9;
  path = "old";
  EXPECT_EQ(h.peer.GetModelDllTxtFilePath(path, &error), StatusDocumentError);
  EXPECT_EQ(path, "");
}

TEST(VnPeerParameters, ArriveByTheTwoCallProtocolAndReachApplyOnce) {
  Harness h;
  h.context.SetParameterDocument("<Parameters><Parameter name='a' value='1'/></Parameters>");
  h.context.Fault(SimContext::kParameterDocument).busyTimes = 1;
  h.context.Fault(SimContext::kParameterDocument).busyRequired = 20000;
  h.peer.applyStatus = 7;
  h.peer.applyError = 77;
  int error = 0;
  EXPECT_EQ(h.peer.ScanParameters(&error), 7u);
  EXPECT_EQ(error, 77);
  EXPECT_EQ(h.peer.applyCalls, 1);
  EXPECT_NE(h.peer.appliedText.find("name=\"a\""), std::string::npos);
  ASSERT_EQ(h.context.Calls().size(), 2u);
  EXPECT_EQ(h.context.Calls()[0].size, 8192u);
  EXPECT_EQ(h.context.Calls()[1].size, 20000u);
}

TEST(VnPeerParameters, FetchAndParseFailuresStopBeforeApply) {
  {
    Harness h;
    h.context.SetParameterDocument("<Parameters/>");
    h.context.Fault(SimContext::kParameterDocument).busyTimes = 2;
    int error = 0;
    EXPECT_EQ(h.peer.ScanParameters(&error), StatusBufferTooSmall);
    EXPECT_EQ(h.context.Calls().size(), 2u);
    EXPECT_EQ(h.peer.applyCalls, 0);
  }
  {
    Harness h;
    h.context.Fault(SimContext::kParameterDocument).status = 8;
    h.context.Fault(SimContext::kParameterDocument).errorCode = 808;
    int error = 0;
    EXPECT_EQ(h.peer.ScanParameters(&error), 8u);
    EXPECT_EQ(error, 808);
  }
  {
    Harness h;
    h.context.SetParameterDocument("<Parameters>");
    int error = -4;
    EXPECT_EQ(h.peer.ScanParameters(&error), StatusDocumentError);
    EXPECT_EQ(h.peer.applyCalls, 0);
  }
  {
    Harness h;
    h.context.Fault(SimContext::kParameterDocument).busyTimes = 1;
    h.context.Fault(SimContext::kParameterDocument).busyRequired = static_cast<size_t>(-2);
    int error = 0;
    EXPECT_EQ(h.peer.ScanParameters(&error), StatusDocumentError);
  }
  ProbePeer orphan(nullptr, nullptr);
  int error = -4;
  EXPECT_EQ(orphan.ScanParameters(&error), StatusBadArgument);
  EXPECT_EQ(error, -4);
}

TEST(VnPeerParameters, GetFilePathIsNotOffered) {
  Harness h;
  std::string path = "kept";
  int error = 0;
  EXPECT_EQ(h.peer.GetFilePath("anything", path, &error), StatusNotImplemented);
  EXPECT_EQ(error, 16);
  EXPECT_EQ(path, "kept");
}

TEST(VnPeerContext, ConvertsTheHostsContextDocument) {
  Harness h;
  h.context.SetContextDocument(
      "<ContextDocument><Context name='C'><MultithreadingParms maxCompThreads='4'"
      " memCacheKB='1024'/><TempDir path='/tmp/a'/><ContextSeed value='42'/>"
      "<LibraryDetail path='lib'/></Context></ContextDocument>");
  h.context.Fault(SimContext::kContextDocument).busyTimes = 1;
  ContextInfo info;
  int error = -1;
  EXPECT_EQ(h.peer.GetContextInformation(info, &error), StatusOk);
  EXPECT_EQ(info.GetContextName(), "C");
  EXPECT_EQ(info.GetMaxCompThreads(), 4);
  EXPECT_EQ(info.GetMemCacheKB(), 1024);
  EXPECT_EQ(info.GetTempDir(0), "/tmp/a");
  EXPECT_EQ(info.GetContextSeed(), 42);
  EXPECT_EQ(info.GetLibraryPath(), "lib");
}

TEST(VnPeerContext, FailuresLeaveTheInfoUnchanged) {
  const struct {
    const char* name;
    const char* text;
    int busy;
    unsigned int hostStatus;
    unsigned int expected;
  } cases[] = {
      {"13 twice", "<D><Context name='X'/></D>", 2, 0, 13},
      {"host error", "<D><Context name='X'/></D>", 0, 6, 6},
      {"not a document", "<D><Context name='X'>", 0, 0, 5},
      {"no context", "<D/>", 0, 0, 5},
      {"empty name", "<D><Context name=''/></D>", 0, 0, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    h.context.SetContextDocument(c.text);
    h.context.Fault(SimContext::kContextDocument).busyTimes = c.busy;
    h.context.Fault(SimContext::kContextDocument).status = c.hostStatus;
    ContextInfo info;
    info.SetContextName("old");
    info.SetTempDir(std::vector<std::string>{"d"});
    int error = 0;
    EXPECT_EQ(h.peer.GetContextInformation(info, &error), c.expected);
    EXPECT_EQ(info.GetContextName(), "old");
    EXPECT_EQ(info.GetTempDir(0), "d");
  }
}

}  // namespace
}  // namespace VnKx_1_2
