#include "context/ContextInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "external/hosthelper/HostHelper.h"

namespace VnKx_1_2 {
namespace {

unsigned int Convert(ContextInfo& info, const std::string& contextBody,
                     const std::string& attributes = " name='C'") {
  KxCppHelperV1::XMLDocument doc =
      KxCppHelperV1::HostHelper::createFromContents("<ContextDocument><Context" + attributes + ">" +
                                                    contextBody + "</Context></ContextDocument>");
  int error = -1;
  const unsigned int status = info.ConvertFromDocument(doc, &error);
  EXPECT_EQ(error, -1);
  return status;
}

ContextInfo Filled() {
  ContextInfo info;
  info.SetContextName("before");
  info.SetLibraryPath("lib0");
  info.SetMaxCompThreads(3);
  info.SetMemCacheKB(7);
  info.SetContextSeed(11);
  info.SetTempDir(std::vector<std::string>{"t0", "t1"});
  return info;
}

TEST(ContextInfo, StartsEmpty) {
  const ContextInfo info;
  EXPECT_EQ(info.GetContextName(), "");
  EXPECT_EQ(info.GetLibraryPath(), "");
  EXPECT_EQ(info.GetMaxCompThreads(), 0);
  EXPECT_EQ(info.GetMemCacheKB(), 0);
  EXPECT_EQ(info.GetContextSeed(), 0);
  EXPECT_EQ(info.GetTempDir(0), "");
}

TEST(ContextInfo, LastElementWinsAndAbsentKindsKeepTheirValues) {
  ContextInfo info = Filled();
  ASSERT_EQ(Convert(info, "<LibraryDetail path='p1'/><LibraryDetail path='p2'/>"), 0u);
  EXPECT_EQ(info.GetContextName(), "C");
  EXPECT_EQ(info.GetLibraryPath(), "p2");
  EXPECT_EQ(info.GetMaxCompThreads(), 3);
  EXPECT_EQ(info.GetMemCacheKB(), 7);
  EXPECT_EQ(info.GetContextSeed(), 11);
  EXPECT_EQ(info.GetTempDir(0), "");  // the list is rebuilt, here empty
}

TEST(ContextInfo, TempDirsSkipEmptyPaths) {
  ContextInfo info;
  ASSERT_EQ(Convert(info, "<TempDir path='d1'/><TempDir path=''/><TempDir/><TempDir path='d3'/>"),
            0u);
  EXPECT_EQ(info.GetTempDir(0), "d1");
  EXPECT_EQ(info.GetTempDir(1), "d3");
  EXPECT_EQ(info.GetTempDir(2), "");
}

TEST(ContextInfo, IntegersKeepTheirLowThirtyTwoBits) {
  ContextInfo info = Filled();
  ASSERT_EQ(Convert(info,
                    "<MultithreadingParms maxCompThreads='4294967297' memCacheKB='x'/>"
                    "<ContextSeed value='-1'/><ContextSeed/>"),
            0u);
  EXPECT_EQ(info.GetMaxCompThreads(), 1);
  EXPECT_EQ(info.GetMemCacheKB(), 0);
  EXPECT_EQ(info.GetContextSeed(), 0);
  ASSERT_EQ(Convert(info, "<ContextSeed value='4294967295'/>"), 0u);
  EXPECT_EQ(info.GetContextSeed(), -1);
}

TEST(ContextInfo, MissingNameChangesNothing) {
  for (const char* attributes : {" name=''", ""}) {
    ContextInfo info = Filled();
    EXPECT_EQ(Convert(info, "<TempDir path='new'/><LibraryDetail path='new'/>", attributes), 5u);
    EXPECT_EQ(info.GetContextName(), "before");
    EXPECT_EQ(info.GetLibraryPath(), "lib0");
    EXPECT_EQ(info.GetTempDir(1), "t1");
  }
  ContextInfo info = Filled();
  KxCppHelperV1::XMLDocument empty;
  int error = -1;
  EXPECT_EQ(info.ConvertFromDocument(empty, &error), 5u);
  EXPECT_EQ(error, -1);
}

TEST(ContextInfo, CopiesAreDeepAndSetTempDirReplacesTheList) {
  ContextInfo info = Filled();
  ContextInfo copy(info);
  info.SetTempDir("");
  EXPECT_EQ(info.GetTempDir(0), "");
  EXPECT_EQ(info.GetTempDir(1), "");
  EXPECT_EQ(copy.GetTempDir(1), "t1");
  ContextInfo assigned;
  assigned = copy;
  EXPECT_EQ(assigned.GetContextName(), "before");
}

}  // namespace
}  // namespace VnKx_1_2
